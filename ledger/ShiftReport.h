#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "ledger/Documents.h"

namespace ledger {

// One cashier's takings by one payment method over a shift. A sale paid two ways counts
// under each; a sale or return recorded without its payment (posted before the till
// recorded them, or by a tool) under none of the methods but "未记录".
struct ShiftLine {
    QString cashier;
    QString method;
    int sales = 0;
    double sold = 0;
    int returns = 0;
    double refunded = 0;
};

// 交班报表: what a till took between two moments, by cashier and payment method, and the
// cash that should be in its drawer.
struct ShiftReport {
    QString till;
    // From the last shift closed at the till (invalid when it never closed one) or the
    // moment asked for, to the end asked for (invalid: up to the last document).
    QDateTime from, to;
    QString closedBy;  // the number of the shift close the report starts after; none else
    QList<ShiftLine> lines;
    int sales = 0, returns = 0;  // documents, each counted once
    double sold = 0, refunded = 0;
    double openingFloat = 0;  // the cash the drawer started with
    double cashTaken = 0, cashRefunded = 0;
    // Cash that went into the drawer or out of it on an account at this till: a 收款 from a
    // customer, a 付款 to a supplier. Not sales, but the drawer holds them all the same.
    double accountCashIn = 0, accountCashOut = 0;

    double expectedCash() const {
        return openingFloat + cashTaken - cashRefunded + accountCashIn - accountCashOut;
    }
};

// The period a report covers when none is given: from the till's last shift close on.
struct ShiftPeriod {
    QDateTime from, to;
};

// The sales and returns made at `till`, and the cash of its 收款 and 付款, in the documents
// book's order: after its last
// shift close, or within `period` when one is given (both ends included, either open).
ShiftReport shiftReport(const DocumentIndex& documents, const QString& till, double openingFloat,
                        const std::optional<ShiftPeriod>& period = std::nullopt);

// When the document was made, as the documents book keeps it.
QDateTime madeAt(const DocumentRecord& document);

}  // namespace ledger
