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
using store::CellValue;

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

CellValue number(double value) {
    return CellValue::fromNumber(value);
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
         entry::journalResult({QStringLiteral("商品编号"), QStringLiteral("商品名称"),
                               QStringLiteral("单位"), QStringLiteral("进货数量"),
                               QStringLiteral("进货价格"), QStringLiteral("进货金额"),
                               QStringLiteral("库存均价"), QStringLiteral("供货厂商"),
                               QStringLiteral("进货日期"), QStringLiteral("备注")})},
        3,
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

void TForm_ruku::SpeedButton10Click() {
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
    ui::StringGrid& grid = *StringGrid_ruku;
    const QString verb = QStringLiteral("入库");
    if (!postingConfirmed(QStringLiteral("确认开始进行采购入库操作吗？"), verb))
        return;

    if (!booksWritable({store::Book::Inventory, store::Book::StockIn}, verb))
        return;

    QList<EntryLine> lines;
    try {
        lines = entry::readBatch(grid, columns());
        // A journal that cannot be read, or has no room left, is found out before the
        // inventory is changed.
        {
            store::BookPass journal(context().servers, bookPath(store::Book::StockIn));
            requireJournalRoom(journal, lines.size());
        }
        postToInventory(lines);
    } catch (const store::StoreError& failure) {
        showNothingPosted(failure, verb);
        return;
    }

    try {
        postToJournal(lines);
    } catch (const store::StoreError& failure) {
        // The lines stay, so that the shop keeper sees what the journal is missing.
        context().prompt->error(
            this, QStringLiteral("库存已经更新，但入库记录没有保存：%1\n"
                                 "这些数据仍留在表格中，请不要再次入库，以免重复计入库存。")
                      .arg(failure.message()));
        return;
    }
    entry::emptyLines(grid);
    StatusBar1->setPanelText(entry::Panel::LineCount, QStringLiteral("0"));
}

void TForm_ruku::postToInventory(const QList<EntryLine>& lines) {
    using namespace store::InventoryCol;
    store::BookPass book(context().servers, bookPath(store::Book::Inventory));
    const int gridRows = StringGrid_ruku->rowCount();
    ProgressBar1->setRange(0, gridRows);
    ProgressBar1->setValue(0);
    StatusBar1->setPanelText(entry::Panel::LineCount, QString::number(gridRows));

    for (const EntryLine& line : lines) {
        const double code = line.number(Col::Code);
        const CellValue name = line.textCell(Col::Name), unit = line.textCell(Col::Unit);
        const CellValue supplier = line.textCell(Col::Supplier);
        const CellValue remark = line.textCell(Col::Remark);
        const CellValue salePrice = line.numberCell(Col::SalePrice);
        const CellValue alertQty = line.numberCell(Col::AlertQty);
        entry::onLine(line, [&] {
            // The count is read afresh: a code that an earlier line appended is found.
            const int found = book.findItemByNumber(code);
            if (found) {
                const double before = book.requireNumber(found, StockQty);
                const double lineQty = line.number(Col::Qty);
                const double amount = line.number(Col::Amount);
                const double qty = store::sumForBook(before + lineQty);
                if (qty == 0)
                    throw store::StoreError(QStringLiteral("入库后库存数量为 0，无法计算库存均价"));
                double cost, value;
                if (before <= 0 && lineQty > 0) {
                    // Stock back from nothing or below: what the shop owed in goods says
                    // nothing of their cost, so the line's own price becomes the average.
                    cost = store::moneyForBook(amount / lineQty);
                    value = store::moneyForBook(qty * cost);
                } else {
                    value = store::sumForBook(amount + book.requireNumber(found, StockValue));
                    cost = store::moneyForBook(value / qty);
                }
                book.writeRow(found, {number(code), name, unit, number(qty), number(cost),
                                      number(value), salePrice, supplier, alertQty, remark});
            } else {
                book.writeRow(book.usedRowCount() + 1,
                              {number(code), name, unit, line.numberCell(Col::Qty),
                               line.numberCell(Col::Price), line.numberCell(Col::Amount), salePrice,
                               supplier, alertQty, remark});
            }
        });
        ProgressBar1->setValue(line.row + 1);
    }
    StatusBar1->setPanelText(entry::Panel::ItemCount, QString::number(book.usedRowCount() - 1));
    book.save();
    ProgressBar1->setValue(0);
    StatusBar1->setPanelText(entry::Panel::LineCount, QStringLiteral("0"));
}

void TForm_ruku::postToJournal(const QList<EntryLine>& lines) {
    appendToJournal(store::Book::StockIn, lines, [](const EntryLine& line) {
        return QList<CellValue>{line.numberCell(Col::Code),    line.textCell(Col::Name),
                                line.textCell(Col::Unit),      line.numberCell(Col::Qty),
                                line.numberCell(Col::Price),   line.numberCell(Col::Amount),
                                line.numberCell(Col::AvgCost), line.textCell(Col::Supplier),
                                line.textCell(Col::Date),      line.textCell(Col::Remark)};
    });
}
