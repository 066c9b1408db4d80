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

    // "开始分析": the figures and charts of the period the boxes ask for.
    void analyse();
    // "导出图片": the charts into a PNG file.
    void exportPicture();
    // "打印图表": the charts on one page of the printer.
    void printCharts();

private:
    void buildButtons();
    void buildPeriodStrip();
    // The period and the step the boxes ask for, or nothing after a box that says why not.
    struct Request {
        QDate from, to;
        ledger::SalesStep step;
    };
    std::optional<Request> request();
    void showFigures(const ledger::SalesAnalysis& analysis);
    // Whether there are charts to export or print; says so when there are none.
    bool hasCharts();

    QToolButton* analyseButton;
    QToolButton* exportPictureButton;
    QToolButton* printChartsButton;
    QToolButton* backButton;  // "返回菜单"
    QLineEdit* periodFromEdit;
    QLineEdit* periodToEdit;
    QComboBox* periodStepCombo;  // by day or by month
    fenxi::SalesChart* salesCharts;
    ui::StringGrid* figuresGrid;
    // Named as every window's status bar is: the scenario driver reads them all by it.
    ui::PanelStatusBar* StatusBar1;
};
