// The stocktake window's paper side and its second page: the count list printed, exported
// and read back, and the stocktake journal searched, reported, printed and exported.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "ledger/Listings.h"
#include "ledger/SalesAnalysis.h"
#include "pandian/CountSheet.h"
#include "pandian/StocktakeWindow.h"
#include "query/Listing.h"
#include "store/Numbers.h"
#include "store/Workbook.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

using namespace pandian;

namespace {

// The count list for paper: no book quantity on it, so that what is written down is what
// the shelf holds, not what the books expect.
const QList<report::PrintedColumn>& sheetColumns() {
    static const QList<report::PrintedColumn> columns{
        {CountCol::Code, countCaptions()[CountCol::Code], 14},
        {CountCol::Name, countCaptions()[CountCol::Name], 28},
        {CountCol::Unit, countCaptions()[CountCol::Unit], 6},
        {-1, countCaptions()[CountCol::Counted], 12}};
    return columns;
}

const query::ResultShape& journalShape() {
    static const query::ResultShape shape = query::wholeBookShape(store::Book::Stocktake);
    return shape;
}

// The search's fields, by the journal column each searches.
struct SearchField {
    const char* name;
    int col;
};
constexpr SearchField kFields[] = {{"盘点日期", store::StocktakeCol::CountDate},
                                   {"单据号", store::StocktakeCol::Document},
                                   {"商品编号", store::StocktakeCol::ItemCode},
                                   {"商品名称", store::StocktakeCol::ItemName}};

const QStringList kReportCaptions{QStringLiteral("商品编号"), QStringLiteral("商品名称"),
                                  QStringLiteral("单位"),     QStringLiteral("盘盈数量"),
                                  QStringLiteral("盘盈金额"), QStringLiteral("盘亏数量"),
                                  QStringLiteral("盘亏金额")};
constexpr int kReportWidths[] = {100, 200, 60, 90, 90, 90, 90};

QString dayText(QDate day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

QWidget* StocktakeWindow::buildRecordPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("recordPage"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QHBoxLayout* row = fieldStrip(*layout, QStringLiteral("searchStrip"));
    QWidget* search = row->parentWidget();
    searchButton = ui::speedButton(search, QStringLiteral("searchButton"),
                                   QStringLiteral("盘点记录"), QString(), 0, 0, 100, 26);
    searchButton->setFixedSize(100, 26);
    row->addWidget(searchButton);
    QStringList fields;
    for (const SearchField& field : kFields)
        fields << QString::fromUtf8(field.name);
    fieldCombo = ui::editableComboBox(search, QStringLiteral("fieldCombo"), fields);
    fieldCombo->setFixedWidth(100);
    row->addWidget(fieldCombo);
    conditionCombo =
        ui::editableComboBox(search, QStringLiteral("conditionCombo"), store::conditionNames());
    conditionCombo->setFixedWidth(70);
    row->addWidget(conditionCombo);
    searchEdit = new QLineEdit(search);
    searchEdit->setObjectName(QStringLiteral("searchEdit"));
    searchEdit->setPlaceholderText(QStringLiteral("不填则列出全部盘点记录"));
    row->addWidget(searchEdit, 1);
    connect(searchButton, &QToolButton::clicked, this, &StocktakeWindow::searchRecords);

    row = fieldStrip(*layout, QStringLiteral("reportStrip"));
    QWidget* period = row->parentWidget();
    reportButton = ui::speedButton(period, QStringLiteral("reportButton"),
                                   QStringLiteral("盘点报告"), QString(), 0, 0, 100, 26);
    reportButton->setFixedSize(100, 26);
    row->addWidget(reportButton);
    const QDate today = context().clock->today();
    row->addWidget(new QLabel(QStringLiteral("起始日期："), period));
    periodFrom = new QLineEdit(dayText(QDate(today.year(), today.month(), 1)), period);
    periodFrom->setObjectName(QStringLiteral("periodFrom"));
    periodFrom->setFixedWidth(100);
    row->addWidget(periodFrom);
    row->addWidget(new QLabel(QStringLiteral("终止日期："), period));
    periodTo = new QLineEdit(dayText(today), period);
    periodTo->setObjectName(QStringLiteral("periodTo"));
    periodTo->setFixedWidth(100);
    row->addWidget(periodTo);
    row->addStretch(1);
    connect(reportButton, &QToolButton::clicked, this, &StocktakeWindow::reportPeriod);

    resultGrid = new ui::StringGrid(1, 1, page);
    resultGrid->setObjectName(QStringLiteral("resultGrid"));
    query::setShape(*resultGrid, journalShape());
    layout->addWidget(resultGrid, 1);
    return page;
}

ui::StringGrid& StocktakeWindow::shownGrid() const {
    return pages->currentIndex() == 0 ? *countGrid : *resultGrid;
}

report::ReportControls StocktakeWindow::controlsOf(ui::StringGrid& grid) const {
    return {grid, *progress, *status, Panel::Rows};
}

void StocktakeWindow::printSheet() {
    pages->setCurrentIndex(0);
    if (!ui::lastRowStarted(*countGrid)) {
        context().prompt->information(this, QStringLiteral("请先列出要盘点的商品"));
        return;
    }
    report::printGrid(*this, controlsOf(*countGrid),
                      {QStringLiteral("确认打印盘点表吗？"), sheetColumns(),
                       report::listHeader(QStringLiteral("盘点表"))});
}

void StocktakeWindow::exportSheet() {
    pages->setCurrentIndex(0);
    if (!ui::lastRowStarted(*countGrid)) {
        context().prompt->information(this, QStringLiteral("请先列出要盘点的商品"));
        return;
    }
    report::exportColumns(*this, controlsOf(*countGrid), sheetColumns());
}

void StocktakeWindow::importSheet() {
    const auto path = context().prompt->openFileName(
        this, {QStringLiteral("读入盘点表"),
               QStringLiteral("Microsoft Excel Files(*.xls *.xlsx);;All File(*.*)")});
    if (!path)
        return;
    pages->setCurrentIndex(0);
    try {
        takeCounts(store::Workbook::open(*path));
    } catch (const store::StoreError& failure) {
        // The file the shop keeper chose, not one of the program's books: its own words.
        context().prompt->error(this, failure.message());
    }
}

bool StocktakeWindow::takeCounts(const store::Workbook& sheet) {
    int codeCol = 0, countCol = 0;
    for (int col = sheet.usedColumnCount(); col >= 1; --col) {
        const QString caption = sheet.cell(1, col).displayText().trimmed();
        if (caption == countCaptions()[CountCol::Code])
            codeCol = col;
        else if (caption == countCaptions()[CountCol::Counted])
            countCol = col;
    }
    for (const auto& [col, caption] : {std::pair{codeCol, countCaptions()[CountCol::Code]},
                                       std::pair{countCol, countCaptions()[CountCol::Counted]}}) {
        if (col == 0) {
            context().prompt->information(
                this, QStringLiteral("%1 的第 1 行没有“%2”一栏，不是盘点表，没有读入")
                          .arg(sheet.displayName(), caption));
            return false;
        }
    }
    // Every count is checked before any is taken: a file half read would leave the shop
    // keeper guessing which counts are in.
    struct Count {
        int row;
        QString code;
        double counted;
    };
    QList<Count> counts;
    for (int row = 2; row <= sheet.usedRowCount(); ++row) {
        const QString text = sheet.cell(row, countCol).displayText().trimmed();
        if (text.isEmpty())
            continue;
        if (const QString problem = ledger::countProblem(text); !problem.isEmpty()) {
            context().prompt->information(
                this, QStringLiteral("第 %1 行的实盘数量%2\n盘点表的数量都没有读入。")
                          .arg(row)
                          .arg(problem));
            return false;
        }
        counts.append(
            {row, sheet.cell(row, codeCol).displayText().trimmed(), *store::parseDecimal(text)});
    }
    std::optional<QList<ledger::CountItem>> stock;
    QStringList refused;
    for (const Count& count : counts) {
        int row = rowOfCode(count.code);
        if (!row && !count.code.isEmpty()) {
            if (!stock)
                stock = inventoryItems({});
            if (!stock)
                return false;
            if (const ledger::CountItem* item = itemOfCode(*stock, count.code))
                row = addItem(*item);
        }
        if (!row) {
            refused << (count.code.isEmpty() ? QStringLiteral("（第 %1 行没有编号）").arg(count.row)
                                             : count.code);
            continue;
        }
        countGrid->setCell(CountCol::Counted, row, store::formatGeneral(count.counted));
        recomputeLine(row);
    }
    updateTotals();
    status->setPanelText(
        Panel::Message,
        QStringLiteral("读入 %1 种商品的实盘数量").arg(counts.size() - refused.size()));
    if (!refused.isEmpty())
        context().prompt->information(
            this, QStringLiteral("库存中没有商品编号 %1，没有读入其数量；其余商品的实盘数量已读入")
                      .arg(refused.join(QStringLiteral("、"))));
    return true;
}

void StocktakeWindow::searchRecords() {
    pages->setCurrentIndex(1);
    if (!context().hasBook(store::Book::Stocktake)) {
        context().prompt->information(this, QStringLiteral("还没有盘点记录"));
        return;
    }
    const QString field = fieldCombo->currentText();
    const auto named = std::ranges::find_if(
        kFields, [&](const SearchField& each) { return QString::fromUtf8(each.name) == field; });
    const ledger::FieldTest test{.col = named == std::end(kFields) ? 0 : named->col,
                                 .condition = store::conditionNamed(conditionCombo->currentText()),
                                 .text = searchEdit->text()};
    // The journal is short, and "which counts were there" the usual question: no text
    // lists every record.
    const bool everything = test.text.trimmed().isEmpty();
    m_resultHeader = report::listHeader(QStringLiteral("盘点记录"));
    const query::Listing listing{
        store::Book::Stocktake,
        journalShape(),
        &journalShape(),
        [&](store::BookPass& book, int row) { return everything || test.matches(book, row); },
        [this](store::BookPass& book, int target, int source) {
            query::copyRow(book, source, journalShape(), *resultGrid, target);
        },
        !everything && test.col == store::StocktakeCol::ItemCode
            ? store::numberSearchRefusal(test.condition, test.text, field)
            : QString()};
    listing.run(*this, {resultGrid, progress, status, Panel::Records, Panel::Rows});
}

void StocktakeWindow::reportPeriod() {
    pages->setCurrentIndex(1);
    const auto period = typedPeriod(*periodFrom, *periodTo);
    if (!period)
        return;
    if (!context().hasBook(store::Book::Stocktake)) {
        context().prompt->information(this, QStringLiteral("还没有盘点记录"));
        return;
    }
    settleBooks();
    attempt([&] {
        store::BookPass journal(context().servers,
                                store::bookPath(context().programDir, store::Book::Stocktake));
        const ledger::CountReport report =
            ledger::countReport(journal, dayText(period->from), dayText(period->to));
        const auto money = [](double value) { return store::formatFixed2(value); };
        ui::StringGrid& grid = *resultGrid;
        grid.setColCount(int(kReportCaptions.size()));
        for (int c = 0; c < kReportCaptions.size(); ++c)
            grid.setColWidth(c, kReportWidths[c]);
        grid.setRowCount(int(report.items.size()) + 2);
        grid.cells().setRow(0, kReportCaptions);
        int row = 1;
        for (const ledger::CountResult& item : report.items)
            grid.cells().setRow(row++, {item.codeText, item.name, item.unit,
                                        store::formatGeneral(item.gainQty), money(item.gainValue),
                                        store::formatGeneral(item.lossQty), money(item.lossValue)});
        grid.cells().setRow(
            row,
            {QStringLiteral("合计"), QStringLiteral("%1 种商品").arg(report.items.size()),
             QString(), QString(), money(report.gainValue), QString(), money(report.lossValue)});
        m_resultHeader = [title = QStringLiteral("盘点报告  %1 至 %2")
                                      .arg(dayText(period->from), dayText(period->to))](
                             const ui::StringGrid&, QDate) { return title; };
        status->setPanelText(Panel::Rows, QString::number(report.items.size()));
        status->setPanelText(
            Panel::Message,
            QStringLiteral("盘盈 %1 元，盘亏 %2 元，相抵 %3 元")
                .arg(money(report.gainValue), money(report.lossValue), money(report.net())));
    });
}

void StocktakeWindow::printShown() {
    ui::StringGrid& grid = shownGrid();
    QList<report::PrintedColumn> columns;
    // A character for every ten pixels on screen: the report's seven columns fit an A4 page
    // across, the journal's ten take a second page for the last ones.
    for (int c = 0; c < grid.colCount(); ++c)
        columns.append({c, grid.cell(c, 0), grid.columnWidth(c) / 10.0});
    const bool counting = &grid == countGrid;
    report::printGrid(*this, controlsOf(grid),
                      {QStringLiteral("确认输出当前数据到打印机吗？"), columns,
                       counting || !m_resultHeader ? report::listHeader(QStringLiteral("盘点结果"))
                                                   : m_resultHeader});
}

void StocktakeWindow::exportShown() {
    report::exportGrid(*this, controlsOf(shownGrid()));
}
