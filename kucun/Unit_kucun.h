#pragma once

#include <memory>

#include "query/Listing.h"
#include "report/GridReport.h"
#include "ui/ModuleWindow.h"

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;
class StocktakeWindow;

namespace ui {
class PanelStatusBar;
class StringGrid;
}  // namespace ui

// The inventory query window: the shop keeper lists the items that match one condition in
// one of five views, totals their stock value, and lists the items short of stock. It only
// ever reads the inventory book.
class TForm_kucun : public ui::ModuleWindow {
    Q_OBJECT
public:
    TForm_kucun(const ui::AppContext& context, QWidget* menu);

    // "开始查询".
    void SpeedButton7Click();
    // Hidden "显示查询结果": copies sheet row SourceRow into grid row TargetRow, in the view
    // the view box names now; only the query's loop reaches it.
    void Button1Click();
    // "导出保存": the grid as it stands, into a spreadsheet file the shop keeper names.
    void SpeedButton8Click();
    // "输出打印".
    void SpeedButton9Click();
    // "统计资金".
    void SpeedButton10Click();
    // "统计缺货".
    void SpeedButton11Click();
    void SpeedButton12Click();  // "返回菜单"
    void N1Click();             // "复制"
    // "库存盘点": the shelves counted and the stock set to what was found, in a window of
    // its own over this one.
    void showStocktake();
    // The window of 库存盘点, made the first time it is asked for and kept with its count.
    StocktakeWindow& stocktake();
    ~TForm_kucun() override;

private:
    void buildButtons();
    void buildQueryPanel();
    void buildGrid();
    // The items whose field meets the condition, in the chosen view.
    void queryItems();
    // The stock list, only from the everything view.
    void printStockList();
    // The stock value of the listed items, into status panel 4.
    void totalStockValue();
    // Every item whose stock is below its alarm level.
    void listShortages();
    void copyCell();
    query::ListingControls listingControls() const;
    report::ReportControls reportControls() const;
    // Whether the view box names the everything view and the grid shows it.
    bool showsEverything() const;

    QToolButton* SpeedButton7;
    QToolButton* SpeedButton8;
    QToolButton* SpeedButton9;
    QToolButton* SpeedButton10;
    QToolButton* SpeedButton11;
    QToolButton* SpeedButton12;
    QToolButton* stocktakeButton;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QLineEdit* Edit1;
    QComboBox* ComboBox3;
    ui::StringGrid* StringGrid_kucun;
    QMenu* PopupMenu1;
    QAction* N1;
    QProgressBar* ProgressBar1;
    ui::PanelStatusBar* StatusBar1;
    QPushButton* Button1;
    QLineEdit* Edit2;

    // The match the query's loop hands to the row copy, and the book it has open.
    int TargetRow = 0;
    int SourceRow = 0;
    store::BookPass* m_openBook = nullptr;
    std::unique_ptr<StocktakeWindow> m_stocktake;
};
