#include "ledger/OfflineTill.h"

#include "database/Connection.h"
#include "database/Database.h"
#include "ledger/Ledger.h"

namespace ledger {

namespace {

// What a day's outage at a till takes at most before its numbers fall back to the till's
// own; what is not used leaves a gap in that day's offline series.
struct Reservation {
    Posting kind;
    int count, before;  // reserved when fewer than `before` are left
};
constexpr Reservation kReservations[] = {{Posting::Sale, 20, 5}, {Posting::GoodsReturn, 5, 2}};

}  // namespace

OfflineTill::OfflineTill(QString programDir, QString conninfo, std::function<QDate()> today)
    : m_dir(std::move(programDir)),
      m_conninfo(std::move(conninfo)),
      m_today(std::move(today)),
      m_outbox(m_dir) {}

OfflineTill::~OfflineTill() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void OfflineTill::setOffline(bool offline) {
    if (m_offline.exchange(offline) != offline)
        emit changed();
}

QString OfflineTill::statusText() const {
    const int waiting = int(m_outbox.entries().size());
    if (!m_offline && waiting == 0)
        return {};
    return QStringLiteral("离线：%1 张单据待上传").arg(waiting);
}

void OfflineTill::queue(Document& document) {
    m_outbox.add(document);
    m_offline = true;
    emit changed();
    wake();
}

OfflineTill::Round OfflineTill::send(Ledger& books) {
    Round round;
    for (const Outbox::Entry& entry : m_outbox.entries()) {
        if (!entry.refusal.isEmpty())
            continue;
        Document document = entry.document;
        try {
            books.commit(document);
            m_outbox.sent(document.identity);
            ++round.sent;
        } catch (const AlreadyPosted&) {
            m_outbox.sent(document.identity);
            ++round.sent;
        } catch (const database::ConnectionLost&) {
            round.reached = false;
            break;
        } catch (const OutcomeUnknown&) {
            // Sent again next round, as the same document: posted once at most.
            round.reached = false;
            break;
        } catch (const database::StatementFailed& failed) {
            // Another till held the items too long: a moment's matter, not a refusal.
            if (failed.isBusy() || failed.isRace())
                break;
            m_outbox.refused(document.identity, failed.message());
            ++round.refused;
        } catch (const store::StoreError& refusal) {
            m_outbox.refused(document.identity, refusal.message());
            ++round.refused;
        }
    }
    setOffline(!round.reached);
    if (round.sent || round.refused)
        emit changed();
    return round;
}

void OfflineTill::topUp(database::Database& database) {
    const QDate day = m_today();
    for (const Reservation& reservation : kReservations) {
        const QString head = Outbox::reservedHead(reservation.kind, day);
        if (m_outbox.numbersLeft(head) >= reservation.before)
            continue;
        const int first = database.reserveNumbers(head, reservation.count);
        m_outbox.reserve(head, first, first + reservation.count - 1);
    }
}

void OfflineTill::start(std::chrono::milliseconds every) {
    m_thread = std::thread([this, every] { run(every); });
}

void OfflineTill::wake() {
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wake.notify_all();
}

bool OfflineTill::drain(std::chrono::milliseconds patience) {
    if (m_outbox.waiting() == 0)
        return true;
    if (!m_thread.joinable())
        return false;
    std::unique_lock lock(m_mutex);
    const long after = m_rounds + 1;
    m_woken = true;
    m_wake.notify_all();
    // One whole round that began after this call, then whatever it left.
    m_round.wait_for(lock, patience, [&] { return m_rounds > after || m_stop; });
    lock.unlock();
    return m_outbox.waiting() == 0;
}

void OfflineTill::run(std::chrono::milliseconds every) {
    // The sender's own connection: a till's window never waits for it, nor it for them.
    database::Database server(m_conninfo, m_dir);
    Ledger books(m_dir, server.servers(nullptr),
                 std::shared_ptr<database::Database>(&server, [](database::Database*) {}));
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (m_rounds > 0)
                m_wake.wait_for(lock, every, [&] { return m_stop || m_woken; });
            if (m_stop)
                return;
            m_woken = false;
        }
        try {
            // Asked even with nothing to send: the status says whether the server is there.
            server.connection().exec("SELECT 1");
            const Round round = send(books);
            if (round.reached)
                topUp(server);
        } catch (const database::ConnectionLost&) {
            setOffline(true);
        } catch (const store::StoreError&) {
            // A disk that will not take the outbox's records: the next round tries again.
        }
        {
            std::lock_guard lock(m_mutex);
            ++m_rounds;
        }
        m_round.notify_all();
    }
}

}  // namespace ledger
