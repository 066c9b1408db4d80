#include "app/TillCashiers.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <array>

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "ui/Clock.h"

using namespace app::settingKeys;

namespace app {

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
// A PIN has at most a million values: the work per try is what makes a stolen settings
// file slow to search, yet a sign-in still answers at once.
constexpr int kIterations = 100000;
constexpr int kSaltBytes = 16;

// The separators of the list, and what the settings file would read as its own syntax.
const QRegularExpression& forbiddenInNames() {
    static const QRegularExpression pattern(QStringLiteral("[,，=;#\\[\\]\\s]"));
    return pattern;
}

QStringList splitNames(const QString& list) {
    static const QRegularExpression separators(QStringLiteral("[,，]"));
    QStringList names;
    for (const QString& part : list.split(separators)) {
        const QString name = part.trimmed();
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
    return names;
}

// Compares every byte, so the time taken does not tell how much of a key was right.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

}  // namespace

bool isPinWellFormed(const QString& pin) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,6}$"));
    return digits.match(pin).hasMatch();
}

QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations) {
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, password);
    mac.addData(salt);
    mac.addData("\0\0\0\1", 4);  // the first and only block
    QByteArray u = mac.result();
    QByteArray key = u;
    for (int i = 1; i < iterations; ++i) {
        mac.reset();
        mac.addData(u);
        u = mac.result();
        for (qsizetype j = 0; j < key.size(); ++j)
            key[j] = char(key[j] ^ u[j]);
    }
    return key;
}

QString hashPin(const QString& pin) {
    QByteArray salt(kSaltBytes, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()),
                                          kSaltBytes / sizeof(quint32));
    const QByteArray key = pbkdf2Sha256(pin.toUtf8(), salt, kIterations);
    return QStringLiteral("%1$%2$%3$%4")
        .arg(kScheme)
        .arg(kIterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(key.toBase64()));
}

bool pinMatches(const QString& stored, const QString& pin) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kScheme)
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    // A count beyond a few seconds' work is a garbled line, not a stronger hash.
    if (!ok || iterations < 1 || iterations > 10 * kIterations)
        return false;
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    const auto key = QByteArray::fromBase64Encoding(parts[3].toLatin1(),
                                                    QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !key || key.decoded.isEmpty())
        return false;
    return sameBytes(pbkdf2Sha256(pin.toUtf8(), salt.decoded, iterations), key.decoded);
}

QStringList CashierList::names() const {
    return splitNames(SettingsFile(m_path).readString(kTillSection, kTillOperators, {}));
}

QString CashierList::storedPin(const QString& name) const {
    return SettingsFile(m_path).readString(kCashiersSection, name, {}).trimmed();
}

QString CashierList::refusalToAdd(const QString& name) const {
    if (name.isEmpty())
        return QStringLiteral("请输入收银员的名字。");
    if (name.contains(forbiddenInNames()))
        return QStringLiteral("收银员的名字里不能有空格和 , ， = ; # [ ] 这些符号。");
    // The settings file reads its keys without regard to case: "amy" would share Amy's PIN.
    if (names().contains(name, Qt::CaseInsensitive))
        return QStringLiteral("已经有收银员 %1 了。").arg(name);
    return {};
}

void CashierList::add(const QString& name) {
    SettingsFile(m_path).writeString(kTillSection, kTillOperators,
                                     (names() << name).join(QLatin1Char(',')));
}

void CashierList::remove(const QString& name) {
    QStringList left = names();
    left.removeAll(name);
    SettingsFile settings(m_path);
    // The PIN first: a failure between the two leaves a cashier without one, never a PIN
    // that a later cashier of the same name would inherit.
    settings.removeKey(kCashiersSection, name);
    settings.writeString(kTillSection, kTillOperators, left.join(QLatin1Char(',')));
}

void CashierList::setPin(const QString& name, const QString& pin) {
    SettingsFile(m_path).writeString(kCashiersSection, name, hashPin(pin));
}

void CashierList::clearPin(const QString& name) {
    SettingsFile(m_path).removeKey(kCashiersSection, name);
}

TillCashiers::TillCashiers(QString settingsPath, const ui::Clock& clock)
    : m_list(std::move(settingsPath)), m_clock(clock) {}

QStringList TillCashiers::names() const {
    return m_list.names();
}

bool TillCashiers::hasPin(const QString& name) const {
    return !m_list.storedPin(name).isEmpty();
}

int TillCashiers::secondsToWait() const {
    if (!m_waitUntil.isValid())
        return 0;
    const qint64 ms = m_clock.now().msecsTo(m_waitUntil);
    return ms > 0 ? int((ms + 999) / 1000) : 0;
}

QString TillCashiers::trySignIn(const QString& name, const QString& pin) {
    if (const int seconds = secondsToWait(); seconds > 0)
        return waitMessage(seconds);
    if (!names().contains(name))
        return QStringLiteral("没有收银员 %1，请从列表里选择。").arg(name);
    const QString stored = m_list.storedPin(name);
    if (!stored.isEmpty() && !pinMatches(stored, pin)) {
        if (++m_wrongInARow < kWrongTriesBeforeWait)
            return QStringLiteral("密码不对，请重新输入（再错 %1 次要等 %2 秒）。")
                .arg(kWrongTriesBeforeWait - m_wrongInARow)
                .arg(kWaitSeconds);
        m_waitUntil = m_clock.now().addSecs(kWaitSeconds);
        return waitMessage(kWaitSeconds);
    }
    m_wrongInARow = 0;
    m_waitUntil = {};
    setCurrent(name);
    return {};
}

}  // namespace app
