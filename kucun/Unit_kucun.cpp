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
#include "pandian/StocktakeWindow.h"
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
    const struct {
        QToolButton** button;
        const char* name;
        const char* caption;
        void (TForm_kucun::*click)();
    } buttons[] = {{&SpeedButton7, "SpeedButton7", "开始查询", &TForm_kucun::SpeedButton7Click},
                   {&SpeedButton8, "SpeedButton8", "导出保存", &TForm_kucun::SpeedButton8Click},
                   {&SpeedButton9, "SpeedButton9", "输出打印", &TForm_kucun::SpeedButton9Click},
                   {&SpeedButton10, "SpeedButton10", "统计资金", &TForm_kucun::SpeedButton10Click},
                   {&SpeedButton11, "SpeedButton11", "统计缺货", &TForm_kucun::SpeedButton11Click},
                   {&SpeedButton12, "SpeedButton12", "返回菜单", &TForm_kucun::SpeedButton12Click}};
    int left = 8;
    for (const auto& b : buttons) {
        *b.button = ui::speedButton(strip, QString::fromUtf8(b.name), QString::fromUtf8(b.caption),
                                    QString(), left, 8);
        connect(*b.button, &QToolButton::clicked, this, b.click);
        left += 96;
    }
    stocktakeButton = ui::speedButton(strip, QStringLiteral("stocktakeButton"),
                                      QStringLiteral("库存盘点"), QString(), left, 8);
    connect(stocktakeButton, &QToolButton::clicked, this, &TForm_kucun::showStocktake);
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
    // Enter in the query field queries, as "开始查询" does.
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { SpeedButton7->click(); });
    QStringList viewNames;
    for (const View& view : views())
        viewNames << view.name;
    ComboBox3 = ui::editableComboBox(strip, QStringLiteral("ComboBox3"), viewNames);

    const struct {
        QWidget* box;
        const char* label;
        const char* caption;
        int width;
    } boxes[] = {{ComboBox1, "Label1", "选择查询项目", 121},
                 {ComboBox2, "Label2", "筛选条件", 97},
                 {Edit1, "Label3", "输入查询项目内容", 225},
                 {ComboBox3, "Label4", "数据库显示类型", 189}};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(boxes[i].caption), strip);
        label->setObjectName(QString::fromUtf8(boxes[i].label));
        layout->addWidget(label, 0, i);
        QWidget* box = boxes[i].box;
        // The last box takes the width the window has left.
        if (i < 3)
            box->setFixedWidth(boxes[i].width);
        else
            box->setMinimumWidth(boxes[i].width);
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
    queryItems();
}

void TForm_kucun::queryItems() {
    if (Edit1->text().trimmed().isEmpty())
        return;
    // An old total never stands beside new rows.
    StatusBar1->setPanelText(Panel::StockValue, QString());
    // The boxes are read once: what the shop keeper asked for when the query started.
    const QString field = ComboBox1->currentText();
    const ledger::FieldTest test{.col = ledger::inventoryField(field),
                                 .condition = store::conditionNamed(ComboBox2->currentText()),
                                 .text = Edit1->text()};
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
    query::copyResultRow(m_openBook, SourceRow, viewNamed(ComboBox3->currentText()),
                         *StringGrid_kucun, TargetRow);
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
    printStockList();
}

void TForm_kucun::SpeedButton10Click() {
    totalStockValue();
}

void TForm_kucun::SpeedButton11Click() {
    listShortages();
}

void TForm_kucun::SpeedButton12Click() {
    close();
}

void TForm_kucun::N1Click() {
    copyCell();
}

TForm_kucun::~TForm_kucun() = default;

StocktakeWindow& TForm_kucun::stocktake() {
    if (!m_stocktake)
        m_stocktake = std::make_unique<StocktakeWindow>(context(), nullptr);
    return *m_stocktake;
}

void TForm_kucun::showStocktake() {
    // Over the inventory window, as the shift report opens over the sales window. A count
    // by supplier offers the suppliers as the inventory names them now.
    stocktake().refreshSuppliers();
    stocktake().exec();
}

void TForm_kucun::printStockList() {
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

void TForm_kucun::totalStockValue() {
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

void TForm_kucun::listShortages() {
    if (!context().prompt->confirm(this, QStringLiteral("确认检索库存量低于预设报警值商品吗？")))
        return;
    StatusBar1->setPanelText(Panel::StockValue, QString());
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

void TForm_kucun::copyCell() {
    const QPoint at = StringGrid_kucun->selectedCell();
    ui::copyThrough(Edit2, StringGrid_kucun->cell(at.x(), at.y()));
}
