#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "ledger/Lines.h"

namespace ledger {

// One line of a till receipt, its figures already as the customer reads them: the
// quantity and price in the general format, the amount "0.00", a return's negative.
struct ReceiptLine {
    QString name;
    QString quantity;
    QString price;
    QString amount;
    bool isReturn = false;
};

// What a till receipt says: the shop, when, to whom, the lines, and what they come to.
struct Receipt {
    QString shop;
    QString contact;
    QDateTime printed;
    QString customer;  // the first line's
    QList<ReceiptLine> lines;
    QString quantity;  // the lines' quantities added up, returns subtracted
    QString total;     // the same for the amounts, "0.00"
};

// The receipt of sale lines. A line is a return, counted negative, when the whole posting
// was one (`returns`), or, a line without a document yet, when its remark is just "退货"
// (see isReturnRecord).
Receipt makeReceipt(const QList<SaleLine>& lines, bool returns, const QString& shop,
                    const QString& contact, const QDateTime& printed);

}  // namespace ledger
