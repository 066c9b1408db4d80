#pragma once

#include <optional>

#include "ledger/ShiftReport.h"
#include "report/GridReport.h"
#include "ui/ModuleWindow.h"

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;
class QToolButton;

namespace ui {
class PanelStatusBar;
class StringGrid;
}  // namespace ui

// 交班报表: what this till took since its last shift close (or over a period given), by
// cashier and payment method, and the cash its drawer should hold. It prints on the receipt
// printer or on A4, is exported like every grid, and 交班 closes the shift: a document of
// its own, where the next report starts.
class ShiftReportWindow : public ui::ModuleWindow {
    Q_OBJECT
public:
    ShiftReportWindow(const ui::AppContext& context, QWidget* menu);

    // The report afresh from the documents book, into the grid.
    void refresh();
    // 交班: the shift closed at this moment, by the cashier at the till.
    void closeShift();
    void printOnReceiptPrinter();
    void printOnPaper();
    void exportReport();

    const std::optional<ledger::ShiftReport>& shown() const { return m_report; }

private:
    void showReport(const ledger::ShiftReport& report);
    // A report on screen, worked out now when there is none yet; false when it could not be.
    bool reportShown();
    report::ReportControls controls();

    std::optional<ledger::ShiftReport> m_report;
    QRadioButton* sinceCloseRadio;
    QRadioButton* periodRadio;
    QDateTimeEdit* periodFrom;
    QDateTimeEdit* periodTo;
    QLineEdit* floatEdit;
    QToolButton* refreshButton;
    QToolButton* receiptButton;
    QToolButton* printButton;
    QToolButton* exportButton;
    QToolButton* closeShiftButton;
    QToolButton* returnButton;
    QLabel* periodLabel;
    ui::StringGrid* reportGrid;
    QProgressBar* progress;
    ui::PanelStatusBar* status;
};
