#pragma once

#include <QList>
#include <optional>

#include "ledger/Stocktake.h"
#include "report/GridReport.h"
#include "ui/ModuleWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTabWidget;
class QToolButton;

namespace ui {
class PanelStatusBar;
class StringGrid;
}  // namespace ui

// 库存盘点: the shop keeper lists the items to count, counts them on paper, by scanner or by
// typing, and posts what was found; the stock of each counted item moves by the difference
// from its book quantity when the count began. The stocktake journal is searched and
// reported on in the window's second page.
class StocktakeWindow : public ui::ModuleWindow {
    Q_OBJECT
public:
    StocktakeWindow(const ui::AppContext& context, QWidget* menu);

    // The supplier box afresh from the inventory, as the window opens.
    void refreshSuppliers();
    // "列出商品": the items in the chosen scope, with their book quantities, as a new count.
    void listItems();
    // Enter in the scan field: the item's count goes up by one, or becomes the quantity
    // typed beside it.
    void scanCode();
    // "打印盘点表", "导出盘点表": the list to count on, without the book quantities.
    void printSheet();
    void exportSheet();
    // "读入盘点表": the counts of a filled-in list.
    void importSheet();
    // "盘点入账".
    void postCount();
    // "盘点记录": the stocktake journal's records that meet the condition.
    void searchRecords();
    // "盘点报告": the gains and losses of the period, by item.
    void reportPeriod();
    // "输出打印", "导出保存": whatever the page shown lists.
    void printShown();
    void exportShown();

private:
    void buildTools();
    QWidget* buildCountPage();
    QWidget* buildRecordPage();

    // The grid row of the item a code names, or 0.
    int rowOfCode(const QString& code) const;
    // The item's row in the count, added in code order when it is not there yet; 0 when
    // the inventory has no such item (a box said so) or could not be read.
    int rowForScan(const QString& code);
    // The inventory's items in the scope as they stand now; none when a box said why not.
    std::optional<QList<ledger::CountItem>> inventoryItems(const ledger::CountScope& scope);
    // Puts an item into the count in code order; its row.
    int addItem(const ledger::CountItem& item);
    // Sets the item's count and brings its line into view.
    void setCount(int row, double counted);
    void showCount(const QList<ledger::CountItem>& items);
    // 差异 and 差异金额 of one line, from its count as typed.
    void recomputeLine(int row);
    void updateTotals();
    bool hasCounts() const;
    // The lines to post, each count checked; none when a box said what is wrong.
    std::optional<QList<ledger::CountLine>> countedLines();
    // The counts of a workbook's rows, set in the grid; false when a box refused the file.
    bool takeCounts(const store::Workbook& sheet);
    ui::StringGrid& shownGrid() const;
    report::ReportControls controlsOf(ui::StringGrid& grid) const;

    // The count: the items listed or scanned, as they stood when they joined it (grid row
    // r is item r - 1), their book quantities what the count is taken against.
    QList<ledger::CountItem> m_items;
    // The page header of the result page's printout, after what it lists.
    report::PrintForm::Header m_resultHeader;

    QToolButton* listButton;
    QToolButton* printSheetButton;
    QToolButton* exportSheetButton;
    QToolButton* importButton;
    QToolButton* postButton;
    QToolButton* printButton;
    QToolButton* exportButton;
    QToolButton* returnButton;
    QTabWidget* pages;
    QComboBox* scopeCombo;
    QComboBox* supplierCombo;
    QLineEdit* scopeEdit;
    QLineEdit* scanEdit;
    QLineEdit* qtyEdit;
    ui::StringGrid* countGrid;
    QLabel* totalsLabel;
    QToolButton* searchButton;
    QComboBox* fieldCombo;
    QComboBox* conditionCombo;
    QLineEdit* searchEdit;
    QToolButton* reportButton;
    QLineEdit* periodFrom;
    QLineEdit* periodTo;
    ui::StringGrid* resultGrid;
    QProgressBar* progress;
    ui::PanelStatusBar* status;
};
