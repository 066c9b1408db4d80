#include "ruku/Unit_ruku.h"

#include <QComboBox>
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
    using namespace store::InventoryCol;
    static const entry::EntryTable table{
        .statusCaptions = {QStringLiteral("入库总数："), QStringLiteral("当前数据："),
                           QStringLiteral("库存总数：")},
        .journalRecords = QStringLiteral("入库记录"),
        .previewColumns = {{.inventoryCol = ItemCode, .width = 100},
                           {.inventoryCol = ItemName, .width = 260},
                           {.inventoryCol = Unit, .width = 100},
                           {.inventoryCol = StockQty, .width = 100},
                           {.inventoryCol = AvgCost, .width = 100},
                           {.inventoryCol = StockValue, .width = 100},
                           {.inventoryCol = SalePrice, .width = 100},
                           {.inventoryCol = Supplier, .width = 300},
                           {.inventoryCol = AlertQty, .width = 100},
                           {.inventoryCol = Remark, .width = 100}},
        .previewColsBeforeFetch = 8,
        // Caption, width, what the line check asks of the cell, where a fetched line takes it.
        .lineColumns =
            {
                {QStringLiteral("商品编号"), 100, CellRule::Number,
                 LineSource::inventory(ItemCode)},
                {QStringLiteral("商品名称"), 260, CellRule::Text, LineSource::inventory(ItemName)},
                {QStringLiteral("单位"), 100, CellRule::Text, LineSource::inventory(Unit)},
                {QStringLiteral("进货数量"), 100, CellRule::Number, {LineSource::Zero}},
                {QStringLiteral("进货价"), 100, CellRule::Number, {LineSource::Zero}},
                {QStringLiteral("金额"), 100, CellRule::Number, {LineSource::Zero}},
                {QStringLiteral("库存均价"), 100, CellRule::Number, LineSource::inventory(AvgCost)},
                {QStringLiteral("供货厂商"), 300, CellRule::Text, LineSource::inventory(Supplier)},
                {QStringLiteral("进货日期"), 100, CellRule::Text, {LineSource::Today}},
                {QStringLiteral("卖出核价"), 100, CellRule::Number,
                 LineSource::inventory(SalePrice)},
                {QStringLiteral("缺货报警"), 100, CellRule::Number,
                 LineSource::inventory(AlertQty)},
                {QStringLiteral("备注"), 100, CellRule::Free, LineSource::inventory(Remark)},
            },
        .addedLineTakesDefaults = true,
        .search =
            {.buttonName = QStringLiteral("SpeedButton7"),
             .caption = QStringLiteral("检索入库记录"),
             .journal = store::Book::StockIn,
             .fields =
                 {{.name = QStringLiteral("商品编号"), .journalCol = store::StockInCol::ItemCode},
                  {.name = QStringLiteral("商品名称"), .journalCol = store::StockInCol::ItemName},
                  {.name = QStringLiteral("供货厂商"), .journalCol = store::StockInCol::Supplier},
                  {.name = QStringLiteral("进货日期"), .journalCol = store::StockInCol::InDate},
                  {.name = QStringLiteral("单据号"), .documentNumber = true}},
             .dateCol = store::StockInCol::InDate,
             .result = query::wholeBookShape(store::Book::StockIn)},
        .returnButtonSlot = 3,
        // A scanned item's purchase price starts at its average cost.
        .scan = {.priceInventoryCol = AvgCost, .unknownCodeStartsItem = true},
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

    // What is paid on the goods: paid (the default, as every posting was before), owed to
    // the supplier, or partly paid. Sent back, the goods' money comes back, or is taken
    // off what the shop owes them (冲账), or part of each.
    resize(800, height());
    auto* paidLabel = new QLabel(QStringLiteral("付款："), toolsStrip());
    paidLabel->setObjectName(QStringLiteral("paidLabel"));
    paidLabel->setGeometry(588, 14, 40, 18);
    paidCombo = new QComboBox(toolsStrip());
    paidCombo->setObjectName(QStringLiteral("paidCombo"));
    paidCombo->addItems(
        {QStringLiteral("已付"), QStringLiteral("未付"), QStringLiteral("部分付款")});
    paidCombo->setToolTip(
        QStringLiteral("进货入库：已付、未付（记入应付账款）或部分付款。\n"
                       "退货出厂：“已付”为厂商退回现金，“未付”为冲账（冲减应付账款），"
                       "“部分付款”为退回所填金额、其余冲账。"));
    paidCombo->setGeometry(628, 11, 84, 23);
    paidEdit = new QLineEdit(toolsStrip());
    paidEdit->setObjectName(QStringLiteral("paidEdit"));
    paidEdit->setPlaceholderText(QStringLiteral("已付金额"));
    paidEdit->setGeometry(716, 11, 76, 23);
    paidEdit->setEnabled(false);
    connect(paidCombo, &QComboBox::currentIndexChanged, this,
            [this](int index) { paidEdit->setEnabled(index == kPartlyPaid); });
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
    std::optional<double> paidPart;
    if (paidCombo->currentIndex() == kPartlyPaid) {
        paidPart = store::parseDecimal(paidEdit->text());
        if (!paidPart || *paidPart < 0) {
            context().prompt->information(
                this, QStringLiteral("部分付款的金额“%1”不是有效的金额，没有%2任何数据。")
                          .arg(paidEdit->text(), ledger::verbOf(posting)));
            return;
        }
    }
    const bool posted = runPosting(posting, [&](const ledger::Origin& origin) {
        QList<ledger::PurchaseLine> lines;
        for (const EntryLine& line : entry::readBatch(*StringGrid_ruku, columns())) {
            lines << ledger::PurchaseLine{.row = line.row,
                                          .codeText = line.text(Col::Code),
                                          .code = line.number(Col::Code),
                                          .name = line.text(Col::Name),
                                          .unit = line.text(Col::Unit),
                                          .qty = line.number(Col::Qty),
                                          .price = line.number(Col::Price),
                                          .amount = line.number(Col::Amount),
                                          .avgCost = line.number(Col::AvgCost),
                                          .supplier = line.text(Col::Supplier),
                                          .date = line.text(Col::Date),
                                          .salePrice = line.number(Col::SalePrice),
                                          .alertQty = line.number(Col::AlertQty),
                                          .remark = line.text(Col::Remark)};
        }
        ledger::Document document =
            isReturn ? ledger::supplierReturn(lines, origin) : ledger::purchase(lines, origin);
        document.payment = supplierSettlement(lines, paidCombo->currentIndex(), paidPart);
        return document;
    });
    if (posted) {
        paidCombo->setCurrentIndex(0);
        paidEdit->clear();
    }
}

std::optional<ledger::Payment> TForm_ruku::supplierSettlement(
    const QList<ledger::PurchaseLine>& lines, int choice, std::optional<double> paidPart) {
    if (choice == 0)
        return std::nullopt;
    double total = 0;
    for (const ledger::PurchaseLine& line : lines)
        total += line.amount;
    total = store::roundMoney(total);
    const double paid = choice == kPartlyPaid ? *paidPart : 0;
    if (store::roundMoney(paid) > total)
        throw ledger::Refusal(QStringLiteral("部分付款的金额 %1 超过了单据金额 %2")
                                  .arg(store::formatFixed2(paid), store::formatFixed2(total)));
    return ledger::Payment::of({{ledger::PayMethod::Cash, paid},
                                {ledger::PayMethod::OnAccount, store::roundMoney(total - paid)}},
                               paid);
}
