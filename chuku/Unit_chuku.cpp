#include "chuku/Unit_chuku.h"

#include "chuku/ShiftReportWindow.h"

#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>

#include "ledger/Ledger.h"
#include "ledger/OfflineTill.h"
#include "ledger/Receipt.h"
#include "ledger/ShiftReport.h"
#include "ledger/Totals.h"
#include "query/GridTotals.h"
#include "receipt/ReceiptPrinter.h"
#include "report/GridReport.h"
#include "store/Numbers.h"
#include "ui/Cashiers.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

using entry::CellRule;
using entry::EntryLine;
using entry::LineSource;

namespace {

// Grid columns of a sale or return line; the journal keeps them in the same order.
namespace Col {
enum : int { Code, Name, Unit, Qty, Price, Amount, AvgCost, Customer, Date, Remark };
}

// "统计利润" over the rows a grid shows.
const ledger::SalesColumns kSalesColumns{.qty = Col::Qty,
                                         .price = Col::Price,
                                         .amount = Col::Amount,
                                         .avgCost = Col::AvgCost,
                                         .remark = Col::Remark};

ledger::SaleLine saleLine(const EntryLine& line) {
    return {.row = line.row,
            .codeText = line.text(Col::Code),
            .code = line.number(Col::Code),
            .name = line.text(Col::Name),
            .unit = line.text(Col::Unit),
            .qty = line.number(Col::Qty),
            .qtyText = line.text(Col::Qty),
            .price = line.number(Col::Price),
            .amount = line.number(Col::Amount),
            .avgCost = line.number(Col::AvgCost),
            .customer = line.text(Col::Customer),
            .date = line.text(Col::Date),
            .remark = line.text(Col::Remark)};
}

// Lines typed by hand have no document yet: sales, unless one is marked the way a return
// posting marks its records.
bool byRemark(const ledger::SaleLine& line) {
    return ledger::isReturnRecord(nullptr, line.remark);
}

}  // namespace

const entry::EntryTable& TForm_chuku::columns() {
    using namespace store::InventoryCol;
    static const entry::EntryTable table{
        .statusCaptions = {QStringLiteral("出库总数："), QStringLiteral("当前数据："),
                           QStringLiteral("库存总数：")},
        .journalRecords = QStringLiteral("出库记录"),
        .previewColumns = {{.inventoryCol = ItemCode, .width = 100},
                           {.inventoryCol = ItemName, .width = 260},
                           {.inventoryCol = Unit, .width = 100},
                           {.inventoryCol = StockQty, .width = 100},
                           {.inventoryCol = SalePrice, .width = 100},
                           {.inventoryCol = AvgCost, .width = 100},
                           {.inventoryCol = Remark, .width = 100}},
        .previewColsBeforeFetch = 6,
        // Caption, width, what the line check asks of the cell, where a fetched line takes it.
        .lineColumns =
            {
                {QStringLiteral("商品编号"), 100, CellRule::Number,
                 LineSource::inventory(ItemCode)},
                {QStringLiteral("商品名称"), 260, CellRule::Text, LineSource::inventory(ItemName)},
                {QStringLiteral("单位"), 100, CellRule::Text, LineSource::inventory(Unit)},
                {QStringLiteral("卖出数量"), 100, CellRule::Number, {LineSource::Zero}},
                {QStringLiteral("卖出价"), 100, CellRule::Number, {LineSource::Zero}},
                {QStringLiteral("卖出金额"), 100, CellRule::Number, {LineSource::Zero}},
                // The average cost when the line was made; the sale price stays in the preview.
                {QStringLiteral("库存均价"), 100, CellRule::Number, LineSource::inventory(AvgCost)},
                {QStringLiteral("客户名称"), 300, CellRule::Text, {LineSource::WalkInCustomer}},
                {QStringLiteral("售出日期"), 100, CellRule::Text, {LineSource::Today}},
                {QStringLiteral("备注"), 100, CellRule::Free, LineSource::inventory(Remark)},
            },
        .addedLineTakesDefaults = false,
        // At the till a scanned line's quantity is often typed afterwards (2.5 kg of sugar).
        .computedAmountFollows = true,
        .search =
            {.buttonName = QStringLiteral("SpeedButton12"),
             .caption = QStringLiteral("检索出库记录"),
             .journal = store::Book::StockOut,
             .fields =
                 {{.name = QStringLiteral("商品编号"), .journalCol = store::StockOutCol::ItemCode},
                  {.name = QStringLiteral("商品名称"), .journalCol = store::StockOutCol::ItemName},
                  {.name = QStringLiteral("客户名称"), .journalCol = store::StockOutCol::Customer},
                  {.name = QStringLiteral("销售日期"), .journalCol = store::StockOutCol::OutDate},
                  {.name = QStringLiteral("单据号"), .documentNumber = true}},
             .dateCol = store::StockOutCol::OutDate,
             .result = query::wholeBookShape(store::Book::StockOut)},
        .returnButtonSlot = 4,
        .grid = {.columnSizing = false, .editorAlwaysShown = true},
        // A scanned item sells at its sale price; a code the inventory lacks is refused.
        .scan = {.priceInventoryCol = SalePrice},
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
    // The till's own buttons follow the postings; the window grows to show them.
    resize(800, height());
    shiftReportButton = stripButton(lookupStrip(), QStringLiteral("shiftReportButton"),
                                    QStringLiteral("交班报表"), 5);
    connect(shiftReportButton, &QToolButton::clicked, this, &TForm_chuku::showShiftReport);
    // The cashier works here, over the menu and its status bar: the offline line shows here
    // as well.
    offlineLabel = new QLabel(StatusBar1);
    offlineLabel->setObjectName(QStringLiteral("offlineLabel"));
    offlineLabel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    offlineLabel->hide();
    StatusBar1->addPermanentWidget(offlineLabel);
    if (const auto& offline = context.offline) {
        connect(offline.get(), &ledger::OfflineTill::changed, this, [this, till = offline.get()] {
            offlineLabel->setText(till->statusText());
            offlineLabel->setVisible(!offlineLabel->text().isEmpty());
        });
    }

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

    N5 = PopupMenu1->addAction(QStringLiteral("打印小票"));
    N5->setObjectName(QStringLiteral("N5"));
    connect(N5, &QAction::triggered, this, &TForm_chuku::N5Click);

    // The two strips of buttons are full at the window's width; the search strip's field
    // gives way instead.
    switchCashierButton = ui::speedButton(searchStrip(), QStringLiteral("switchCashierButton"),
                                          QStringLiteral("切换收银员"), QString(), 0, 0, 100, 24);
    switchCashierButton->setFixedSize(100, 24);
    searchStrip()->layout()->addWidget(switchCashierButton);
    connect(switchCashierButton, &QToolButton::clicked, this, &TForm_chuku::switchCashierClick);
}

void TForm_chuku::switchCashierClick() {
    const ui::Cashiers* cashiers = context().cashiers.get();
    if (!cashiers || cashiers->names().isEmpty()) {
        context().prompt->information(
            this, QStringLiteral("还没有设置收银员：请在“系统设置”里的“收银员”中添加。"));
        return;
    }
    // Cancelled, the cashier signed in stays.
    ui::signInAtTill(context(), this);
}

ShiftReportWindow& TForm_chuku::shiftReport() {
    if (!m_shiftReport)
        m_shiftReport = std::make_unique<ShiftReportWindow>(context(), nullptr);
    return *m_shiftReport;
}

void TForm_chuku::showShiftReport() {
    // Over the sales window, which stays where it is for the next customer.
    shiftReport().refresh();
    shiftReport().exec();
}

TForm_chuku::~TForm_chuku() = default;

void TForm_chuku::N5Click() {
    printReceiptOfLines();
}

void TForm_chuku::SpeedButton9Click() {
    printSalesList();
}

void TForm_chuku::SpeedButton7Click() {
    printSalesBill();
}

void TForm_chuku::SpeedButton10Click() {
    totalSalesAndProfit();
}

void TForm_chuku::printSalesList() {
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

void TForm_chuku::printSalesBill() {
    // The customer gets neither the shop's cost nor a column of their own name: the name
    // and the date of the first line head the page, and the document's number when the
    // lines are all of one, so that the bill can be found again.
    const report::PrintForm salesBill{
        QStringLiteral("确认将当前数据打印为销货清单吗？"),
        {{Col::Code, QStringLiteral("编号"), 6},
         {Col::Name, QStringLiteral("商品名称"), 18},
         {Col::Unit, QStringLiteral("单位"), 4},
         {Col::Qty, QStringLiteral("数量"), 8},
         {Col::Price, QStringLiteral("价格"), 8},
         {Col::Amount, QStringLiteral("金额"), 8},
         {Col::Remark, QStringLiteral("备注"), 8}},
        [this](const ui::StringGrid& grid, QDate) {
            const QString number = numberOfAllLines();
            return QStringLiteral("销货清单/客户:") + grid.cell(Col::Customer, 1) +
                   QStringLiteral("    ") + grid.cell(Col::Date, 1) +
                   (number.isEmpty() ? QString() : QStringLiteral("    单据号:") + number);
        },
        Col::Amount,
        report::PrintForm::Returns{[this](int row) {
                                       return ledger::isReturnRecord(
                                           documentOfRow(row),
                                           StringGrid_chuku->cell(Col::Remark, row));
                                   },
                                   Col::Qty}};
    report::printGrid(*this, reportControls(), salesBill);
}

QString TForm_chuku::numberOfAllLines() {
    const ledger::DocumentRecord* first = documentOfRow(1);
    for (int row = 2; first && row < StringGrid_chuku->rowCount(); ++row) {
        if (documentOfRow(row) != first)
            return {};
    }
    return first ? first->number : QString();
}

void TForm_chuku::totalSalesAndProfit() {
    attempt([this] {
        const auto documentOf = [this](int row) { return documentOfRow(row); };
        if (const auto totals =
                query::salesTotals(*StringGrid_chuku, kSalesColumns, documentOf, *ProgressBar1))
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
    postSales(ledger::Posting::Sale);
}

void TForm_chuku::SpeedButton5Click() {
    postGoodsReturn();
}

void TForm_chuku::postGoodsReturn() {
    // The captions change first and stay, even when the return goes no further.
    const QStringList& captions = returnCaptions();
    for (int c = 0; c < captions.size(); ++c)
        StringGrid_chuku->setCell(c, 0, captions[c]);
    postSales(ledger::Posting::GoodsReturn);
}

void TForm_chuku::postSales(ledger::Posting posting) {
    const bool isReturn = posting == ledger::Posting::GoodsReturn;
    if (!postingConfirmed(isReturn ? QStringLiteral("确认开始进行退货返库操作吗？")
                                   : QStringLiteral("确认开始进行销售出库操作吗？"),
                          ledger::verbOf(posting)))
        return;
    // The money is settled before anything is written: a cancelled payment posts nothing
    // and leaves the lines as they are.
    // A line whose number does not read is told by the posting, which stops at it.
    std::optional<ledger::Payment> payment;
    try {
        double due = 0;
        for (const ledger::SaleLine& line : saleLines())
            due += line.amount;
        payment = context().prompt->takePayment(
            this, {.due = store::roundMoney(due), .isReturn = isReturn});
        if (!payment)
            return;
    } catch (const store::StoreError&) {
    }
    // Money on account is owed by somebody: the customer nobody names owes nothing.
    if (payment && payment->amount(ledger::PayMethod::OnAccount) != 0) {
        const QString customer = StringGrid_chuku->cell(Col::Customer, 1).trimmed();
        if (customer.isEmpty() || customer == context().walkInCustomer.trimmed()) {
            context().prompt->information(
                this, QStringLiteral("赊账必须记在客户名下：请在“客户名称”中填写客户，"
                                     "“%1”不能赊账。没有%2任何数据。")
                          .arg(customer.isEmpty() ? QStringLiteral("（空白）") : customer,
                               ledger::verbOf(posting)));
            return;
        }
    }
    // The grid is emptied by the posting: the receipt is made from the document it took.
    ledger::Document committed;
    const bool posted = runPosting(
        posting,
        [&](const ledger::Origin& origin) {
            const QList<ledger::SaleLine> lines = saleLines();
            ledger::Document document =
                isReturn ? ledger::goodsReturn(lines, origin) : ledger::sale(lines, origin);
            document.payment = payment;
            return document;
        },
        &committed);
    if (posted)
        printReceiptAfterPosting(committed);
}

QList<ledger::SaleLine> TForm_chuku::saleLines() const {
    QList<ledger::SaleLine> lines;
    for (const EntryLine& line : entry::readBatch(*StringGrid_chuku, columns()))
        lines << saleLine(line);
    return lines;
}

void TForm_chuku::printReceiptOfLines() {
    if (StringGrid_chuku->rowCount() <= 2 && !ui::lastRowStarted(*StringGrid_chuku)) {
        context().prompt->information(this, QStringLiteral("表格中没有可以打印小票的数据"));
        return;
    }
    if (const int row = entry::firstInvalidLine(*StringGrid_chuku, columns())) {
        context().prompt->information(
            this, QStringLiteral("第 %1 行：").arg(row) + entry::fillProperlyMessage());
        return;
    }
    attempt([this] {
        const receipt::Setup setup = context().receiptSettings();
        ledger::ReceiptHead head{.shop = setup.shop,
                                 .contact = setup.contact,
                                 .time = context().clock->now(),
                                 .number = {},
                                 .copy = ledger::ReceiptCopy::Original};
        if (!m_showsResults) {
            printReceipt(ledger::makeReceipt(saleLines(), byRemark, head), setup);
            return;
        }
        // Records found again print as copies of their documents, one receipt each: a
        // receipt stands for one posting, with its own number, time, customer and total.
        struct Copy {
            const ledger::DocumentRecord* document;
            QList<ledger::SaleLine> lines;
        };
        QList<Copy> copies;
        for (const ledger::SaleLine& line : saleLines()) {
            const ledger::DocumentRecord* document = documentOfRow(line.row);
            auto copy = std::ranges::find(copies, document, &Copy::document);
            if (copy == copies.end())
                copy = copies.insert(copies.end(), {document, {}});
            copy->lines << line;
        }
        if (copies.size() > 1 &&
            !context().prompt->confirm(
                this, QStringLiteral("检索结果属于不同的单据，将重印 %1 张小票，确认吗？")
                          .arg(copies.size())))
            return;
        for (const Copy& copy : copies) {
            head.number = copy.document ? copy.document->number : QString();
            head.time = copy.document ? ledger::madeAt(*copy.document) : context().clock->now();
            head.copy = copy.document ? ledger::ReceiptCopy::Reprint
                                      : ledger::ReceiptCopy::ReprintWithoutDocument;
            const auto isReturn = [document = copy.document](const ledger::SaleLine& line) {
                return ledger::isReturnRecord(document, line.remark);
            };
            ledger::Receipt receipt = ledger::makeReceipt(copy.lines, isReturn, head);
            // A copy of some of a document's lines would not add up to what was paid.
            if (copy.document && copy.document->lines == copy.lines.size()) {
                receipt.payment = copy.document->payment;
                receipt.isRefund = copy.document->kind == ledger::Posting::GoodsReturn;
            }
            printReceipt(receipt, setup);
        }
    });
}

void TForm_chuku::printReceiptAfterPosting(const ledger::Document& document) {
    const receipt::Setup setup = context().receiptSettings();
    if (!setup.autoprint || setup.printer.isEmpty())
        return;
    const bool isReturn = document.kind == ledger::Posting::GoodsReturn;
    try {
        ledger::Receipt receipt = ledger::makeReceipt(
            document.saleLines, [isReturn](const ledger::SaleLine&) { return isReturn; },
            {.shop = setup.shop,
             .contact = setup.contact,
             .time = document.time,
             .number = document.number,
             .copy = ledger::ReceiptCopy::Original});
        receipt.payment = document.payment;
        receipt.isRefund = isReturn;
        printReceipt(receipt, setup);
    } catch (const store::StoreError& failure) {
        context().prompt->error(
            this, QStringLiteral("%1已完成，库存和出库记录都已保存；但小票没有打印：\n%2")
                      .arg(isReturn ? QStringLiteral("退货返库") : QStringLiteral("销售出库"),
                           failure.message()));
    }
}

void TForm_chuku::printReceipt(const ledger::Receipt& receipt, const receipt::Setup& setup) {
    context().receiptPrinter().print(receipt, setup);
}
