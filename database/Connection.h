#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "store/StoreError.h"

struct pg_conn;
struct pg_result;

namespace database {

// The server could not be reached, or the connection broke: nothing of the statement or of
// its transaction took effect. The message is the one the shop keeper reads, with the
// server's own words in brackets.
class ConnectionLost : public store::StoreError {
public:
    explicit ConnectionLost(const QString& serverText);
    // Why, in the words of the server or of libpq.
    const QString& serverText() const { return m_serverText; }

private:
    QString m_serverText;
};

// The connection broke while the server was committing: unlike any other statement's, a
// COMMIT's answer may be lost after the server carried it out. Only asking the server
// again tells which it was; whoever cannot ask must not say that nothing was written.
class CommitInterrupted : public ConnectionLost {
public:
    using ConnectionLost::ConnectionLost;
};

// The server refused a statement. `sqlState` tells a transaction that lost a race to
// another till (serialization failure, deadlock), which is worth running again.
class StatementFailed : public store::StoreError {
public:
    StatementFailed(const QString& message, QByteArray sqlState)
        : store::StoreError(message), m_state(std::move(sqlState)) {}
    const QByteArray& sqlState() const { return m_state; }
    bool isRace() const { return m_state == "40001" || m_state == "40P01"; }

private:
    QByteArray m_state;
};

// A statement's parameter: text, or NULL.
using Param = std::optional<QByteArray>;

// The rows a statement returned, read by row and column from 0. Rows come in the server's
// binary form: numbers arrive exact and need no parsing, texts as their UTF-8 bytes.
class Result {
public:
    explicit Result(pg_result* result);
    ~Result();
    Result(Result&&) noexcept;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    int rows() const;
    bool isNull(int row, int col) const;
    // A text column's bytes.
    const char* text(int row, int col) const;
    int length(int row, int col) const;
    // A bigint or integer column, and a double precision one.
    long long integer(int row, int col) const;
    double number(int row, int col) const;

private:
    pg_result* m_result;
};

// One connection to the books' server through libpq. Every value travels as a parameter,
// never inside the statement's text. Not for use from two threads at once.
class Connection {
public:
    // Connects; throws ConnectionLost when the server cannot be reached.
    explicit Connection(const QString& conninfo);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const;

    // A statement with parameters is prepared on its first use on this connection, so the
    // server plans it once, however often a till runs it.
    Result exec(const char* sql, const std::vector<Param>& params = {});
    // COPY … FROM STDIN with `data` in COPY's text format: the fast way to load a book.
    void copyIn(const char* sql, const QByteArray& data);
    // Rolls back whatever is open, quietly: used on the way out of a failure.
    void rollbackQuietly();

private:
    [[noreturn]] void fail(pg_result* result);

    pg_conn* m_conn = nullptr;
    QHash<QByteArray, QByteArray> m_prepared;  // statement text → its name
};

// Runs `work` in one transaction, retried a few times when it lost a race to another till;
// commits when it returns, rolls back when it throws. A connection that breaks on the
// COMMIT throws CommitInterrupted.
template <typename Work>
auto inTransaction(Connection& connection, Work&& work) {
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        connection.exec("BEGIN");
        try {
            auto result = work();
            try {
                connection.exec("COMMIT");
            } catch (const ConnectionLost& lost) {
                throw CommitInterrupted(lost.serverText());
            }
            return result;
        } catch (const StatementFailed& failure) {
            connection.rollbackQuietly();
            if (!failure.isRace() || attempt == kAttempts)
                throw;
        } catch (...) {
            connection.rollbackQuietly();
            throw;
        }
    }
}

}  // namespace database
