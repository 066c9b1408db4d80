#include "chuku/Unit_chuku.h"

#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <optional>

#include "query/GridTotals.h"
#include "report/GridReport.h"
#include "store/Numbers.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"

using entry::CellRule;
using entry::EntryLine;
using entry::LineSource;
using store::CellValue;

namespace {

// Grid columns of a sale or return line; the journal keeps them in the same order.
namespace Col {
enum : int { Code, Name, Unit, Qty, Price, Amount, AvgCost, Customer, Date, Remark };
}

// The two running totals of "统计利润".
struct SalesTotals {
    double sales = 0;
    double profit = 0;
};

// The sales and profit of the rows a grid shows: a row is a return when its remark holds
// "退货" anywhere, which is what a posted return writes, and is subtracted. The profit of
// a row is its quantity times the margin of its price over the average cost it carries;
// the sales total takes the amount as it stands. Nothing when there is no row to total.
std::optional<SalesTotals> salesTotals(const ui::StringGrid& grid, QProgressBar& progress) {
    const auto number = [&grid](int col, int row) {
        return ui::cellNumber(grid, col, row, ui::captionOf(grid, col));
    };
    const QString returnMark = QStringLiteral("退货");
    SalesTotals totals;
    const bool any = query::eachResultRow(grid, progress, [&](int row) {
        const double price = number(Col::Price, row);
        const double qty = number(Col::Qty, row);
        const double cost = number(Col::AvgCost, row);
        // Carried wider than the totals, so q × p − q × a loses nothing to its middle step.
        const long double q = qty;
        const double profit = double(q * price - q * cost);
        const double amount = number(Col::Amount, row);
        const double sign = grid.cell(Col::Remark, row).contains(returnMark) ? -1 : 1;
        totals.sales += sign * amount;
        totals.profit += sign * profit;
    });
    if (!any)
        return std::nullopt;
    return totals;
}

// A line whose item the inventory book does not hold: told in a plain box, not as an error.
class ItemMissing : public store::StoreError {
public:
    using store::StoreError::StoreError;
};

}  // namespace

// What sets a return apart from a sale.
struct TForm_chuku::Posting {
    QString question;
    QString verb;      // what the messages call the posting
    QString notFound;  // for a line whose item is not in stock
    int sign;          // how the line's quantity moves the stock
    bool isReturn;
};

const TForm_chuku::Posting& TForm_chuku::sale() {
    static const Posting posting{QStringLiteral("确认开始进行销售出库操作吗？"),
                                 QStringLiteral("出库"), QStringLiteral("无此货物没法出库"), -1,
                                 false};
    return posting;
}

const TForm_chuku::Posting& TForm_chuku::goodsReturn() {
    static const Posting posting{QStringLiteral("确认开始进行退货返库操作吗？"),
                                 QStringLiteral("退货返库"), QStringLiteral("无此货物没法退货"), +1,
                                 true};
    return posting;
}

const entry::EntryTable& TForm_chuku::columns() {
    static const entry::EntryTable table{
        {QStringLiteral("出库总数："), QStringLiteral("当前数据："), QStringLiteral("库存总数：")},
        QStringLiteral("出库记录"),
        {{1, 100}, {2, 260}, {3, 100}, {4, 100}, {7, 100}, {5, 100}, {10, 100}},
        6,
        {
            {QStringLiteral("商品编号"), 100, CellRule::Number, LineSource::preview(0)},
            {QStringLiteral("商品名称"), 260, CellRule::Text, LineSource::preview(1)},
            {QStringLiteral("单位"), 100, CellRule::Text, LineSource::preview(2)},
            {QStringLiteral("卖出数量"), 100, CellRule::Number, {LineSource::Zero}},
            {QStringLiteral("卖出价"), 100, CellRule::Number, {LineSource::Zero}},
            {QStringLiteral("卖出金额"), 100, CellRule::Number, {LineSource::Zero}},
            // The average cost when the line was made; the sale price stays in the preview.
            {QStringLiteral("库存均价"), 100, CellRule::Number, LineSource::preview(5)},
            {QStringLiteral("客户名称"), 300, CellRule::Text, {LineSource::Empty}},
            {QStringLiteral("售出日期"), 100, CellRule::Text, {LineSource::Today}},
            {QStringLiteral("备注"), 100, CellRule::Free, LineSource::preview(6)},
        },
        false,
        {QStringLiteral("SpeedButton12"),
         QStringLiteral("检索出库记录"),
         store::Book::StockOut,
         {{QStringLiteral("商品编号"), store::StockOutCol::ItemCode, true},
          {QStringLiteral("商品名称"), store::StockOutCol::ItemName},
          {QStringLiteral("客户名称"), store::StockOutCol::Customer},
          {QStringLiteral("销售日期"), store::StockOutCol::OutDate}},
         store::StockOutCol::OutDate,
         entry::journalResult({QStringLiteral("商品编号"), QStringLiteral("商品名称"),
                               QStringLiteral("单位"), QStringLiteral("卖出数量"),
                               QStringLiteral("卖出价格"), QStringLiteral("卖出金额"),
                               QStringLiteral("库存均价"), QStringLiteral("客户名称"),
                               QStringLiteral("销售日期"), QStringLiteral("备注")})},
        4,
        {false, true},
    };
    return table;
}

const QStringList& TForm_chuku::returnCaptions() {
    static const QStringList captions{QStringLiteral("商品编号"), QStringLiteral("商品名称"),
                                      QStringLiteral("单位"),     QStringLiteral("退货数量"),
                                      QStringLiteral("退货价"),   QStringLiteral("退货金额"),
                                      QStringLiteral("库存均价"), QStringLiteral("客户名称"),
                                      QStringLiteral("退货日期"), QStringLiteral("备注")};
    return captions;
}

TForm_chuku::TForm_chuku(const ui::AppContext& context, QWidget* menu)
    : entry::EntryWindow(context, menu, QStringLiteral("Tavelo进销存—销售出库"), columns(),
                         QStringLiteral("StringGrid_chuku")) {
    setObjectName(QStringLiteral("Form_chuku"));
    StringGrid_chuku = &entryGrid();
    SpeedButton12 = m_searchButton;

    SpeedButton4 =
        stripButton(lookupStrip(), QStringLiteral("SpeedButton4"), QStringLiteral("销售出库"), 3);
    SpeedButton5 =
        stripButton(lookupStrip(), QStringLiteral("SpeedButton5"), QStringLiteral("退货返库"), 4);
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm_chuku::SpeedButton4Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TForm_chuku::SpeedButton5Click);

    // The place of the shop's picture; the window ships without one.
    Image1 = new QLabel(toolsStrip());
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 4, 151, 38);

    SpeedButton8 =
        stripButton(toolsStrip(), QStringLiteral("SpeedButton8"), QStringLiteral("导出保存"), 0);
    SpeedButton9 =
        stripButton(toolsStrip(), QStringLiteral("SpeedButton9"), QStringLiteral("打印输出"), 1);
    SpeedButton10 =
        stripButton(toolsStrip(), QStringLiteral("SpeedButton10"), QStringLiteral("统计利润"), 2);
    connect(SpeedButton10, &QToolButton::clicked, this, &TForm_chuku::SpeedButton10Click);
    SpeedButton7 =
        stripButton(toolsStrip(), QStringLiteral("SpeedButton7"), QStringLiteral("打印货单"), 3);
    connect(SpeedButton8, &QToolButton::clicked, this, &TForm_chuku::SpeedButton8Click);
    connect(SpeedButton9, &QToolButton::clicked, this, &TForm_chuku::SpeedButton9Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm_chuku::SpeedButton7Click);
}

void TForm_chuku::SpeedButton9Click() {
    static const report::PrintForm salesList{QStringLiteral("确认输出当前数据到打印机吗？"),
                                             {{Col::Code, QStringLiteral("编号"), 6},
                                              {Col::Name, QStringLiteral("商品名称"), 12},
                                              {Col::Unit, QStringLiteral("单位"), 4},
                                              {Col::Qty, QStringLiteral("数量"), 4},
                                              {Col::Price, QStringLiteral("价格"), 4},
                                              {Col::Amount, QStringLiteral("金额"), 4},
                                              {Col::Customer, QStringLiteral("客户"), 8},
                                              {Col::Date, QStringLiteral("日期"), 10},
                                              {Col::Remark, QStringLiteral("备注"), 6}},
                                             report::listHeader(QStringLiteral("出货清单"))};
    report::printGrid(*this, reportControls(), salesList);
}

void TForm_chuku::SpeedButton7Click() {
    // The customer gets neither the shop's cost nor a column of their own name: the name
    // and the date of the first line head the page.
    static const report::PrintForm salesBill{
        QStringLiteral("确认将当前数据打印为销货清单吗？"),
        {{Col::Code, QStringLiteral("编号"), 6},
         {Col::Name, QStringLiteral("商品名称"), 18},
         {Col::Unit, QStringLiteral("单位"), 4},
         {Col::Qty, QStringLiteral("数量"), 8},
         {Col::Price, QStringLiteral("价格"), 8},
         {Col::Amount, QStringLiteral("金额"), 8},
         {Col::Remark, QStringLiteral("备注"), 8}},
        [](const ui::StringGrid& grid, QDate) {
            return QStringLiteral("销货清单/客户:") + grid.cell(Col::Customer, 1) +
                   QStringLiteral("    ") + grid.cell(Col::Date, 1);
        },
        Col::Amount};
    report::printGrid(*this, reportControls(), salesBill);
}

void TForm_chuku::SpeedButton10Click() {
    attempt([this] {
        if (const auto totals = salesTotals(*StringGrid_chuku, *ProgressBar1))
            StatusBar1->setPanelText(
                entry::Panel::Total,
                QStringLiteral("销售总额：%1/合计利润：%2")
                    .arg(store::formatFixed2(totals->sales), store::formatFixed2(totals->profit)));
    });
}

void TForm_chuku::SpeedButton12Click() {
    searchJournal();
}

void TForm_chuku::SpeedButton4Click() {
    post(sale());
}

void TForm_chuku::SpeedButton5Click() {
    // The captions change first and stay, even when the return goes no further.
    const QStringList& captions = returnCaptions();
    for (int c = 0; c < captions.size(); ++c)
        StringGrid_chuku->setCell(c, 0, captions[c]);
    post(goodsReturn());
}

void TForm_chuku::post(const Posting& posting) {
    ui::StringGrid& grid = *StringGrid_chuku;
    if (!postingConfirmed(posting.question, posting.verb))
        return;

    if (!booksWritable({store::Book::StockOut, store::Book::Inventory}, posting.verb))
        return;

    // The inventory book stays open, changed but unsaved, while the journal is written:
    // every line is known to reach its item before the first record is stored.
    std::optional<store::BookPass> inventory;
    try {
        const QList<EntryLine> lines = entry::readBatch(grid, columns());
        inventory.emplace(context().servers, bookPath(store::Book::Inventory));
        applyToInventory(*inventory, lines, posting);
        postToJournal(lines, posting);
    } catch (const ItemMissing& failure) {
        showNothingPosted(failure, posting.verb, true);
        return;
    } catch (const store::StoreError& failure) {
        showNothingPosted(failure, posting.verb);
        return;
    }

    try {
        StatusBar1->setPanelText(entry::Panel::LineCount, QString::number(grid.rowCount()));
        StatusBar1->setPanelText(entry::Panel::ItemCount,
                                 QString::number(inventory->usedRowCount() - 1));
        inventory->save();
        inventory.reset();
    } catch (const store::StoreError& failure) {
        // The lines stay, so that the shop keeper sees what the stock is missing.
        context().prompt->error(
            this, QStringLiteral("出库记录已经保存，但库存没有更新：%1\n"
                                 "这些数据仍留在表格中，请不要再次%2，以免重复记入出库记录。")
                      .arg(failure.message(), posting.verb));
        return;
    }
    entry::emptyLines(grid);
    StatusBar1->setPanelText(entry::Panel::LineCount, QStringLiteral("0"));
}

void TForm_chuku::applyToInventory(store::BookPass& book, const QList<EntryLine>& lines,
                                   const Posting& posting) {
    using namespace store::InventoryCol;
    ProgressBar1->setRange(0, StringGrid_chuku->rowCount());
    ProgressBar1->setValue(0);
    for (const EntryLine& line : lines) {
        // The count and the item's cells are read afresh: two lines of one item are
        // applied one after the other.
        const bool found = entry::onLine(line, [&] {
            const int row = book.findItemByNumber(line.number(Col::Code));
            if (!row)
                return false;
            const double qty = store::sumForBook(book.requireNumber(row, StockQty) +
                                                 posting.sign * line.number(Col::Qty));
            // The stock keeps its average cost; its value follows the quantity, in cents.
            const double value = store::moneyForBook(qty * book.requireNumber(row, AvgCost));
            book->setCell(row, StockQty, CellValue::fromNumber(qty));
            book->setCell(row, StockValue, CellValue::fromNumber(value));
            if (posting.isReturn) {
                // The quantity as typed: "2.0" stays "2.0" in the note.
                book->setCell(row, Remark,
                              CellValue::fromText(line.text(Col::Date) + QStringLiteral("退") +
                                                  line.text(Col::Qty)));
            }
            return true;
        });
        if (!found)
            throw ItemMissing(entry::lineError(line, posting.notFound).message());
        ProgressBar1->setValue(line.row + 1);
    }
    ProgressBar1->setValue(0);
}

void TForm_chuku::postToJournal(const QList<EntryLine>& lines, const Posting& posting) {
    const QList<entry::EntryColumn>& shape = columns().columns;
    appendToJournal(store::Book::StockOut, lines, [&](const EntryLine& line) {
        QList<CellValue> record;
        for (int c = 0; c < shape.size(); ++c)
            record << (shape[c].rule == CellRule::Number ? line.numberCell(c) : line.textCell(c));
        // A return is told from a sale by its remark alone; the line's own remark is dropped.
        if (posting.isReturn)
            record[Col::Remark] = CellValue::fromText(QStringLiteral("退货"));
        return record;
    });
    StatusBar1->setPanelText(entry::Panel::LineCount, QString::number(lines.size()));
}
