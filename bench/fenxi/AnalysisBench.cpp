// "销售分析" on a journal of 100,000 records, the whole handler timed on a shown window:
// the journal opened (read afresh, or kept in memory as the program keeps it while it is
// unchanged), every record's date read and the period's records added up, the grid
// filled, and the charts painted.
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>

#include "BenchBooks.h"
#include "CountingPrompt.h"
#include "fenxi/SalesChart.h"
#include "fenxi/Unit_fenxi.h"
#include "store/KeptBooks.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"

namespace {

// The bench journal sells 30 records a day from 2011-01-01 on.
void timeAnalysis(benchmark::State& state, const char* from, const char* to, const char* step,
                  bool kept, int records) {
    bench::CountingPrompt prompt;
    ui::FixedClock clock{QDate(2020, 3, 1)};
    ui::AppContext context{bench::journalFolder() + '/', &prompt, &clock, {}};
    const auto servers = [kept] {
        return store::workbookServerFactory(nullptr, kept ? store::keptDataBooks() : nullptr);
    };
    context.servers = servers();
    TForm_fenxi form(context, nullptr);
    form.findChild<QLineEdit*>(QStringLiteral("periodFromEdit"))->setText(QString::fromUtf8(from));
    form.findChild<QLineEdit*>(QStringLiteral("periodToEdit"))->setText(QString::fromUtf8(to));
    form.findChild<QComboBox*>(QStringLiteral("periodStepCombo"))
        ->setCurrentText(QString::fromUtf8(step));
    form.show();
    auto* chart = form.findChild<fenxi::SalesChart*>(QStringLiteral("salesCharts"));
    if (kept)
        form.analyse();
    for (auto _ : state) {
        form.analyse();
        chart->repaint();
    }
    const QString found =
        form.findChild<ui::PanelStatusBar*>(QStringLiteral("StatusBar1"))->panelText(1);
    if (prompt.boxes || found.toInt() != records)
        state.SkipWithError("the analysis did not take the records it should");
    state.counters["periods"] = double(chart->analysis()->periods.size());
    state.SetItemsProcessed(state.iterations() * bench::kJournalRecords);
}

// Every record, by month: 110 bars.
void BM_AnalyseByMonth(benchmark::State& state) {
    timeAnalysis(state, "2011-01-01", "2020-02-29", "按月", false, bench::kJournalRecords);
}
BENCHMARK(BM_AnalyseByMonth)->Unit(benchmark::kMillisecond);

void BM_AnalyseByMonthKept(benchmark::State& state) {
    timeAnalysis(state, "2011-01-01", "2020-02-29", "按月", true, bench::kJournalRecords);
}
BENCHMARK(BM_AnalyseByMonthKept)->Unit(benchmark::kMillisecond);

// The longest period by day, 400 bars, among the whole journal's dates.
void BM_AnalyseByDayKept(benchmark::State& state) {
    timeAnalysis(state, "2011-01-01", "2012-02-04", "按日", true, 400 * 30);
}
BENCHMARK(BM_AnalyseByDayKept)->Unit(benchmark::kMillisecond);

}  // namespace
