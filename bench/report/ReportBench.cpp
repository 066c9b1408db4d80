// The stock-out window's export and printouts: "导出保存" of the 100,000 records a search
// listed (laid out on the report book and saved under a new name), "打印输出" of the same
// grid up to the hand-over to the printer, and a sales bill of 30 lines printed into a PDF
// file, as a shop keeper prints one for a customer. The three windows share the code.
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include "BenchBooks.h"
#include "CountingPrompt.h"
#include "chuku/Unit_chuku.h"
#include "store/DataBooks.h"
#include "store/SheetPrinter.h"
#include "store/print/QtSheetPrinter.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

namespace {

// Names the export's file, and counts the boxes as the other benchmarks do.
class ExportPrompt : public bench::CountingPrompt {
public:
    QString target;
    std::optional<QString> saveFileName(QWidget*, const ui::SaveFileRequest&) override {
        return target;
    }
};

// Takes the laid-out book and prints nothing: what is timed is the program's part.
class NoPaper : public store::SheetPrinter {
public:
    int pages = 0;
    void print(const store::Workbook&) override { ++pages; }
    void printDrawing(const store::Workbook&, const Drawing&) override { ++pages; }
};

struct ReportWindow {
    explicit ReportWindow(std::shared_ptr<store::SheetPrinter> printer)
        : context{bench::journalFolder() + '/', &prompt, &clock,
                  store::workbookServerFactory(printer)},
          form(context, nullptr) {
        prompt.target = out.filePath(QStringLiteral("导出.xls"));
        form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))
            ->setCurrentText(QStringLiteral("销售日期"));
        form.findChild<QComboBox*>(QStringLiteral("ComboBox2"))
            ->setCurrentText(QStringLiteral("包含"));
        form.findChild<QLineEdit*>(QStringLiteral("Edit3"))->setText(QStringLiteral("-"));
        form.show();
        form.SpeedButton12Click();  // every record
    }
    ui::StringGrid& grid() {
        return *form.findChild<ui::StringGrid*>(QStringLiteral("StringGrid_chuku"));
    }
    int listed() const {
        return form.findChild<ui::PanelStatusBar*>(QStringLiteral("StatusBar1"))
            ->panelText(3)
            .toInt();
    }

    QTemporaryDir out;
    ExportPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    ui::AppContext context;
    TForm_chuku form;
};

void BM_ExportOf100kRecords(benchmark::State& state) {
    ReportWindow window(std::make_shared<NoPaper>());
    for (auto _ : state)
        window.form.SpeedButton8Click();
    if (window.prompt.boxes || window.listed() != bench::kJournalRecords ||
        !QFileInfo::exists(window.prompt.target))
        state.SkipWithError(QStringLiteral("the export did not go through: %1 boxes, %2 listed")
                                .arg(window.prompt.boxes)
                                .arg(window.listed())
                                .toStdString()
                                .c_str());
    state.counters["file_MB"] = double(QFileInfo(window.prompt.target).size()) / 1e6;
    state.SetItemsProcessed(state.iterations() * bench::kJournalRecords);
}
BENCHMARK(BM_ExportOf100kRecords)->Unit(benchmark::kMillisecond);

void BM_ListLayoutOf100kRecords(benchmark::State& state) {
    auto printer = std::make_shared<NoPaper>();
    ReportWindow window(printer);
    for (auto _ : state)
        window.form.SpeedButton9Click();
    if (window.prompt.boxes || printer->pages != int(state.iterations()))
        state.SkipWithError("the list did not reach the printer");
    state.SetItemsProcessed(state.iterations() * bench::kJournalRecords);
}
BENCHMARK(BM_ListLayoutOf100kRecords)->Unit(benchmark::kMillisecond);

void BM_SalesBillOf30LinesToPdf(benchmark::State& state) {
    auto printer = std::make_shared<store::QtSheetPrinter>();
    ReportWindow window(printer);
    printer->setPrintTarget(window.out.filePath(QStringLiteral("pdf")));
    window.grid().setRowCount(31);
    for (auto _ : state)
        window.form.SpeedButton7Click();
    const QFileInfo pdf(printer->lastOutputFile());
    if (window.prompt.boxes || !pdf.exists())
        state.SkipWithError("the bill was not printed");
    state.counters["pdf_kB"] = double(pdf.size()) / 1e3;
}
BENCHMARK(BM_SalesBillOf30LinesToPdf)->Unit(benchmark::kMillisecond);

}  // namespace
