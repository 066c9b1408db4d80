// The inventory window's "开始查询" on books of 10,000 and 100,000 items, the whole handler
// timed on a shown window: the book opened, every row tested, each match copied into the
// grid through the row copy, the book closed.
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <map>
#include <string_view>

#include "BenchBooks.h"
#include "CountingPrompt.h"
#include "kucun/Unit_kucun.h"
#include "store/DataBooks.h"
#include "store/Workbook.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

namespace {

// One program folder per inventory size, made once; the journal is not used. Every
// supplier's name is made to end in 商行, so that one query can match every item.
const QString& booksFor(int items) {
    static QTemporaryDir root;
    static std::map<int, QString> made;
    auto found = made.find(items);
    if (found == made.end()) {
        const QString dir = root.filePath(QString::number(items));
        bench::writeBenchBooks(dir, 1, items);
        const QString path = store::bookPath(dir, store::Book::Inventory);
        store::Workbook book = store::Workbook::open(path);
        for (int row = 2; row <= items + 1; ++row) {
            const QString supplier = book.cell(row, store::InventoryCol::Supplier).text;
            book.setCell(row, store::InventoryCol::Supplier,
                         store::CellValue::fromText(supplier + QStringLiteral("商行")));
        }
        book.save();
        found = made.emplace(items, dir).first;
    }
    return found->second;
}

// "包含" `text` in `field`, shown in the everything view (ten columns a match).
void timeQuery(benchmark::State& state, const char* field, const char* text) {
    const int items = int(state.range(0));
    bench::CountingPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    const ui::AppContext context{booksFor(items) + '/', &prompt, &clock,
                                 store::workbookServerFactory()};
    TForm_kucun window(context, nullptr);
    window.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentText(field);
    window.findChild<QComboBox*>(QStringLiteral("ComboBox2"))
        ->setCurrentText(QStringLiteral("包含"));
    window.findChild<QComboBox*>(QStringLiteral("ComboBox3"))
        ->setCurrentText(QStringLiteral("商品全部信息"));
    window.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QString::fromUtf8(text));
    window.show();
    for (auto _ : state)
        window.SpeedButton7Click();
    const auto* status = window.findChild<ui::PanelStatusBar*>(QStringLiteral("StatusBar1"));
    const int found = status->panelText(3).toInt();
    if (prompt.boxes || (found == 0) != (text == std::string_view("无此商品")))
        state.SkipWithError("the query did not list what it should");
    state.counters["matches"] = found;
    state.SetItemsProcessed(state.iterations() * items);
}

// Names holding 可乐: two of the sixteen name stems, about an eighth of the items.
void BM_QueryNamesContaining(benchmark::State& state) {
    timeQuery(state, "商品名称", "可乐");
}
BENCHMARK(BM_QueryNamesContaining)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A name found nowhere: opening the book and testing every row, nothing copied.
void BM_QueryMatchingNone(benchmark::State& state) {
    timeQuery(state, "商品名称", "无此商品");
}
BENCHMARK(BM_QueryMatchingNone)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Suppliers holding 商行: every item is copied into the grid.
void BM_QueryMatchingAll(benchmark::State& state) {
    timeQuery(state, "供货厂商", "商行");
}
BENCHMARK(BM_QueryMatchingAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
