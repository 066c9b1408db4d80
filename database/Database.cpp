#include "database/Database.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <iterator>
#include <optional>

#include "database/Connection.h"
#include "database/TableCopies.h"
#include "database/Tables.h"
#include "store/BookSource.h"
#include "store/Workbook.h"

namespace database {

namespace {

QByteArray arrayOf(const QList<QByteArray>& items) {
    return '{' + items.join(',') + '}';
}

QByteArray number(double value) {
    return QByteArray::number(value, 'g', 17);
}

}  // namespace

// The data books as the tables hold them, kept in memory between reads: a read fetches
// only the rows whose stamp is newer than the last it saw. Stamps are given out in the
// order the postings commit (see Posting), so none is missed; a table that lost rows
// behind the program's back is read whole again.
//
// The journals and the documents are also kept on disk (TableCopies): a till started again
// reads them from there and fetches only what changed while it was off. Their copies are
// written when the till ends, and every few minutes while it reads.
class TableBooks : public store::BookSource {
public:
    TableBooks(Database& database, QString dir)
        : m_database(database), m_dir(dir), m_copies(std::move(dir)) {}

    ~TableBooks() override {
        for (store::Book book : store::kDataBooks) {
            try {
                saveCopy(book, m_entries[int(book)]);
            } catch (...) {  // NOLINT(bugprone-empty-catch): only the copy is lost
            }
        }
    }

    bool keeps(const QString& path) const override { return bookAt(path).has_value(); }

    long long fetched() const { return m_fetched; }

    store::Workbook open(const QString& path) override {
        const store::Book book = *bookAt(path);
        Entry& entry = m_entries[int(book)];
        if (!entry.sheet && book != store::Book::Inventory)
            loadCopy(book, entry);
        const long long seen = entry.sheet ? entry.stamp : -1;
        try {
            update(m_database.connection(), tableOf(book), entry);
        } catch (const ConnectionLost&) {
            if (book != store::Book::Inventory)
                entry = {};
            if (book != store::Book::Inventory || !lastCopy(entry))
                throw;
            return entry.sheet->share();
        } catch (...) {
            entry = {};
            throw;
        }
        if (book == store::Book::Inventory && entry.stamp != seen)
            keepCopy(*entry.sheet);
        if (std::chrono::steady_clock::now() - entry.since > kCopyEvery)
            saveCopy(book, entry);
        return entry.sheet->share();
    }

    void refresh(const QString&, const store::Workbook&) override {}

private:
    struct Entry {
        std::optional<store::Workbook> sheet;
        // Of the rows fetched since the sheet was read (from the server, or its copy).
        QHash<long long, int> rowOfSeq;
        long long stamp = 0, lastSeq = 0, generation = -1;
        int rows = 0;
        long long copied = -1;  // the stamp of the copy on disk
        std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
    };

    static constexpr std::chrono::minutes kCopyEvery{5};

    // Where the table was read from: the server's system, the database and the table, so
    // that a copy is never taken for another's.
    QString identityOf(store::Book book) {
        QString& identity = m_identities[int(book)];
        if (identity.isEmpty()) {
            const Result r = m_database.connection().exec(
                "SELECT CASE WHEN has_function_privilege('pg_control_system()', 'EXECUTE')"
                " THEN (SELECT system_identifier::text FROM pg_control_system()) END,"
                " (SELECT oid FROM pg_database WHERE datname = current_database())::text,"
                " $1::regclass::oid::text",
                {QByteArray(tableOf(book).table)});
            const auto text = [&](int col) {
                return QString::fromUtf8(r.text(0, col), r.length(0, col));
            };
            identity = text(0) + QLatin1Char('/') + text(1) + QLatin1Char('/') + text(2);
        }
        return identity;
    }

    void loadCopy(store::Book book, Entry& entry) {
        std::optional<TableCopies::Copy> copy;
        try {
            copy = m_copies.load(book, identityOf(book));
        } catch (const store::StoreError&) {
            return;  // the server answers the read, or tells why not
        }
        if (!copy)
            return;
        entry = {};
        entry.sheet.emplace(std::move(copy->sheet));
        entry.stamp = entry.copied = copy->state.stamp;
        entry.lastSeq = copy->state.lastSeq;
        entry.generation = copy->state.generation;
        entry.rows = copy->state.rows;
    }

    void saveCopy(store::Book book, Entry& entry) {
        entry.since = std::chrono::steady_clock::now();
        if (book == store::Book::Inventory || !entry.sheet || entry.stamp == entry.copied ||
            entry.generation < 0)
            return;
        // Asked when the copy was looked for; the server is not asked again here, where
        // the till may be ending.
        const QString& identity = m_identities[int(book)];
        if (identity.isEmpty())
            return;
        m_copies.save(book, *entry.sheet,
                      {identity, entry.stamp, entry.lastSeq, entry.generation, entry.rows});
        entry.copied = entry.stamp;
    }

    QString copyPath() const { return m_dir + Database::inventoryCopyName(); }

    // Written at most once a minute: a shop's inventory takes longer to save than a scan
    // may, and a till that is running sells from the copy in memory; the file is for one
    // started without its server. A disk that will not take it costs the till only the
    // copy: the books are on the server.
    void keepCopy(const store::Workbook& sheet) {
        const auto now = std::chrono::steady_clock::now();
        if (m_copiedAt && now - *m_copiedAt < std::chrono::minutes(1))
            return;
        m_copiedAt = now;
        try {
            sheet.share().saveAs(copyPath());
        } catch (const store::StoreError&) {
        }
    }

    // The inventory as this till last saw it: held in memory, else the copy on disk. Never
    // taken for the server's own: the next read that reaches the server reads it whole.
    bool lastCopy(Entry& entry) const {
        if (!entry.sheet) {
            if (!QFileInfo::exists(copyPath()))
                return false;
            try {
                entry.sheet.emplace(store::Workbook::open(copyPath()));
            } catch (const store::StoreError&) {
                return false;
            }
        }
        entry.generation = -2;
        return true;
    }

    std::optional<store::Book> bookAt(const QString& path) const {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        for (store::Book book : store::kDataBooks)
            if (QFileInfo(store::bookPath(m_dir, book)).absoluteFilePath() == absolute)
                return book;
        return std::nullopt;
    }

    // The table's rows changed since `stamp`, with its row count and generation, in one
    // statement and so from one moment: the count tells whether the rows held and fetched
    // are all there are.
    static Result changedRows(Connection& connection, const Table& table, long long stamp,
                              const char* order) {
        QByteArray columns;
        for (const Column& column : table.columns)
            columns += QByteArray(", t.") + column.field;
        return connection.exec((QByteArray("SELECT r.rows, r.generation, t.seq, t.stamp") +
                                columns + " FROM book_rows r LEFT JOIN " + table.table +
                                " t ON t.stamp > $1 WHERE r.name = $2 ORDER BY " + order)
                                   .constData(),
                               {QByteArray::number(stamp), QByteArray(table.table)});
    }

    void update(Connection& connection, const Table& table, Entry& entry) {
        if (entry.sheet) {
            const Result changed = changedRows(connection, table, entry.stamp, "t.stamp");
            if (changed.rows() && changed.integer(0, 1) == entry.generation &&
                apply(changed, table, entry) && changed.integer(0, 0) == entry.rows)
                return;
        }
        entry = {};
        entry.sheet.emplace(store::initialBook(table.book));
        const Result all = changedRows(connection, table, 0, "t.seq");
        if (all.rows())
            entry.generation = all.integer(0, 1);
        apply(all, table, entry);
    }

    // False when a row cannot be placed: a new row that does not come last.
    bool apply(const Result& rows, const Table& table, Entry& entry) {
        for (int r = 0; r < rows.rows(); ++r) {
            if (rows.isNull(r, 2))
                continue;
            ++m_fetched;
            const long long seq = rows.integer(r, 2);
            int row = entry.rowOfSeq.value(seq);
            if (!row) {
                // A row read before, from the copy, cannot be placed: the table is read
                // whole again.
                if (seq <= entry.lastSeq)
                    return false;
                row = ++entry.rows + 1;
                entry.rowOfSeq.insert(seq, row);
                entry.lastSeq = seq;
            }
            entry.stamp = std::max(entry.stamp, rows.integer(r, 3));
            putRow(*entry.sheet, row, rows, r, 4, table);
        }
        return true;
    }

    Database& m_database;
    QString m_dir;
    TableCopies m_copies;
    std::array<Entry, std::size(store::kBookLayouts)> m_entries;  // by store::Book
    std::array<QString, std::size(store::kBookLayouts)> m_identities;
    long long m_fetched = 0;
    std::optional<std::chrono::steady_clock::time_point> m_copiedAt;
};

Database::Database(QString conninfo, QString programDir, Patience patience)
    : m_conninfo(std::move(conninfo)),
      m_dir(std::move(programDir)),
      m_patience(patience),
      m_books(std::make_shared<TableBooks>(*this, m_dir)) {}

Database::~Database() = default;

long long Database::rowsFetched() const {
    return m_books->fetched();
}

QString Database::serverLabel() const {
    const QHash<QByteArray, QString> values = conninfoValues(m_conninfo);
    const QString user = values.value("user");
    QString database = values.value("dbname");
    QString host = values.value("host", values.value("hostaddr"));
    // libpq's own fallbacks: the database is named after the user, the server is this
    // machine's socket.
    if (database.isEmpty())
        database = user.isEmpty() ? qEnvironmentVariable("PGDATABASE") : user;
    if (host.isEmpty())
        host = qEnvironmentVariable("PGHOST");
    if (host.isEmpty() || host.startsWith(QLatin1Char('/')))
        host = QStringLiteral("本机");
    return database + QLatin1Char('@') + host;
}

void Database::setWaiting(std::shared_ptr<WaitObserver> waiting) {
    m_waiting = std::move(waiting);
    if (m_connection)
        m_connection->setWaiting(m_waiting);
}

Connection& Database::connection() {
    // A password in the settings file would sit in plain text beside the books, readable by
    // whoever copies the folder.
    if (namesPassword(m_conninfo)) {
        throw ConnectionLost(
            QStringLiteral("设置文件的 conninfo 里不能写密码，请写在 ~/.pgpass 或环境变量 "
                           "PGPASSWORD 中"));
    }
    if (m_heldOff) {
        m_connection.reset();
        throw m_failure.value_or(
            ConnectionLost(QString(), ConnectionLost::Cause::Unreachable, serverLabel()));
    }
    if (!m_connection || !m_connection->isOpen()) {
        m_connection.reset();
        try {
            auto connection = std::make_unique<Connection>(m_conninfo, m_patience, m_waiting);
            ensureSchema(*connection);
            m_connection = std::move(connection);
        } catch (const ConnectionLost& lost) {
            m_failure = lost;
            throw;
        }
    }
    return *m_connection;
}

int Database::reserveNumbers(const QString& head, int count) {
    // Counted as the commit counts them (see Posting::writeAndCommit), `count` at once.
    const Result taken = connection().exec(
        "INSERT INTO document_numbers (head, last) VALUES ($1::text, $2::int +"
        " coalesce((SELECT max(substr(number, length($1::text) + 1)::int) FROM documents"
        " WHERE number LIKE $1::text || '%' AND substr(number, length($1::text) + 1)"
        " ~ '^[0-9]{1,9}$'), 0))"
        " ON CONFLICT (head) DO UPDATE SET last = document_numbers.last + $2::int"
        " RETURNING last",
        {head.toUtf8(), QByteArray::number(count)});
    return int(taken.integer(0, 0)) - count + 1;
}

store::ServerFactory Database::servers(std::shared_ptr<store::SheetPrinter> printer) {
    return store::workbookServerFactory(std::move(printer), m_books);
}

CommitUnconfirmed::CommitUnconfirmed(const QString& reason, QString number)
    : store::StoreError(
          QStringLiteral("连接在提交时断开，无法确认这次操作是否已经生效（%1）").arg(reason)),
      m_reason(reason),
      m_number(std::move(number)) {}

Database::Counts Database::post(store::Book journal, const QList<double>& codes,
                                const QString& identity,
                                const std::function<void(Posting&)>& work) {
    Connection& c = connection();
    QString number;  // once the server gave it
    try {
        return inTransaction(c, [&] {
            const Result posted =
                c.exec("SELECT number FROM documents WHERE identity = $1", {identity.toUtf8()});
            Counts counts;
            if (posted.rows()) {
                counts.alreadyPosted = QString::fromUtf8(posted.text(0, 0), posted.length(0, 0));
                return counts;
            }
            Posting posting(c, journal, codes);
            work(posting);
            return posting.writeAndCommit(number);
        });
    } catch (const CommitInterrupted& interrupted) {
        return askAfter(interrupted, journal, identity, number);
    }
}

Database::Counts Database::askAfter(const CommitInterrupted& interrupted, store::Book journal,
                                    const QString& identity, const QString& number) {
    std::optional<Counts> done;
    try {
        const Result posted = connection().exec(
            "SELECT d.number, i.rows, j.rows FROM documents d, book_rows i, book_rows j"
            " WHERE d.identity = $1 AND i.name = $2 AND j.name = $3",
            {identity.toUtf8(), QByteArray(tableOf(store::Book::Inventory).table),
             QByteArray(tableOf(journal).table)});
        if (posted.rows()) {
            done.emplace();
            done->cancelled = interrupted.cause() == ConnectionLost::Cause::Cancelled;
            done->items = int(posted.integer(0, 1));
            done->records = int(posted.integer(0, 2));
            done->confirmed = QString::fromUtf8(posted.text(0, 0), posted.length(0, 0));
            done->number = done->confirmed;
        }
    } catch (const ConnectionLost& unreachable) {
        throw CommitUnconfirmed(unreachable.serverText(), number);
    } catch (const store::StoreError& refused) {
        throw CommitUnconfirmed(refused.message(), number);
    }
    // Not there: the server never committed it, and the connection's failure is the answer.
    if (!done)
        throw ConnectionLost(interrupted.serverText(), interrupted.cause());
    return *done;
}

Database::Posting::Posting(Connection& connection, store::Book journal, const QList<double>& codes)
    : m_connection(connection), m_journal(journal) {
    m_sheet = std::make_unique<store::Workbook>(store::initialBook(store::Book::Inventory));
    // The items there are locked as rows, in the order of their seq, by every till alike: two
    // tills selling the same goods wait for each other, and a lock table that a count of the
    // whole shop would fill with one lock an item is never used for them.
    QList<double> sorted = codes;
    for (double& code : sorted)
        code = code == 0 ? 0.0 : code;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const QList<double> found = lockRows(sorted);
    QList<double> missing;
    std::set_difference(sorted.begin(), sorted.end(), found.begin(), found.end(),
                        std::back_inserter(missing));
    if (!missing.isEmpty()) {
        // An item to be added has no row to lock: a lock of its code, taken in code order
        // once the rows are held, keeps two tills from both adding it. The one that waited
        // finds the other's row, committed meanwhile.
        QList<long long> keys;
        for (double code : missing)
            keys << std::bit_cast<long long>(code);
        std::sort(keys.begin(), keys.end());
        QList<QByteArray> keyTexts;
        for (long long key : keys)
            keyTexts << QByteArray::number(key);
        m_connection.exec("SELECT count(pg_advisory_xact_lock(k)) FROM unnest($1::int8[]) AS k",
                          {arrayOf(keyTexts)});
        lockRows(missing);
    }
    m_pass = std::make_unique<store::BookPass>(store::serverOn(*m_sheet),
                                               store::bookFileName(store::Book::Inventory));
}

QList<double> Database::Posting::lockRows(const QList<double>& codes) {
    QList<QByteArray> values;
    for (double code : codes)
        values << number(code);
    const Table& inventory = tableOf(store::Book::Inventory);
    const Result rows = m_connection.exec(
        (QByteArray("SELECT seq, ") + columnList(inventory) + " FROM " + inventory.table +
         " WHERE " + inventory.columns[store::InventoryCol::ItemCode - 1].field +
         " = ANY($1::float8[]) ORDER BY seq FOR UPDATE")
            .constData(),
        {arrayOf(values)});
    QList<double> found;
    for (int r = 0; r < rows.rows(); ++r) {
        const int row = int(m_seqs.size()) + 2;
        m_seqs << rows.integer(r, 0);
        putRow(*m_sheet, row, rows, r, 1, inventory);
        QList<store::CellValue> cells;
        for (int c = 1; c <= inventory.columnCount(); ++c)
            cells << m_sheet->cell(row, c);
        m_original << cells;
        const double code = rows.number(r, 1);
        found << (code == 0 ? 0.0 : code);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

Database::Posting::~Posting() = default;

int Database::Posting::rowsOf(store::Book book) {
    return int(
        m_connection
            .exec("SELECT rows FROM book_rows WHERE name = $1", {QByteArray(tableOf(book).table)})
            .integer(0, 0));
}

int Database::Posting::items() {
    return rowsOf(store::Book::Inventory);
}

int Database::Posting::records() {
    return rowsOf(m_journal);
}

void Database::Posting::append(const QList<store::CellValue>& record) {
    m_records << record;
}

Database::Counts Database::Posting::writeAndCommit(QString& number) {
    // What a posting writes is written in the order the postings commit: one posting at a
    // time from the lock to its commit. The journals' order is then the order of the
    // commits, and a reader's "newer than the last stamp" misses nothing. All of it goes to
    // the server at once, so that the lock every till needs is held for the server's few
    // milliseconds of work, never across a pause of this till.
    std::vector<Connection::Statement> statements{{"SELECT pg_advisory_xact_lock(21590, 1)", {}}};
    if (!m_head.isEmpty()) {
        // A day's first number carries on from the documents already there: books imported
        // from a folder, or a counter lost with a restored dump, never give a number twice.
        statements.push_back(
            {"WITH taken AS (INSERT INTO document_numbers (head, last) VALUES ($1::text,"
             " 1 + coalesce((SELECT max(substr(number, length($1::text) + 1)::int) FROM documents"
             " WHERE number LIKE $1::text || '%' AND substr(number, length($1::text) + 1)"
             " ~ '^[0-9]{1,9}$'), 0))"
             " ON CONFLICT (head) DO UPDATE SET last = document_numbers.last + 1"
             " RETURNING last)"
             " SELECT set_config('tavelo.number', $1::text || CASE WHEN last < 10000"
             " THEN lpad(last::text, 4, '0') ELSE last::text END, true) FROM taken",
             {m_head.toUtf8()}});
    }
    writeJournal(statements);
    writeInventory(statements);
    writeDocument(statements);
    statements.push_back(
        {"SELECT (SELECT rows FROM book_rows WHERE name = $1),"
         " (SELECT rows FROM book_rows WHERE name = $2)",
         {QByteArray(tableOf(store::Book::Inventory).table),
          QByteArray(tableOf(m_journal).table)}});
    statements.push_back({"COMMIT", {}});
    std::vector<Result> results;
    try {
        m_connection.execAtOnce(statements, results);
    } catch (const CommitInterrupted&) {
        if (!m_head.isEmpty() && results.size() >= 2)
            number = QString::fromUtf8(results[1].text(0, 0), results[1].length(0, 0));
        throw;
    }
    const Result& rows = results[results.size() - 2];
    Counts counts;
    if (!m_head.isEmpty())
        counts.number = QString::fromUtf8(results[1].text(0, 0), results[1].length(0, 0));
    counts.items = int(rows.integer(0, 0));
    counts.records = int(rows.integer(0, 1));
    counts.cancelled = m_connection.cancelCameTooLate();
    return counts;
}

void Database::Posting::setDocument(const QList<store::CellValue>& row) {
    m_document = row;
}

void Database::Posting::writeDocument(std::vector<Connection::Statement>& statements) {
    const Table& table = tableOf(store::Book::Documents);
    QByteArray sql =
        QByteArray("INSERT INTO ") + table.table + " (" + columnList(table) + ") VALUES (";
    std::vector<Param> params;
    for (int c = 1; c <= table.columnCount(); ++c) {
        sql += c > 1 ? ", " : "";
        // Another till may have appended to the journal since the work counted its rows:
        // the document's first row is the one its rows got, counted now. A document
        // without records has none.
        if (c == store::DocumentCol::Number && !m_head.isEmpty()) {
            sql += "current_setting('tavelo.number')";
            continue;
        }
        if (c == store::DocumentCol::FirstRow && m_document.size() >= c && !m_records.isEmpty()) {
            params.push_back(QByteArray(tableOf(m_journal).table));
            sql += "(SELECT rows FROM book_rows WHERE name = $" +
                   QByteArray::number(qsizetype(params.size())) + ")";
            params.push_back(QByteArray::number(2 - m_records.size()));
            sql += " + $" + QByteArray::number(qsizetype(params.size())) + "::int8";
            continue;
        }
        params.push_back(paramOf(m_document.value(c - 1), table, c));
        sql += "$" + QByteArray::number(qsizetype(params.size()));
    }
    statements.push_back({sql + ")", params});
}

void Database::Posting::writeJournal(std::vector<Connection::Statement>& statements) {
    // Many rows a statement, in order: the rows take their seq in the order of the list.
    constexpr qsizetype kRowsPerStatement = 500;
    const Table& table = tableOf(m_journal);
    const Param document = paramOf(m_document.value(store::DocumentCol::Number - 1),
                                   tableOf(store::Book::Documents), store::DocumentCol::Number);
    // The document's number goes into the book's own column where the book has one, else
    // into the column the table adds for it.
    const int numberColumn = table.documentColumn ? table.documentColumn : table.columnCount() + 1;
    const QByteArray columns =
        columnList(table) + (table.documentColumn ? "" : QByteArray(", ") + kDocumentField);
    for (qsizetype first = 0; first < m_records.size(); first += kRowsPerStatement) {
        const qsizetype rows = std::min(kRowsPerStatement, m_records.size() - first);
        QByteArray sql = QByteArray("INSERT INTO ") + table.table + " (" + columns + ") VALUES ";
        std::vector<Param> params;
        for (qsizetype r = 0; r < rows; ++r) {
            sql += r ? ", (" : "(";
            for (int c = 1; c <= std::max(numberColumn, table.columnCount()); ++c) {
                sql += c > 1 ? ", " : "";
                if (c == numberColumn && !m_head.isEmpty()) {
                    sql += "current_setting('tavelo.number')";
                    continue;
                }
                params.push_back(c == numberColumn
                                     ? document
                                     : paramOf(m_records[first + r].value(c - 1), table, c));
                sql += "$" + QByteArray::number(qsizetype(params.size()));
            }
            sql += ')';
        }
        statements.push_back({sql, params});
    }
}

void Database::Posting::writeInventory(std::vector<Connection::Statement>& statements) {
    const Table& table = tableOf(store::Book::Inventory);
    QByteArray insert = "INSERT INTO inventory (" + columnList(table) + ") VALUES (";
    for (int c = 1; c <= table.columnCount(); ++c)
        insert += (c > 1 ? ", $" : "$") + QByteArray::number(c);
    insert += ")";
    // The changed rows are updated many a statement: a count of the whole shop changes
    // thousands, which one statement a row would send one by one.
    constexpr int kRowsPerStatement = 500;
    std::vector<Param> updates;
    int updated = 0;
    const auto flushUpdates = [&] {
        if (!updated)
            return;
        QByteArray sql = "UPDATE inventory AS t SET ";
        QByteArray names;
        for (int c = 1; c <= table.columnCount(); ++c) {
            const QByteArray field = table.columns[c - 1].field;
            sql += (c > 1 ? ", " : "") + field + " = v." + field;
            names += field + ", ";
        }
        sql += " FROM (VALUES ";
        int param = 0;
        for (int r = 0; r < updated; ++r) {
            sql += r ? ", (" : "(";
            for (int c = 1; c <= table.columnCount() + 1; ++c) {
                const char* type = c > table.columnCount()        ? "::int8"
                                   : table.columns[c - 1].numeric ? "::float8"
                                                                  : "::text";
                sql += (c > 1 ? ", $" : "$") + QByteArray::number(++param) + type;
            }
            sql += ')';
        }
        sql += ") AS v (" + names + "seq) WHERE t.seq = v.seq";
        statements.push_back({sql, std::move(updates)});
        updates = {};
        updated = 0;
    };
    const int used = m_sheet->usedRowCount();
    for (int row = 2; row <= used; ++row) {
        const int locked = row - 2;
        // A row below the locked ones is an item the posting added.
        bool changed = locked >= m_seqs.size();
        std::vector<Param> params;
        for (int c = 1; c <= table.columnCount(); ++c) {
            const store::CellValue cell = m_sheet->cell(row, c);
            changed = changed || !cell.identical(m_original[locked][c - 1]);
            params.push_back(paramOf(cell, table, c));
        }
        if (!changed)
            continue;
        if (locked >= m_seqs.size()) {
            statements.push_back({insert, params});
            continue;
        }
        params.push_back(QByteArray::number(m_seqs[locked]));
        std::move(params.begin(), params.end(), std::back_inserter(updates));
        if (++updated == kRowsPerStatement)
            flushUpdates();
    }
    flushUpdates();
}

}  // namespace database
