#include "ledger/SalesAnalysis.h"

#include <QHash>
#include <algorithm>

#include "store/DataBooks.h"
#include "store/Numbers.h"
#include "store/StoreError.h"
#include "store/ValueRules.h"

namespace ledger {

namespace {

constexpr int kTopItems = 10;

// Months from year 0, so that a month's index is a plain difference.
int monthIndex(QDate day) {
    return day.year() * 12 + day.month() - 1;
}

int periodIndex(QDate day, QDate from, SalesStep step) {
    return step == SalesStep::Day ? int(from.daysTo(day)) : monthIndex(day) - monthIndex(from);
}

QDate periodStart(QDate from, int index, SalesStep step) {
    return step == SalesStep::Day ? from.addDays(index)
                                  : QDate(from.year(), from.month(), 1).addMonths(index);
}

bool isBlankRecord(store::BookPass& book, int row) {
    for (int col = 1; col <= store::kBookColumns; ++col) {
        if (!book.value(row, col).isEmpty())
            return false;
    }
    return true;
}

void add(SalesTotals& sum, const SalesTotals& part) {
    sum.sales += part.sales;
    sum.profit += part.profit;
}

// The ten highest by one figure; equal figures keep the order the items first sold in.
QList<ItemSales> topTen(QList<ItemSales> items, double SalesTotals::*figure) {
    std::stable_sort(items.begin(), items.end(), [figure](const ItemSales& a, const ItemSales& b) {
        return a.figures.*figure > b.figures.*figure;
    });
    if (items.size() > kTopItems)
        items.resize(kTopItems);
    return items;
}

}  // namespace

QString periodLabel(QDate start, SalesStep step) {
    return start.toString(step == SalesStep::Day ? QStringLiteral("yyyy-MM-dd")
                                                 : QStringLiteral("yyyy-MM"));
}

int periodCount(QDate from, QDate to, SalesStep step) {
    if (!from.isValid() || !to.isValid() || to < from)
        return 0;
    return periodIndex(to, from, step) + 1;
}

SalesAnalysis analyseSales(store::BookPass& stockOut, const DocumentIndex& documents, QDate from,
                           QDate to, SalesStep step) {
    using namespace store::StockOutCol;
    SalesAnalysis result;
    result.from = from;
    result.to = to;
    result.step = step;
    const int count = periodCount(from, to, step);
    for (int i = 0; i < count; ++i)
        result.periods.append({periodStart(from, i, step), {}});

    const QStringList captions = store::bookCaptions(store::Book::StockOut);
    // The figures are read from the cells as a listing shows them, the way "统计利润" reads
    // them, so that both give the same totals to the last digit.
    const auto number = [&](int row, int col) {
        const store::CellValue value = stockOut.value(row, col);
        if (value.isNumber() && store::shownExactly(value.number))
            return value.number;  // what its text reads back as, without the text
        try {
            return rowNumber(value.displayText(), row, captions[col - 1]);
        } catch (const store::StoreError& e) {
            throw store::StoreError(
                QStringLiteral("工作簿 %1 %2").arg(stockOut.bookName(), e.message()));
        }
    };

    QList<ItemSales> items;
    QHash<QString, qsizetype> itemIndex;
    // One pass that decodes a record's other cells only when its day is in the period.
    QList<int> columns;
    for (const store::BookColumn& column : store::layoutOf(store::Book::StockOut).columns)
        columns << column.number;
    stockOut.scanRows(columns, [&](int row) {
        const auto day = store::dayOf(stockOut.value(row, OutDate).displayText());
        if (!day) {
            if (!isBlankRecord(stockOut, row))
                ++result.undated;
            return;
        }
        if (*day < from || *day > to)
            return;
        // In the order "统计利润" reads them, so the same cell is named when two are wrong.
        const double price = number(row, OutPrice);
        const double qty = number(row, OutQty);
        const double cost = number(row, AvgCost);
        const double amount = number(row, OutAmount);
        // The remark tells only a record without its document.
        const DocumentRecord* document = documents.at(store::Book::StockOut, row);
        const bool isReturn = isReturnRecord(
            document, document ? QString() : stockOut.value(row, Remark).displayText());
        const SalesTotals figures = saleFigures(qty, price, amount, cost, isReturn);
        ++result.records;
        add(result.totals, figures);
        add(result.periods[periodIndex(*day, from, step)].figures, figures);

        const QString code = stockOut.value(row, ItemCode).displayText();
        auto found = itemIndex.constFind(code);
        if (found == itemIndex.cend()) {
            found = itemIndex.insert(code, items.size());
            items.append({code, {}, {}});
        }
        ItemSales& item = items[*found];
        item.name = stockOut.value(row, ItemName).displayText();
        add(item.figures, figures);
    });
    result.topBySales = topTen(items, &SalesTotals::sales);
    result.topByProfit = topTen(std::move(items), &SalesTotals::profit);
    return result;
}

}  // namespace ledger
