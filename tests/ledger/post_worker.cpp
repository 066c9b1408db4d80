// Posts `rounds` random purchases, sales and returns of items 1001–1010 into a program
// folder, as a till would, for the kill and concurrency tests; "posted N" at the end.
// Given a conninfo, the till posts into that database instead of the folder's books.
#include <QCoreApplication>
#include <cstdio>
#include <random>

#include "ShopBooks.h"
#include "database/Database.h"
#include "ledger/Ledger.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: post_worker DIR ROUNDS SEED [CONNINFO]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    std::shared_ptr<database::Database> server;
    if (argc == 5)
        server = std::make_shared<database::Database>(QString::fromLocal8Bit(argv[4]), dir);
    ledger::Ledger books(dir, server ? server->servers(nullptr) : store::workbookServerFactory(),
                         server);
    std::mt19937 random(std::atoi(argv[3]));
    const int rounds = std::atoi(argv[2]);
    try {
        for (int round = 0; round < rounds; ++round) {
            const int code = 1001 + int(random() % 10);
            const double qty = 1 + random() % 5;
            switch (random() % 3) {
                case 0:
                    // Prices that differ move the average, so a posting applied out of
                    // turn shows in the cost and not only in the quantity.
                    books.postPurchase({purchase(1, code, qty, qty * (1 + random() % 4))});
                    break;
                case 1:
                    books.postSale({sale(1, code, qty)});
                    break;
                default:
                    books.postGoodsReturn({sale(1, code, qty)});
            }
        }
    } catch (const store::StoreError& failure) {
        std::fprintf(stderr, "%s\n", failure.message().toLocal8Bit().constData());
        return 1;
    }
    std::printf("posted %d\n", rounds);
    return 0;
}
