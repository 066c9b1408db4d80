#pragma once

#include <optional>

#include "ledger/SalesAnalysis.h"
#include "ui/ModuleWindow.h"

class QComboBox;
class QLineEdit;
class QToolButton;

namespace fenxi {
class SalesChart;
}
namespace ui {
class PanelStatusBar;
class StringGrid;
}  // namespace ui

// "销售分析": the sales and the profit of a period from the stock-out journal, by day or
// by month and by item, as charts beside a grid of the figures. It only ever reads the
// journal; the charts go to a picture file or to the printer.
class TForm_fenxi : public ui::ModuleWindow {
    Q_OBJECT
public:
    TForm_fenxi(const ui::AppContext& context, QWidget* menu);

    void SpeedButton1Click();  // "开始分析"
    void SpeedButton2Click();  // "导出图片"
    void SpeedButton3Click();  // "打印图表"
    void SpeedButton4Click();  // "返回菜单"

private:
    void buildButtons();
    void buildPeriodStrip();
    void analyse();
    // The period and the step the boxes ask for, or nothing after a box that says why not.
    struct Request {
        QDate from, to;
        ledger::SalesStep step;
    };
    std::optional<Request> request();
    void showFigures(const ledger::SalesAnalysis& analysis);
    void exportPicture();
    void printCharts();
    // Whether there are charts to export or print; says so when there are none.
    bool hasCharts();

    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton4;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QComboBox* ComboBox1;
    fenxi::SalesChart* Chart1;
    ui::StringGrid* StringGrid_fenxi;
    ui::PanelStatusBar* StatusBar1;
};
