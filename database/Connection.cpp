#include "database/Connection.h"

#include <libpq-fe.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <poll.h>
#include <sys/stat.h>

namespace database {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often a wait looks at the clock and tells its observer.
constexpr milliseconds kTick{100};
// How long a cancelled statement may take to say so before the connection is given up.
constexpr milliseconds kCancelGrace{3000};

QString serverText(const char* text) {
    // libpq breaks its messages over lines with tabs; a box shows them as one sentence.
    return QString::fromUtf8(text).simplified();
}

// The session's limits, passed in the start-up packet ahead of the conninfo's own options,
// so that those win and a DBA's server settings stay untouched. The server's end of a TCP
// connection gets keepalives too: a till that died holding locks is noticed in seconds.
constexpr const char* kSessionLimits =
    "-c lock_timeout=10s -c statement_timeout=30s -c idle_in_transaction_session_timeout=30s"
    " -c tcp_keepalives_idle=10 -c tcp_keepalives_interval=5 -c tcp_keepalives_count=3"
    " -c tcp_user_timeout=15000";

// What the program sets unless the conninfo (or libpq's environment) says otherwise: a
// till notices a dead server, and a server a dead till, in seconds.
constexpr std::pair<const char*, const char*> kConnectDefaults[] = {
    {"connect_timeout", "5"},     {"keepalives", "1"},       {"keepalives_idle", "10"},
    {"keepalives_interval", "5"}, {"keepalives_count", "3"}, {"tcp_user_timeout", "15000"},
};

QString secondsSince(Clock::time_point start) {
    return QString::number(std::chrono::duration<double>(Clock::now() - start).count(), 'f', 1);
}

QString pgpassNote(const QByteArray& passfile) {
    QString path = QString::fromLocal8Bit(passfile);
    if (path.isEmpty())
        path = qEnvironmentVariable("PGPASSFILE");
    if (path.isEmpty())
        path = QDir::home().filePath(QStringLiteral(".pgpass"));
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    // libpq skips such a file with a warning on the terminal, which a till has none of.
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("。密码文件 %1 不是普通文件，没有被读取").arg(path);
    if (st.st_mode & (S_IRWXG | S_IRWXO))
        return QStringLiteral(
                   "。密码文件 %1 的权限是 %2，别人也能读取，所以没有被使用：请执行 "
                   "chmod 600 %1")
            .arg(path)
            .arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
    return {};
}

}  // namespace

ConnectionLost::ConnectionLost(const QString& serverText, Cause cause, const QString& about,
                               const QString& note)
    : store::StoreError([&] {
          QString message;
          switch (cause) {
              case Cause::Unreachable:
                  message = QStringLiteral(
                                "连不上数据库服务器 %1：请检查服务器是否开机、"
                                "网络是否连通")
                                .arg(about);
                  break;
              case Cause::Lost:
                  message = QStringLiteral("与数据库服务器的连接断开了，本次操作没有生效");
                  break;
              case Cause::TimedOut:
                  message = QStringLiteral(
                      "数据库服务器没有响应（连接超时），本次操作没有生效："
                      "请检查服务器和网络");
                  break;
              case Cause::NoPassword:
                  message = QStringLiteral(
                                "数据库服务器要求用户 %1 的密码，但没有找到：请写在"
                                "这台电脑的 ~/.pgpass 或环境变量 PGPASSWORD 中")
                                .arg(about);
                  break;
              case Cause::WrongPassword:
                  message = QStringLiteral(
                                "数据库服务器不接受用户 %1 的密码：密码不对，"
                                "或没有这个用户")
                                .arg(about);
                  break;
              case Cause::UnknownUser:
                  message = QStringLiteral(
                                "数据库服务器不接受用户 %1：没有这个用户，"
                                "或服务器不允许它从这台电脑连接")
                                .arg(about);
                  break;
              case Cause::UnknownDatabase:
                  message = QStringLiteral(
                                "数据库服务器上没有数据库 %1：请检查设置文件中的 "
                                "conninfo")
                                .arg(about);
                  break;
              case Cause::IdleTooLong:
                  message = QStringLiteral(
                      "这台收银机停顿太久，数据库服务器已经撤销了本次操作，"
                      "没有生效");
                  break;
              case Cause::Cancelled:
                  message = QStringLiteral("已经取消，本次操作没有生效");
                  break;
          }
          return message + note + QStringLiteral("（%1）").arg(serverText);
      }()),
      m_cause(cause),
      m_serverText(serverText) {}

StatementFailed::StatementFailed(const QString& serverText, QByteArray sqlState, bool cancelled)
    : store::StoreError([&] {
          QString message;
          if (sqlState == "55P03")
              message = QStringLiteral(
                  "另一台收银机正在使用这些商品的数据，请稍后再试；"
                  "本次操作没有生效");
          else if (cancelled)
              message = QStringLiteral("已经取消，本次操作没有生效");
          else if (sqlState == "57014")
              message = QStringLiteral("数据库服务器没有在时限内完成这个操作，本次操作没有生效");
          else if (sqlState == "42501")
              message = QStringLiteral("这台收银机的数据库用户没有做这件事的权限");
          else
              message = QStringLiteral("数据库拒绝了操作");
          return message + QStringLiteral("（%1）").arg(serverText);
      }()),
      m_state(std::move(sqlState)),
      m_cancelled(cancelled) {}

QHash<QByteArray, QString> conninfoValues(const QString& conninfo) {
    QHash<QByteArray, QString> values;
    PQconninfoOption* options = PQconninfoParse(conninfo.toUtf8().constData(), nullptr);
    for (PQconninfoOption* o = options; o && o->keyword; ++o)
        if (o->val)
            values.insert(o->keyword, QString::fromUtf8(o->val));
    PQconninfoFree(options);
    return values;
}

bool namesPassword(const QString& conninfo) {
    return !conninfoValues(conninfo).value("password").isEmpty();
}

Result::Result(pg_result* result) : m_result(result) {}
Result::~Result() {
    PQclear(m_result);
}
Result::Result(Result&& other) noexcept : m_result(other.m_result) {
    other.m_result = nullptr;
}
int Result::rows() const {
    return PQntuples(m_result);
}
bool Result::isNull(int row, int col) const {
    return PQgetisnull(m_result, row, col);
}
const char* Result::text(int row, int col) const {
    return PQgetvalue(m_result, row, col);
}
int Result::length(int row, int col) const {
    return PQgetlength(m_result, row, col);
}
long long Result::integer(int row, int col) const {
    const uchar* bytes = reinterpret_cast<const uchar*>(text(row, col));
    return length(row, col) == 8 ? qFromBigEndian<qint64>(bytes) : qFromBigEndian<qint32>(bytes);
}
double Result::number(int row, int col) const {
    return std::bit_cast<double>(qFromBigEndian<quint64>(text(row, col)));
}

Connection::Connection(const QString& conninfo, Patience patience,
                       std::shared_ptr<WaitObserver> waiting)
    : m_patience(patience), m_waiting(std::move(waiting)) {
    connect(conninfo);
    // Texts travel as UTF-8 whatever the server's locale.
    PQsetClientEncoding(m_conn, "UTF8");
    // Notices (a table that already exists) are not for the till's terminal.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
}

void Connection::connect(const QString& conninfo) {
    char* parseError = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(conninfo.toUtf8().constData(), &parseError);
    if (!parsed) {
        const QString why = parseError ? serverText(parseError) : QString();
        PQfreemem(parseError);
        throw store::StoreError(
            QStringLiteral("数据库的连接参数 conninfo 写得不对（%1）").arg(why));
    }
    QList<QByteArray> keys, values;
    QByteArray options, passfile, host;
    milliseconds connectTimeout{0};
    for (PQconninfoOption* o = parsed; o->keyword; ++o) {
        const QByteArray keyword(o->keyword);
        QByteArray value(o->val ? o->val : "");
        // What the conninfo leaves unsaid, libpq takes from the environment; only what
        // neither says gets the program's default.
        const bool fromEnvironment = !o->val && o->envvar && !qgetenv(o->envvar).isEmpty();
        for (const auto& [key, fallback] : kConnectDefaults)
            if (keyword == key && value.isEmpty() && !fromEnvironment)
                value = fallback;
        if (keyword == "options") {
            options = o->val ? value : qgetenv("PGOPTIONS");
            continue;
        }
        const QByteArray effective = fromEnvironment ? qgetenv(o->envvar) : value;
        if (keyword == "passfile")
            passfile = effective;
        if (keyword == "host" || (keyword == "hostaddr" && host.isEmpty()))
            host = effective;
        if (keyword == "connect_timeout")
            connectTimeout = milliseconds(1000 * std::max(0, effective.toInt()));
        if (!value.isEmpty()) {
            keys << keyword;
            values << value;
        }
    }
    PQconninfoFree(parsed);
    if (m_patience.sessionLimits)
        options = QByteArray(kSessionLimits) + (options.isEmpty() ? "" : " ") + options;
    if (!options.isEmpty()) {
        keys << "options";
        values << options;
    }
    m_server = QString::fromUtf8(host.isEmpty() ? QByteArray("localhost") : host);

    std::vector<const char*> k, v;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        k.push_back(keys[i].constData());
        v.push_back(values[i].constData());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);
    m_conn = PQconnectStartParams(k.data(), v.data(), 0);
    // The server's reason comes with its SQLSTATE, which tells the causes apart in any of
    // the server's languages; libpq keeps no other record of it for a failed connection.
    PQsetErrorVerbosity(m_conn, PQERRORS_VERBOSE);
    const auto started = Clock::now();
    PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
    std::optional<ConnectionLost::Cause> stopped;
    while (PQstatus(m_conn) != CONNECTION_BAD && polled != PGRES_POLLING_OK &&
           polled != PGRES_POLLING_FAILED) {
        pollfd socket{PQsocket(m_conn), short(polled == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                      0};
        const milliseconds waited =
            std::chrono::duration_cast<milliseconds>(Clock::now() - started);
        if (connectTimeout.count() && waited >= connectTimeout) {
            stopped = ConnectionLost::Cause::TimedOut;
            break;
        }
        if (m_waiting && m_waiting->waiting(waited)) {
            stopped = ConnectionLost::Cause::Cancelled;
            break;
        }
        if (::poll(&socket, 1, int(kTick.count())) == 0)
            continue;
        polled = PQconnectPoll(m_conn);
    }
    if (m_waiting)
        m_waiting->answered();
    if (!stopped && PQstatus(m_conn) == CONNECTION_OK) {
        PQsetErrorVerbosity(m_conn, PQERRORS_DEFAULT);
        return;
    }

    QString why = QString::fromUtf8(PQerrorMessage(m_conn));
    static const QRegularExpression coded(QStringLiteral(":  ([0-9A-Z]{5}): "));
    const QRegularExpressionMatch match = coded.match(why);
    const QString state = match.hasMatch() ? match.captured(1) : QString();
    why.remove(QRegularExpression(QStringLiteral("\n(LOCATION|位置)[^\n]*")));
    if (match.hasMatch())
        why.replace(match.capturedStart(1), 7, QString());
    why = serverText(why.toUtf8().constData());
    const QString user = QString::fromUtf8(PQuser(m_conn));
    const QString database = QString::fromUtf8(PQdb(m_conn));
    using Cause = ConnectionLost::Cause;
    Cause cause = Cause::Unreachable;
    QString about = m_server, note;
    if (stopped) {
        cause = *stopped;
        why = cause == Cause::TimedOut
                  ? QStringLiteral("%1 秒内没有应答").arg(secondsSince(started))
                  : QStringLiteral("连接中途取消");
    } else if (PQconnectionNeedsPassword(m_conn)) {
        cause = Cause::NoPassword;
        about = user;
        note = pgpassNote(passfile);
    } else if (state == QLatin1String("28P01")) {
        cause = Cause::WrongPassword;
        about = user;
    } else if (state == QLatin1String("28000")) {
        cause = Cause::UnknownUser;
        about = user;
    } else if (state == QLatin1String("3D000")) {
        cause = Cause::UnknownDatabase;
        about = database;
    }
    PQfinish(m_conn);
    m_conn = nullptr;
    throw ConnectionLost(why, cause, about, note);
}

Connection::~Connection() {
    PQfinish(m_conn);
}

bool Connection::isOpen() const {
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

bool Connection::inTransaction() const {
    return m_conn && PQtransactionStatus(m_conn) == PQTRANS_INTRANS;
}

Result Connection::exec(const char* sql, const std::vector<Param>& params) {
    if (!isOpen())
        throw ConnectionLost(QStringLiteral("连接已断开"));
    m_cancelAsked = false;
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params)
        values.push_back(p ? p->constData() : nullptr);
    constexpr int kBinary = 1;
    int sent;
    if (values.empty()) {
        sent = PQsendQueryParams(m_conn, sql, 0, nullptr, nullptr, nullptr, nullptr, kBinary);
    } else {
        QByteArray& name = m_prepared[QByteArray(sql)];
        if (name.isEmpty()) {
            const QByteArray next = "tavelo_" + QByteArray::number(m_prepared.size());
            pg_result* prepared =
                PQsendPrepare(m_conn, next.constData(), sql, int(values.size()), nullptr)
                    ? lastResult()
                    : nullptr;
            if (!prepared || PQresultStatus(prepared) != PGRES_COMMAND_OK) {
                m_prepared.remove(QByteArray(sql));
                fail(prepared);
            }
            PQclear(prepared);
            name = next;
        }
        sent = PQsendQueryPrepared(m_conn, name.constData(), int(values.size()), values.data(),
                                   nullptr, nullptr, kBinary);
    }
    pg_result* result = sent ? lastResult() : nullptr;
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    return Result(result);
}

void Connection::execAtOnce(const std::vector<Statement>& statements,
                            std::vector<Result>& results) {
    if (!isOpen())
        throw ConnectionLost(QStringLiteral("连接已断开"));
    m_cancelAsked = false;
    const bool commits = !statements.empty() && statements.back().sql == "COMMIT";
    try {
        if (!PQenterPipelineMode(m_conn))
            fail(nullptr);
        for (const Statement& statement : statements) {
            std::vector<const char*> values;
            for (const Param& p : statement.params)
                values.push_back(p ? p->constData() : nullptr);
            if (!PQsendQueryParams(m_conn, statement.sql.constData(), int(values.size()), nullptr,
                                   values.data(), nullptr, nullptr, 1))
                fail(nullptr);
        }
        if (!PQpipelineSync(m_conn))
            fail(nullptr);
        pg_result* failed = nullptr;
        for (size_t i = 0; i < statements.size(); ++i) {
            pg_result* result = lastResult();
            const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
            if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
                results.emplace_back(result);
            } else if (!failed && status != PGRES_PIPELINE_ABORTED) {
                failed = result;
            } else {
                PQclear(result);
            }
        }
        // The synchronisation point ends the pipeline, whatever happened in it.
        pg_result* sync = nextResult();
        PQclear(sync);
        PQexitPipelineMode(m_conn);
        if (failed)
            fail(failed);
    } catch (const CommitInterrupted&) {
        throw;
    } catch (const ConnectionLost& lost) {
        if (commits)
            throw CommitInterrupted(lost.serverText(), lost.cause());
        throw;
    }
}

pg_result* Connection::nextResult() {
    const auto started = Clock::now();
    auto heard = started;
    std::optional<Clock::time_point> cancelled;
    while (PQisBusy(m_conn)) {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        // A statement sent is read by the server in any case; what is left to send, when
        // the server's buffer was full, goes out as it takes it.
        if (PQflush(m_conn) == 1)
            socket.events |= POLLOUT;
        const int ready = ::poll(&socket, 1, int(kTick.count()));
        const auto now = Clock::now();
        if (ready > 0) {
            heard = now;
            if (!PQconsumeInput(m_conn))
                break;  // the connection broke: PQgetResult tells how
            continue;
        }
        if (cancelled && now - *cancelled > kCancelGrace)
            abandon(ConnectionLost::Cause::Cancelled,
                    QStringLiteral("取消后 %1 秒内没有应答").arg(secondsSince(*cancelled)));
        if (m_patience.answer.count() && now - heard > m_patience.answer)
            abandon(ConnectionLost::Cause::TimedOut,
                    QStringLiteral("%1 秒内没有应答").arg(secondsSince(heard)));
        if (!cancelled && m_waiting &&
            m_waiting->waiting(std::chrono::duration_cast<milliseconds>(now - started))) {
            m_cancelAsked = true;
            cancelled = now;
            // PQcancel blocks until the server has its request, which a frozen server never
            // takes: it is sent from a thread of its own, and this wait goes on meanwhile.
            if (PGcancel* cancel = PQgetCancel(m_conn)) {
                std::thread([cancel] {
                    char error[256];
                    PQcancel(cancel, error, sizeof error);
                    PQfreeCancel(cancel);
                }).detach();
            }
        }
    }
    if (m_waiting)
        m_waiting->answered();
    return PQgetResult(m_conn);
}

pg_result* Connection::lastResult() {
    pg_result* kept = nullptr;
    while (pg_result* result = nextResult()) {
        const ExecStatusType status = PQresultStatus(result);
        // The error, if any, is the one to tell; otherwise the last result.
        if (kept && PQresultStatus(kept) == PGRES_FATAL_ERROR) {
            PQclear(result);
            continue;
        }
        PQclear(kept);
        kept = result;
        // In a pipeline a statement's results end with a null before the next begins;
        // COPY's start waits for the data instead.
        if (status == PGRES_COPY_IN)
            return kept;
    }
    return kept;
}

void Connection::abandon(ConnectionLost::Cause cause, const QString& why) {
    // The connection's state is unknown: it is dropped, and the next use makes a new one. A
    // transaction the server still holds ends when it sees the connection gone.
    if (m_waiting)
        m_waiting->answered();
    PQfinish(m_conn);
    m_conn = nullptr;
    throw ConnectionLost(why, cause);
}

void Connection::copyIn(const char* sql, const std::function<QByteArray()>& next) {
    if (!isOpen())
        throw ConnectionLost(QStringLiteral("连接已断开"));
    pg_result* started = PQsendQuery(m_conn, sql) ? lastResult() : nullptr;
    if (!started || PQresultStatus(started) != PGRES_COPY_IN)
        fail(started);
    PQclear(started);
    for (QByteArray data = next(); !data.isEmpty(); data = next()) {
        if (PQputCopyData(m_conn, data.constData(), int(data.size())) != 1)
            fail(nullptr);
    }
    if (PQputCopyEnd(m_conn, nullptr) != 1)
        fail(nullptr);
    pg_result* ended = lastResult();
    const bool ok = ended && PQresultStatus(ended) == PGRES_COMMAND_OK;
    if (!ok)
        fail(ended);
    PQclear(ended);
}

void Connection::fail(pg_result* result) {
    // A server that ended the session said why ("terminating connection due to
    // administrator command") before it went; libpq keeps that in the connection's message,
    // ahead of its own guess that the server crashed, and not in the statement's.
    const bool gone = PQstatus(m_conn) != CONNECTION_OK;
    const QString why =
        serverText(result && !gone ? PQresultErrorMessage(result) : PQerrorMessage(m_conn));
    const QByteArray state =
        result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    PQclear(result);
    // A backend that was stopped or killed, or a socket that broke: class 08 and the
    // shutdown states, or no state at all with the connection gone.
    using Cause = ConnectionLost::Cause;
    const QString words = why.isEmpty() ? QStringLiteral("连接已断开") : why;
    if (state == "25P03")
        throw ConnectionLost(words, Cause::IdleTooLong);
    if (gone || state.startsWith("08") || state == "57P01" || state == "57P02" || state == "57P03")
        throw ConnectionLost(words, m_cancelAsked ? Cause::Cancelled : Cause::Lost);
    throw StatementFailed(why, state, m_cancelAsked && state == "57014");
}

void Connection::rollbackQuietly() {
    if (!isOpen())
        return;
    if (PQpipelineStatus(m_conn) != PQ_PIPELINE_OFF) {
        while (pg_result* rest = PQgetResult(m_conn))
            PQclear(rest);
        PQexitPipelineMode(m_conn);
    }
    const bool asked = m_cancelAsked;
    try {
        PQclear(PQsendQuery(m_conn, "ROLLBACK") ? lastResult() : nullptr);
    } catch (const ConnectionLost&) {
        // Dropped: the server rolls back what the connection left open.
    }
    m_cancelAsked = asked;
}

}  // namespace database
