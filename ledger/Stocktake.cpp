#include "ledger/Stocktake.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <map>

#include "store/Numbers.h"

namespace ledger {

namespace {

bool inScope(store::BookPass& inventory, int row, const CountScope& scope) {
    switch (scope.kind) {
        case CountScope::All:
            return true;
        case CountScope::Supplier:
            return inventory.value(row, store::InventoryCol::Supplier).displayText().trimmed() ==
                   scope.text.trimmed();
        case CountScope::Contains:
            return inventory.value(row, store::InventoryCol::ItemCode)
                       .displayText()
                       .contains(scope.text, Qt::CaseInsensitive) ||
                   inventory.value(row, store::InventoryCol::ItemName)
                       .displayText()
                       .contains(scope.text, Qt::CaseInsensitive);
    }
    return false;
}

}  // namespace

double CountLine::difference() const {
    return counted - bookQty;
}

QList<CountItem> countSheet(store::BookPass& inventory, const CountScope& scope) {
    std::map<double, CountItem> byCode;
    const int used = inventory.usedRowCount();
    for (int row = 2; row <= used; ++row) {
        const store::CellValue code = inventory.value(row, store::InventoryCol::ItemCode);
        if (code.isEmpty() || !inScope(inventory, row, scope))
            continue;
        CountItem item;
        item.codeText = code.displayText();
        item.code = inventory.requireNumber(row, store::InventoryCol::ItemCode);
        item.name = inventory.value(row, store::InventoryCol::ItemName).displayText();
        item.unit = inventory.value(row, store::InventoryCol::Unit).displayText();
        item.supplier = inventory.value(row, store::InventoryCol::Supplier).displayText();
        item.bookQty = inventory.requireNumber(row, store::InventoryCol::StockQty);
        item.avgCost = inventory.requireNumber(row, store::InventoryCol::AvgCost);
        byCode[item.code == 0 ? 0.0 : item.code] = item;
    }
    QList<CountItem> items;
    items.reserve(qsizetype(byCode.size()));
    for (auto& [code, item] : byCode)
        items << std::move(item);
    return items;
}

CountLine countLine(const CountItem& item, int row, double counted, const QString& date) {
    return {.row = row,
            .codeText = item.codeText,
            .code = item.code,
            .name = item.name,
            .unit = item.unit,
            .bookQty = item.bookQty,
            .counted = counted,
            .date = date};
}

QStringList suppliersOf(store::BookPass& inventory) {
    QStringList suppliers;
    QSet<QString> seen;
    const int used = inventory.usedRowCount();
    for (int row = 2; row <= used; ++row) {
        const QString supplier =
            inventory.value(row, store::InventoryCol::Supplier).displayText().trimmed();
        if (!supplier.isEmpty() && !seen.contains(supplier)) {
            seen.insert(supplier);
            suppliers << supplier;
        }
    }
    return suppliers;
}

QString countProblem(const QString& text) {
    const std::optional<double> qty = store::parseDecimal(text);
    if (!qty || !std::isfinite(*qty))
        return QStringLiteral("“%1”不是有效的数字").arg(text);
    if (*qty < 0)
        return QStringLiteral("“%1”是负数，实盘数量不能小于 0").arg(text);
    if (store::roundMillionths(*qty) != *qty)
        return QStringLiteral("“%1”的小数超过 6 位").arg(text);
    return {};
}

double CountReport::net() const {
    return store::roundMoney(gainValue + lossValue);
}

CountReport countReport(store::BookPass& journal, const QString& from, const QString& to) {
    using namespace store::StocktakeCol;
    std::map<double, CountResult> byCode;
    const int used = journal.usedRowCount();
    for (int row = 2; row <= used; ++row) {
        const QString date = journal.value(row, CountDate).displayText();
        if ((!from.isEmpty() && date < from) || (!to.isEmpty() && date > to))
            continue;
        const double code = journal.requireNumber(row, ItemCode);
        CountResult& result = byCode[code == 0 ? 0.0 : code];
        // The latest row names the item as it was last counted.
        result.codeText = journal.value(row, ItemCode).displayText();
        result.name = journal.value(row, ItemName).displayText();
        result.unit = journal.value(row, Unit).displayText();
        ++result.counts;
        const double qty = journal.number(row, DiffQty), value = journal.number(row, DiffAmount);
        if (qty > 0) {
            result.gainQty = store::roundMillionths(result.gainQty + qty);
            result.gainValue = store::roundMoney(result.gainValue + value);
        } else if (qty < 0) {
            result.lossQty = store::roundMillionths(result.lossQty + qty);
            result.lossValue = store::roundMoney(result.lossValue + value);
        }
    }
    CountReport report;
    for (auto& [code, result] : byCode) {
        report.gainValue = store::roundMoney(report.gainValue + result.gainValue);
        report.lossValue = store::roundMoney(report.lossValue + result.lossValue);
        report.items << std::move(result);
    }
    return report;
}

}  // namespace ledger
