#include "ledger/Receipt.h"

#include "store/Numbers.h"

namespace ledger {

Receipt makeReceipt(const QList<SaleLine>& lines,
                    const std::function<bool(const SaleLine&)>& isReturn, const ReceiptHead& head) {
    QList<ReceiptLine> printedLines;
    double quantity = 0;
    double total = 0;
    for (const SaleLine& line : lines) {
        const bool returned = isReturn(line);
        const double sign = returned ? -1 : 1;
        quantity += sign * line.qty;
        total += sign * line.amount;
        printedLines.append({.name = line.name,
                             .quantity = store::formatGeneral(sign * line.qty),
                             .price = store::formatGeneral(line.price),
                             .amount = store::formatFixed2(sign * line.amount),
                             .isReturn = returned});
    }
    return {.head = head,
            .customer = lines.isEmpty() ? QString() : lines.first().customer,
            .lines = printedLines,
            .quantity = store::formatGeneral(quantity),
            .total = store::formatFixed2(total)};
}

}  // namespace ledger
