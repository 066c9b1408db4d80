#include "ShopBooks.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

#include "ledger/Ledger.h"
#include "store/DataBooks.h"
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

StockCheck checkStock(const QString& dir) {
    StockCheck check;
    const store::Workbook inventory =
        store::Workbook::open(store::bookPath(dir, store::Book::Inventory));
    for (int r = 2; r <= inventory.usedRowCount(); ++r)
        check.inventory[inventory.cell(r, 1).number] = inventory.cell(r, 4).number;
    for (store::Book book : {store::Book::StockIn, store::Book::StockOut}) {
        const store::Workbook journal = store::Workbook::open(store::bookPath(dir, book));
        const bool in = book == store::Book::StockIn;
        (in ? check.stockIns : check.stockOuts) = journal.usedRowCount() - 1;
        for (int r = 2; r <= journal.usedRowCount(); ++r) {
            const bool returned = journal.cell(r, 10).text == QStringLiteral("退货");
            check.journals[journal.cell(r, 1).number] +=
                (in || returned ? 1 : -1) * journal.cell(r, 4).number;
        }
    }
    return check;
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

bool crashSaleAt(const QString& dir, ledger::CommitStep step) {
    const pid_t child = ::fork();
    if (child == 0) {
        ledger::setCommitHook([step](ledger::CommitStep reached) {
            if (reached == step)
                _exit(0);
        });
        try {
            ledger::Ledger(dir, store::workbookServerFactory())
                .commit(ledger::sale({sale(1, 1001, 3)}, {}));
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
