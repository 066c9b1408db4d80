#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "ui/Cashiers.h"

namespace ui {
class Clock;
}

namespace app {

// A PIN is 4 to 6 digits.
bool isPinWellFormed(const QString& pin);
// PBKDF2 with HMAC-SHA256, one 32-byte block: what the settings file keeps of a PIN.
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations);
// A PIN as the settings file keeps it, never the digits themselves:
// "pbkdf2-sha256$ITERATIONS$SALT$KEY", the salt random, salt and key in base64.
QString hashPin(const QString& pin);
// Whether `pin` is the one `stored` was made from; a garbled `stored` matches nothing.
bool pinMatches(const QString& stored, const QString& pin);

// The till's cashiers in the settings file: [till] operators= in order, and the PINs under
// [cashiers] by name. Every call reads or writes the file as it stands; a write that fails
// throws store::AtomicFileError.
class CashierList {
public:
    explicit CashierList(QString settingsPath) : m_path(std::move(settingsPath)) {}

    QStringList names() const;
    // Empty when the cashier has no PIN.
    QString storedPin(const QString& name) const;
    // Why `name` cannot join the list, or empty when it can.
    QString refusalToAdd(const QString& name) const;

    void add(const QString& name);
    void remove(const QString& name);
    void setPin(const QString& name, const QString& pin);
    void clearPin(const QString& name);

private:
    QString m_path;
};

// The sign-in over the settings file's list. Three wrong PINs in a row, whoever's, and the
// next try is refused for 30 seconds; each further wrong one starts the wait again, until a
// right one. The count lives as long as the program.
class TillCashiers : public ui::Cashiers {
public:
    static constexpr int kWrongTriesBeforeWait = 3;
    static constexpr int kWaitSeconds = 30;

    TillCashiers(QString settingsPath, const ui::Clock& clock);

    QStringList names() const override;
    bool hasPin(const QString& name) const override;
    QString trySignIn(const QString& name, const QString& pin) override;
    int secondsToWait() const override;

private:
    CashierList m_list;
    const ui::Clock& m_clock;
    int m_wrongInARow = 0;
    QDateTime m_waitUntil;
};

}  // namespace app
