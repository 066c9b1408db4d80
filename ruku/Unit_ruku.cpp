#include "ruku/Unit_ruku.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

#include "query/GridTotals.h"
#include "report/GridReport.h"
#include "store/Numbers.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

using entry::CellRule;
using entry::EntryLine;
using entry::LineSource;

namespace {

// Grid columns of a purchase line.
namespace Col {
enum : int {
    Code,
    Name,
    Unit,
    Qty,
    Price,
    Amount,
    AvgCost,
    Supplier,
    Date,
    SalePrice,
    AlertQty,
    Remark
};
}

}  // namespace

const entry::EntryTable& TForm_ruku::columns() {
    static const entry::EntryTable table{
        {QStringLiteral("入库总数："), QStringLiteral("当前数据："), QStringLiteral("库存总数：")},
        QStringLiteral("入库记录"),
        {{1, 100},
         {2, 260},
         {3, 100},
         {4, 100},
         {5, 100},
         {6, 100},
         {7, 100},
         {8, 300},
         {9, 100},
         {10, 100}},
        8,
        {
            {QStringLiteral("商品编号"), 100, CellRule::Number, LineSource::preview(0)},
            {QStringLiteral("商品名称"), 260, CellRule::Text, LineSource::preview(1)},
            {QStringLiteral("单位"), 100, CellRule::Text, LineSource::preview(2)},
            {QStringLiteral("进货数量"), 100, CellRule::Number, {LineSource::Zero}},
            {QStringLiteral("进货价"), 100, CellRule::Number, {LineSource::Zero}},
            {QStringLiteral("金额"), 100, CellRule::Number, {LineSource::Zero}},
            {QStringLiteral("库存均价"), 100, CellRule::Number, LineSource::preview(4)},
            {QStringLiteral("供货厂商"), 300, CellRule::Text, LineSource::preview(7)},
            {QStringLiteral("进货日期"), 100, CellRule::Text, {LineSource::Today}},
            {QStringLiteral("卖出核价"), 100, CellRule::Number, LineSource::preview(6)},
            {QStringLiteral("缺货报警"), 100, CellRule::Number, LineSource::preview(8)},
            {QStringLiteral("备注"), 100, CellRule::Free, LineSource::preview(9)},
        },
        true,
        {QStringLiteral("SpeedButton7"),
         QStringLiteral("检索入库记录"),
         store::Book::StockIn,
         {{QStringLiteral("商品编号"), store::StockInCol::ItemCode, true},
          {QStringLiteral("商品名称"), store::StockInCol::ItemName},
          {QStringLiteral("供货厂商"), store::StockInCol::Supplier},
          {QStringLiteral("进货日期"), store::StockInCol::InDate}},
         store::StockInCol::InDate,
         query::wholeBookShape(store::Book::StockIn)},
        3,
        {},
        {4, true},
    };
    return table;
}

TForm_ruku::TForm_ruku(const ui::AppContext& context, QWidget* menu)
    : entry::EntryWindow(context, menu, QStringLiteral("Tavelo进销存—进货入库"), columns(),
                         QStringLiteral("StringGrid_ruku")) {
    setObjectName(QStringLiteral("Form_ruku"));
    StringGrid_ruku = &entryGrid();
    SpeedButton7 = m_searchButton;

    SpeedButton4 =
        stripButton(lookupStrip(), QStringLiteral("SpeedButton4"), QStringLiteral("进货入库"), 3);
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm_ruku::SpeedButton4Click);
    SpeedButton5 =
        stripButton(lookupStrip(), QStringLiteral("SpeedButton5"), QStringLiteral("退货出厂"), 4);
    connect(SpeedButton5, &QToolButton::clicked, this, &TForm_ruku::SpeedButton5Click);

    auto* label = new QLabel(QStringLiteral("最大编号："), toolsStrip());
    label->setObjectName(QStringLiteral("Label2"));
    label->setGeometry(8, 14, 64, 18);
    Edit1 = new QLineEdit(toolsStrip());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(72, 11, 120, 23);
    Edit1->setReadOnly(true);
    QPalette face = Edit1->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    Edit1->setPalette(face);

    SpeedButton8 =
        stripButton(toolsStrip(), QStringLiteral("SpeedButton8"), QStringLiteral("导出保存"), 0);
    SpeedButton9 =
        stripButton(toolsStrip(), QStringLiteral("SpeedButton9"), QStringLiteral("输出打印"), 1);
    connect(SpeedButton8, &QToolButton::clicked, this, &TForm_ruku::SpeedButton8Click);
    connect(SpeedButton9, &QToolButton::clicked, this, &TForm_ruku::SpeedButton9Click);
    SpeedButton10 =
        stripButton(toolsStrip(), QStringLiteral("SpeedButton10"), QStringLiteral("统计资金"), 2);
    connect(SpeedButton10, &QToolButton::clicked, this, &TForm_ruku::SpeedButton10Click);
}

void TForm_ruku::SpeedButton7Click() {
    searchJournal();
}

void TForm_ruku::SpeedButton9Click() {
    printPurchaseList();
}

void TForm_ruku::SpeedButton10Click() {
    totalAmounts();
}

void TForm_ruku::printPurchaseList() {
    // The average cost the line carries is the shop's business, not the supplier's list.
    static const report::PrintForm purchaseList{QStringLiteral("确认输出当前数据到打印机吗？"),
                                                {{Col::Code, QStringLiteral("编号"), 6},
                                                 {Col::Name, QStringLiteral("商品名称"), 16},
                                                 {Col::Unit, QStringLiteral("单位"), 4},
                                                 {Col::Qty, QStringLiteral("数量"), 7},
                                                 {Col::Price, QStringLiteral("价格"), 7},
                                                 {Col::Amount, QStringLiteral("金额"), 7},
                                                 {Col::Supplier, QStringLiteral("供货厂商"), 16}},
                                                report::listHeader(QStringLiteral("进货清单")),
                                                Col::Amount};
    report::printGrid(*this, reportControls(), purchaseList);
}

void TForm_ruku::totalAmounts() {
    attempt([this] {
        if (const auto sum = query::columnTotal(*StringGrid_ruku, Col::Amount, *ProgressBar1))
            StatusBar1->setPanelText(entry::Panel::Total,
                                     QStringLiteral("合计金额：") + store::formatGeneral(*sum));
    });
}

void TForm_ruku::itemCounted(int usedRows, store::BookPass& book) {
    // The code of the bottom row, which is the item added last, not the largest code.
    if (usedRows > 1)
        Edit1->setText(store::formatGeneral(book.number(usedRows, store::InventoryCol::ItemCode)));
    StatusBar1->setPanelText(entry::Panel::ItemCount, QString::number(usedRows - 1));
}

void TForm_ruku::SpeedButton4Click() {
    postPurchase(ledger::Posting::Purchase);
}

void TForm_ruku::SpeedButton5Click() {
    postPurchase(ledger::Posting::SupplierReturn);
}

void TForm_ruku::postPurchase(ledger::Posting posting) {
    const bool isReturn = posting == ledger::Posting::SupplierReturn;
    if (!postingConfirmed(isReturn ? QStringLiteral("确认开始进行退货出厂操作吗？")
                                   : QStringLiteral("确认开始进行采购入库操作吗？"),
                          ledger::verbOf(posting)))
        return;
    runPosting(posting, [&](ledger::Ledger& books, const ledger::ProgressFn& progress) {
        QList<ledger::PurchaseLine> lines;
        for (const EntryLine& line : entry::readBatch(*StringGrid_ruku, columns())) {
            lines << ledger::PurchaseLine{line.row,
                                          line.text(Col::Code),
                                          line.number(Col::Code),
                                          line.text(Col::Name),
                                          line.text(Col::Unit),
                                          line.number(Col::Qty),
                                          line.number(Col::Price),
                                          line.number(Col::Amount),
                                          line.number(Col::AvgCost),
                                          line.text(Col::Supplier),
                                          line.text(Col::Date),
                                          line.number(Col::SalePrice),
                                          line.number(Col::AlertQty),
                                          line.text(Col::Remark)};
        }
        return isReturn ? books.postSupplierReturn(lines, progress)
                        : books.postPurchase(lines, progress);
    });
}
