#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QProgressBar;

namespace ui {
struct AppContext;
class ModuleWindow;
class PanelStatusBar;
class StringGrid;
}  // namespace ui

namespace report {

// Exports and printouts never build a workbook of their own: they lay the grid out on
// sheet 1 of the report book, so that whatever the shop keeper put in that book (other
// sheets, page setup, fonts) comes along. The report book itself is never saved.

// The controls of a module window that an export or a printout reads and reports into.
struct ReportControls {
    ui::StringGrid& grid;
    QProgressBar& progress;
    ui::PanelStatusBar& status;
    int countPanel;  // receives the number of data rows at the end
};

// The file name of the program's own book that `target` would replace, or empty. An
// export must never replace one: the save dialog happily offers them, and the shop
// keeper's stock or journals would be gone.
QString programBookAt(const QString& programDir, const QString& target);

// The footer of every printout: the shop's name and contact as the settings hold them.
QString pageFooter(const ui::AppContext& context);

// "导出保存": the whole grid, caption row first, cell for cell as text, saved under the
// name the shop keeper chooses. An existing file of that name is replaced only once the
// new one is complete.
void exportGrid(ui::ModuleWindow& window, const ReportControls& controls);

// One printed or exported column: which grid column, under which caption, how wide in
// characters. Grid column -1 is a column left empty, for the shop keeper to fill in by hand.
struct PrintedColumn {
    int gridColumn;
    QString caption;
    double width;
};

// What a window's printout looks like.
struct PrintForm {
    QString confirmation;
    QList<PrintedColumn> columns;
    // The centred page header, from the grid (a bill names its customer) and today's date.
    using Header = std::function<QString(const ui::StringGrid& grid, QDate today)>;
    Header header;
    // A grid column whose sum is printed below the list under its own printed column, or -1.
    int totalColumn = -1;
    // A bill handed to a customer: a row that is their return (`isReturn`, from 1) prints its
    // quantity and its amount negative, and the total takes it off, as "统计利润" counts it.
    // Unset on the lists, which print the journal's records as they stand.
    struct Returns {
        std::function<bool(int row)> isReturn;
        int qtyColumn;
    };
    std::optional<Returns> returns = std::nullopt;
};

// The header of a dated list: the title and today, "进货清单  2011-05-03".
PrintForm::Header listHeader(const QString& title);

// An export of chosen columns only, each under its own caption and as wide as given: a list
// to be filled in elsewhere and read back.
void exportColumns(ui::ModuleWindow& window, const ReportControls& controls,
                   const QList<PrintedColumn>& columns);

// "输出打印", "打印货单": the grid's printed columns under the form's captions, with the
// header, the shop's footer, the widths and grid lines, on the default printer.
void printGrid(ui::ModuleWindow& window, const ReportControls& controls, const PrintForm& form);

}  // namespace report
