#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "store/StoreError.h"

namespace ledger {

// A posting changes three books (the inventory, a journal, the documents), and the shop's
// figures are only right when all change or none does; the backups are one set in the same
// way. A commit therefore runs in
// steps that a crash or a failing disk may interrupt anywhere:
//  1. every file's new version is written complete and flushed beside it
//     (".NAME.commit-new"), and the file itself is linked as ".NAME.commit-old";
//  2. the commit record (".tavelo.commit" in the program folder) names them, with what the
//     operation was, and is flushed;
//  3. the new files replace the old, one rename each;
//  4. the record is removed, then the old links.
// A failure before 2 removes the new files and changes nothing; a failure in 3 puts the
// files that were replaced back, after saying so in the record. Once the record exists it
// decides: a crash leaves it, and recoverCommit() carries out what it says, from any name
// of the folder (the record names the files by their names in the folder it lies in).

// The moments of a commit where a test can stop it, as a crash would.
enum class CommitStep {
    FirstWritten,
    SecondWritten,  // and every later file
    RecordWritten,
    FirstReplaced,
    SecondReplaced,  // with a third file still to go, for a posting
    Replaced
};
// Tests only: called at each step, in the committing process.
void setCommitHook(std::function<void(CommitStep)> hook);

// A commit that could neither be carried through nor undone at once: its record stays in
// the folder, and the books are what the record will make of them at the next start (or
// the next posting, once the disk works again). Whoever shows this must not say that
// nothing changed.
class UnsettledCommit : public store::StoreError {
public:
    enum class Outcome {
        Completes,  // the record will carry the operation through: it counts as done
        Undoes,     // the record will put the files back: it counts as not done
        Unknown,    // the record cannot be read
        Waits,      // an earlier operation's record: nothing of this one was written, and
                    // nothing can be until that record is carried out
    };
    UnsettledCommit(const QString& message, Outcome outcome, bool mayDiscard = false)
        : StoreError(message), m_outcome(outcome), m_mayDiscard(mayDiscard) {}
    Outcome outcome() const { return m_outcome; }
    // An unreadable record whose files agree with each other (all before or all after the
    // operation): deleting it, as discardCommitRecord() does, loses nothing.
    bool mayDiscardRecord() const { return m_mayDiscard; }

private:
    Outcome m_outcome;
    bool m_mayDiscard;
};

// One file of a commit: where it lives (a data book or a backup in the program folder) and
// how its new version is written, complete, at the scratch path given.
struct NewVersion {
    QString path;
    std::function<void(const QString& scratch)> write;
};

// Commits the new versions together, as above; `what` names the operation for the shop
// keeper ("入库 3 行"). Must run under the writer lock. Throws store::StoreError after which
// every file is as it was (checked), or UnsettledCommit. Returns a note for the shop
// keeper when the commit stood but its record could not be removed, else nothing.
QString commitFiles(const QString& programDir, const QString& what, const QList<NewVersion>& files);

// Finishes or undoes a commit that a crash or a failing disk interrupted, and removes what
// one left behind. Must run under the writer lock. Returns what it did in the shop keeper's
// words, empty when there was nothing to tell. Throws UnsettledCommit when the record
// cannot be carried out (it then stays, for the next try).
QString recoverCommit(const QString& programDir);

// Whether a commit record, or the scrap of one, is waiting in the folder.
bool commitPending(const QString& programDir);

// Deletes an unreadable commit record and the scrap beside its files, for when the shop
// keeper agreed to after UnsettledCommit::mayDiscardRecord(). Must run under the writer
// lock; refuses (UnsettledCommit) when the files no longer agree.
void discardCommitRecord(const QString& programDir);

}  // namespace ledger
