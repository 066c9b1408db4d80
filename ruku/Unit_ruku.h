#pragma once

#include "entry/EntryLines.h"
#include "entry/EntryWindow.h"
#include "ledger/Ledger.h"

class QComboBox;
class QLineEdit;
class QToolButton;

// The stock-in window, where purchased goods are booked into stock: an item fetched into
// the preview, a batch of purchase lines, and "进货入库" posting them into the inventory
// book and the stock-in journal, or "退货出厂" sending them back to the supplier.
class TForm_ruku : public entry::EntryWindow {
    Q_OBJECT
public:
    TForm_ruku(const ui::AppContext& context, QWidget* menu);

    // The window's columns: the preview, the entry lines and their checks.
    static const entry::EntryTable& columns();

    // "进货入库".
    void SpeedButton4Click();
    // "退货出厂".
    void SpeedButton5Click();
    // "检索入库记录".
    void SpeedButton7Click();
    // "输出打印".
    void SpeedButton9Click();
    // "统计资金".
    void SpeedButton10Click();

protected:
    void itemCounted(int usedRows, store::BookPass& book) override;

private:
    // The lines into the inventory and the stock-in journal as a purchase or as goods
    // sent back, together or not at all.
    void postPurchase(ledger::Posting posting);
    // What the posting leaves on the supplier's account, from `paidCombo`'s choice: none
    // when paid in full; `paidPart` is what was paid (or refunded) of a part payment.
    static std::optional<ledger::Payment> supplierSettlement(
        const QList<ledger::PurchaseLine>& lines, int choice, std::optional<double> paidPart);
    static constexpr int kPartlyPaid = 2;
    // The purchase list, with the amount total below it.
    void printPurchaseList();
    // The amounts of the lines or records shown, into status panel 6.
    void totalAmounts();

    ui::StringGrid* StringGrid_ruku;
    QLineEdit* Edit1;
    QComboBox* paidCombo;
    QLineEdit* paidEdit;
    QToolButton* SpeedButton4;
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton7;
    QToolButton* SpeedButton8;
    QToolButton* SpeedButton9;
    QToolButton* SpeedButton10;
};
