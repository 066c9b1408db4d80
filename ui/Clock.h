#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace ui {

// Where the program learns today's date: the system's in production, a fixed day in tests
// and the driver, so that dated lines and "today only" searches can be checked.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    // The date and the time of day, for what prints the hour (a till receipt).
    virtual QDateTime now() const = 0;
    // Today as the books store it, "yyyy-mm-dd".
    QString todayText() const { return today().toString(QStringLiteral("yyyy-MM-dd")); }
};

class SystemClock : public Clock {
public:
    QDate today() const override { return QDate::currentDate(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDate day, QTime time = QTime(0, 0)) : m_day(day), m_time(time) {}
    QDate today() const override { return m_day; }
    QDateTime now() const override { return QDateTime(m_day, m_time); }
    void setToday(QDate day, QTime time = QTime(0, 0)) {
        m_day = day;
        m_time = time;
    }

private:
    QDate m_day;
    QTime m_time;
};

}  // namespace ui
