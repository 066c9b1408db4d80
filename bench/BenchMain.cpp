// Google Benchmark's main with one option of our own: --books=DIR names a folder made
// by bench_books. Without it the books are generated into a temporary folder first.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchBooks.h"
#include "BenchContext.h"
#include "store/StoreError.h"

namespace {
QString g_books;
}

QString bench::booksDir() {
    return g_books;
}

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--books=", 8) == 0) {
            g_books = QString::fromLocal8Bit(argv[i] + 8);
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;

    QTemporaryDir generated;
    if (g_books.isEmpty()) {
        g_books = generated.path();
        std::fprintf(stderr, "generating the books into %s ...\n", qPrintable(g_books));
        try {
            bench::writeBenchBooks(g_books);
        } catch (const store::StoreError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
