#include "BenchBooks.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "store/DataBooks.h"
#include "store/Numbers.h"
#include "store/Workbook.h"

namespace bench {

namespace {

using store::CellValue;

// Item names the way shop keepers type them: Chinese with brand letters and sizes.
const char* const kBases[] = {"可口可乐",   "雪碧",     "农夫山泉", "康师傅红烧牛肉面",
                              "奥利奥饼干", "百事可乐", "王老吉",   "青岛啤酒",
                              "蒙牛纯牛奶", "旺旺雪饼", "乐事薯片", "德芙巧克力",
                              "Oreo夹心",   "红牛",     "光明酸奶", "统一绿茶"};
const char* const kSizes[] = {"330ml", "500ml",    "2L",  "1.5L", "97g",
                              "250ml", "12x330ml", "5kg", "",     "XL"};
const char* const kUnits[] = {"瓶", "箱", "袋", "包", "个", "盒", "听", "桶"};
const char* const kCustomers[] = {"张三", "李四", "王五Tom", "赵六",       "便利店A区", "Mary超市",
                                  "散客", "钱七", "孙八",    "周记小卖部", "吴九",      "郑十"};
const char* const kSuppliers[] = {"可口可乐公司", "百事Pepsi", "康师傅",  "蒙牛乳业",
                                  "亿滋Mondelez", "华润怡宝",  "本地批发"};

// Fixed-seed mixing so that record n is the same on every run and every machine.
uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

template <size_t N>
QString pick(const char* const (&list)[N], uint32_t r) {
    return QString::fromUtf8(list[r % N]);
}

QString itemName(int item) {
    const uint32_t r = mix(uint32_t(item) * 2654435761U);
    return pick(kBases, r) + pick(kSizes, r >> 8);
}

double money(double v) {
    return store::roundMoney(v);
}

CellValue num(double v) {
    return CellValue::fromNumber(v);
}
CellValue txt(const QString& v) {
    return CellValue::fromText(v);
}

}  // namespace

std::vector<CellValue> journalRecord(int n) {
    const uint32_t r = mix(uint32_t(n) + 0x9e3779b9U);
    const int item = int(r % kInventoryItems);
    const double qty = 1 + (r >> 8) % 48;
    const double price = money(1.5 + double((r >> 14) % 20000) / 100.0);
    const QDate day = QDate(2011, 1, 1).addDays(n / 30);
    QString remark;
    if (n % 7 == 0) {
        remark = QStringLiteral("退货");
    } else if (n % 13 == 0) {
        remark = QStringLiteral("赠品Gift");
    }
    return {num(1001 + item),
            txt(itemName(item)),
            txt(pick(kUnits, uint32_t(item))),
            num(qty),
            num(price),
            num(money(qty * price)),
            num(money(price * 0.8)),
            txt(pick(kCustomers, r >> 20)),
            txt(day.toString(QStringLiteral("yyyy-MM-dd"))),
            remark.isEmpty() ? CellValue() : txt(remark)};
}

void writeBenchBooks(const QString& dir, int records, int items) {
    QDir().mkpath(dir);

    store::Workbook journal = store::initialBook(store::Book::StockOut);
    for (int n = 0; n < records; ++n) {
        const std::vector<CellValue> rec = journalRecord(n);
        for (size_t c = 0; c < rec.size(); ++c)
            journal.setCell(n + 2, int(c) + 1, rec[c]);
    }
    journal.saveAs(QDir(dir).filePath(kJournalFile));

    store::Workbook inventory = store::initialBook(store::Book::Inventory);
    for (int i = 0; i < items; ++i) {
        const uint32_t r = mix(uint32_t(i) * 2654435761U + 17);
        const double qty = double(r % 500);
        const double cost = money(1 + double((r >> 9) % 15000) / 100.0);
        const int row = i + 2;
        inventory.setCell(row, 1, num(1001 + i));
        inventory.setCell(row, 2, txt(itemName(i)));
        inventory.setCell(row, 3, txt(pick(kUnits, uint32_t(i))));
        inventory.setCell(row, 4, num(qty));
        inventory.setCell(row, 5, num(cost));
        inventory.setCell(row, 6, num(money(qty * cost)));
        inventory.setCell(row, 7, num(money(cost * 1.25)));
        inventory.setCell(row, 8, txt(pick(kSuppliers, r >> 3)));
        inventory.setCell(row, 9, num(double(10 + (r >> 5) % 20)));
        if (i % 11 == 0)
            inventory.setCell(row, 10, txt(QStringLiteral("2011-05-03退2")));
    }
    inventory.saveAs(QDir(dir).filePath(kInventoryFile));
}

void writeDocumentsBook(const QString& dir, int records, int linesPerDocument) {
    using namespace store::DocumentCol;
    store::Workbook book = store::initialBook(store::Book::Documents);
    const QDate first(2016, 1, 1);
    constexpr int kPerDay = 40;
    int row = 2;
    for (int start = 0; start < records; start += linesPerDocument, ++row) {
        const int n = row - 2;
        const QDate day = first.addDays(n / kPerDay);
        const int lines = std::min(linesPerDocument, records - start);
        const std::vector<CellValue> rec = journalRecord(start);
        book.setCell(row, Number,
                     txt(QStringLiteral("XS%1-%2")
                             .arg(day.toString(QStringLiteral("yyyyMMdd")))
                             .arg(n % kPerDay + 1, 4, 10, QLatin1Char('0'))));
        book.setCell(row, Kind, txt(QStringLiteral("销售出库")));
        book.setCell(row, Date, txt(day.toString(QStringLiteral("yyyy-MM-dd"))));
        book.setCell(row, Time,
                     txt(QStringLiteral("10:%1:00").arg(n % 60, 2, 10, QLatin1Char('0'))));
        book.setCell(row, Till, txt(QStringLiteral("收银台1")));
        book.setCell(row, Operator, txt(QStringLiteral("小王")));
        book.setCell(row, Counterpart, rec[store::StockOutCol::Customer - 1]);
        book.setCell(row, Lines, num(lines));
        book.setCell(row, Total, num(money(rec[store::StockOutCol::OutAmount - 1].number * lines)));
        book.setCell(row, Journal, txt(kJournalFile));
        book.setCell(row, FirstRow, num(start + 2));
        book.setCell(
            row, Identity,
            txt(QStringLiteral("6f1c2a00-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'))));
    }
    book.saveAs(QDir(dir).filePath(store::bookFileName(store::Book::Documents)));
}

QString accountCustomer(int n) {
    return QStringLiteral("客户%1").arg(n, 4, 10, QLatin1Char('0'));
}

const QString& accountBooks() {
    static QTemporaryDir root;
    static const QString dir = [] {
        using namespace store::DocumentCol;
        store::Workbook book = store::initialBook(store::Book::Documents);
        const QDate first(2017, 1, 1);
        for (int n = 0; n < kJournalRecords; ++n) {
            const uint32_t r = mix(uint32_t(n) * 2246822519U + 3);
            const int row = n + 2;
            const QDate day = first.addDays(n * 730 / kJournalRecords);
            const int kind = int(r % 10);  // 0-7 a sale, 8 a return, 9 a payment
            const char* const name = kind < 8 ? "销售出库" : kind == 8 ? "退货返库" : "收款";
            const double total = money(1 + double((r >> 4) % 50000) / 100.0);
            // Most sales leave part owing; a return and a payment are all on account.
            const double owed = kind == 8                   ? total
                                : kind < 8 && (r >> 20) % 4 ? money(total / 2)
                                                            : 0;
            book.setCell(row, Number,
                         txt(QStringLiteral("%1%2-%3")
                                 .arg(kind < 8    ? "XS"
                                      : kind == 8 ? "TH"
                                                  : "SK",
                                      day.toString(QStringLiteral("yyyyMMdd")))
                                 .arg(n % 1000 + 1, 4, 10, QLatin1Char('0'))));
            book.setCell(row, Kind, txt(QString::fromUtf8(name)));
            book.setCell(row, Date, txt(day.toString(QStringLiteral("yyyy-MM-dd"))));
            book.setCell(row, Time, txt(QStringLiteral("10:00:00")));
            book.setCell(row, Till, txt(QStringLiteral("收银台1")));
            book.setCell(row, Operator, txt(QStringLiteral("小王")));
            book.setCell(row, Counterpart, txt(accountCustomer(int((r >> 8) % kAccountCustomers))));
            book.setCell(row, Lines, num(kind == 9 ? 0 : 1));
            book.setCell(row, Total, num(total));
            book.setCell(
                row, Identity,
                txt(QStringLiteral("7a2d3b00-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'))));
            for (int col = PaidCash; col <= Change; ++col)
                book.setCell(row, col, num(0));
            book.setCell(row, kind == 9 ? PaidWeChat : PaidCash, num(money(total - owed)));
            book.setCell(row, OnAccount, num(owed));
        }
        book.saveAs(QDir(root.path()).filePath(store::bookFileName(store::Book::Documents)));
        store::writeInitialBooks(root.path());
        return root.path();
    }();
    return dir;
}

const QString& journalFolder() {
    static QTemporaryDir root;
    static const QString dir = [] {
        writeBenchBooks(root.path(), kJournalRecords, 100);
        store::writeInitialBooks(root.path());  // the books the benchmark did not write
        return root.path();
    }();
    return dir;
}

const QString& postingBooks() {
    static QTemporaryDir root;
    static const QString dir = [] {
        writeBenchBooks(root.path());
        QFile::copy(store::bookPath(root.path(), store::Book::StockOut),
                    store::bookPath(root.path(), store::Book::StockIn));
        writeDocumentsBook(root.path(), kJournalRecords, 10);
        return root.path();
    }();
    return dir;
}

void copyDataBooks(const QString& from, const QString& to) {
    for (store::Book book : store::kDataBooks) {
        QFile::remove(store::bookPath(to, book));
        QFile::copy(store::bookPath(from, book), store::bookPath(to, book));
    }
}

}  // namespace bench
