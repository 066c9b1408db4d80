#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "database/Connection.h"
#include "store/CellValue.h"
#include "store/DataBooks.h"
#include "store/SpreadsheetServer.h"

namespace store {
class SheetPrinter;
}

namespace database {

class Connection;
class CommitInterrupted;
class TableBooks;

// The connection broke on a posting's COMMIT and the server could not be asked afterwards
// whether the posting went through: it may be in the tables, or not.
class CommitUnconfirmed : public store::StoreError {
public:
    CommitUnconfirmed(const QString& reason, QString number);
    // Why the server could not be asked, in its or libpq's words.
    const QString& reason() const { return m_reason; }
    // The number the server gave the document, when its answer came before the break.
    const QString& number() const { return m_number; }

private:
    QString m_reason, m_number;
};

// The books of a shop with several tills: the three data books as tables on a PostgreSQL
// server, shared by every till. Reads see the tables as the books they were (the windows
// and the shop's rules cannot tell); a posting is one transaction on the server. The
// report book stays a workbook in the program folder: it is the canvas of every export
// and printout.
//
// The connection is made on first use and made again after it broke; a server that
// cannot be reached throws ConnectionLost. Meant for the one thread that runs the windows.
class Database {
public:
    Database(QString conninfo, QString programDir, Patience patience = {});
    ~Database();

    const QString& conninfo() const { return m_conninfo; }
    // The server as the status bar names it: "shop@192.168.1.10" (database@host).
    QString serverLabel() const;
    // Whom the waits for the server are told to, on this connection and the next.
    void setWaiting(std::shared_ptr<WaitObserver> waiting);

    // The servers the windows use: the data books of the program folder from the tables,
    // every other book from its file.
    store::ServerFactory servers(std::shared_ptr<store::SheetPrinter> printer);
    // How many rows the reads have fetched from the tables so far.
    long long rowsFetched() const;

    struct Counts {
        int items = 0, records = 0;
        // The number the document was given.
        QString number;
        // The number of the document of that identity, when it was in the tables already
        // and nothing was done.
        QString alreadyPosted;
        // Its number when the connection broke on the COMMIT and the server, asked again,
        // had the document: the posting went through.
        QString confirmed;
        // The shop keeper asked to cancel when the COMMIT had gone: posted all the same.
        bool cancelled = false;
    };

    // What a posting sees and does inside its transaction.
    class Posting {
    public:
        // The items the posting's lines name, locked against the other tills, as a book
        // of just those rows (the bottom one the latest, as in the inventory book).
        store::BookPass& inventory() { return *m_pass; }
        // The rows the inventory and the journal hold now. The records appended are written
        // when the work is done.
        int items();
        int records();
        void append(const QList<store::CellValue>& record);
        // The document's number is taken as it commits: `head` ("XS20261207-") and the next
        // sequence of the numbers that start with it, of four digits at least, from a
        // counter the server keeps for the whole shop. Taken there, the counter is locked
        // for the server's milliseconds of the commit, not for the while a till works or
        // stalls, so two tills never give the same number, and a posting that fails gives
        // none. The document's row takes it in place of its number; see Counts::number.
        void numberAtCommit(const QString& head) { m_head = head; }
        // The posting's row of the documents table. Its first row is put right when the
        // rows are written, under the lock that orders the journal: another till's posting
        // may have taken the rows below the count read before.
        void setDocument(const QList<store::CellValue>& row);

    private:
        friend class Database;
        Posting(Connection& connection, store::Book journal, const QList<double>& codes);
        ~Posting();
        // Locks the inventory rows of `codes` (sorted) and puts them below those held; returns
        // the codes they hold, sorted.
        QList<double> lockRows(const QList<double>& codes);
        // Writes what the work did and commits, in one exchange with the server. `number`
        // gets the document's number once the server gave it, for a commit whose answer
        // was lost.
        Counts writeAndCommit(QString& number);
        void writeJournal(std::vector<Connection::Statement>& statements);
        void writeInventory(std::vector<Connection::Statement>& statements);
        void writeDocument(std::vector<Connection::Statement>& statements);
        int rowsOf(store::Book book);

        Connection& m_connection;
        store::Book m_journal;
        std::unique_ptr<store::Workbook> m_sheet;
        std::unique_ptr<store::BookPass> m_pass;
        QList<long long> m_seqs;                    // of the locked rows, by sheet row - 2
        QList<QList<store::CellValue>> m_original;  // their cells as locked
        QList<QList<store::CellValue>> m_records;   // the journal's new rows
        QList<store::CellValue> m_document;
        QString m_head;
    };
    // Runs `work` as one transaction on `journal` and the inventory rows of `codes`, for the
    // document of `identity`: it commits whole, or nothing is written. A transaction that
    // lost a race with another till runs again, a few times at most. Returns the rows after
    // the commit. A connection that breaks on the COMMIT is made again to ask for the
    // document: there, the posting counts as done; not there, ConnectionLost; the server
    // out of reach, CommitUnconfirmed.
    Counts post(store::Book journal, const QList<double>& codes, const QString& identity,
                const std::function<void(Posting&)>& work);

    // The book as it stands on the server, written as a workbook to `path` (replaced only
    // when complete).
    void exportBook(store::Book book, const QString& path);

    // `count` numbers of `head` ("XS20261207-") that no posting will be given, for the
    // documents a till makes while it cannot reach the server; returns the first.
    int reserveNumbers(const QString& head, int count);

    // The till's copy of the inventory, kept in the program folder each time a read found it
    // changed. While the server cannot be reached, the inventory is read from the copy held
    // in memory, or from this file when the till started without the server.
    static QString inventoryCopyName() { return QStringLiteral("tvkucun.offline.xlsx"); }
    // While held off, every use fails at once as a server out of reach, in the words of the
    // last failure, without trying the server: a till that knows its server is gone looks up
    // each scanned item in its copy at once, and leaves finding the server back to whatever
    // sends its outbox.
    void holdOff(bool on) { m_heldOff = on; }

    Connection& connection();

private:
    Counts askAfter(const CommitInterrupted& interrupted, store::Book journal,
                    const QString& identity, const QString& number);

    QString m_conninfo;
    QString m_dir;
    Patience m_patience;
    std::shared_ptr<WaitObserver> m_waiting;
    std::unique_ptr<Connection> m_connection;
    std::shared_ptr<TableBooks> m_books;
    bool m_heldOff = false;
    std::optional<ConnectionLost> m_failure;  // the last failure to connect
};

}  // namespace database
