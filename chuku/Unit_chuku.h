#pragma once

#include "entry/EntryLines.h"
#include "entry/EntryWindow.h"
#include "ledger/Ledger.h"
#include "ledger/Receipt.h"
#include "receipt/ReceiptSetup.h"

#include <memory>

class QAction;
class ShiftReportWindow;
class QLabel;
class QToolButton;

// The stock-out window, where sales and the goods customers bring back are booked: an
// item fetched into the preview, a batch of lines, and "销售出库" or "退货返库" posting
// them into the stock-out journal and the inventory book.
class TForm_chuku : public entry::EntryWindow {
    Q_OBJECT
public:
    TForm_chuku(const ui::AppContext& context, QWidget* menu);
    ~TForm_chuku() override;

    // The window's columns: the preview, the sale lines and their checks.
    static const entry::EntryTable& columns();
    // The captions a return puts over the same ten columns.
    static const QStringList& returnCaptions();

    // "销售出库".
    void SpeedButton4Click();
    // "退货返库".
    void SpeedButton5Click();
    // "打印输出".
    void SpeedButton9Click();
    // "打印货单".
    void SpeedButton7Click();
    // "统计利润".
    void SpeedButton10Click();
    // "检索出库记录".
    void SpeedButton12Click();
    // "打印小票" of the grid's popup menu.
    void N5Click();
    // "交班报表": the till's takings since its last shift close, in a window of their own.
    void showShiftReport();
    // The window of 交班报表, made the first time it is asked for and kept, as it was left.
    ShiftReportWindow& shiftReport();
    // "切换收银员": another cashier signs in at the till.
    void switchCashierClick();

private:
    // A sale or a return of the lines, into the stock-out journal and the inventory,
    // together or not at all.
    void postSales(ledger::Posting posting);
    // The lines as goods customers bring back, under the return captions.
    void postGoodsReturn();
    // Every line of the grid as the ledger takes it; throws store::StoreError at the first
    // number that does not read.
    QList<ledger::SaleLine> saleLines() const;
    // The till receipt of the grid's lines as they stand: lines not posted yet, or journal
    // records found by a search, reprinted as copies of their documents.
    void printReceiptOfLines();
    // The receipt of a document just posted, when the shop has it printed after every
    // sale. A printer that fails is told, but the posting stands.
    void printReceiptAfterPosting(const ledger::Document& document);
    void printReceipt(const ledger::Receipt& receipt, const receipt::Setup& setup);
    // The sales list.
    void printSalesList();
    // The lines as one customer's sales bill, with the amount total.
    void printSalesBill();
    // The number of the document every line of the grid belongs to; empty when the lines
    // are not all of one.
    QString numberOfAllLines();
    // The sales total and the profit of the lines or records shown, returns subtracted,
    // into status panel 6.
    void totalSalesAndProfit();

    ui::StringGrid* StringGrid_chuku;
    QLabel* Image1;
    QToolButton* SpeedButton4;
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton7;
    QToolButton* SpeedButton8;
    QToolButton* SpeedButton9;
    QToolButton* SpeedButton10;
    QToolButton* SpeedButton12;
    QToolButton* shiftReportButton;
    QLabel* offlineLabel;  // the offline till's line, while it has one
    std::unique_ptr<ShiftReportWindow> m_shiftReport;
    QToolButton* switchCashierButton;
    QAction* N5;
};
