#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <optional>

#include "ledger/Document.h"
#include "store/DataBooks.h"

namespace ledger {

// Who owes whom (往来账). A customer's account: what they bought on account (赊账), less
// what they brought back on account and what they paid (收款). A supplier's: what the shop
// left unpaid on a purchase, less the goods sent back against the account (冲账) and what
// it paid (付款). Accounts are known by the name the documents give, and are worked out from
// the documents book every time: there is no balance kept anywhere to drift from it.
enum class AccountSide { Customers, Suppliers };

// The side a kind of document moves, if any.
std::optional<AccountSide> accountSideOf(Posting kind);
// "客户" or "供货厂商".
QString sideName(AccountSide side);

// One document's effect on one account: positive when it adds to what is owed (a sale or a
// purchase on account), negative when it takes off. In cents, so that a year of documents
// adds up to the cent. Its day as yyyymmdd, which sorts as the days do (0: not a day).
struct AccountMovement {
    int day = 0;
    Posting kind = Posting::Sale;
    long long cents = 0;
    // Read for the account a statement is asked of only: most documents are in the list's
    // balances alone, and their texts would be most of the reading.
    QString date, number, remark;
};

// One account in the list: its balance (negative: paid in advance, 预收 or 预付), the day of
// its last movement, and how much of the balance is older than 30, 60 and 90 days (账龄).
// What is paid settles the oldest amounts first, so the part of the balance still open is
// that of its latest charges.
struct AccountBalance {
    QString name;
    double balance = 0;
    QString lastMovement;
    std::array<double, 3> olderThan{};  // 30, 60, 90 days
};
inline constexpr std::array<int, 3> kAgingDays{30, 60, 90};

// 对账单: the balance before the period, each movement in it with the balance after it, and
// the balance at its end.
struct StatementLine {
    QString date, number, kind;
    double amount = 0, balance = 0;
    QString remark;
};
struct Statement {
    QString name;
    AccountSide side = AccountSide::Customers;
    QDate from, to;
    double opening = 0, closing = 0;
    QList<StatementLine> lines;
};

// The documents book read for its accounts: every account's movements, and the texts of
// one account's, for its statement.
class Accounts {
public:
    Accounts() = default;
    static Accounts read(store::BookPass& documents, const QString& statementOf = {});
    // The documents book of the program folder (or the database's documents); empty when
    // the folder has none yet.
    static Accounts load(const store::ServerFactory& servers, const QString& programDir,
                         bool inDatabase, const QString& statementOf = {});

    // Every account that ever moved, the largest balance first.
    QList<AccountBalance> balances(AccountSide side, QDate asOf) const;
    // The balance of one account; 0 for a name that never moved.
    double balance(AccountSide side, const QString& name) const;
    // The statement of the account read with `statementOf`; of another, without the
    // documents' numbers and remarks.
    Statement statement(AccountSide side, const QString& name, QDate from, QDate to) const;
    // Whether any document of the side names `name`, on account or not.
    bool knows(AccountSide side, const QString& name) const;
    // The names the documents of the side give, in the order they first appear.
    const QStringList& names(AccountSide side) const { return m_sides[std::size_t(side)].names; }

private:
    struct Side {
        QStringList names;
        QHash<QString, qsizetype> index;  // name → place in `names`
        // Each name's movements, in the book's order.
        QList<QList<AccountMovement>> movements;
    };
    const QList<AccountMovement>* movementsOf(AccountSide side, const QString& name) const;
    std::array<Side, 2> m_sides;
};

}  // namespace ledger
