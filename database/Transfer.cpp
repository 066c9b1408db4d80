#include "database/Transfer.h"

#include <QFileInfo>
#include <vector>

#include "store/ReadProgress.h"
#include "store/Workbook.h"

namespace database {

namespace {

// Both sides of one book, or the error that stops the transfer.
QString compared(const Table& table, const Totals& sent, const Totals& arrived) {
    const QString name = store::bookFileName(table.book);
    if (!sent.matches(arrived)) {
        throw store::StoreError(QStringLiteral("%1 核对不符，已全部撤销：工作簿 %2；数据库 %3")
                                    .arg(name, sent.describe(table), arrived.describe(table)));
    }
    return QStringLiteral("%1：%2").arg(name, arrived.describe(table));
}

// A journal row's document, in its table's own column: the document whose rows
// first_row … first_row + line_count - 1 of that journal hold the row's place in the book,
// which is its place in the table's order. Each document is spread over its rows first,
// so that rows and documents meet by equal row numbers: compared as ranges, every row met
// every document, and 200,000 records of 10,000 documents took 80 s.
void markDocuments(Connection& connection, store::Book journal) {
    const QByteArray table = tableOf(journal).table;
    connection.exec(("UPDATE " + table + " AS j SET " + kDocumentField +
                     " = d.number FROM (SELECT seq, row_number() OVER (ORDER BY seq) + 1 AS row"
                     " FROM " +
                     table +
                     ") AS r, (SELECT number, generate_series(first_row::bigint, (first_row +"
                     " line_count - 1)::bigint) AS row FROM documents WHERE journal = $1) AS d"
                     " WHERE j.seq = r.seq AND r.row = d.row")
                        .constData(),
                    {store::bookFileName(journal).toUtf8()});
}

}  // namespace

TransferReport importBooks(Connection& connection, const QString& dir,
                           const TransferProgress& progress) {
    const auto tell = [&progress](TransferStep::Stage stage, store::Book book, int percent) {
        if (progress)
            progress({stage, book, percent});
    };
    ensureSchema(connection);
    std::vector<store::Workbook> books;
    QStringList problems;
    for (store::Book book : store::kDataBooks) {
        const QString path = store::bookPath(dir, book);
        if (!QFileInfo::exists(path)) {
            // A folder from before the documents: its records are imported without them.
            if (!store::layoutOf(book).madeWhenMissing)
                throw store::StoreError(QStringLiteral("找不到数据文件 %1").arg(path));
            books.push_back(store::initialBook(book));
            continue;
        }
        {
            // A book opens with only its last rows read; every cell is read by the check
            // below, so that is where the reading is told.
            const store::ReadProgressScope reading(
                [&](int percent) { tell(TransferStep::Reading, book, percent); });
            books.push_back(store::Workbook::open(path));
            for (const QString& misfit : misfits(books.back(), tableOf(book)))
                problems << store::bookFileName(book) + QStringLiteral(" ") + misfit;
        }
        tell(TransferStep::Reading, book, 100);
    }
    if (!problems.isEmpty()) {
        throw store::StoreError(QStringLiteral("以下单元格放不进数据库，没有导入任何数据：\n") +
                                problems.join(QLatin1Char('\n')));
    }
    return inTransaction(connection, [&] {
        TransferReport report;
        for (size_t i = 0; i < books.size(); ++i) {
            const Table& table = tableOf(store::kDataBooks[i]);
            if (totalsOf(connection, table).rows != 0) {
                throw store::StoreError(QStringLiteral("数据库表 %1 已有数据，只能导入到空的数据库")
                                            .arg(QString::fromLatin1(table.table)));
            }
            insertRows(connection, table, books[i],
                       [&](int percent) { tell(TransferStep::Sending, table.book, percent); });
            tell(TransferStep::Checking, table.book, -1);
            report << compared(table, totalsOf(books[i], table), totalsOf(connection, table));
        }
        for (store::Book book : store::kDataBooks) {
            if (isJournal(book)) {
                tell(TransferStep::Numbering, book, -1);
                markDocuments(connection, book);
            }
        }
        return report;
    });
}

TransferReport exportBooks(Connection& connection, const QStringList& paths,
                           const TransferProgress& progress) {
    const auto tell = [&progress](TransferStep::Stage stage, store::Book book) {
        if (progress)
            progress({stage, book, -1});
    };
    ensureSchema(connection);
    std::vector<store::Workbook> books;
    TransferReport report;
    connection.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    try {
        for (int i = 0; i < int(paths.size()); ++i) {
            const Table& table = tableOf(store::kDataBooks[i]);
            books.push_back(store::initialBook(table.book));
            tell(TransferStep::Reading, table.book);
            readRows(connection, table, books.back());
            tell(TransferStep::Checking, table.book);
            report << compared(table, totalsOf(books.back(), table), totalsOf(connection, table));
        }
        connection.exec("COMMIT");
    } catch (...) {
        connection.rollbackQuietly();
        throw;
    }
    for (int i = 0; i < int(paths.size()); ++i) {
        tell(TransferStep::Writing, store::kDataBooks[i]);
        books[i].saveAs(paths[i]);
    }
    return report;
}

}  // namespace database
