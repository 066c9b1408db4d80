// Writes the benchmark books (a 100,000-record stock-out journal and a 10,000-item
// inventory book) into a folder, replacing what is there.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "BenchBooks.h"
#include "store/StoreError.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr, "usage: bench_books DIR [RECORDS [ITEMS [shop]]]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int records = argc > 2 ? std::atoi(argv[2]) : bench::kJournalRecords;
    const int items = argc > 3 ? std::atoi(argv[3]) : bench::kInventoryItems;
    QElapsedTimer timer;
    timer.start();
    try {
        bench::writeBenchBooks(dir, records, items);
        // A whole shop folder: the stock-in journal a copy of the stock-out one (the same
        // cell types in the same columns), the documents of the sales, the other books new.
        if (argc == 5 && QString::fromLocal8Bit(argv[4]) == QStringLiteral("shop")) {
            bench::writeDocumentsBook(dir, records, 10);
            const QDir folder(dir);
            QFile::remove(folder.filePath(store::bookFileName(store::Book::StockIn)));
            QFile::copy(folder.filePath(bench::kJournalFile),
                        folder.filePath(store::bookFileName(store::Book::StockIn)));
            store::writeInitialBooks(dir);
        }
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("wrote %d records and %d items into %s in %.2f s\n", records, items, argv[1],
                double(timer.elapsed()) / 1000);
    return 0;
}
