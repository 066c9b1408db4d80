#pragma once

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace ledger {

// How a customer pays at the till, or is paid back. On account (赊账) is owed, not paid:
// it is kept apart so that the accounts can settle it later.
enum class PayMethod { Cash, WeChat, Alipay, Card, OnAccount };
inline constexpr std::array kPayMethods{PayMethod::Cash, PayMethod::WeChat, PayMethod::Alipay,
                                        PayMethod::Card, PayMethod::OnAccount};

// "现金", "微信", "支付宝", "银行卡", "赊账", and back; none for any other text.
QString methodName(PayMethod method);
std::optional<PayMethod> methodNamed(const QString& name);

// What the till took for a sale, or paid back for a return: the part of the amount each
// method covers, and for cash what was handed over and the change given back.
struct Payment {
    std::array<double, kPayMethods.size()> amounts{};
    double tendered = 0;  // cash handed over; 0 when no cash was
    double change = 0;

    double amount(PayMethod method) const { return amounts[std::size_t(method)]; }
    double& amount(PayMethod method) { return amounts[std::size_t(method)]; }
    double total() const;
    bool takesCash() const { return amount(PayMethod::Cash) > 0; }
    // The methods used, in their order, with their parts: "现金 20.00 + 银行卡 30.00".
    QString describe() const;

    // The whole of `due` in cash, handed over exactly: what a sale nobody asked about is
    // paid with.
    static Payment exactCash(double due);
    // The parts as given; cash tendered beyond its part makes the change. Parts of the same
    // method add up.
    struct Part {
        PayMethod method;
        double amount;
    };
    static Payment of(const QList<Part>& parts, double cashTendered);
};

// Why the payment does not settle `due`, in the words the till shows; empty when it
// does. The parts must cover the amount to the cent, none may be negative, and cash
// handed over must cover cash's part.
QString paymentProblem(const Payment& payment, double due);

}  // namespace ledger
