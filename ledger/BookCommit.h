#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace store {
class BookPass;
}

namespace ledger {

// A posting changes two books, and the shop's figures are only right when both change or
// neither does. A commit therefore runs in steps that a crash may interrupt anywhere:
//  1. every book's new file is written complete and flushed beside the book
//     (".NAME.commit-new"), and the book itself is linked as ".NAME.commit-old";
//  2. the commit record (".tavelo.commit" in the program folder) lists them and is flushed;
//  3. the new files replace the books, one rename each;
//  4. the record is removed, then the old links.
// A failure before 2 removes the new files and changes nothing; a failure in 3 puts the
// books that were replaced back. A crash leaves the record, and recoverCommit() finishes
// what it says: the new files are complete once the record exists, so the commit is
// carried through, unless the record says it was being undone.

// The moments of a commit where a test can stop it, as a crash would.
enum class CommitStep { FirstWritten, SecondWritten, RecordWritten, FirstReplaced, Replaced };
// Tests only: called at each step, in the committing process.
void setCommitHook(std::function<void(CommitStep)> hook);

// One book of a commit: its pass, holding the changes in memory, and the book's path.
struct PendingBook {
    store::BookPass* pass;
    QString path;
};

// Commits the books' changes together, as above. Must run under the writer lock. Throws
// store::StoreError, after which every book is as it was.
void commitBooks(const QString& programDir, const QList<PendingBook>& books);

// Finishes or undoes a commit that a crash interrupted, and removes what one left behind.
// Must run under the writer lock. Returns what it did in the shop keeper's words, empty
// when there was nothing to do. Throws store::StoreError when a book cannot be put right
// (the record then stays, for the next try).
QString recoverCommit(const QString& programDir);

// Whether a commit record is waiting in the folder.
bool commitPending(const QString& programDir);

}  // namespace ledger
