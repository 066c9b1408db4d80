// Converting a stock-in journal of 100,000 records in the older binary format. That
// format holds 65,536 rows a worksheet, so the records fill the first worksheet (the one
// the program uses) and spill onto a second, which the conversion counts and names in its
// summary. Reading alone shows what the cell reader costs of the whole.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "legacy/Conversion.h"
#include "legacy/OldBook.h"

namespace {

constexpr int kRecords = 100000;

const QString& oldJournal() {
    static QTemporaryDir root;
    static const QString path = [] {
        QProcess maker;
        maker.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(TAVELO_OLD_BOOKS "/make_old_books.py"), QStringLiteral("shop"),
                     root.path(), QStringLiteral("--records"), QString::number(kRecords)});
        if (!maker.waitForFinished(300000) || maker.exitCode() != 0)
            qFatal("could not make the old-format journal");
        return QDir(root.path()).filePath(QStringLiteral("tvruku.dat"));
    }();
    return path;
}

void BM_ReadOldJournal(benchmark::State& state) {
    const QString journal = oldJournal();
    for (auto _ : state) {
        const legacy::OldBook book = legacy::readOldBook(journal, QStringLiteral("tvruku.dat"));
        benchmark::DoNotOptimize(book.cells.data());
    }
}
BENCHMARK(BM_ReadOldJournal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertOldJournal(benchmark::State& state) {
    const QString journal = oldJournal();
    QTemporaryDir scratch;
    const QString book = QDir(scratch.path()).filePath(QStringLiteral("tvruku.dat"));
    for (auto _ : state) {
        state.PauseTiming();
        for (const QString& name : QDir(scratch.path()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(QDir(scratch.path()).filePath(name));
        QFile::copy(journal, book);
        state.ResumeTiming();
        if (legacy::convertBook(book).result != legacy::Outcome::Converted)
            state.SkipWithError("the journal was not converted");
    }
}
BENCHMARK(BM_ConvertOldJournal)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
