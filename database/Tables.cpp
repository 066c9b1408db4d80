#include "database/Tables.h"

#include <cmath>
#include <vector>

#include "store/Numbers.h"
#include "store/Workbook.h"

namespace database {

const Table& tableOf(store::Book book) {
    const Table& table = store::layoutOf(book);
    if (!table.isData())
        throw store::StoreError(QStringLiteral("报表文件不在数据库中"));
    return table;
}

QByteArray columnList(const Table& table) {
    QByteArray list;
    for (const Column& column : table.columns) {
        if (!list.isEmpty())
            list += ", ";
        list += column.field;
    }
    return list;
}

namespace {

// What keeps the books' bookkeeping right whoever writes the tables (a posting, an import,
// someone with psql): the number of rows of each table, so that neither a posting nor a
// reader counts 100,000 rows; a generation that grows when rows go, so that a reader
// holding the table reads it afresh; and a new stamp for every changed row.
const char* const kBookkeeping[] = {
    "CREATE TABLE IF NOT EXISTS book_rows (name text PRIMARY KEY, rows bigint NOT NULL,"
    " generation bigint NOT NULL DEFAULT 0)",
    "CREATE OR REPLACE FUNCTION book_added() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " UPDATE book_rows SET rows = rows + (SELECT count(*) FROM added) WHERE name = TG_TABLE_NAME;"
    " RETURN NULL; END $$",
    "CREATE OR REPLACE FUNCTION book_removed() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " UPDATE book_rows SET rows = rows - (SELECT count(*) FROM removed),"
    " generation = generation + 1 WHERE name = TG_TABLE_NAME; RETURN NULL; END $$",
    "CREATE OR REPLACE FUNCTION book_emptied() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " UPDATE book_rows SET rows = 0, generation = generation + 1 WHERE name = TG_TABLE_NAME;"
    " RETURN NULL; END $$",
    "CREATE OR REPLACE FUNCTION book_changed() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " NEW.stamp := nextval('book_stamp'); RETURN NEW; END $$",
};
const char* const kTriggers[] = {
    "CREATE OR REPLACE TRIGGER book_added AFTER INSERT ON %1 REFERENCING NEW TABLE AS added"
    " FOR EACH STATEMENT EXECUTE FUNCTION book_added()",
    "CREATE OR REPLACE TRIGGER book_removed AFTER DELETE ON %1 REFERENCING OLD TABLE AS removed"
    " FOR EACH STATEMENT EXECUTE FUNCTION book_removed()",
    "CREATE OR REPLACE TRIGGER book_emptied AFTER TRUNCATE ON %1"
    " FOR EACH STATEMENT EXECUTE FUNCTION book_emptied()",
    "CREATE OR REPLACE TRIGGER book_changed BEFORE UPDATE ON %1"
    " FOR EACH ROW EXECUTE FUNCTION book_changed()",
};

// Every table's triggers, every column of the books' layouts and the journals' document
// column: a database made by an older version lacks some of them.
bool schemaComplete(Connection& connection) {
    QByteArray columns;
    qsizetype expected = 2;
    for (store::Book book : store::kDataBooks) {
        const Table& table = tableOf(book);
        for (const Column& column : table.columns)
            columns += QByteArray(columns.isEmpty() ? "" : ",") + table.table + '.' + column.field;
        expected += table.columnCount();
    }
    const Result found = connection.exec(
        "SELECT (SELECT count(*) FROM pg_trigger WHERE tgname IN"
        " ('book_added', 'book_removed', 'book_emptied', 'book_changed')),"
        " (SELECT count(*) FROM pg_attribute WHERE NOT attisdropped AND"
        " ((attname = $1 AND attrelid IN (to_regclass('stock_in'), to_regclass('stock_out')))"
        " OR (attrelid::regclass::text || '.' || attname) = ANY(string_to_array($2, ','))))",
        {QByteArray(kDocumentField), columns});
    return found.integer(0, 0) == std::ssize(store::kDataBooks) * std::ssize(kTriggers) &&
           found.integer(0, 1) == expected;
}

}  // namespace

void ensureSchema(Connection& connection) {
    // Every till checks at its start; only the first one builds, the others find it done.
    if (schemaComplete(connection))
        return;
    inTransaction(connection, [&] {
        connection.exec("SELECT pg_advisory_xact_lock(21590, 0)");
        if (schemaComplete(connection))
            return 0;
        connection.exec("CREATE SEQUENCE IF NOT EXISTS book_order");
        connection.exec("CREATE SEQUENCE IF NOT EXISTS book_stamp");
        for (const char* sql : kBookkeeping)
            connection.exec(sql);
        for (store::Book book : store::kDataBooks) {
            const Table& table = tableOf(book);
            QByteArray sql = QByteArray("CREATE TABLE IF NOT EXISTS ") + table.table +
                             " (seq bigint PRIMARY KEY DEFAULT nextval('book_order'),"
                             " stamp bigint NOT NULL DEFAULT nextval('book_stamp')";
            for (const Column& column : table.columns)
                sql += QByteArray(", ") + column.field + (column.numeric ? " float8" : " text");
            connection.exec(sql + ")");
            // Columns a later version added to the book.
            for (const Column& column : table.columns)
                connection.exec(QByteArray("ALTER TABLE ") + table.table +
                                " ADD COLUMN IF NOT EXISTS " + column.field +
                                (column.numeric ? " float8" : " text"));
            if (isJournal(book))
                connection.exec(QByteArray("ALTER TABLE ") + table.table +
                                " ADD COLUMN IF NOT EXISTS " + kDocumentField + " text");
            connection.exec(QByteArray("CREATE INDEX IF NOT EXISTS ") + table.table + "_stamp ON " +
                            table.table + " (stamp)");
            // Counted afresh: a table made again starts a new generation.
            connection.exec((QByteArray("INSERT INTO book_rows (name, rows) SELECT '") +
                             table.table + "', count(*) FROM " + table.table +
                             " ON CONFLICT (name) DO UPDATE SET rows = excluded.rows,"
                             " generation = book_rows.generation + 1")
                                .constData());
            for (const char* trigger : kTriggers)
                connection.exec(QByteArray(trigger).replace("%1", table.table));
        }
        // A document is posted once, whoever asks; its numbers are counted per kind and day,
        // carrying on from the numbers already there.
        connection.exec(
            "CREATE UNIQUE INDEX IF NOT EXISTS documents_identity"
            " ON documents (identity)");
        connection.exec(
            "CREATE TABLE IF NOT EXISTS document_numbers (head text PRIMARY KEY,"
            " last integer NOT NULL)");
        connection.exec(
            "CREATE INDEX IF NOT EXISTS documents_number"
            " ON documents (number text_pattern_ops)");
        // A posting finds its items by code.
        const Table& inventory = tableOf(store::Book::Inventory);
        connection.exec(QByteArray("CREATE INDEX IF NOT EXISTS ") + inventory.table + "_code ON " +
                        inventory.table + " (" +
                        inventory.columns[store::InventoryCol::ItemCode - 1].field + ")");
        return 0;
    });
}

namespace {

// What a till does with each table and sequence: a posting adds rows to the journals and
// the documents and adds or changes inventory rows; the row-count triggers run as the till
// and update book_rows; each new number of a day's documents is counted in
// document_numbers; new rows and changed ones draw their seq and stamp from the sequences.
struct TillRight {
    bool sequence;
    QByteArray object;
    QByteArrayList granted;
    QString why;
};

std::vector<TillRight> tillRights() {
    std::vector<TillRight> rights;
    const auto add = [&](bool sequence, const char* object, QByteArrayList granted,
                         const char* why) {
        rights.push_back({sequence, object, std::move(granted), QString::fromUtf8(why)});
    };
    for (store::Book book : store::kDataBooks) {
        if (book == store::Book::Inventory)
            add(false, tableOf(book).table, {"SELECT", "INSERT", "UPDATE"}, "查询、添加和修改商品");
        else
            add(false, tableOf(book).table, {"SELECT", "INSERT"}, "只能查询和添加，不能修改或删除");
    }
    add(false, "book_rows", {"SELECT", "UPDATE"}, "各表的行数，添加记录时由触发器更新");
    add(false, "document_numbers", {"SELECT", "INSERT", "UPDATE"}, "每天的单据编号");
    for (const char* sequence : {"book_order", "book_stamp"})
        add(true, sequence, {"USAGE"}, "记录的顺序号和修改戳");
    return rights;
}

const QByteArrayList kTablePrivileges{"SELECT",   "INSERT",     "UPDATE", "DELETE",
                                      "TRUNCATE", "REFERENCES", "TRIGGER"};
const QByteArrayList kSequencePrivileges{"USAGE", "SELECT", "UPDATE"};

}  // namespace

QStringList grantTill(Connection& connection, const QString& role) {
    ensureSchema(connection);
    const std::vector<TillRight> rights = tillRights();
    QByteArrayList objects;
    for (const TillRight& right : rights)
        objects << right.object;
    return inTransaction(connection, [&] {
        // The role's name goes into the statements as the server quotes it, never as typed.
        const Result found = connection.exec(
            "SELECT format('%I', rolname), rolsuper::int, format('%I', current_database()),"
            " format('%I', current_schema()), current_database(), current_schema(),"
            " (SELECT string_agg(name, ', ') FROM ("
            "  SELECT datname::text, datdba FROM pg_database WHERE datname = current_database()"
            "  UNION ALL SELECT nspname, nspowner FROM pg_namespace"
            "  WHERE nspname = current_schema()"
            "  UNION ALL SELECT relname, relowner FROM pg_class WHERE oid = ANY($2::regclass[])"
            " ) AS owned (name, owner) WHERE owner = pg_roles.oid"
            "  OR (NOT rolsuper AND pg_has_role(rolname, owner, 'MEMBER')))"
            " FROM pg_roles WHERE rolname = $1",
            {role.toUtf8(), '{' + objects.join(',') + '}'});
        const auto text = [&](int col) {
            return QByteArray(found.text(0, col), found.length(0, col));
        };
        if (!found.rows()) {
            throw store::StoreError(
                QStringLiteral("数据库里没有角色“%1”：请先建立它（CREATE ROLE … LOGIN PASSWORD "
                               "'…'），没有做任何更改")
                    .arg(role));
        }
        // Taking its rights back would take them from the books' owner. (A superuser is a
        // member of every role: for it, only what it owns itself counts here.)
        if (!found.isNull(0, 6)) {
            throw store::StoreError(
                QStringLiteral("角色“%1”拥有 %2，是管理这些表的角色，不能当收银机的角色：请为"
                               "每台收银机另建角色，没有做任何更改")
                    .arg(role, QString::fromUtf8(text(6))));
        }
        if (found.integer(0, 1)) {
            throw store::StoreError(
                QStringLiteral("角色“%1”是超级用户，什么权限都限制不了它：收银机请用普通角色，"
                               "没有做任何更改")
                    .arg(role));
        }
        const QByteArray to = text(0);
        QStringList report;
        connection.exec("REVOKE ALL ON DATABASE " + text(2) + " FROM " + to);
        connection.exec("GRANT CONNECT ON DATABASE " + text(2) + " TO " + to);
        report << QStringLiteral("数据库 %1：CONNECT（连接）").arg(QString::fromUtf8(text(4)));
        connection.exec("REVOKE ALL ON SCHEMA " + text(3) + " FROM " + to);
        connection.exec("GRANT USAGE ON SCHEMA " + text(3) + " TO " + to);
        report << QStringLiteral("模式 %1：USAGE（使用其中的表）").arg(QString::fromUtf8(text(5)));
        for (const TillRight& right : rights) {
            const QByteArray on = (right.sequence ? "SEQUENCE " : "TABLE ") + right.object;
            connection.exec("REVOKE ALL ON " + on + " FROM " + to);
            connection.exec("GRANT " + right.granted.join(", ") + " ON " + on + " TO " + to);
            // What it holds otherwise, through a role it belongs to or from another grantor,
            // the revoke above cannot take.
            QByteArrayList others;
            for (const QByteArray& privilege :
                 right.sequence ? kSequencePrivileges : kTablePrivileges)
                if (!right.granted.contains(privilege))
                    others << privilege;
            const Result more = connection.exec(
                right.sequence ? "SELECT string_agg(p, ', ') FROM unnest($3::text[]) AS p"
                                 " WHERE has_sequence_privilege($1::name, $2::text, p)"
                               : "SELECT string_agg(p, ', ') FROM unnest($3::text[]) AS p"
                                 " WHERE has_table_privilege($1::name, $2::text, p)",
                {role.toUtf8(), right.object, '{' + others.join(',') + '}'});
            if (!more.isNull(0, 0)) {
                throw store::StoreError(
                    QStringLiteral("角色“%1”在 %2 上还有 %3 权限，来自它所属的角色或别的授权人："
                                   "请先收回，没有做任何更改")
                        .arg(role, QString::fromLatin1(right.object),
                             QString::fromUtf8(more.text(0, 0), more.length(0, 0))));
            }
            report << QStringLiteral("%1 %2：%3（%4）")
                          .arg(right.sequence ? QStringLiteral("序列") : QStringLiteral("表"),
                               QString::fromLatin1(right.object),
                               QString::fromLatin1(right.granted.join(", ")), right.why);
        }
        return report;
    });
}

Param paramOf(const store::CellValue& value, const Table& table, int col) {
    const Column& column = table.columns[col - 1];
    if (value.isEmpty())
        return std::nullopt;
    if (value.isNumber() != column.numeric) {
        throw store::StoreError(QStringLiteral("数据库表 %1 的 %2 列放不下“%3”")
                                    .arg(QString::fromLatin1(table.table),
                                         QString::fromLatin1(column.field), value.displayText()));
    }
    // 17 significant digits bring every double back exactly.
    return value.isNumber() ? QByteArray::number(value.number, 'g', 17) : value.text.toUtf8();
}

store::CellValue cellOf(const Result& rows, int row, int field, const Column& column) {
    if (rows.isNull(row, field))
        return {};
    if (column.numeric)
        return store::CellValue::fromNumber(rows.number(row, field));
    return store::CellValue::fromText(
        QString::fromUtf8(rows.text(row, field), rows.length(row, field)));
}

void putRow(store::Workbook& book, int row, const Result& rows, int r, int first,
            const Table& table) {
    QList<store::CellValue> cells;
    cells.reserve(table.columnCount());
    for (int c = 0; c < table.columnCount(); ++c)
        cells << cellOf(rows, r, first + c, table.columns[c]);
    book.setRow(row, cells);
}

void readRows(Connection& connection, const Table& table, store::Workbook& into) {
    const Result rows = connection.exec(QByteArray("SELECT ") + columnList(table) + " FROM " +
                                        table.table + " ORDER BY seq");
    for (int r = 0; r < rows.rows(); ++r)
        putRow(into, r + 2, rows, r, 0, table);
}

QStringList misfits(store::Workbook& book, const Table& table) {
    QStringList found;
    const int used = book.usedRowCount(), columns = book.usedColumnCount();
    for (int row = 2; row <= used; ++row) {
        for (int col = 1; col <= columns; ++col) {
            const store::CellValue cell = book.cell(row, col);
            if (cell.isEmpty())
                continue;
            if (col > table.columnCount()) {
                found << QStringLiteral("第 %1 行第 %2 列：%3 列之外还有“%4”")
                             .arg(row)
                             .arg(col)
                             .arg(table.columnCount())
                             .arg(cell.displayText());
            } else if (cell.isNumber() != table.columns[col - 1].numeric) {
                found << QStringLiteral("第 %1 行第 %2 列（%3）：“%4”应当是%5")
                             .arg(row)
                             .arg(col)
                             .arg(store::columnCaption(table.book, col), cell.displayText(),
                                  table.columns[col - 1].numeric ? QStringLiteral("数字")
                                                                 : QStringLiteral("文字"));
            }
        }
    }
    return found;
}

bool Totals::matches(const Totals& other) const {
    // The two sides add the same figures, perhaps in another order.
    const auto near = [](double a, double b) {
        return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
    };
    return rows == other.rows && near(first, other.first) && near(second, other.second);
}

QString Totals::describe(const Table& table) const {
    // Without the binary dust of a long addition: money (every money column of the books
    // says 金额) to the cent, quantities as the books keep them.
    const auto sum = [&table](int col, double value) {
        QString caption = store::columnCaption(table.book, col);
        if (!caption.endsWith(QStringLiteral("合计")))  // the documents' 金额合计 is one already
            caption += QStringLiteral("合计");
        return QStringLiteral("%1 %2").arg(
            caption, caption.contains(QStringLiteral("金额"))
                         ? store::formatFixed2(value)
                         : store::formatGeneral(store::roundMillionths(value)));
    };
    QString text = QStringLiteral("%1 条记录，%2").arg(rows).arg(sum(table.checkSum, first));
    if (table.secondCheckSum)
        text += QStringLiteral("，") + sum(table.secondCheckSum, second);
    return text;
}

Totals totalsOf(store::Workbook& book, const Table& table) {
    const int a = table.checkSum, b = table.secondCheckSum;
    Totals totals;
    const int used = book.usedRowCount();
    totals.rows = used - 1;
    for (int row = 2; row <= used; ++row) {
        totals.first += book.cell(row, a).number;
        if (b)
            totals.second += book.cell(row, b).number;
    }
    return totals;
}

Totals totalsOf(Connection& connection, const Table& table) {
    const int a = table.checkSum, b = table.secondCheckSum;
    const QByteArray second = b ? QByteArray("coalesce(sum(") + table.columns[b - 1].field + "), 0)"
                                : QByteArray("0::float8");
    const Result result =
        connection.exec(QByteArray("SELECT count(*), coalesce(sum(") + table.columns[a - 1].field +
                        "), 0), " + second + " FROM " + table.table);
    return {result.integer(0, 0), result.number(0, 1), result.number(0, 2)};
}

namespace {

// A book row in COPY's text format: a tab between fields, \N for an empty cell, and the
// few characters it gives a meaning escaped.
void appendCopyRow(QByteArray& data, const Table& table, store::Workbook& book, int row) {
    for (int c = 1; c <= table.columnCount(); ++c) {
        if (c > 1)
            data += '\t';
        const Param value = paramOf(book.cell(row, c), table, c);
        if (!value) {
            data += "\\N";
            continue;
        }
        for (char ch : *value) {
            switch (ch) {
                case '\\':
                    data += "\\\\";
                    break;
                case '\t':
                    data += "\\t";
                    break;
                case '\n':
                    data += "\\n";
                    break;
                case '\r':
                    data += "\\r";
                    break;
                default:
                    data += ch;
            }
        }
    }
    data += '\n';
}

}  // namespace

void insertRows(Connection& connection, const Table& table, store::Workbook& book,
                const std::function<void(int percent)>& progress) {
    // Sent a megabyte at a time, so that the server works while the rest is made, and the
    // percent told is the part the server has.
    constexpr qsizetype kPiece = 1 << 20;
    const int used = book.usedRowCount();
    int row = 2;
    int told = -1;
    const auto next = [&] {
        const int percent = row > used ? 100 : int(qint64(row - 2) * 100 / (used - 1));
        if (progress && percent != told)
            progress(told = percent);
        QByteArray data;
        for (; row <= used && data.size() < kPiece; ++row)
            appendCopyRow(data, table, book, row);
        return data;
    };
    connection.copyIn(
        (QByteArray("COPY ") + table.table + " (" + columnList(table) + ") FROM STDIN").constData(),
        next);
}

}  // namespace database
