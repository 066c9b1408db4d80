#include "ledger/Totals.h"

#include "ledger/Documents.h"
#include "store/Numbers.h"
#include "store/StoreError.h"

namespace ledger {

namespace {

void walk(const TextRows& rows, const RowVisit& visit, const std::function<void(int)>& take) {
    for (int row = 1; row <= rows.count; ++row) {
        take(row);
        if (visit)
            visit(row);
    }
}

}  // namespace

double rowNumber(const QString& text, int row, const QString& caption) {
    if (const auto value = store::parseDecimal(QStringView(text)))
        return *value;
    if (text.trimmed().isEmpty())
        throw store::StoreError(
            QStringLiteral("第 %1 行的%2是空的，不是有效的数字").arg(row).arg(caption));
    throw store::StoreError(
        QStringLiteral("第 %1 行的%2“%3”不是有效的数字").arg(row).arg(caption, text));
}

double columnTotal(const TextRows& rows, int col, const RowVisit& visit) {
    const QString caption = rows.caption(col);
    double sum = 0;
    walk(rows, visit, [&](int row) { sum += rowNumber(rows.cell(col, row), row, caption); });
    return sum;
}

SalesTotals saleFigures(double qty, double price, double amount, double avgCost, bool isReturn) {
    // Carried wider than the totals, so q × p − q × a loses nothing to its middle step.
    const long double q = qty;
    const double profit = double(q * price - q * avgCost);
    const double sign = isReturn ? -1 : 1;
    return {sign * amount, sign * profit};
}

SalesTotals salesTotals(const TextRows& rows, const SalesColumns& cols,
                        const RowDocument& documentOf, const RowVisit& visit) {
    const auto number = [&rows](int col, int row) {
        return rowNumber(rows.cell(col, row), row, rows.caption(col));
    };
    SalesTotals totals;
    walk(rows, visit, [&](int row) {
        const double price = number(cols.price, row);
        const double qty = number(cols.qty, row);
        const double cost = number(cols.avgCost, row);
        const double amount = number(cols.amount, row);
        const bool isReturn =
            isReturnRecord(documentOf ? documentOf(row) : nullptr, rows.cell(cols.remark, row));
        const SalesTotals figures = saleFigures(qty, price, amount, cost, isReturn);
        totals.sales += figures.sales;
        totals.profit += figures.profit;
    });
    return totals;
}

}  // namespace ledger
