#pragma once

#include <QString>

#include "store/StoreError.h"

namespace ledger {

// The lines a posting takes are plain values: the windows read them off their grids, and
// the rules never see a widget. `row` is the line's place in the batch (1 for the first),
// the one the messages and the progress name; the code keeps its text as typed, for the
// messages too.

// A purchase: goods into stock, at the price the supplier asked.
struct PurchaseLine {
    int row = 0;
    QString codeText;
    double code = 0;
    QString name, unit;
    double qty = 0, price = 0, amount = 0;
    double avgCost = 0;  // the average cost the line showed, which its record keeps
    QString supplier, date;
    double salePrice = 0, alertQty = 0;
    QString remark;

    bool operator==(const PurchaseLine&) const = default;
};

// A sale, or goods a customer brings back.
struct SaleLine {
    int row = 0;
    QString codeText;
    double code = 0;
    QString name, unit;
    double qty = 0;
    QString qtyText;  // a return notes the quantity as typed: "2.0" stays "2.0"
    double price = 0, amount = 0;
    double avgCost = 0;
    QString customer, date, remark;

    bool operator==(const SaleLine&) const = default;
};

// One item as a stocktake counted it (see Stocktake.h).
struct CountLine {
    int row = 0;  // its place in the count, from 1, which the messages name
    QString codeText;
    double code = 0;
    QString name, unit;
    double bookQty = 0;  // the item's stock when the count began
    double counted = 0;
    QString date;  // the day it is posted, "yyyy-mm-dd"

    double difference() const;
    bool operator==(const CountLine&) const = default;
};

// A failure inside a posting, told with the line and the item it happened at.
template <typename Line>
store::StoreError lineError(const Line& line, const QString& what) {
    return store::StoreError(
        QStringLiteral("第 %1 行（商品编号 %2）：%3").arg(line.row).arg(line.codeText, what));
}

// One line's part of a posting; a book failure in it is told with the line.
template <typename Line, typename Step>
auto onLine(const Line& line, Step&& step) {
    try {
        return step();
    } catch (const store::ServerUnavailable&) {
        throw;
    } catch (const store::StoreError& failure) {
        throw lineError(line, failure.message());
    }
}

}  // namespace ledger
