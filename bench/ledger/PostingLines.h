#pragma once

// The lines the posting benchmarks post: 20 spread evenly over the bench inventory, 3 of
// each item, so every engine is timed on the same batch.
#include <QList>

#include "BenchBooks.h"
#include "ledger/Lines.h"

namespace bench {

inline constexpr int kPostingLines = 20;

inline double spreadCode(int line) {
    return 1001 + (line * kInventoryItems) / kPostingLines - 1;
}

// Lines `first` … `first + count - 1` of the 20, numbered from 1 in the batch.
inline QList<ledger::SaleLine> saleLines(int count = kPostingLines, int first = 1) {
    QList<ledger::SaleLine> lines;
    for (int line = first; line < first + count; ++line) {
        const double code = spreadCode(line);
        lines.append({.row = line - first + 1,
                      .codeText = QString::number(code),
                      .code = code,
                      .name = "商品",
                      .unit = "个",
                      .qty = 3,
                      .qtyText = "3",
                      .price = 3.2,
                      .amount = 9.6,
                      .avgCost = 2.4,
                      .customer = "张三",
                      .date = "2011-05-03",
                      .remark = {}});
    }
    return lines;
}

inline QList<ledger::PurchaseLine> purchaseLines(int count = kPostingLines, int first = 1) {
    QList<ledger::PurchaseLine> lines;
    for (int line = first; line < first + count; ++line) {
        const double code = spreadCode(line);
        lines.append({.row = line - first + 1,
                      .codeText = QString::number(code),
                      .code = code,
                      .name = "商品",
                      .unit = "个",
                      .qty = 3,
                      .price = 2.5,
                      .amount = 7.5,
                      .avgCost = 2.4,
                      .supplier = "甲厂",
                      .date = "2011-05-03",
                      .salePrice = 3.2,
                      .alertQty = 10,
                      .remark = {}});
    }
    return lines;
}

}  // namespace bench
