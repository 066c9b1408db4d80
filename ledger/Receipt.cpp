#include "ledger/Receipt.h"

#include "ledger/Totals.h"
#include "store/Numbers.h"

namespace ledger {

Receipt makeReceipt(const QList<SaleLine>& lines, bool returns, const QString& shop,
                    const QString& contact, const QDateTime& printed) {
    Receipt receipt{shop, contact, printed, lines.isEmpty() ? QString() : lines.first().customer,
                    {},   {},      {}};
    double quantity = 0;
    double total = 0;
    for (const SaleLine& line : lines) {
        const bool isReturn = returns || isReturnRemark(line.remark);
        const double sign = isReturn ? -1 : 1;
        quantity += sign * line.qty;
        total += sign * line.amount;
        receipt.lines.append({line.name, store::formatGeneral(sign * line.qty),
                              store::formatGeneral(line.price),
                              store::formatFixed2(sign * line.amount), isReturn});
    }
    receipt.quantity = store::formatGeneral(quantity);
    receipt.total = store::formatFixed2(total);
    return receipt;
}

}  // namespace ledger
