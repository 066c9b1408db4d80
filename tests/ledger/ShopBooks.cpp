#include "ShopBooks.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>

#include "database/Tables.h"
#include "ledger/Documents.h"
#include "ledger/Ledger.h"
#include "ledger/Stocktake.h"
#include "store/DataBooks.h"
#include "store/ValueRules.h"
#include "store/Workbook.h"

using store::CellValue;

void makeShop(const QString& dir, int items, int records) {
    store::writeInitialBooks(dir);
    QList<int> units(items, 0);
    store::Workbook journal = store::Workbook::open(store::bookPath(dir, store::Book::StockIn));
    for (int r = 0; r < records; ++r) {
        const int item = r % items;
        ++units[item];
        const QList<CellValue> record{
            CellValue::fromNumber(1001 + item), CellValue::fromText("商品"),
            CellValue::fromText("个"),          CellValue::fromNumber(1),
            CellValue::fromNumber(2),           CellValue::fromNumber(2),
            CellValue::fromNumber(2),           CellValue::fromText("甲厂"),
            CellValue::fromText("2011-05-03"),  CellValue()};
        for (int c = 0; c < record.size(); ++c)
            journal.setCell(r + 2, c + 1, record[c]);
    }
    journal.save();
    store::Workbook inventory = store::Workbook::open(store::bookPath(dir, store::Book::Inventory));
    for (int i = 0; i < items; ++i) {
        const QList<CellValue> item{
            CellValue::fromNumber(1001 + i), CellValue::fromText("商品"),
            CellValue::fromText("个"),       CellValue::fromNumber(units[i]),
            CellValue::fromNumber(2),        CellValue::fromNumber(2 * units[i]),
            CellValue::fromNumber(3),        CellValue::fromText("甲厂"),
            CellValue::fromNumber(1)};
        for (int c = 0; c < item.size(); ++c)
            inventory.setCell(i + 2, c + 1, item[c]);
    }
    inventory.save();
}

StockCheck checkStock(const QString& dir, const store::ServerFactory& servers) {
    StockCheck check;
    store::BookPass inventory(servers, store::bookPath(dir, store::Book::Inventory));
    for (int r = 2; r <= inventory.usedRowCount(); ++r)
        check.inventory[inventory.number(r, 1)] = inventory.number(r, 4);
    // On the database the documents are a table, not a file of the folder.
    const auto documents = ledger::DocumentIndex::load(
        servers, dir, !QFileInfo::exists(store::bookPath(dir, store::Book::Documents)));
    for (store::Book book : {store::Book::StockIn, store::Book::StockOut}) {
        store::BookPass journal(servers, store::bookPath(dir, book));
        const bool in = book == store::Book::StockIn;
        (in ? check.stockIns : check.stockOuts) = journal.usedRowCount() - 1;
        for (int r = 2; r <= journal.usedRowCount(); ++r) {
            const bool returned =
                ledger::isReturnRecord(documents.at(book, r), journal.value(r, 10).text);
            check.journals[journal.number(r, 1)] +=
                (in || returned ? 1 : -1) * journal.number(r, 4);
        }
    }
    // The counts' differences, where a count was ever posted.
    const QString counts = store::bookPath(dir, store::Book::Stocktake);
    if (QFileInfo::exists(counts) ||
        !QFileInfo::exists(store::bookPath(dir, store::Book::Documents))) {
        store::BookPass journal(servers, counts);
        check.counted = journal.usedRowCount() - 1;
        for (int r = 2; r <= journal.usedRowCount(); ++r)
            check.journals[journal.number(r, 1)] += journal.number(r, store::StocktakeCol::DiffQty);
    }
    for (double& qty : check.journals)
        qty = store::sumForBook(qty);
    return check;
}

std::string documentFaults(const store::ServerFactory& servers, const QString& dir,
                           OlderRecords older, database::Connection* tables) {
    using store::Book;
    const auto index = ledger::DocumentIndex::load(servers, dir, tables != nullptr);
    QStringList faults;
    std::map<Book, std::unique_ptr<store::BookPass>> journals;
    for (Book journal : {Book::StockIn, Book::StockOut, Book::Stocktake}) {
        if (!tables && !QFileInfo::exists(store::bookPath(dir, journal)))
            continue;
        auto& book = journals[journal] =
            std::make_unique<store::BookPass>(servers, store::bookPath(dir, journal));
        const int first = 2 + (journal == Book::StockIn    ? older.stockIns
                               : journal == Book::StockOut ? older.stockOuts
                                                           : 0);
        QStringList column;
        // A journal that names its documents itself must name the documents book's.
        if (const int own = store::layoutOf(journal).documentColumn) {
            for (int row = 2; row <= book->usedRowCount(); ++row)
                column << book->value(row, own).text;
        } else if (tables) {
            const database::Result rows =
                tables->exec(QByteArray("SELECT document FROM ") +
                             database::tableOf(journal).table + " ORDER BY seq");
            for (int r = 0; r < rows.rows(); ++r)
                column << QString::fromUtf8(rows.text(r, 0), rows.length(r, 0));
        }
        for (int row = 2; row <= book->usedRowCount(); ++row) {
            const ledger::DocumentRecord* document = index.at(journal, row);
            const QString number = document ? document->number : QString();
            if (number.isEmpty() == (row >= first) ||
                ((tables || store::layoutOf(journal).documentColumn) &&
                 column.value(row - 2) != number))
                faults << QStringLiteral("%1 第 %2 行：单据“%3”，单据列“%4”")
                              .arg(store::bookFileName(journal))
                              .arg(row)
                              .arg(number, column.value(row - 2));
        }
    }
    QMap<QString, QList<int>> sequences;  // by kind and day
    for (const ledger::DocumentRecord& document : index.records()) {
        if (document.kind && !ledger::movesStock(*document.kind)) {
            if (document.lines != 0 || document.firstRow != 0)
                faults << document.number + QStringLiteral("：不该有记录");
            continue;
        }
        if (!journals.contains(document.journal)) {
            faults << document.number + QStringLiteral("：记录账本不在");
            continue;
        }
        store::BookPass& journal = *journals[document.journal];
        double total = 0;
        bool own = true;
        for (int row = document.firstRow; row < document.firstRow + document.lines; ++row) {
            own = own && index.at(document.journal, row) == &document;
            total += journal.number(row, store::layoutOf(document.journal).checkSum);
        }
        if (!own || !document.kind || ledger::journalOf(*document.kind) != document.journal ||
            document.lines < 1 || document.firstRow + document.lines - 1 > journal.usedRowCount() ||
            store::sumForBook(total) != document.total)
            faults << QStringLiteral("%1：第 %2 行起 %3 行，合计 %4，记录合计 %5")
                          .arg(document.number)
                          .arg(document.firstRow)
                          .arg(document.lines)
                          .arg(document.total)
                          .arg(total);
        // A series is what comes before the sequence: the day's ordinary numbers, and those
        // a till gave offline ("XS20261209-L0001", "XS20261209-收银1-0001").
        const QDate day = QDate::fromString(document.date, QStringLiteral("yyyy-MM-dd"));
        QString series = document.number;
        while (!series.isEmpty() && series.back().isDigit())
            series.chop(1);
        sequences[series + document.date]
            << (document.kind && series.startsWith(ledger::numberHead(*document.kind, day))
                    ? ledger::sequenceOf(document.number, series)
                    : 0);
    }
    for (auto it = sequences.begin(); it != sequences.end(); ++it) {
        QList<int> expected(it->size());
        std::iota(expected.begin(), expected.end(), 1);
        std::sort(it->begin(), it->end());
        if (*it != expected)
            faults << it.key() + QStringLiteral(" 的单据号有缺号或重号");
    }
    // One fault is often many lines: the first ones tell.
    if (faults.size() > 10)
        faults = faults.mid(0, 10) << QStringLiteral("……共 %1 处").arg(faults.size());
    return faults.join('\n').toStdString();
}

QByteArray booksDigest(const QString& dir) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (store::Book book : store::kAllBooks) {
        QFile file(store::bookPath(dir, book));
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll());
    }
    return hash.result().toHex();
}

QStringList leftovers(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (store::Book book : store::kAllBooks)
        names.removeAll(store::bookFileName(book));
    return names;
}

ledger::Document countOf1001(double counted) {
    return ledger::stocktake({count(1, 1001, 10, counted)}, {});
}

bool crashAt(const QString& dir, ledger::CommitStep step, const ledger::Document& document) {
    const pid_t child = ::fork();
    if (child == 0) {
        ledger::setCommitHook([step](ledger::CommitStep reached) {
            if (reached == step)
                _exit(0);
        });
        try {
            ledger::Document posted = document;
            ledger::Ledger(dir, store::workbookServerFactory()).commit(posted);
        } catch (...) {
        }
        _exit(1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

ledger::PurchaseLine purchase(int row, double code, double qty, double amount) {
    return {.row = row,
            .codeText = QString::number(code),
            .code = code,
            .name = "商品",
            .unit = "个",
            .qty = qty,
            .price = amount / qty,
            .amount = amount,
            .avgCost = 2,
            .supplier = "甲厂",
            .date = "2011-05-03",
            .salePrice = 3,
            .alertQty = 1,
            .remark = {}};
}

ledger::SaleLine sale(int row, double code, double qty, double price) {
    return {.row = row,
            .codeText = QString::number(code),
            .code = code,
            .name = "商品",
            .unit = "个",
            .qty = qty,
            .qtyText = QString::number(qty),
            .price = price,
            .amount = qty * price,
            .avgCost = 2,
            .customer = "张三",
            .date = "2011-05-03",
            .remark = {}};
}

ledger::CountLine count(int row, double code, double bookQty, double counted) {
    return {.row = row,
            .codeText = QString::number(code),
            .code = code,
            .name = "商品",
            .unit = "个",
            .bookQty = bookQty,
            .counted = counted,
            .date = "2011-05-03"};
}
