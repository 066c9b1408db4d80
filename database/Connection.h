#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "store/StoreError.h"

struct pg_conn;
struct pg_result;

namespace database {

// Told about every tenth of a second while the program waits for the server's answer to a
// statement, and told when the answer came. A till shows a box with 取消 once a wait grows
// long; the statement is then cancelled on the server.
class WaitObserver {
public:
    virtual ~WaitObserver() = default;
    // How long this statement has waited; true when the shop keeper gave up waiting.
    virtual bool waiting(std::chrono::milliseconds waited) = 0;
    // The answer came, or the wait ended in a failure.
    virtual void answered() = 0;
};

// The server could not be reached, the connection broke, or it was never made: nothing of
// the statement or of its transaction took effect. The message is the one the shop keeper
// reads, by cause, with the server's own words in brackets.
class ConnectionLost : public store::StoreError {
public:
    enum class Cause {
        Unreachable,      // no server answered where the conninfo points
        Lost,             // the connection broke
        TimedOut,         // the server did not answer in time
        NoPassword,       // the server asks for a password and none was found
        WrongPassword,    // the server refused the user and password
        UnknownUser,      // no such user on the server
        UnknownDatabase,  // no such database on the server
        IdleTooLong,      // the server ended a transaction this till left waiting
        Cancelled,        // the shop keeper gave up waiting
    };
    // `about` is what the message names: the server for Unreachable, the user for the
    // password and user causes, the database for UnknownDatabase.
    // `note` follows the message, before the server's words.
    explicit ConnectionLost(const QString& serverText, Cause cause = Cause::Lost,
                            const QString& about = {}, const QString& note = {});
    Cause cause() const { return m_cause; }
    // Why, in the words of the server or of libpq.
    const QString& serverText() const { return m_serverText; }

private:
    Cause m_cause;
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
// another till (serialization failure, deadlock), which is worth running again; one that
// waited too long for another till's lock; and one the shop keeper cancelled.
class StatementFailed : public store::StoreError {
public:
    StatementFailed(const QString& serverText, QByteArray sqlState, bool cancelled = false);
    const QByteArray& sqlState() const { return m_state; }
    bool isRace() const { return m_state == "40001" || m_state == "40P01"; }
    bool isBusy() const { return m_state == "55P03"; }
    // By the shop keeper, not by the server's statement timeout.
    bool isCancelled() const { return m_cancelled; }

private:
    QByteArray m_state;
    bool m_cancelled;
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

// Whether the conninfo carries a password. One there is in plain text for others to read: in
// a settings file beside the books, on a command line that `ps` shows; libpq finds it in
// ~/.pgpass or PGPASSWORD instead.
bool namesPassword(const QString& conninfo);
// The values the conninfo sets, by keyword ("host", "dbname", …); none when it cannot be read.
QHash<QByteArray, QString> conninfoValues(const QString& conninfo);

// How long a connection waits for its server.
struct Patience {
    // For an answer to a statement: a frozen server sends nothing, not even an error, so
    // silence this long is taken as a server that is gone. Zero waits for ever.
    std::chrono::milliseconds answer{15000};
    // The session's own limits on the server (lock_timeout, statement_timeout,
    // idle_in_transaction_session_timeout), unless the conninfo's options set them: off for
    // the tools that move whole books.
    bool sessionLimits = true;
};

// One connection to the books' server through libpq. Every value travels as a parameter,
// never inside the statement's text. Not for use from two threads at once.
//
// Unless the conninfo says otherwise, it connects within 5 s and keeps TCP keepalives (idle
// 10 s, interval 5 s, count 3, user timeout 15 s), so that a dead server or till is noticed
// in seconds, not in the two hours of the system's default.
class Connection {
public:
    // Connects, telling `waiting` of the wait; throws ConnectionLost, by cause, when it
    // cannot.
    explicit Connection(const QString& conninfo, Patience patience = {},
                        std::shared_ptr<WaitObserver> waiting = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Whom the waits are told to; none by default.
    void setWaiting(std::shared_ptr<WaitObserver> waiting) { m_waiting = std::move(waiting); }
    bool isOpen() const;

    // A statement with parameters is prepared on its first use on this connection, so the
    // server plans it once, however often a till runs it.
    Result exec(const char* sql, const std::vector<Param>& params = {});
    // Statements sent at once, which the server runs one after the other without waiting
    // for this program: a lock the first takes is never held across a pause of the till
    // (a frozen process, a slow network) between them. They stop at the first that fails,
    // which throws. A connection that breaks after a COMMIT among them was sent throws
    // CommitInterrupted. Their results are added to `results` in order as they come, so
    // that those that came before a failure can still be read.
    struct Statement {
        QByteArray sql;
        std::vector<Param> params;
    };
    void execAtOnce(const std::vector<Statement>& statements, std::vector<Result>& results);
    // COPY … FROM STDIN with the data in COPY's text format: the fast way to load a book.
    // `next` gives it a piece at a time, the server taking each as it comes, until it gives
    // an empty one.
    void copyIn(const char* sql, const std::function<QByteArray()>& next);
    // Whether a transaction is open: a work may end its own with a COMMIT.
    bool inTransaction() const;
    // The shop keeper asked to cancel the last statement, and it was carried out all the
    // same: a COMMIT that had already been made.
    bool cancelCameTooLate() const { return m_cancelAsked; }
    // Rolls back whatever is open, quietly: used on the way out of a failure.
    void rollbackQuietly();

private:
    [[noreturn]] void fail(pg_result* result);
    // Waits for the server's next result as Patience and the WaitObserver say; nullptr when
    // the statement's results are all in. Throws ConnectionLost when the server goes
    // silent for too long, or stays so after a cancel.
    pg_result* nextResult();
    // The statement's results but the last error or the last result, the others cleared.
    pg_result* lastResult();
    [[noreturn]] void abandon(ConnectionLost::Cause cause, const QString& why);
    void connect(const QString& conninfo);

    pg_conn* m_conn = nullptr;
    Patience m_patience;
    std::shared_ptr<WaitObserver> m_waiting;
    bool m_cancelAsked = false;
    QString m_server;                          // whom it connects to, for the messages
    QHash<QByteArray, QByteArray> m_prepared;  // statement text → its name
};

// Runs `work` in one transaction, retried a few times when it lost a race to another till;
// commits when it returns (unless it committed itself), rolls back when it throws. A connection
// that breaks on the COMMIT throws CommitInterrupted.
template <typename Work>
auto inTransaction(Connection& connection, Work&& work) {
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        connection.exec("BEGIN");
        try {
            auto result = work();
            try {
                if (connection.inTransaction())
                    connection.exec("COMMIT");
            } catch (const ConnectionLost& lost) {
                throw CommitInterrupted(lost.serverText(), lost.cause());
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
