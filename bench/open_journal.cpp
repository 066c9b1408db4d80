// Opens a book and reads every cell of it once, as a journal search does: the process
// whose peak memory the benchmark script reports.
#include <QString>
#include <cstdio>

#include "store/StoreError.h"
#include "store/Workbook.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_open_journal BOOK\n");
        return 2;
    }
    try {
        const store::Workbook wb = store::Workbook::open(QString::fromLocal8Bit(argv[1]));
        const int rows = wb.usedRowCount();
        const int cols = wb.usedColumnCount();
        long long texts = 0;
        double sum = 0;
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= cols; ++c) {
                const store::CellValue v = wb.cell(r, c);
                if (v.isText())
                    texts += v.text.size();
                if (v.isNumber())
                    sum += v.number;
            }
        }
        std::printf("%d rows, %d columns, %lld text characters, numbers sum %.2f\n", rows, cols,
                    texts, sum);
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
