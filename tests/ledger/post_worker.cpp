// A till for the kill, fault and concurrency tests, in a process of its own:
//   post_worker DIR ROUNDS SEED [CONNINFO]  posts ROUNDS random purchases, sales and returns
//       of items 1001–1010 ("posted N" at the end); given a conninfo, into that database
//   post_worker DIR once purchase|sale      posts one line of item 1001 and says how it
//       went: "posted", "unchanged", or how the commit record will settle it ("completes",
//       "undoes", "unknown"), the shop keeper's message on the lines after
//   post_worker DIR recover                 what a start does: recoverIfIdle, and its message
//   post_worker DIR send CONNINFO           sends the folder's outbox of sales made offline
//       into that database until it is empty ("sent" at the end)
//   post_worker DIR frozen CONNINFO         posts a sale of item 1001 into that database, says
//       "holding" and stops itself (SIGSTOP) once the item is locked; continued, says how
//       the sale went as `once` does
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#include "ShopBooks.h"
#include "database/Database.h"
#include "ledger/BookCommit.h"
#include "ledger/Ledger.h"
#include "ledger/OfflineTill.h"

namespace {

void say(const char* outcome, const QString& message) {
    std::printf("%s\n%s\n", outcome, message.toUtf8().constData());
}

int postOnce(ledger::Ledger& books, const char* kind, const ledger::ProgressFn& progress = {}) {
    try {
        say("posted", std::strcmp(kind, "sale") == 0
                          ? books.commit(ledger::sale({sale(1, 1001, 3)}, {}), progress)
                          : books.commit(ledger::purchase({purchase(1, 1001, 5, 40)}, {})));
    } catch (const ledger::UnsettledCommit& unsettled) {
        using Outcome = ledger::UnsettledCommit::Outcome;
        say(unsettled.outcome() == Outcome::Completes ? "completes"
            : unsettled.outcome() == Outcome::Undoes  ? "undoes"
                                                      : "unknown",
            unsettled.message());
    } catch (const store::StoreError& failure) {
        say("unchanged", failure.message());
    }
    return 0;
}

int postRandomly(ledger::Ledger& books, int rounds, int seed) {
    std::mt19937 random(seed);
    try {
        for (int round = 0; round < rounds; ++round) {
            const int code = 1001 + int(random() % 10);
            const double qty = 1 + random() % 5;
            switch (random() % 3) {
                case 0:
                    // Prices that differ move the average, so a posting applied out of
                    // turn shows in the cost and not only in the quantity.
                    books.commit(
                        ledger::purchase({purchase(1, code, qty, qty * (1 + random() % 4))}, {}));
                    break;
                case 1:
                    books.commit(ledger::sale({sale(1, code, qty)}, {}));
                    break;
                default:
                    books.commit(ledger::goodsReturn({sale(1, code, qty)}, {}));
            }
        }
    } catch (const store::StoreError& failure) {
        std::fprintf(stderr, "%s\n", failure.message().toLocal8Bit().constData());
        return 1;
    }
    std::printf("posted %d\n", rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool once = argc == 4 && std::strcmp(argv[2], "once") == 0;
    const bool recover = argc == 3 && std::strcmp(argv[2], "recover") == 0;
    const bool frozen = argc == 4 && std::strcmp(argv[2], "frozen") == 0;
    if (argc == 4 && std::strcmp(argv[2], "send") == 0) {
        const QString dir = QString::fromLocal8Bit(argv[1]);
        const auto server =
            std::make_shared<database::Database>(QString::fromLocal8Bit(argv[3]), dir);
        ledger::Ledger books(dir, server->servers(nullptr), server);
        ledger::OfflineTill till(dir, server->conninfo(), [] { return QDate::currentDate(); });
        till.open();
        while (till.outbox().waiting() > 0)
            if (!till.send(books).reached)
                return 1;
        std::puts("sent");
        return 0;
    }
    if (frozen) {
        const auto server = std::make_shared<database::Database>(QString::fromLocal8Bit(argv[3]),
                                                                 QString::fromLocal8Bit(argv[1]));
        ledger::Ledger books(QString::fromLocal8Bit(argv[1]), server->servers(nullptr), server);
        return postOnce(books, "sale", [](const ledger::Progress& step) {
            if (step.stage != ledger::Progress::LinesApplied)
                return;
            std::puts("holding");
            std::fflush(stdout);
            std::raise(SIGSTOP);
        });
    }
    if (!once && !recover && argc != 4 && argc != 5) {
        std::fprintf(stderr,
                     "usage: post_worker DIR ROUNDS SEED [CONNINFO] | DIR once purchase|sale |"
                     " DIR recover\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    std::shared_ptr<database::Database> server;
    if (argc == 5)
        server = std::make_shared<database::Database>(QString::fromLocal8Bit(argv[4]), dir);
    ledger::Ledger books(dir, server ? server->servers(nullptr) : store::workbookServerFactory(),
                         server);
    if (once)
        return postOnce(books, argv[3]);
    if (recover) {
        try {
            say("recovered", books.recoverIfIdle());
        } catch (const store::StoreError& failure) {
            say("failed", failure.message());
        }
        return 0;
    }
    return postRandomly(books, std::atoi(argv[2]), std::atoi(argv[3]));
}
