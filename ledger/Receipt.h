#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

#include "ledger/Lines.h"
#include "ledger/Payment.h"

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

// A receipt is printed when its document is posted, or again later from the journal: then
// it says it is a copy, and whether its document was found (records from before the
// documents, or typed into a spreadsheet, have neither number nor time of their own).
enum class ReceiptCopy { Original, Reprint, ReprintWithoutDocument };

// What heads a receipt: the shop, the document's number and time, or the time it was
// printed when there is no document.
struct ReceiptHead {
    QString shop;
    QString contact;
    QDateTime time;
    QString number;
    ReceiptCopy copy = ReceiptCopy::Original;
};

// What a till receipt says: the shop, which document, when, to whom, the lines, and what
// they come to.
struct Receipt {
    ReceiptHead head;
    QString customer;  // the first line's
    QList<ReceiptLine> lines;
    QString quantity;  // the lines' quantities added up, returns subtracted
    QString total;     // the same for the amounts, "0.00"
    // How it was paid, or paid back: none for lines not posted yet, or records from before
    // the payments.
    std::optional<Payment> payment = {};
    bool isRefund = false;

    // A drawer is opened for money going in or out of it, once: not for a copy.
    bool opensDrawer() const {
        return payment && payment->takesCash() && head.copy == ReceiptCopy::Original;
    }
};

// The receipt of sale lines, a line that `isReturn` says was brought back counted negative.
// Whether it was is the document's to say (see isReturnRecord), never a remark's wording.
Receipt makeReceipt(const QList<SaleLine>& lines,
                    const std::function<bool(const SaleLine&)>& isReturn, const ReceiptHead& head);

}  // namespace ledger
