#include "ledger/Receipt.h"

#include "ledger/Documents.h"
#include "store/Numbers.h"

namespace ledger {

Receipt makeReceipt(const QList<SaleLine>& lines, bool returns, const QString& shop,
                    const QString& contact, const QDateTime& printed) {
    QList<ReceiptLine> printedLines;
    double quantity = 0;
    double total = 0;
    for (const SaleLine& line : lines) {
        const bool isReturn = returns || isReturnRecord(nullptr, line.remark);
        const double sign = isReturn ? -1 : 1;
        quantity += sign * line.qty;
        total += sign * line.amount;
        printedLines.append({.name = line.name,
                             .quantity = store::formatGeneral(sign * line.qty),
                             .price = store::formatGeneral(line.price),
                             .amount = store::formatFixed2(sign * line.amount),
                             .isReturn = isReturn});
    }
    return {.shop = shop,
            .contact = contact,
            .printed = printed,
            .customer = lines.isEmpty() ? QString() : lines.first().customer,
            .lines = printedLines,
            .quantity = store::formatGeneral(quantity),
            .total = store::formatFixed2(total)};
}

}  // namespace ledger
