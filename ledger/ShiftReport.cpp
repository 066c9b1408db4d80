#include "ledger/ShiftReport.h"

#include <algorithm>

#include "store/Numbers.h"

namespace ledger {

namespace {

const QString kUnrecorded = QStringLiteral("未记录");

ShiftLine& lineOf(ShiftReport& report, const QString& cashier, const QString& method) {
    const auto found = std::ranges::find_if(report.lines, [&](const ShiftLine& line) {
        return line.cashier == cashier && line.method == method;
    });
    if (found != report.lines.end())
        return *found;
    ShiftLine line;
    line.cashier = cashier;
    line.method = method;
    report.lines.append(line);
    return report.lines.last();
}

void count(ShiftReport& report, const DocumentRecord& document) {
    const bool isReturn = document.kind == Posting::GoodsReturn;
    const auto add = [&](const QString& method, double amount) {
        ShiftLine& line = lineOf(report, document.operatorName, method);
        (isReturn ? line.returns : line.sales) += 1;
        (isReturn ? line.refunded : line.sold) += amount;
    };
    (isReturn ? report.returns : report.sales) += 1;
    (isReturn ? report.refunded : report.sold) += document.total;
    if (!document.payment) {
        add(kUnrecorded, document.total);
        return;
    }
    for (const PayMethod method : kPayMethods)
        if (document.payment->amount(method) != 0)
            add(methodName(method), document.payment->amount(method));
    (isReturn ? report.cashRefunded : report.cashTaken) +=
        document.payment->amount(PayMethod::Cash);
}

}  // namespace

QDateTime madeAt(const DocumentRecord& document) {
    return QDateTime(QDate::fromString(document.date, Qt::ISODate),
                     QTime::fromString(document.time, Qt::ISODate));
}

ShiftReport shiftReport(const DocumentIndex& documents, const QString& till, double openingFloat,
                        const std::optional<ShiftPeriod>& period) {
    ShiftReport report;
    report.till = till;
    report.openingFloat = openingFloat;
    const QList<DocumentRecord>& records = documents.records();
    qsizetype first = 0;
    if (period) {
        report.from = period->from;
        report.to = period->to;
    } else {
        for (qsizetype i = records.size() - 1; i >= 0; --i) {
            if (records[i].kind == Posting::ShiftClose && records[i].till == till) {
                first = i + 1;
                report.from = madeAt(records[i]);
                report.closedBy = records[i].number;
                break;
            }
        }
    }
    for (qsizetype i = first; i < records.size(); ++i) {
        const DocumentRecord& document = records[i];
        if (document.till != till || !document.kind ||
            (document.kind != Posting::Sale && document.kind != Posting::GoodsReturn &&
             !settlesAccount(*document.kind)))
            continue;
        if (period) {
            const QDateTime made = madeAt(document);
            if ((period->from.isValid() && made < period->from) ||
                (period->to.isValid() && made > period->to))
                continue;
        }
        if (!settlesAccount(*document.kind))
            count(report, document);
        else if (document.payment)
            (document.kind == Posting::CustomerPayment ? report.accountCashIn
                                                       : report.accountCashOut) +=
                document.payment->amount(PayMethod::Cash);
    }
    // Added up in cents, as the drawer is counted.
    for (ShiftLine& line : report.lines) {
        line.sold = store::roundMoney(line.sold);
        line.refunded = store::roundMoney(line.refunded);
    }
    for (double* sum : {&report.sold, &report.refunded, &report.cashTaken, &report.cashRefunded,
                        &report.accountCashIn, &report.accountCashOut})
        *sum = store::roundMoney(*sum);
    return report;
}

}  // namespace ledger
