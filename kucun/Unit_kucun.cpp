#include "kucun/Unit_kucun.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "ledger/Listings.h"
#include "query/GridTotals.h"
#include "report/GridReport.h"
#include "store/Numbers.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace {

using query::ResultShape;

struct View {
    QString name;
    ResultShape shape;
};

// The ledger's inventory views as the view box offers them and the grid shows them.
const QList<View>& views() {
    static const QList<View> all = [] {
        QList<View> shown;
        for (const ledger::InventoryView& view : ledger::inventoryViews())
            shown.append({view.name, query::bookShape(store::Book::Inventory, view.columns)});
        return shown;
    }();
    return all;
}

// The view a text names, or none: a hand-typed text names no view.
const ResultShape* viewNamed(const QString& name) {
    for (const View& view : views()) {
        if (view.name == name)
            return &view.shape;
    }
    return nullptr;
}

const ResultShape& quantitiesView() {
    return views().front().shape;
}
const ResultShape& everythingView() {
    return views().back().shape;
}
const QString& everythingViewName() {
    return views().back().name;
}

// The stock value in the everything view.
constexpr int kStockValueCol = 5;

namespace Panel {
enum : int { ItemCount = 1, ResultCount = 3, StockValue = 4 };
}

}  // namespace

TForm_kucun::TForm_kucun(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—库存查询")) {
    setObjectName(QStringLiteral("Form_kucun"));
    buildButtons();
    buildQueryPanel();
    buildGrid();

    ProgressBar1 = ui::progressBar(this, QStringLiteral("ProgressBar1"), 16);
    column()->addWidget(ProgressBar1);
    StatusBar1 = new ui::PanelStatusBar({70, 80, 70, 80, 50}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setPanelText(0, QStringLiteral("商品总数："));
    StatusBar1->setPanelText(2, QStringLiteral("查询结果："));
    column()->addWidget(StatusBar1);

    // The hidden hand-overs: the row copy, and the carrier of "复制" to the clipboard.
    Button1 = new QPushButton(QStringLiteral("显示查询结果"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->hide();
    connect(Button1, &QPushButton::clicked, this, &TForm_kucun::Button1Click);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->hide();
}

void TForm_kucun::buildButtons() {
    QFrame* strip = addStrip(QStringLiteral("Panel1"), 57);
    const std::pair<QToolButton**, const char*> buttons[] = {
        {&SpeedButton7, "开始查询"},  {&SpeedButton8, "导出保存"},  {&SpeedButton9, "输出打印"},
        {&SpeedButton10, "统计资金"}, {&SpeedButton11, "统计缺货"}, {&SpeedButton12, "返回菜单"}};
    int left = 8;
    for (const auto& [button, caption] : buttons) {
        const QString name = QStringLiteral("SpeedButton%1").arg(7 + int(button - &SpeedButton7));
        *button = ui::speedButton(strip, name, QString::fromUtf8(caption), QString(), left, 8);
        left += 96;
    }
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm_kucun::SpeedButton7Click);
    connect(SpeedButton8, &QToolButton::clicked, this, &TForm_kucun::SpeedButton8Click);
    connect(SpeedButton9, &QToolButton::clicked, this, &TForm_kucun::SpeedButton9Click);
    connect(SpeedButton10, &QToolButton::clicked, this, &TForm_kucun::SpeedButton10Click);
    connect(SpeedButton11, &QToolButton::clicked, this, &TForm_kucun::SpeedButton11Click);
    connect(SpeedButton12, &QToolButton::clicked, this, &TForm_kucun::SpeedButton12Click);
}

void TForm_kucun::buildQueryPanel() {
    QFrame* strip = addStrip(QStringLiteral("Panel2"), 55);
    auto* layout = new QGridLayout(strip);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(2);
    ComboBox1 = ui::editableComboBox(
        strip, QStringLiteral("ComboBox1"),
        {QStringLiteral("商品编号"), QStringLiteral("商品名称"), QStringLiteral("供货厂商")});
    ComboBox2 = ui::editableComboBox(strip, QStringLiteral("ComboBox2"), store::conditionNames());
    Edit1 = new QLineEdit(strip);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    QStringList viewNames;
    for (const View& view : views())
        viewNames << view.name;
    ComboBox3 = ui::editableComboBox(strip, QStringLiteral("ComboBox3"), viewNames);

    const std::pair<QWidget*, const char*> boxes[] = {{ComboBox1, "选择查询项目"},
                                                      {ComboBox2, "筛选条件"},
                                                      {Edit1, "输入查询项目内容"},
                                                      {ComboBox3, "数据库显示类型"}};
    const int widths[] = {121, 97, 225, 189};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(boxes[i].second), strip);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        layout->addWidget(label, 0, i);
        QWidget* box = boxes[i].first;
        if (i < 3)
            box->setFixedWidth(widths[i]);
        else
            box->setMinimumWidth(widths[i]);
        layout->addWidget(box, 1, i);
    }
    layout->setColumnStretch(3, 1);
}

void TForm_kucun::buildGrid() {
    StringGrid_kucun = new ui::StringGrid(8, 100, this);
    StringGrid_kucun->setObjectName(QStringLiteral("StringGrid_kucun"));
    StringGrid_kucun->horizontalHeader()->setDefaultSectionSize(120);
    for (int c = 0; c < 8; ++c)
        StringGrid_kucun->setColWidth(c, 120);
    StringGrid_kucun->verticalHeader()->setDefaultSectionSize(20);
    column()->addWidget(StringGrid_kucun, 1);

    PopupMenu1 = ui::popupMenu(StringGrid_kucun, QStringLiteral("PopupMenu1"));
    N1 = PopupMenu1->addAction(QStringLiteral("复制"));
    N1->setObjectName(QStringLiteral("N1"));
    connect(N1, &QAction::triggered, this, &TForm_kucun::N1Click);
}

query::ListingControls TForm_kucun::listingControls() const {
    return {StringGrid_kucun, ProgressBar1, StatusBar1, Panel::ItemCount, Panel::ResultCount};
}

void TForm_kucun::SpeedButton7Click() {
    if (Edit1->text().trimmed().isEmpty())
        return;
    // The boxes are read once: what the shop keeper asked for when the query started.
    const QString field = ComboBox1->currentText();
    const ledger::FieldTest test{ledger::inventoryField(field),
                                 store::conditionNamed(ComboBox2->currentText()), Edit1->text()};
    const query::Listing listing{
        store::Book::Inventory,
        everythingView(),
        viewNamed(ComboBox3->currentText()),
        [&test](store::BookPass& book, int row) { return test.matches(book, row); },
        query::handOver(*Button1, TargetRow, SourceRow, m_openBook),
        test.col == store::InventoryCol::ItemCode
            ? store::numberSearchRefusal(test.condition, test.text, field)
            : QString()};
    listing.run(*this, listingControls());
}

void TForm_kucun::Button1Click() {
    if (!m_openBook)
        return;
    if (const ResultShape* view = viewNamed(ComboBox3->currentText()))
        query::copyRow(*m_openBook, SourceRow, *view, *StringGrid_kucun, TargetRow);
}

bool TForm_kucun::showsEverything() const {
    // The box can name the everything view while the grid still lists another (the box was
    // changed after the query, or a shortage list is shown); its columns then mean other
    // things than the total and the printout take them for. A grid that lists nothing is
    // left to the operation, which then does nothing.
    if (ComboBox3->currentText() != everythingViewName())
        return false;
    return !ui::lastRowStarted(*StringGrid_kucun) ||
           StringGrid_kucun->cell(kStockValueCol, 0) == everythingView()[kStockValueCol].caption;
}

report::ReportControls TForm_kucun::reportControls() const {
    return {*StringGrid_kucun, *ProgressBar1, *StatusBar1, Panel::ResultCount};
}

void TForm_kucun::SpeedButton8Click() {
    report::exportGrid(*this, reportControls());
}

void TForm_kucun::SpeedButton9Click() {
    static const report::PrintForm stockList{QStringLiteral("确认输出当前数据到打印机吗？"),
                                             {{0, QStringLiteral("编号"), 6},
                                              {1, QStringLiteral("商品名称"), 20},
                                              {2, QStringLiteral("单位"), 4},
                                              {3, QStringLiteral("数量"), 8},
                                              {4, QStringLiteral("库存均价"), 8}},
                                             report::listHeader(QStringLiteral("库存清单"))};
    if (!showsEverything()) {
        context().prompt->information(this, QStringLiteral("必须显示商品全部信息才能打印输出"));
        return;
    }
    repaint();
    report::printGrid(*this, reportControls(), stockList);
}

void TForm_kucun::SpeedButton10Click() {
    if (!showsEverything()) {
        context().prompt->information(this, QStringLiteral("必须显示商品全部信息才能统计资金"));
        return;
    }
    repaint();
    attempt([this] {
        if (const auto sum = query::columnTotal(*StringGrid_kucun, kStockValueCol, *ProgressBar1))
            StatusBar1->setPanelText(Panel::StockValue,
                                     QStringLiteral("库存金额：") + store::formatGeneral(*sum));
    });
}

void TForm_kucun::SpeedButton11Click() {
    if (!context().prompt->confirm(this, QStringLiteral("确认检索库存量低于预设报警值商品吗？")))
        return;
    repaint();
    const query::Listing listing{
        store::Book::Inventory, everythingView(), &quantitiesView(),
        [](store::BookPass& book, int row) { return ledger::isShort(book, row); },
        [this](store::BookPass& book, int target, int source) {
            TargetRow = target;
            SourceRow = source;
            query::copyRow(book, SourceRow, quantitiesView(), *StringGrid_kucun, TargetRow);
        }};
    listing.run(*this, listingControls());
}

void TForm_kucun::SpeedButton12Click() {
    close();
}

void TForm_kucun::N1Click() {
    const QPoint at = StringGrid_kucun->selectedCell();
    ui::copyThrough(Edit2, StringGrid_kucun->cell(at.x(), at.y()));
}
