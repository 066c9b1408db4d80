#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ledger/Outbox.h"

namespace database {
class Database;
}

namespace ledger {

class Ledger;

// A till on the database that keeps selling while its server is out of reach. Its sales and
// customer returns then go to the outbox (see Outbox.h) and are sent on, in order, one
// transaction each through the ordinary commit, once the server answers again: checked by
// a sender of its own every 10 s, and whenever the till posts. A document the server has
// already (sent before a crash) is taken as sent; one it refuses stays, with the reason,
// for the shop keeper, and the documents behind it go on: a sale that happened is in the
// shop's stock whatever became of the one before it.
//
// Stock-ins, supplier returns, stocktakes and payments are never kept: they wait for the
// server, which computes the average cost under its lock, and for the outbox to be sent
// before them, so that they apply after the sales that came first.
class OfflineTill : public QObject {
    Q_OBJECT
public:
    // `today` is the day whose numbers the sender reserves.
    OfflineTill(QString programDir, QString conninfo, std::function<QDate()> today);
    ~OfflineTill() override;

    Outbox& outbox() { return m_outbox; }
    QList<Outbox::Entry> outboxEntries() const { return m_outbox.entries(); }
    // Opens the outbox: see Outbox::open.
    QString open() { return m_outbox.open(); }

    // Whether the last attempt to reach the server failed.
    bool isOffline() const { return m_offline; }
    void setOffline(bool offline);
    // "离线：3 张单据待上传" while the till is offline or documents wait; empty otherwise.
    QString statusText() const;

    // Keeps a sale or return the server did not take (numbered, flushed to disk), and wakes
    // the sender.
    void queue(Document& document);

    // What one round of sending did.
    struct Round {
        int sent = 0;     // now on the server, or found there
        int refused = 0;  // refused by the server this round
        bool reached = true;
    };
    // Sends what waits, in order, through `books`: a ledger on the database without an
    // offline till. A refused document waits for the shop keeper's Outbox::retry. Stops at
    // the first document the server cannot be asked about.
    Round send(Ledger& books);
    // Reserves numbers for today's sales and returns, when fewer than a few are left.
    void topUp(database::Database& database);

    // Starts the sender, a thread with a connection of its own, which sends every `every`
    // and when woken.
    void start(std::chrono::milliseconds every = std::chrono::seconds(10));
    void wake();
    // Waits up to `patience` for the sender to have sent everything that waits; false when
    // something still waits (the server out of reach, or time up).
    bool drain(std::chrono::milliseconds patience);

signals:
    // The outbox or the state changed; sent from the sender's thread too.
    void changed();

private:
    void run(std::chrono::milliseconds every);

    QString m_dir, m_conninfo;
    std::function<QDate()> m_today;
    Outbox m_outbox;
    std::atomic<bool> m_offline{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_round;
    bool m_stop = false, m_woken = false;
    long m_rounds = 0;
};

}  // namespace ledger
