#include "ledger/Payment.h"

#include <cmath>

#include "store/Numbers.h"

namespace ledger {

namespace {

constexpr const char* kMethodNames[] = {"现金", "微信", "支付宝", "银行卡", "赊账"};
static_assert(std::size(kMethodNames) == kPayMethods.size());

// Money is compared in cents: 0.1 + 0.2 is 0.30 at the till.
long long cents(double amount) {
    return std::llround(amount * 100);
}

}  // namespace

QString methodName(PayMethod method) {
    return QString::fromUtf8(kMethodNames[std::size_t(method)]);
}

std::optional<PayMethod> methodNamed(const QString& name) {
    for (const PayMethod method : kPayMethods)
        if (name.trimmed() == methodName(method))
            return method;
    return std::nullopt;
}

double Payment::total() const {
    double sum = 0;
    for (const double part : amounts)
        sum += part;
    return sum;
}

QString Payment::describe() const {
    QStringList parts;
    for (const PayMethod method : kPayMethods)
        if (amount(method) != 0)
            parts << methodName(method) + QLatin1Char(' ') + store::formatFixed2(amount(method));
    return parts.join(QStringLiteral(" + "));
}

Payment Payment::exactCash(double due) {
    return of({{PayMethod::Cash, due}}, due);
}

Payment Payment::of(const QList<Part>& parts, double cashTendered) {
    Payment payment;
    for (const Part& part : parts)
        payment.amount(part.method) += part.amount;
    if (payment.takesCash()) {
        payment.tendered = cashTendered;
        payment.change = double(cents(cashTendered) - cents(payment.amount(PayMethod::Cash))) / 100;
    }
    return payment;
}

QString paymentProblem(const Payment& payment, double due) {
    for (const double part : payment.amounts)
        if (part < 0 || !std::isfinite(part))
            return QStringLiteral("付款金额不能是负数");
    if (payment.takesCash() && cents(payment.tendered) < cents(payment.amount(PayMethod::Cash)))
        return QStringLiteral("实收现金 %1 不足现金部分 %2")
            .arg(store::formatFixed2(payment.tendered),
                 store::formatFixed2(payment.amount(PayMethod::Cash)));
    if (cents(payment.total()) != cents(due))
        return QStringLiteral("收款合计 %1 与单据金额 %2 不符")
            .arg(store::formatFixed2(payment.total()), store::formatFixed2(due));
    return {};
}

}  // namespace ledger
