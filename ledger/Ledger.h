#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>

#include "ledger/Lines.h"
#include "store/DataBooks.h"

namespace database {
class Database;
}

namespace ledger {

// The postings of the shop: goods in from the supplier and back to them, goods out to a
// customer and back from them.
enum class Posting { Purchase, SupplierReturn, Sale, GoodsReturn };

// What the messages call a posting ("入库", "退货出厂", "出库", "退货返库"), the journal
// it writes, and what that journal's records are called ("入库记录", "出库记录").
QString verbOf(Posting posting);
store::Book journalOf(Posting posting);
QString recordsOf(Posting posting);

// How far a posting has come, for the windows' progress bar and status panels.
struct Progress {
    enum Stage {
        Opened,        // both books read
        LineApplied,   // `line` has reached its item
        LinesApplied,  // every line has; the counts are those before the posting
        Committed,     // both books replaced; the counts are those after
    };
    Stage stage;
    int line = 0;
    int items = 0;           // the inventory's data rows
    int journalRecords = 0;  // the journal's data rows
};
using ProgressFn = std::function<void(const Progress&)>;

// A posting stopped by a fact of the shop, not a fault: an item that is not in stock, a
// book open elsewhere. Nothing was written; the window says so in a plain box.
class Refusal : public store::StoreError {
public:
    using store::StoreError::StoreError;
};

// The shop's books and their rules: each posting reads the inventory and its journal
// once, applies every line in memory, and commits both books together, under the writer
// lock and only when no spreadsheet program has either open. A failure throws
// store::StoreError (Refusal for the shop's own reasons) after which both books are as
// they were, or UnsettledCommit when a failing disk left the outcome to the commit record.
// A posting returns what there is to tell beside it, usually nothing: what recovering an
// interrupted earlier commit did, or that the books were saved but the record stayed.
//
// With a database, the inventory and the journals are its tables, and a posting is one
// transaction there instead: the items it touches locked, the same rules applied to them,
// committed whole. The locks, the files and their recovery are then the server's business.
class Ledger {
public:
    Ledger(QString programDir, store::ServerFactory servers,
           std::shared_ptr<database::Database> database = nullptr);

    QString postPurchase(const QList<PurchaseLine>& lines, const ProgressFn& progress = {});
    // Goods sent back to the supplier: the stock goes down at its unchanged average cost,
    // and the stock-in journal gets the opposite entry, quantity and amount negative, so
    // that its totals net the return against the purchase.
    QString postSupplierReturn(const QList<PurchaseLine>& lines, const ProgressFn& progress = {});
    QString postSale(const QList<SaleLine>& lines, const ProgressFn& progress = {});
    QString postGoodsReturn(const QList<SaleLine>& lines, const ProgressFn& progress = {});

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
    // What every posting does around its own rules: the lock, the checks, both books read
    // once, `applyLines` on the inventory, one journal `record` per line, the commit.
    using ApplyLines = std::function<void(store::BookPass& inventory)>;
    using Record = std::function<QList<store::CellValue>(qsizetype line)>;
    QString post(Posting posting, const QList<double>& codes, const ProgressFn& progress,
                 const ApplyLines& applyLines, const Record& record);
    void postToDatabase(Posting posting, const QList<double>& codes, const ProgressFn& progress,
                        const ApplyLines& applyLines, const Record& record);
    QString postSales(Posting posting, const QList<SaleLine>& lines, const ProgressFn& progress);

    QString m_dir;
    store::ServerFactory m_servers;
    std::shared_ptr<database::Database> m_database;
};

}  // namespace ledger
