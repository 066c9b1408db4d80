// The entry windows' handlers on books of the sizes a shop reaches: fetching an item into
// the preview, and posting a batch of purchase or sale lines, the whole handler timed
// (books opened, every line looked up in the inventory, both books saved).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <map>

#include "BenchBooks.h"
#include "CountingPrompt.h"
#include "chuku/Unit_chuku.h"
#include "ruku/Unit_ruku.h"
#include "store/DataBooks.h"
#include "store/KeptBooks.h"
#include "ui/Clock.h"
#include "ui/StringGrid.h"

namespace {

constexpr int kJournalRecords = 100000;
constexpr int kLines = 20;

// Books made once per inventory size: the items, and both journals of 100,000 records
// (the stock-out journal's records serve for the stock-in one: only their number matters).
const QString& pristineBooks(int items) {
    static QTemporaryDir root;
    static std::map<int, QString> made;
    auto found = made.find(items);
    if (found != made.end())
        return found->second;
    const QString dir = root.filePath(QString::number(items));
    bench::writeBenchBooks(dir, kJournalRecords, items);
    QFile::copy(QDir(dir).filePath(bench::kJournalFile),
                store::bookPath(dir, store::Book::StockIn));
    return made.emplace(items, dir).first->second;
}

void copyBooks(const QString& from, const QString& to) {
    for (store::Book book : store::kDataBooks) {
        const QString target = store::bookPath(to, book);
        QFile::remove(target);
        QFile::copy(store::bookPath(from, book), target);
    }
}

template <typename Form>
struct Window {
    // With `kept`, the data books stay in memory while unchanged, as in the program.
    Window(const QString& dir, const char* gridName, bool kept = false)
        : context{dir + '/', &prompt, &clock,
                  store::workbookServerFactory(nullptr, kept ? store::keptDataBooks() : nullptr)},
          form(context, nullptr),
          grid(*form.template findChild<ui::StringGrid*>(QLatin1String(gridName))) {}

    bench::CountingPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    ui::AppContext context;
    Form form;
    ui::StringGrid& grid;
};

// Posting kLines lines typed by `type`, with fresh copies of the books each time.
template <typename Form, typename Type>
void timePosting(benchmark::State& state, const char* gridName, Type type) {
    const int items = int(state.range(0));
    const QString& pristine = pristineBooks(items);
    QTemporaryDir work;
    Window<Form> window(work.path(), gridName);
    for (auto _ : state) {
        state.PauseTiming();
        copyBooks(pristine, work.path());
        type(window.grid, items);
        state.ResumeTiming();
        window.form.SpeedButton4Click();
    }
    if (window.prompt.boxes || window.grid.cell(0, 1) != QString())
        state.SkipWithError("the posting did not go through");
    state.SetItemsProcessed(state.iterations() * kLines);
}

// The code of line `line` of kLines, spread evenly over the book's items.
int spreadCode(int line, int items) {
    return 1001 + (line * items) / kLines - 1;
}

// kLines purchases of items spread over the book, the last one a new item.
void typeLines(ui::StringGrid& grid, int items) {
    grid.setColCount(12);
    grid.setRowCount(kLines + 1);
    for (int line = 1; line <= kLines; ++line) {
        const int code = line < kLines ? spreadCode(line, items) : 1001 + items;
        grid.cells().setRow(
            line, {QString::number(code), QStringLiteral("商品"), QStringLiteral("个"),
                   QStringLiteral("3"), QStringLiteral("2.5"), QStringLiteral("7.5"),
                   QStringLiteral("2.4"), QStringLiteral("甲厂"), QStringLiteral("2011-05-03"),
                   QStringLiteral("3.2"), QStringLiteral("10"), QString()});
    }
}

void BM_StockInPosting(benchmark::State& state) {
    timePosting<TForm_ruku>(state, "StringGrid_ruku", typeLines);
}
BENCHMARK(BM_StockInPosting)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_StockInFetch(benchmark::State& state) {
    const int items = int(state.range(0));
    const QString& pristine = pristineBooks(items);
    Window<TForm_ruku> window(pristine, "StringGrid_ruku");
    // The bottom item: the scan goes through every row either way.
    window.form.findChild<QLineEdit*>(QStringLiteral("Edit2"))
        ->setText(QString::number(1000 + items));
    for (auto _ : state)
        window.form.SpeedButton1Click();
    const auto* preview =
        window.form.findChild<ui::StringGrid*>(QStringLiteral("StringGrid_kucun"));
    if (preview->cell(0, 0) != QString::number(1000 + items))
        state.SkipWithError("the item was not found");
}
BENCHMARK(BM_StockInFetch)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// kLines sales of items spread over the book: every line looked up, none appended.
void typeSales(ui::StringGrid& grid, int items) {
    grid.setRowCount(kLines + 1);
    for (int line = 1; line <= kLines; ++line) {
        grid.cells().setRow(line,
                            {QString::number(spreadCode(line, items)), QStringLiteral("商品"),
                             QStringLiteral("个"), QStringLiteral("3"), QStringLiteral("3.2"),
                             QStringLiteral("9.6"), QStringLiteral("2.4"), QStringLiteral("张三"),
                             QStringLiteral("2011-05-03"), QString()});
    }
}

void BM_StockOutSale(benchmark::State& state) {
    timePosting<TForm_chuku>(state, "StringGrid_chuku", typeSales);
}
BENCHMARK(BM_StockOutSale)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

// A scanned code, from Enter to the line counted up in the grid: the bottom item, so the
// lookup goes through every row. Read afresh each time (arg 0), or kept while unchanged
// (arg 1), which is what the program does.
void BM_StockOutScan(benchmark::State& state) {
    const int items = int(state.range(0));
    Window<TForm_chuku> window(pristineBooks(items), "StringGrid_chuku", state.range(1) != 0);
    auto* code = window.form.findChild<QLineEdit*>(QStringLiteral("Edit2"));
    const QString bottom = QString::number(1000 + items);
    code->setText(bottom);
    window.form.Edit2KeyPress();
    for (auto _ : state) {
        code->setText(bottom);
        window.form.Edit2KeyPress();
    }
    if (window.prompt.boxes || window.grid.cell(0, 1) != bottom ||
        window.grid.cell(3, 1) != QString::number(state.iterations() + 1))
        state.SkipWithError("the scans were not counted into one line");
}
BENCHMARK(BM_StockOutScan)
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->ArgNames({"items", "kept"})
    ->Unit(benchmark::kMillisecond);
