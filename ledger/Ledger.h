#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>

#include "ledger/Document.h"
#include "ledger/Lines.h"
#include "store/DataBooks.h"
#include "store/ReadProgress.h"

namespace database {
class Database;
}

namespace ledger {

// What the messages call a posting ("入库", "退货出厂", "出库", "退货返库"), the journal
// it writes, and what that journal's records are called ("入库记录", "出库记录").
QString verbOf(Posting posting);
store::Book journalOf(Posting posting);
QString recordsOf(Posting posting);

// How far a posting or a read has come, for the windows' progress bar and status panels.
struct Progress {
    enum Stage {
        Reading,       // `book` is being read: `percent` of it so far
        Opened,        // the books read
        LineApplied,   // `line` has reached its item
        LinesApplied,  // every line has; the counts are those before the posting
        Saving,        // the new version of `book` is being written
        Committing,    // every new version is written, and now takes the books' place
        Committed,     // the books replaced; the counts are those after
    };
    Stage stage;
    int line = 0;
    int items = 0;           // the inventory's data rows
    int journalRecords = 0;  // the journal's data rows
    store::Book book = store::Book::Inventory;
    int percent = 0;
};
using ProgressFn = std::function<void(const Progress&)>;

// While the returned scope lives, the books this thread reads are reported to `progress`
// as the reading of `book`.
store::ReadProgressScope readingOf(store::Book book, const ProgressFn& progress);

// A posting stopped by a fact of the shop, not a fault: an item that is not in stock, a
// book open elsewhere. Nothing was written; the window says so in a plain box.
class Refusal : public store::StoreError {
public:
    using store::StoreError::StoreError;
};

// The document is in the books already: a second press on lines whose first commit went
// through (its answer lost with the connection). Nothing was posted this time.
class AlreadyPosted : public store::StoreError {
public:
    explicit AlreadyPosted(QString number);
    const QString& number() const { return m_number; }

private:
    QString m_number;
};

// The database could not be asked whether the commit went through: the document may be
// in the books or not. The message names its number, for the shop keeper to look for; the
// lines may be committed again as the same document, which then posts at most once.
class OutcomeUnknown : public store::StoreError {
public:
    using store::StoreError::StoreError;
};

// The shop's books and their rules. Every posting is a document committed through one
// path: the inventory and the document's journal read once, its lines applied in memory,
// its number given, and the inventory, the journal and the documents book committed
// together, under the writer lock and only when no spreadsheet program has one of them
// open. A failure throws store::StoreError (Refusal for the shop's own reasons) after which
// the books are as they were, or UnsettledCommit when a failing disk left the outcome to
// the commit record. A commit returns what there is to tell beside it, usually nothing:
// what recovering an interrupted earlier commit did, or that the books were saved but the
// record stayed.
//
// With a database, the inventory, the journals and the documents are its tables, and a
// commit is one transaction there instead: the items it touches locked, the same rules
// applied to them, committed whole. The locks, the files and their recovery are then the
// server's business. What a commit tells beside it there: that the connection broke on
// the commit and the document was found in the books afterwards.
//
// A till on the database with an offline till keeps its sales and customer returns in the
// outbox when the server cannot be reached, or while earlier ones wait there (see
// OfflineTill.h): such a commit returns at once, the document numbered and `queued`.
class OfflineTill;

class Ledger {
public:
    Ledger(QString programDir, store::ServerFactory servers,
           std::shared_ptr<database::Database> database = nullptr,
           std::shared_ptr<OfflineTill> offline = nullptr);

    // Commits the document and gives it its number. Throws AlreadyPosted when a document
    // of its identity is in the books, OutcomeUnknown when the database could not say
    // whether this commit went through.
    QString commit(Document& document, const ProgressFn& progress = {});
    QString commit(Document&& document, const ProgressFn& progress = {}) {
        return commit(document, progress);
    }

    // Why `books` may not be written: the first that is missing or read-only, in words;
    // empty when all may be.
    QString unwritableBook(std::initializer_list<store::Book> books) const;

    // Finishes an interrupted commit (of a posting, or of the backups, which a till on the
    // database writes too), waiting for the writer lock like a posting.
    QString recover() const;
    // The same for a reader, which never waits: when somebody holds the lock, their
    // commit is running, not interrupted, and the books are left to them.
    QString recoverIfIdle() const;
    // Deletes an unreadable commit record once the shop keeper agreed (see BookCommit.h).
    void discardCommitRecord() const;

private:
    QString commitToFiles(Document& document, const ProgressFn& progress);
    QString commitToDatabase(Document& document, const ProgressFn& progress);
    QString commitOrKeep(Document& document, const ProgressFn& progress);

    QString m_dir;
    store::ServerFactory m_servers;
    std::shared_ptr<database::Database> m_database;
    std::shared_ptr<OfflineTill> m_offline;
};

}  // namespace ledger
