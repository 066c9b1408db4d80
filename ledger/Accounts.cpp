#include "ledger/Accounts.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace ledger {

namespace {

using namespace store::DocumentCol;

double money(long long cents) {
    return double(cents) / 100;
}

long long centsOf(double amount) {
    return std::isfinite(amount) ? std::llround(amount * 100) : 0;
}

// The document's effect on its account, in cents: what is owed grows with what was sold or
// bought on account and shrinks with what came back on account and what was paid.
long long movementOf(Posting kind, double onAccount, double total) {
    switch (kind) {
        case Posting::Sale:
        case Posting::Purchase:
            return centsOf(onAccount);
        case Posting::GoodsReturn:
        case Posting::SupplierReturn:
            return -centsOf(onAccount);
        case Posting::CustomerPayment:
        case Posting::SupplierPayment:
            return -centsOf(total);
        default:
            return 0;
    }
}

}  // namespace

std::optional<AccountSide> accountSideOf(Posting kind) {
    switch (kind) {
        case Posting::Sale:
        case Posting::GoodsReturn:
        case Posting::CustomerPayment:
            return AccountSide::Customers;
        case Posting::Purchase:
        case Posting::SupplierReturn:
        case Posting::SupplierPayment:
            return AccountSide::Suppliers;
        default:
            return std::nullopt;
    }
}

QString sideName(AccountSide side) {
    return side == AccountSide::Customers ? QStringLiteral("客户") : QStringLiteral("供货厂商");
}

namespace {

// 2017-01-31 as 20170131; 0 for a text that is no such day.
int dayOf(const QString& text) {
    if (text.size() != 10 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-'))
        return 0;
    int day = 0;
    for (const int at : {0, 1, 2, 3, 5, 6, 8, 9}) {
        const int digit = text[at].unicode() - '0';
        if (digit < 0 || digit > 9)
            return 0;
        day = day * 10 + digit;
    }
    return day;
}

int dayOf(QDate date) {
    return date.isValid() ? date.year() * 10000 + date.month() * 100 + date.day() : 0;
}

QString dayText(int day) {
    return day ? QStringLiteral("%1-%2-%3")
                     .arg(day / 10000, 4, 10, QLatin1Char('0'))
                     .arg(day / 100 % 100, 2, 10, QLatin1Char('0'))
                     .arg(day % 100, 2, 10, QLatin1Char('0'))
               : QString();
}

}  // namespace

Accounts Accounts::read(store::BookPass& documents, const QString& statementOf) {
    Accounts accounts;
    const QString detailed = statementOf.trimmed();
    const int used = documents.usedRowCount();
    for (int row = 2; row <= used; ++row) {
        const std::optional<Posting> kind = kindNamed(documents.value(row, Kind).text);
        const std::optional<AccountSide> side = kind ? accountSideOf(*kind) : std::nullopt;
        if (!side)
            continue;
        const QString name = documents.value(row, Counterpart).displayText().trimmed();
        if (name.isEmpty())
            continue;
        Side& at = accounts.m_sides[std::size_t(*side)];
        auto found = at.index.constFind(name);
        if (found == at.index.constEnd()) {
            found = at.index.insert(name, at.names.size());
            at.names << name;
            at.movements.emplace_back();
        }
        // A cell that does not read as a number stops the list with its place named: a
        // balance that skipped it would be wrong without saying so.
        const long long cents =
            movementOf(*kind, documents.number(row, OnAccount), documents.number(row, Total));
        if (cents == 0 && !settlesAccount(*kind))
            continue;
        AccountMovement movement;
        movement.kind = *kind;
        movement.cents = cents;
        const QString date = documents.value(row, Date).displayText();
        movement.day = dayOf(date);
        if (name == detailed) {
            movement.date = date;
            movement.number = documents.value(row, Number).displayText();
            movement.remark = documents.value(row, Remark).displayText();
        }
        at.movements[*found] << movement;
    }
    return accounts;
}

Accounts Accounts::load(const store::ServerFactory& servers, const QString& programDir,
                        bool inDatabase, const QString& statementOf) {
    const QString path = store::bookPath(programDir, store::Book::Documents);
    if (!inDatabase && !QFileInfo::exists(path))
        return {};
    store::BookPass book(servers, path);
    return read(book, statementOf);
}

const QList<AccountMovement>* Accounts::movementsOf(AccountSide side, const QString& name) const {
    const Side& at = m_sides[std::size_t(side)];
    const auto found = at.index.constFind(name.trimmed());
    return found == at.index.constEnd() ? nullptr : &at.movements[*found];
}

bool Accounts::knows(AccountSide side, const QString& name) const {
    return m_sides[std::size_t(side)].index.contains(name.trimmed());
}

double Accounts::balance(AccountSide side, const QString& name) const {
    long long cents = 0;
    if (const QList<AccountMovement>* movements = movementsOf(side, name))
        for (const AccountMovement& movement : *movements)
            cents += movement.cents;
    return money(cents);
}

QList<AccountBalance> Accounts::balances(AccountSide side, QDate asOf) const {
    std::array<int, kAgingDays.size()> since{};
    for (std::size_t a = 0; a < kAgingDays.size(); ++a)
        since[a] = dayOf(asOf.addDays(-kAgingDays[a]));
    const Side& at = m_sides[std::size_t(side)];
    QList<AccountBalance> list;
    for (qsizetype n = 0; n < at.names.size(); ++n) {
        const QList<AccountMovement>& movements = at.movements[n];
        if (movements.isEmpty())
            continue;
        long long balance = 0;
        int last = 0;
        std::array<long long, kAgingDays.size()> recent{};
        for (const AccountMovement& movement : movements) {
            balance += movement.cents;
            last = std::max(last, movement.day);
            if (movement.cents > 0)
                for (std::size_t a = 0; a < since.size(); ++a)
                    if (movement.day >= since[a])
                        recent[a] += movement.cents;
        }
        AccountBalance account;
        account.name = at.names[n];
        account.balance = money(balance);
        account.lastMovement = dayText(last);
        // Payments settle the oldest charges first: what is still open is the latest
        // charges', and the part of it that the charges of the last N days do not cover is
        // older than N days.
        for (std::size_t a = 0; a < since.size(); ++a)
            account.olderThan[a] = money(std::max(0LL, balance - recent[a]));
        list << account;
    }
    std::ranges::stable_sort(list, [](const AccountBalance& a, const AccountBalance& b) {
        return a.balance > b.balance;
    });
    return list;
}

Statement Accounts::statement(AccountSide side, const QString& name, QDate from, QDate to) const {
    Statement statement;
    statement.name = name.trimmed();
    statement.side = side;
    statement.from = from;
    statement.to = to;
    const QList<AccountMovement>* movements = movementsOf(side, name);
    if (!movements)
        return statement;
    const int first = dayOf(from), last = to.isValid() ? dayOf(to) : 99999999;
    long long opening = 0, balance = 0;
    for (const AccountMovement& movement : *movements) {
        if (movement.day < first) {
            opening += movement.cents;
            balance += movement.cents;
            continue;
        }
        if (movement.day > last)
            continue;
        balance += movement.cents;
        statement.lines << StatementLine{movement.date,           movement.number,
                                         kindName(movement.kind), money(movement.cents),
                                         money(balance),          movement.remark};
    }
    statement.opening = money(opening);
    statement.closing = money(balance);
    return statement;
}

}  // namespace ledger
