#pragma once

#include <QDate>
#include <QString>

namespace ui {

// Where the program learns today's date: the system's in production, a fixed day in tests
// and the driver, so that dated lines and "today only" searches can be checked.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    // Today as the books store it, "yyyy-mm-dd".
    QString todayText() const { return today().toString(QStringLiteral("yyyy-MM-dd")); }
};

class SystemClock : public Clock {
public:
    QDate today() const override { return QDate::currentDate(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDate day) : m_day(day) {}
    QDate today() const override { return m_day; }
    void setToday(QDate day) { m_day = day; }

private:
    QDate m_day;
};

}  // namespace ui
