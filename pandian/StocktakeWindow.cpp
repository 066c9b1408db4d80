#include "pandian/StocktakeWindow.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "pandian/CountSheet.h"
#include "store/Numbers.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

using namespace pandian;

namespace {

const QStringList kScopes{QStringLiteral("全部商品"), QStringLiteral("供货厂商"),
                          QStringLiteral("名称或编号包含")};
constexpr int kCountWidths[CountCol::Count] = {100, 200, 60, 80, 80, 80, 80, 90};

QLabel* fieldLabel(QWidget* parent, QHBoxLayout* row, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    row->addWidget(label);
    return label;
}

}  // namespace

StocktakeWindow::StocktakeWindow(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—库存盘点")) {
    setObjectName(QStringLiteral("stocktakeWindow"));
    resize(900, 600);
    buildTools();
    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    pages->addTab(buildCountPage(), QStringLiteral("盘点表"));
    pages->addTab(buildRecordPage(), QStringLiteral("盘点记录与报告"));
    column()->addWidget(pages, 1);
    progress = ui::progressBar(this, QStringLiteral("progress"), 16);
    column()->addWidget(progress);
    status = new ui::PanelStatusBar({70, 60, 70, 60, 400}, this);
    status->setObjectName(QStringLiteral("status"));
    status->setPanelText(0, QStringLiteral("盘点记录："));
    status->setPanelText(2, QStringLiteral("显示行数："));
    column()->addWidget(status);
    updateTotals();
}

void StocktakeWindow::buildTools() {
    addToolStrip({
        {&listButton, "listButton", "列出商品", [this] { listItems(); }},
        {&printSheetButton, "printSheetButton", "打印盘点表", [this] { printSheet(); }},
        {&exportSheetButton, "exportSheetButton", "导出盘点表", [this] { exportSheet(); }},
        {&importButton, "importButton", "读入盘点表", [this] { importSheet(); }},
        {&postButton, "postButton", "盘点入账", [this] { postCount(); }},
        {&printButton, "printButton", "输出打印", [this] { printShown(); }},
        {&exportButton, "exportButton", "导出保存", [this] { exportShown(); }},
        {&returnButton, "returnButton", "返回", nullptr},
    });
}

QWidget* StocktakeWindow::buildCountPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("countPage"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QHBoxLayout* row = fieldStrip(*layout, QStringLiteral("scopeStrip"));
    QWidget* scope = row->parentWidget();
    fieldLabel(scope, row, "scopeLabel", "盘点范围：");
    scopeCombo = new QComboBox(scope);
    scopeCombo->setObjectName(QStringLiteral("scopeCombo"));
    scopeCombo->addItems(kScopes);
    row->addWidget(scopeCombo);
    fieldLabel(scope, row, "supplierLabel", "供货厂商：");
    supplierCombo = ui::editableComboBox(scope, QStringLiteral("supplierCombo"), {});
    supplierCombo->setMinimumWidth(140);
    row->addWidget(supplierCombo);
    fieldLabel(scope, row, "scopeEditLabel", "名称或编号包含：");
    scopeEdit = new QLineEdit(scope);
    scopeEdit->setObjectName(QStringLiteral("scopeEdit"));
    scopeEdit->setFixedWidth(140);
    row->addWidget(scopeEdit);
    row->addStretch(1);
    const auto followScope = [this](int index) {
        supplierCombo->setEnabled(index == ledger::CountScope::Supplier);
        scopeEdit->setEnabled(index == ledger::CountScope::Contains);
        refreshSuppliers();
    };
    followScope(ledger::CountScope::All);
    connect(scopeCombo, &QComboBox::currentIndexChanged, this, followScope);

    row = fieldStrip(*layout, QStringLiteral("scanStrip"));
    QWidget* scan = row->parentWidget();
    fieldLabel(scan, row, "scanLabel", "扫描/输入编号：");
    scanEdit = new QLineEdit(scan);
    scanEdit->setObjectName(QStringLiteral("scanEdit"));
    scanEdit->setFixedWidth(160);
    row->addWidget(scanEdit);
    fieldLabel(scan, row, "qtyLabel", "数量：");
    qtyEdit = new QLineEdit(scan);
    qtyEdit->setObjectName(QStringLiteral("qtyEdit"));
    qtyEdit->setFixedWidth(70);
    row->addWidget(qtyEdit);
    fieldLabel(scan, row, "scanHint", "每扫描一次加 1；先填数量再扫描，实盘数量即为该数量");
    row->addStretch(1);
    connect(scanEdit, &QLineEdit::returnPressed, this, &StocktakeWindow::scanCode);
    // A quantity typed first is followed by the code: Enter takes the cursor there.
    connect(qtyEdit, &QLineEdit::returnPressed, scanEdit, qOverload<>(&QWidget::setFocus));

    countGrid = new ui::StringGrid(CountCol::Count, 1, page);
    countGrid->setObjectName(QStringLiteral("countGrid"));
    for (int c = 0; c < CountCol::Count; ++c) {
        countGrid->setCell(c, 0, countCaptions()[c]);
        countGrid->setColWidth(c, kCountWidths[c]);
    }
    countGrid->setEditing(true);
    countGrid->setEditableColumns({CountCol::Counted});
    connect(&countGrid->cells(), &ui::GridModel::cellTyped, this, [this](int col, int line) {
        if (col != CountCol::Counted)
            return;
        recomputeLine(line);
        updateTotals();
    });
    layout->addWidget(countGrid, 1);
    totalsLabel = new QLabel(page);
    totalsLabel->setObjectName(QStringLiteral("totalsLabel"));
    totalsLabel->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(totalsLabel);
    return page;
}

void StocktakeWindow::refreshSuppliers() {
    if (scopeCombo->currentIndex() != ledger::CountScope::Supplier)
        return;
    settleBooks();
    attempt([this] {
        store::BookPass inventory(context().servers,
                                  store::bookPath(context().programDir, store::Book::Inventory));
        const QStringList suppliers = ledger::suppliersOf(inventory);
        // A supplier typed or chosen before stays chosen.
        const QString chosen = supplierCombo->currentText();
        supplierCombo->clear();
        supplierCombo->addItems(suppliers);
        if (!chosen.isEmpty())
            supplierCombo->setCurrentText(chosen);
    });
}

std::optional<QList<ledger::CountItem>> StocktakeWindow::inventoryItems(
    const ledger::CountScope& scope) {
    settleBooks();
    std::optional<QList<ledger::CountItem>> items;
    attempt([&] {
        store::BookPass inventory(context().servers,
                                  store::bookPath(context().programDir, store::Book::Inventory));
        items = ledger::countSheet(inventory, scope);
    });
    return items;
}

void StocktakeWindow::listItems() {
    const auto kind = ledger::CountScope::Kind(scopeCombo->currentIndex());
    ledger::CountScope scope{kind, QString()};
    if (kind == ledger::CountScope::Supplier)
        scope.text = supplierCombo->currentText().trimmed();
    else if (kind == ledger::CountScope::Contains)
        scope.text = scopeEdit->text().trimmed();
    if (kind != ledger::CountScope::All && scope.text.isEmpty()) {
        context().prompt->information(this, kind == ledger::CountScope::Supplier
                                                ? QStringLiteral("请选择要盘点的供货厂商")
                                                : QStringLiteral("请输入商品名称或编号包含的文字"));
        return;
    }
    pages->setCurrentIndex(0);
    if (hasCounts() &&
        !context().prompt->confirm(
            this, QStringLiteral("重新列出商品，已输入的实盘数量都会清除。确认吗？")))
        return;
    const auto items = inventoryItems(scope);
    if (!items)
        return;
    showCount(*items);
    status->setPanelText(Panel::Message,
                         items->isEmpty() ? QStringLiteral("没有符合盘点范围的商品")
                                          : QStringLiteral("已列出 %1 种商品").arg(items->size()));
}

void StocktakeWindow::showCount(const QList<ledger::CountItem>& items) {
    m_items = items;
    countGrid->setRowCount(int(items.size()) + 1);
    for (int row = 1; row <= items.size(); ++row)
        countGrid->cells().setRow(row, lineTexts(items[row - 1]));
    status->setPanelText(Panel::Rows, QString::number(items.size()));
    updateTotals();
}

bool StocktakeWindow::hasCounts() const {
    for (int row = 1; row < countGrid->rowCount(); ++row) {
        if (!countGrid->cell(CountCol::Counted, row).trimmed().isEmpty())
            return true;
    }
    return false;
}

int StocktakeWindow::rowOfCode(const QString& code) const {
    for (int row = 1; row < countGrid->rowCount(); ++row) {
        if (store::sameItemCode(countGrid->cell(CountCol::Code, row), code))
            return row;
    }
    return 0;
}

int StocktakeWindow::addItem(const ledger::CountItem& item) {
    // In code order, as the list was made: the printed sheet then follows the shelves'
    // labels however the items joined the count.
    const auto after = std::ranges::find_if(
        m_items, [&](const ledger::CountItem& listed) { return listed.code > item.code; });
    const int row = int(after - m_items.begin()) + 1;
    m_items.insert(after, item);
    const int rows = countGrid->rowCount() + 1;
    countGrid->setRowCount(rows);
    for (int r = rows - 1; r > row; --r)
        countGrid->cells().setRow(r, countGrid->cells().row(r - 1));
    countGrid->cells().setRow(row, lineTexts(item));
    status->setPanelText(Panel::Rows, QString::number(m_items.size()));
    return row;
}

int StocktakeWindow::rowForScan(const QString& code) {
    if (const int row = rowOfCode(code))
        return row;
    const auto stock = inventoryItems({});
    if (!stock)
        return 0;
    const ledger::CountItem* item = itemOfCode(*stock, code);
    if (!item) {
        context().prompt->beep(this);
        context().prompt->information(this,
                                      QStringLiteral("库存中没有商品编号 %1，不能盘点").arg(code));
        return 0;
    }
    return addItem(*item);
}

void StocktakeWindow::scanCode() {
    const QString code = scanEdit->text().trimmed();
    if (code.isEmpty())
        return;
    // Whatever becomes of this code, the field is ready for the next one: a scanner types
    // on without looking.
    scanEdit->clear();
    scanEdit->setFocus();
    pages->setCurrentIndex(0);
    const QString typed = qtyEdit->text().trimmed();
    if (!typed.isEmpty()) {
        if (const QString problem = ledger::countProblem(typed); !problem.isEmpty()) {
            context().prompt->beep(this);
            context().prompt->information(this, QStringLiteral("数量") + problem);
            return;
        }
    }
    const int row = rowForScan(code);
    if (!row)
        return;
    double counted = 0;
    if (!typed.isEmpty()) {
        counted = *store::parseDecimal(typed);
        qtyEdit->clear();
    } else {
        const QString before = countGrid->cell(CountCol::Counted, row).trimmed();
        if (!before.isEmpty() && !ledger::countProblem(before).isEmpty()) {
            context().prompt->beep(this);
            context().prompt->information(
                this,
                QStringLiteral("第 %1 行的实盘数量%2").arg(row).arg(ledger::countProblem(before)));
            return;
        }
        counted = store::roundMillionths(store::parseDecimal(before).value_or(0) + 1);
    }
    setCount(row, counted);
    status->setPanelText(Panel::Message, QStringLiteral("%1 %2：实盘 %3")
                                             .arg(countGrid->cell(CountCol::Code, row),
                                                  countGrid->cell(CountCol::Name, row),
                                                  store::formatGeneral(counted)));
}

void StocktakeWindow::setCount(int row, double counted) {
    countGrid->setCell(CountCol::Counted, row, store::formatGeneral(counted));
    recomputeLine(row);
    updateTotals();
    countGrid->selectRange(CountCol::Counted, row, CountCol::Counted, row);
}

void StocktakeWindow::recomputeLine(int row) {
    if (row < 1 || row > m_items.size())
        return;
    const ledger::CountItem& item = m_items[row - 1];
    const QString text = countGrid->cell(CountCol::Counted, row).trimmed();
    QString difference, value;
    // A count being typed that is no quantity yet shows no difference; posting names it.
    if (!text.isEmpty() && ledger::countProblem(text).isEmpty()) {
        const double diff = store::roundMillionths(*store::parseDecimal(text) - item.bookQty);
        difference = store::formatGeneral(diff);
        value = store::formatFixed2(store::roundMoney(diff * item.avgCost));
    }
    countGrid->setCell(CountCol::Difference, row, difference);
    countGrid->setCell(CountCol::DiffValue, row, value);
}

void StocktakeWindow::updateTotals() {
    const CountTotals totals = countTotals(*countGrid);
    totalsLabel->setText(
        QStringLiteral("共 %1 种商品，已盘 %2 种    盘盈 %3 种，金额 %4    盘亏 %5 种，金额 %6")
            .arg(countGrid->rowCount() - 1)
            .arg(totals.counted)
            .arg(totals.gains)
            .arg(store::formatFixed2(totals.gainValue))
            .arg(totals.losses)
            .arg(store::formatFixed2(totals.lossValue)));
}

std::optional<QList<ledger::CountLine>> StocktakeWindow::countedLines() {
    QList<ledger::CountLine> lines;
    const QString today = context().clock->todayText();
    for (int row = 1; row < countGrid->rowCount() && row <= m_items.size(); ++row) {
        const QString text = countGrid->cell(CountCol::Counted, row).trimmed();
        if (text.isEmpty())
            continue;
        if (const QString problem = ledger::countProblem(text); !problem.isEmpty()) {
            countGrid->selectRange(CountCol::Counted, row, CountCol::Counted, row);
            context().prompt->information(
                this, QStringLiteral("第 %1 行的实盘数量%2").arg(row).arg(problem));
            return std::nullopt;
        }
        lines << ledger::countLine(m_items[row - 1], row, *store::parseDecimal(text), today);
    }
    return lines;
}

void StocktakeWindow::postCount() {
    pages->setCurrentIndex(0);
    const auto lines = countedLines();
    if (!lines)
        return;
    if (lines->isEmpty()) {
        context().prompt->information(
            this, QStringLiteral("还没有输入任何实盘数量：请扫描商品，或在实盘数量一栏填入数量"));
        return;
    }
    const CountTotals totals = countTotals(*countGrid);
    if (!context().prompt->confirm(
            this,
            QStringLiteral("确认按实盘数量调整 %1 种商品的库存吗？\n盘盈 %2 元，盘亏 %3 元")
                .arg(lines->size())
                .arg(store::formatFixed2(totals.gainValue), store::formatFixed2(totals.lossValue))))
        return;
    // A line is told by its row of the grid, counted or not.
    const auto follow = [this, rows = countGrid->rowCount() - 1](const ledger::Progress& step) {
        if (step.stage == ledger::Progress::Opened)
            progress->setRange(0, rows);
        else if (step.stage == ledger::Progress::LineApplied)
            progress->setValue(step.line);
    };
    ledger::Document posted;
    const Posted outcome = postDocument(
        ledger::Posting::Stocktake,
        [&lines](const ledger::Origin& origin) { return ledger::stocktake(*lines, origin); },
        *progress, follow, &posted);
    // Posted before (a lost answer): the count is in the books all the same, and over.
    if (outcome == Posted::Not)
        return;
    showCount({});
    if (outcome == Posted::Now) {
        status->setPanelText(Panel::Message, QStringLiteral("已入账：%1").arg(posted.number));
        context().prompt->information(this,
                                      QStringLiteral("盘点已入账，单据号 %1").arg(posted.number));
    }
}
