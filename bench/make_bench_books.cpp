// Writes the benchmark books (a 100,000-record stock-out journal and a 10,000-item
// inventory book) into a folder, replacing what is there.
#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "BenchBooks.h"
#include "store/StoreError.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: bench_books DIR [RECORDS [ITEMS]]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int records = argc > 2 ? std::atoi(argv[2]) : bench::kJournalRecords;
    const int items = argc > 3 ? std::atoi(argv[3]) : bench::kInventoryItems;
    QElapsedTimer timer;
    timer.start();
    try {
        bench::writeBenchBooks(dir, records, items);
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("wrote %d records and %d items into %s in %.2f s\n", records, items, argv[1],
                double(timer.elapsed()) / 1000);
    return 0;
}
