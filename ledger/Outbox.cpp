#include "ledger/Outbox.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "store/AtomicFile.h"
#include "store/StoreError.h"

using namespace Qt::StringLiterals;

namespace ledger {

namespace {

const QByteArray kHeader = "TAVELO-OUTBOX 1\n";
constexpr qsizetype kRecordHead = 8;  // length and check sum, four bytes each

constexpr std::array<quint32, 256> crcTable() {
    std::array<quint32, 256> table{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

quint32 crc32(const char* data, qsizetype size) {
    static constexpr std::array<quint32, 256> table = crcTable();
    quint32 c = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        c = table[(c ^ quint8(data[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putWord(QByteArray& out, quint32 word) {
    for (int i = 0; i < 4; ++i)
        out += char((word >> (8 * i)) & 0xFF);
}

quint32 wordAt(const QByteArray& bytes, qsizetype at) {
    quint32 word = 0;
    for (int i = 0; i < 4; ++i)
        word |= quint32(quint8(bytes[at + i])) << (8 * i);
    return word;
}

QByteArray record(const QJsonObject& object) {
    const QByteArray payload = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray out;
    out.reserve(kRecordHead + payload.size());
    putWord(out, quint32(payload.size()));
    putWord(out, crc32(payload.constData(), payload.size()));
    return out + payload;
}

QString systemError() {
    return QString::fromStdString(store::systemErrorText(errno));
}

QJsonObject saleLineJson(const SaleLine& line) {
    return {
        {u"row"_s, line.row},         {u"codeText"_s, line.codeText}, {u"code"_s, line.code},
        {u"name"_s, line.name},       {u"unit"_s, line.unit},         {u"qty"_s, line.qty},
        {u"qtyText"_s, line.qtyText}, {u"price"_s, line.price},       {u"amount"_s, line.amount},
        {u"avgCost"_s, line.avgCost}, {u"customer"_s, line.customer}, {u"date"_s, line.date},
        {u"remark"_s, line.remark}};
}

SaleLine saleLineOf(const QJsonObject& o) {
    SaleLine line;
    line.row = o[u"row"_s].toInt();
    line.codeText = o[u"codeText"_s].toString();
    line.code = o[u"code"_s].toDouble();
    line.name = o[u"name"_s].toString();
    line.unit = o[u"unit"_s].toString();
    line.qty = o[u"qty"_s].toDouble();
    line.qtyText = o[u"qtyText"_s].toString();
    line.price = o[u"price"_s].toDouble();
    line.amount = o[u"amount"_s].toDouble();
    line.avgCost = o[u"avgCost"_s].toDouble();
    line.customer = o[u"customer"_s].toString();
    line.date = o[u"date"_s].toString();
    line.remark = o[u"remark"_s].toString();
    return line;
}

QJsonObject documentJson(const Document& document) {
    QJsonArray lines;
    for (const SaleLine& line : document.saleLines)
        lines << saleLineJson(line);
    QJsonObject o{{u"kind"_s, kindName(document.kind)},
                  {u"identity"_s, document.identityText()},
                  {u"time"_s, document.time.toString(Qt::ISODateWithMs)},
                  {u"till"_s, document.till},
                  {u"operator"_s, document.operatorName},
                  {u"counterpart"_s, document.counterpart},
                  {u"remark"_s, document.remark},
                  {u"number"_s, document.number},
                  {u"lines"_s, lines}};
    if (document.payment) {
        QJsonArray amounts;
        for (const double part : document.payment->amounts)
            amounts << part;
        o[u"payment"_s] = QJsonObject{{u"amounts"_s, amounts},
                                      {u"tendered"_s, document.payment->tendered},
                                      {u"change"_s, document.payment->change}};
    }
    return o;
}

Document documentOf(const QJsonObject& o) {
    Document document;
    const std::optional<Posting> kind = kindNamed(o[u"kind"_s].toString());
    if (!kind)
        throw store::StoreError(QStringLiteral("未知的单据类型“%1”").arg(o[u"kind"_s].toString()));
    document.kind = *kind;
    document.identity = QUuid::fromString(o[u"identity"_s].toString());
    document.time = QDateTime::fromString(o[u"time"_s].toString(), Qt::ISODateWithMs);
    document.till = o[u"till"_s].toString();
    document.operatorName = o[u"operator"_s].toString();
    document.counterpart = o[u"counterpart"_s].toString();
    document.remark = o[u"remark"_s].toString();
    document.number = o[u"number"_s].toString();
    for (const auto& line : o[u"lines"_s].toArray())
        document.saleLines << saleLineOf(line.toObject());
    if (o.contains(u"payment"_s)) {
        const QJsonObject p = o[u"payment"_s].toObject();
        Payment payment;
        const QJsonArray amounts = p[u"amounts"_s].toArray();
        for (qsizetype i = 0; i < std::ssize(payment.amounts) && i < amounts.size(); ++i)
            payment.amounts[std::size_t(i)] = amounts[i].toDouble();
        payment.tendered = p[u"tendered"_s].toDouble();
        payment.change = p[u"change"_s].toDouble();
        document.payment = payment;
    }
    if (document.identity.isNull() || !document.time.isValid() || document.number.isEmpty())
        throw store::StoreError(QStringLiteral("单据记录不完整"));
    return document;
}

}  // namespace

Outbox::Outbox(const QString& programDir) : m_path(programDir + fileName()) {}

Outbox::~Outbox() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QString Outbox::open() {
    QMutexLocker lock(&m_mutex);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (QFileInfo::exists(m_path))
        takeOwnership();
    m_entries.clear();
    m_ranges.clear();
    m_ownLast.clear();
    const QByteArray name = QFile::encodeName(m_path);
    QFile file(m_path);
    QByteArray bytes;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            throw store::StoreError(
                QStringLiteral("无法读取离线单据文件 %1：%2").arg(m_path, file.errorString()));
        bytes = file.readAll();
        file.close();
    }
    // A file shorter than its header was torn as it was made, before it held a record.
    if (!bytes.isEmpty() && !bytes.startsWith(kHeader) && !kHeader.startsWith(bytes))
        throw store::StoreError(
            QStringLiteral("文件 %1 不是离线单据文件，没有读取也没有改动它").arg(m_path));
    qsizetype at = std::min(bytes.size(), kHeader.size());
    int records = 0;
    while (bytes.size() >= kHeader.size() && at + kRecordHead <= bytes.size()) {
        const qsizetype length = wordAt(bytes, at);
        if (length > bytes.size() - at - kRecordHead)
            break;
        const char* payload = bytes.constData() + at + kRecordHead;
        if (crc32(payload, length) != wordAt(bytes, at + 4))
            break;
        try {
            replay(QByteArray(payload, length));
        } catch (const store::StoreError&) {
            break;
        }
        at += kRecordHead + length;
        ++records;
    }
    QString told;
    if (at < bytes.size() || (!bytes.isEmpty() && bytes.size() < kHeader.size())) {
        // What follows the last whole record is kept aside, not thrown away: a damaged
        // record in the middle would otherwise take the sound ones after it along.
        if (at < bytes.size() && bytes.size() >= kHeader.size()) {
            const QString aside =
                m_path + QStringLiteral(".damaged-") +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            store::writeFileAtomically(aside, bytes.mid(at));
            told = QStringLiteral(
                       "离线单据文件 %1 末尾有 %2 字节不完整（写入时断电或程序被"
                       "强行结束），已截去，另存为 %3；之前的 %4 条记录完好，"
                       "其中 %5 张单据等待上传。")
                       .arg(QFileInfo(m_path).fileName())
                       .arg(bytes.size() - at)
                       .arg(QFileInfo(aside).fileName())
                       .arg(records)
                       .arg(m_entries.size());
        }
        if (bytes.size() < kHeader.size()) {
            store::writeFileAtomically(m_path, kHeader);
            at = kHeader.size();
        } else if (::truncate(name.constData(), at) != 0) {
            throw store::StoreError(
                QStringLiteral("无法截短离线单据文件 %1：%2").arg(m_path, systemError()));
        } else {
            store::flushToDisk(name.toStdString());
        }
    }
    // Made by the first record: a till that is never offline leaves no file.
    if (!bytes.isEmpty())
        openForAppending();
    return told;
}

void Outbox::takeOwnership() {
    // One program at a time owns the outbox, from its opening or its first record on: a
    // second one started on the same folder would keep its records in a file the first
    // one's emptying had already replaced.
    if (m_lockFd >= 0)
        return;
    const QByteArray lockName =
        QFile::encodeName(QFileInfo(m_path).absolutePath() + QStringLiteral("/.tvlixian.lock"));
    const int fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw store::StoreError(
            QStringLiteral("无法写入离线单据文件 %1：%2").arg(fileName(), systemError()));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw store::StoreError(
            QStringLiteral("离线单据文件 %1 正由这个文件夹里另一个正在运行的本程序使用：同一个"
                           "程序文件夹只能有一个程序离线销售")
                .arg(fileName()));
    }
    m_lockFd = fd;
}

void Outbox::openForAppending() {
    if (m_fd >= 0)
        ::close(m_fd);
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (m_fd < 0 && errno == ENOENT) {
        store::writeFileAtomically(m_path, kHeader);
        m_fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
    if (m_fd < 0)
        throw store::StoreError(QStringLiteral("无法写入离线单据文件 %1：%2")
                                    .arg(QFileInfo(m_path).fileName(), systemError()));
}

void Outbox::replay(const QByteArray& payload) {
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(payload, &error).object();
    if (error.error != QJsonParseError::NoError)
        throw store::StoreError(error.errorString());
    const QString type = o[u"t"_s].toString();
    const QUuid id = QUuid::fromString(o[u"id"_s].toString());
    if (type == QLatin1String("doc")) {
        Document document = documentOf(o[u"doc"_s].toObject());
        // The number it took is taken for good, sent or not.
        for (auto range = m_ranges.begin(); range != m_ranges.end(); ++range)
            if (const int seq = sequenceOf(document.number, range.key()))
                range->next = std::max(range->next, seq + 1);
        const QString head = numberHead(document.kind, document.time.date());
        const QString own = head + document.till + QLatin1Char('-');
        if (const int seq = sequenceOf(document.number, own))
            m_ownLast[own] = std::max(m_ownLast.value(own), seq);
        m_entries << Entry{std::move(document), {}};
    } else if (type == QLatin1String("sent") || type == QLatin1String("drop")) {
        if (const int i = indexOf(id); i >= 0)
            m_entries.removeAt(i);
    } else if (type == QLatin1String("refused") || type == QLatin1String("retry")) {
        if (const int i = indexOf(id); i >= 0)
            m_entries[i].refusal = o[u"why"_s].toString();
    } else if (type == QLatin1String("range")) {
        m_ranges[o[u"head"_s].toString()] = {o[u"first"_s].toInt(), o[u"last"_s].toInt()};
    } else if (type == QLatin1String("own")) {
        m_ownLast[o[u"head"_s].toString()] = o[u"last"_s].toInt();
    } else {
        throw store::StoreError(QStringLiteral("未知的记录"));
    }
}

void Outbox::append(const QByteArray& payload) {
    if (m_lockFd < 0)
        takeOwnership();
    if (m_fd < 0)
        openForAppending();
    const off_t before = ::lseek(m_fd, 0, SEEK_END);
    qsizetype written = 0;
    while (written < payload.size()) {
        const ssize_t n = ::write(m_fd, payload.constData() + written, payload.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    if (written == payload.size() && ::fsync(m_fd) == 0)
        return;
    const QString why = systemError();
    // Half a record is never left behind to be cut off at the next start.
    if (before >= 0 && ::ftruncate(m_fd, before) == 0)
        ::fsync(m_fd);
    throw store::StoreError(
        QStringLiteral("无法写入离线单据文件 %1：%2").arg(QFileInfo(m_path).fileName(), why));
}

int Outbox::indexOf(const QUuid& identity) const {
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].document.identity == identity)
            return i;
    return -1;
}

QList<Outbox::Entry> Outbox::entries() const {
    QMutexLocker lock(&m_mutex);
    return m_entries;
}

int Outbox::waiting() const {
    QMutexLocker lock(&m_mutex);
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const Entry& entry) { return entry.refusal.isEmpty(); }));
}

QString Outbox::numberFor(const Document& document) {
    const QDate day = document.time.date();
    const QString head = numberHead(document.kind, day);
    const QString reserved = reservedHead(document.kind, day);
    const Range range = m_ranges.value(reserved);
    if (range.next <= range.last)
        return documentNumber(document.kind, day, range.next).replace(head, reserved);
    const QString own = head + document.till + QLatin1Char('-');
    return documentNumber(document.kind, day, m_ownLast.value(own) + 1).replace(head, own);
}

void Outbox::keep(const QJsonObject& object) {
    const QByteArray payload = record(object);
    append(payload);
    replay(payload.mid(kRecordHead));
}

void Outbox::mark(const QString& type, const QUuid& identity, const QString& reason) {
    QMutexLocker lock(&m_mutex);
    QJsonObject object{{u"t"_s, type}, {u"id"_s, identity.toString(QUuid::WithoutBraces)}};
    if (!reason.isEmpty())
        object[u"why"_s] = reason;
    keep(object);
    compactIfEmpty();
}

void Outbox::add(Document& document) {
    QMutexLocker lock(&m_mutex);
    Document kept = document;
    kept.number = numberFor(document);
    keep({{u"t"_s, u"doc"_s}, {u"doc"_s, documentJson(kept)}});
    document.number = kept.number;
}

void Outbox::sent(const QUuid& identity) {
    mark(u"sent"_s, identity);
}

void Outbox::refused(const QUuid& identity, const QString& reason) {
    mark(u"refused"_s, identity, reason);
}

void Outbox::retry(const QUuid& identity) {
    mark(u"retry"_s, identity);
}

void Outbox::drop(const QUuid& identity) {
    mark(u"drop"_s, identity);
}

void Outbox::reserve(const QString& head, int first, int last) {
    QMutexLocker lock(&m_mutex);
    keep({{u"t"_s, u"range"_s}, {u"head"_s, head}, {u"first"_s, first}, {u"last"_s, last}});
}

int Outbox::numbersLeft(const QString& head) const {
    QMutexLocker lock(&m_mutex);
    const Range range = m_ranges.value(head);
    return std::max(0, range.last - range.next + 1);
}

void Outbox::compactIfEmpty() {
    if (!m_entries.isEmpty())
        return;
    // What the numbers need is all that is left to keep: the latest day's ranges and the
    // till's own last numbers, which a later document of that day carries on from.
    QHash<QString, QString> latest;  // by the kind's two letters
    const auto later = [&latest](const QString& head) {
        const QString kind = head.left(2);
        if (head.mid(2, 8) > latest.value(kind).mid(2, 8))
            latest[kind] = head;
    };
    for (auto range = m_ranges.cbegin(); range != m_ranges.cend(); ++range)
        later(range.key());
    for (auto own = m_ownLast.cbegin(); own != m_ownLast.cend(); ++own)
        later(own.key());
    QByteArray bytes = kHeader;
    QHash<QString, Range> ranges;
    QHash<QString, int> owns;
    for (auto range = m_ranges.cbegin(); range != m_ranges.cend(); ++range) {
        if (range->next > range->last ||
            range.key().mid(2, 8) != latest[range.key().left(2)].mid(2, 8))
            continue;
        ranges.insert(range.key(), *range);
        bytes += record({{u"t"_s, u"range"_s},
                         {u"head"_s, range.key()},
                         {u"first"_s, range->next},
                         {u"last"_s, range->last}});
    }
    for (auto own = m_ownLast.cbegin(); own != m_ownLast.cend(); ++own) {
        if (own.key().mid(2, 8) != latest[own.key().left(2)].mid(2, 8))
            continue;
        owns.insert(own.key(), *own);
        bytes += record({{u"t"_s, u"own"_s}, {u"head"_s, own.key()}, {u"last"_s, *own}});
    }
    // Keeping the longer file is no loss: the records it holds say the same.
    try {
        store::writeFileAtomically(m_path, bytes);
    } catch (const store::StoreError&) {
        return;
    }
    m_ranges = ranges;
    m_ownLast = owns;
    openForAppending();
}

}  // namespace ledger
