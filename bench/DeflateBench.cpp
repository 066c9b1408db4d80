// Which deflate a save should use: the journal's sheet XML, as the engine writes it,
// compressed by zlib (through libzip) and by libdeflate at a few levels. Time and
// size both matter: the size is paid again on every open.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

#include "BenchBooks.h"
#include "BenchContext.h"
#include "store/xlsx/ZipArchive.h"

#include <libdeflate.h>
#include <zip.h>

namespace {

using store::xlsx::DeflateChoice;
using store::xlsx::DeflateCodec;

const std::string& sheetXml() {
    static const std::string xml = [] {
        auto zip =
            store::xlsx::ZipArchive::openFile(bench::bookPath(bench::kJournalFile).toStdString());
        const auto index = zip->find("xl/worksheets/sheet1.xml");
        return index ? zip->readAll(*index) : std::string();
    }();
    return xml;
}

// Memory-backed when the machine has it, so that the disk does not blur the codecs.
QString scratchRoot() {
    const QFileInfo shm("/dev/shm");
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

void BM_DeflateSheet(benchmark::State& state) {
    const DeflateChoice choice{state.range(0) == 0 ? DeflateCodec::Zlib : DeflateCodec::Libdeflate,
                               int(state.range(1))};
    state.SetLabel(std::string(choice.codec == DeflateCodec::Zlib ? "zlib" : "libdeflate") +
                   " level " + std::to_string(choice.level));
    const std::string& xml = sheetXml();
    if (xml.empty()) {
        state.SkipWithError("the journal has no xl/worksheets/sheet1.xml");
        return;
    }
    QTemporaryDir dir(scratchRoot() + "/tavelo-deflate-XXXXXX");
    const std::string out = dir.filePath("sheet.zip").toStdString();
    const std::vector<store::xlsx::OutputPart> parts{
        {"xl/worksheets/sheet1.xml", std::nullopt, xml, std::nullopt}};
    try {
        for (auto _ : state)
            store::xlsx::writeZip(out, nullptr, parts, choice);
    } catch (const store::xlsx::PackageError& e) {
        state.SkipWithError(e.what());
        return;
    }
    const double packed = double(QFileInfo(QString::fromStdString(out)).size());
    state.counters["zip_bytes"] = packed;
    state.counters["xml_bytes"] = double(xml.size());
    state.counters["ratio"] = double(xml.size()) / packed;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}
// codec 0 = zlib through libzip, 1 = libdeflate.
BENCHMARK(BM_DeflateSheet)
    ->ArgsProduct({{0, 1}, {1, 3, 6, 9}})
    ->ArgNames({"codec", "level"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

namespace {

// The other side of the choice: inflating the sheet on open. The engine streams it
// through libzip's zlib; libdeflate can inflate the whole stored entry at once.
void BM_InflateSheet(benchmark::State& state) {
    const bool useLibdeflate = state.range(0) == 1;
    state.SetLabel(useLibdeflate ? "libdeflate, whole entry" : "libzip (zlib), streamed");
    try {
        auto zip =
            store::xlsx::ZipArchive::openFile(bench::bookPath(bench::kJournalFile).toStdString());
        const auto index = zip->find("xl/worksheets/sheet1.xml");
        if (!index) {
            state.SkipWithError("the journal has no xl/worksheets/sheet1.xml");
            return;
        }
        zip_stat_t st;
        zip_stat_index(zip->handle(), *index, 0, &st);
        std::string raw(st.comp_size, '\0');
        zip_file_t* f = zip_fopen_index(zip->handle(), *index, ZIP_FL_COMPRESSED);
        const zip_int64_t got = f ? zip_fread(f, raw.data(), raw.size()) : -1;
        if (f)
            zip_fclose(f);
        if (got != zip_int64_t(raw.size())) {
            state.SkipWithError("cannot read the compressed sheet");
            return;
        }
        std::string out(st.size, '\0');
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        for (auto _ : state) {
            if (useLibdeflate) {
                size_t n = 0;
                if (libdeflate_deflate_decompress(d, raw.data(), raw.size(), out.data(), out.size(),
                                                  &n) != LIBDEFLATE_SUCCESS ||
                    n != out.size()) {
                    state.SkipWithError("libdeflate could not inflate the sheet");
                    break;
                }
                benchmark::DoNotOptimize(out.data());
            } else {
                benchmark::DoNotOptimize(zip->readAll(*index).size());
            }
        }
        libdeflate_free_decompressor(d);
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(st.size));
    } catch (const store::xlsx::PackageError& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(BM_InflateSheet)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("libdeflate")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
