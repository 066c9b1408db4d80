#include "database/Connection.h"

#include <libpq-fe.h>

#include <QtEndian>

#include <bit>
#include <cstdlib>

namespace database {

namespace {

QString serverText(const char* text) {
    // libpq breaks its messages over lines with tabs; a box shows them as one sentence.
    return QString::fromUtf8(text).simplified();
}

}  // namespace

ConnectionLost::ConnectionLost(const QString& serverText, Cause cause, const QString&)
    : store::StoreError(
          QStringLiteral("无法连接数据库，本次操作没有生效，请检查数据库服务器和网络（%1）")
              .arg(serverText)),
      m_cause(cause),
      m_serverText(serverText) {}

StatementFailed::StatementFailed(const QString& serverText, QByteArray sqlState)
    : store::StoreError(QStringLiteral("数据库拒绝了操作（%1）").arg(serverText)),
      m_state(std::move(sqlState)) {}

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

Connection::Connection(const QString& conninfo, Patience patience) : m_patience(patience) {
    m_conn = PQconnectdb(conninfo.toUtf8().constData());
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString why = serverText(PQerrorMessage(m_conn));
        PQfinish(m_conn);
        m_conn = nullptr;
        throw ConnectionLost(why);
    }
    // Texts travel as UTF-8 whatever the server's locale.
    PQsetClientEncoding(m_conn, "UTF8");
    // Notices (a table that already exists) are not for the till's terminal.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
}

Connection::~Connection() {
    PQfinish(m_conn);
}

bool Connection::isOpen() const {
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

Result Connection::exec(const char* sql, const std::vector<Param>& params) {
    if (!isOpen())
        throw ConnectionLost(QStringLiteral("连接已断开"));
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params)
        values.push_back(p ? p->constData() : nullptr);
    constexpr int kBinary = 1;
    pg_result* result;
    if (values.empty()) {
        result = PQexecParams(m_conn, sql, 0, nullptr, nullptr, nullptr, nullptr, kBinary);
    } else {
        QByteArray& name = m_prepared[QByteArray(sql)];
        if (name.isEmpty()) {
            const QByteArray next = "tavelo_" + QByteArray::number(m_prepared.size());
            pg_result* prepared =
                PQprepare(m_conn, next.constData(), sql, int(values.size()), nullptr);
            if (!prepared || PQresultStatus(prepared) != PGRES_COMMAND_OK) {
                m_prepared.remove(QByteArray(sql));
                fail(prepared);
            }
            PQclear(prepared);
            name = next;
        }
        result = PQexecPrepared(m_conn, name.constData(), int(values.size()), values.data(),
                                nullptr, nullptr, kBinary);
    }
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    return Result(result);
}

void Connection::copyIn(const char* sql, const QByteArray& data) {
    if (!isOpen())
        throw ConnectionLost(QStringLiteral("连接已断开"));
    pg_result* started = PQexec(m_conn, sql);
    if (!started || PQresultStatus(started) != PGRES_COPY_IN)
        fail(started);
    PQclear(started);
    if (PQputCopyData(m_conn, data.constData(), int(data.size())) != 1 ||
        PQputCopyEnd(m_conn, nullptr) != 1)
        fail(nullptr);
    pg_result* ended = PQgetResult(m_conn);
    const bool ok = ended && PQresultStatus(ended) == PGRES_COMMAND_OK;
    if (!ok)
        fail(ended);
    PQclear(ended);
    while (pg_result* rest = PQgetResult(m_conn))
        PQclear(rest);
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
    if (gone || state.startsWith("08") || state == "57P01" || state == "57P02" || state == "57P03")
        throw ConnectionLost(why.isEmpty() ? QStringLiteral("连接已断开") : why);
    throw StatementFailed(why, state);
}

void Connection::rollbackQuietly() {
    if (!isOpen())
        return;
    PQclear(PQexec(m_conn, "ROLLBACK"));
}

}  // namespace database
