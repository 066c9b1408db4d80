// The stock-out window's "检索出库记录" on a journal of 100,000 records, the whole handler
// timed on a shown window: the journal opened, every record tested, each match copied
// into the grid through the row copy, the journal closed. Then "统计利润" over the grid
// that the search filled. The stock-in window runs the same search code.
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>

#include "BenchBooks.h"
#include "CountingPrompt.h"
#include "chuku/Unit_chuku.h"
#include "store/DataBooks.h"
#include "store/KeptBooks.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"

namespace {

struct SearchWindow {
    // With `kept`, the journal stays in memory while unchanged, as in the program.
    SearchWindow(const char* field, const char* text, bool kept = false)
        : context{bench::journalFolder() + '/', &prompt, &clock,
                  store::workbookServerFactory(nullptr, kept ? store::keptDataBooks() : nullptr)},
          form(context, nullptr) {
        form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))
            ->setCurrentText(QString::fromUtf8(field));
        form.findChild<QComboBox*>(QStringLiteral("ComboBox2"))
            ->setCurrentText(QStringLiteral("包含"));
        form.findChild<QLineEdit*>(QStringLiteral("Edit3"))->setText(QString::fromUtf8(text));
        form.show();
    }
    QString panel(int i) const {
        return form.findChild<ui::PanelStatusBar*>(QStringLiteral("StatusBar1"))->panelText(i);
    }

    bench::CountingPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    ui::AppContext context;
    TForm_chuku form;
};

void timeSearch(benchmark::State& state, const char* field, const char* text, bool kept = false) {
    SearchWindow window(field, text, kept);
    // The first search reads the journal; with the journal kept, the timed ones do not.
    if (kept)
        window.form.SpeedButton12Click();
    for (auto _ : state)
        window.form.SpeedButton12Click();
    const int found = window.panel(3).toInt();
    if (window.prompt.boxes || found == 0)
        state.SkipWithError("the search did not list what it should");
    state.counters["matches"] = found;
    state.SetItemsProcessed(state.iterations() * bench::kJournalRecords);
}

// Names holding 可乐: two of the sixteen name stems, about an eighth of the records.
void BM_SearchNamesContaining(benchmark::State& state) {
    timeSearch(state, "商品名称", "可乐");
}
BENCHMARK(BM_SearchNamesContaining)->Unit(benchmark::kMillisecond);

// The same search again on the unchanged journal, kept in memory.
void BM_SearchNamesContainingAgain(benchmark::State& state) {
    timeSearch(state, "商品名称", "可乐", true);
}
BENCHMARK(BM_SearchNamesContainingAgain)->Unit(benchmark::kMillisecond);

// Dates holding "-": every record is copied into the grid.
void BM_SearchMatchingAll(benchmark::State& state) {
    timeSearch(state, "销售日期", "-");
}
BENCHMARK(BM_SearchMatchingAll)->Unit(benchmark::kMillisecond);

// "统计利润" over the 100,000 records the search above lists.
void BM_ProfitTotalOfAllRecords(benchmark::State& state) {
    SearchWindow window("销售日期", "-");
    window.form.SpeedButton12Click();
    for (auto _ : state)
        window.form.SpeedButton10Click();
    if (window.prompt.boxes || !window.panel(6).startsWith(QStringLiteral("销售总额：")))
        state.SkipWithError("the total did not come out");
    state.SetItemsProcessed(state.iterations() * bench::kJournalRecords);
}
BENCHMARK(BM_ProfitTotalOfAllRecords)->Unit(benchmark::kMillisecond);

}  // namespace
