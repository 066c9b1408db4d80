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
        lines.append({line - first + 1,
                      QString::number(code),
                      code,
                      "商品",
                      "个",
                      3,
                      "3",
                      3.2,
                      9.6,
                      2.4,
                      "张三",
                      "2011-05-03",
                      {}});
    }
    return lines;
}

inline QList<ledger::PurchaseLine> purchaseLines(int count = kPostingLines, int first = 1) {
    QList<ledger::PurchaseLine> lines;
    for (int line = first; line < first + count; ++line) {
        const double code = spreadCode(line);
        lines.append({line - first + 1,
                      QString::number(code),
                      code,
                      "商品",
                      "个",
                      3,
                      2.5,
                      7.5,
                      2.4,
                      "甲厂",
                      "2011-05-03",
                      3.2,
                      10,
                      {}});
    }
    return lines;
}

}  // namespace bench
