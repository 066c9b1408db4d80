#include "report/GridReport.h"

#include <QFileInfo>
#include <QProgressBar>

#include "query/GridTotals.h"
#include "store/DataBooks.h"
#include "store/Numbers.h"
#include "ui/Clock.h"
#include "ui/ModuleWindow.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"
#include "ui/WorkProgress.h"

namespace report {

namespace {

// Columns 1 to 10 hold a book's data; they are emptied even when the grid is narrower, so
// nothing of an earlier layout shows through.
constexpr int kClearedColumns = 10;

ui::SaveFileRequest exportDialog() {
    return {QStringLiteral("导出当前数据保存为"),
            QStringLiteral("Microsoft Excel Files(*.xls);;All File(*.*)"), QStringLiteral("xls")};
}

// Opens the report book through the server, lets `work` lay out and use its sheet 1, and
// closes it unsaved. A missing report book or a failure ends in a box that says so; `verb`
// names what did not happen. True when the work was done.
bool onReportBook(ui::ModuleWindow& window, QProgressBar& progress, const QString& verb,
                  const std::function<void(store::BookPass&)>& work) {
    const QString path = store::bookPath(window.context().programDir, store::Book::Report);
    if (!QFileInfo::exists(path)) {
        progress.setValue(0);
        // Saying nothing here would look like success to someone who just named a file or
        // said yes to printing.
        window.context().prompt->information(
            &window, QStringLiteral("找不到报表文件 %1，无法%2")
                         .arg(store::bookFileName(store::Book::Report), verb));
        return false;
    }
    bool done = false;
    window.attempt([&] {
        // Gone before attempt's box, which is shown once this has thrown.
        ui::WorkProgress busy(progress);
        busy.show(QStringLiteral("正在%1… %p%").arg(verb));
        store::BookPass book(window.context().servers, path);
        for (int col = 1; col <= kClearedColumns; ++col)
            book->clearColumn(col);
        work(book);
        done = true;
    });
    return done;
}

// Grid rows from 0 (the captions) down, the given grid columns side by side from sheet
// column 1, every cell as the text the grid shows.
void writeRows(store::BookPass& book, const ui::StringGrid& grid, const QList<int>& gridColumns,
               QProgressBar& progress, const query::CellText& shown = {}) {
    const int rows = grid.rowCount();
    progress.setRange(0, rows);
    progress.setValue(0);
    const int step = ui::progressStep(rows);
    for (int row = 0; row < rows; ++row) {
        for (int i = 0; i < gridColumns.size(); ++i)
            book->setCell(
                row + 1, i + 1,
                store::CellValue::fromText(row && shown ? shown(gridColumns[i], row)
                                                        : grid.cell(gridColumns[i], row)));
        if (row % step == 0)
            progress.setValue(row + 2);
    }
}

void reportCount(const ReportControls& controls) {
    controls.status.setPanelText(controls.countPanel,
                                 QString::number(controls.grid.rowCount() - 1));
}

}  // namespace

QString programBookAt(const QString& programDir, const QString& target) {
    const QFileInfo chosen(target);
    for (store::Book book : store::kAllBooks) {
        const QFileInfo own(store::bookPath(programDir, book));
        const bool same = chosen.exists() && own.exists()
                              ? chosen.canonicalFilePath() == own.canonicalFilePath()
                              : chosen.absoluteFilePath() == own.absoluteFilePath();
        if (same)
            return store::bookFileName(book);
    }
    return {};
}

QString pageFooter(const ui::AppContext& context) {
    return context.printFooter ? context.printFooter() : QStringLiteral(" ");
}

namespace {

// The export of both kinds: the grid as it stands, or (`chosen`) only the given columns under
// their own captions and widths.
void exportTo(ui::ModuleWindow& window, const ReportControls& controls,
              const QList<PrintedColumn>& chosen) {
    const ui::StringGrid& grid = controls.grid;
    if (!ui::lastRowStarted(grid))
        return;
    const auto target = window.context().prompt->saveFileName(&window, exportDialog());
    if (!target)
        return;
    const QString ownBook = programBookAt(window.context().programDir, *target);
    if (!ownBook.isEmpty()) {
        window.context().prompt->error(
            &window,
            QStringLiteral("不能把数据导出到程序自己的数据文件 %1，请另选文件名").arg(ownBook));
        return;
    }

    QList<int> columns;
    for (const PrintedColumn& column : chosen)
        columns << column.gridColumn;
    if (chosen.isEmpty()) {
        for (int col = 0; col < grid.colCount(); ++col)
            columns << col;
    }
    const bool saved =
        onReportBook(window, controls.progress, QStringLiteral("导出"), [&](store::BookPass& book) {
            writeRows(book, grid, columns, controls.progress);
            for (int i = 0; i < chosen.size(); ++i) {
                book->setCell(1, i + 1, store::CellValue::fromText(chosen[i].caption));
                book->setColumnWidth(i + 1, chosen[i].width);
            }
            // The engine writes the new file beside the old one and renames it over only when
            // it is complete: a failed export leaves the shop keeper's old file as it was.
            book->saveAs(QFileInfo(*target).absoluteFilePath());
        });
    if (saved)
        reportCount(controls);
}

}  // namespace

void exportGrid(ui::ModuleWindow& window, const ReportControls& controls) {
    exportTo(window, controls, {});
}

void exportColumns(ui::ModuleWindow& window, const ReportControls& controls,
                   const QList<PrintedColumn>& columns) {
    exportTo(window, controls, columns);
}

PrintForm::Header listHeader(const QString& title) {
    return [title](const ui::StringGrid&, QDate today) {
        return title + QStringLiteral("  ") + today.toString(QStringLiteral("yyyy-MM-dd"));
    };
}

void printGrid(ui::ModuleWindow& window, const ReportControls& controls, const PrintForm& form) {
    const ui::StringGrid& grid = controls.grid;
    if (!ui::lastRowStarted(grid))
        return;
    if (!window.context().prompt->confirm(&window, form.confirmation))
        return;

    QList<int> columns;
    for (const PrintedColumn& column : form.columns)
        columns << column.gridColumn;
    Q_ASSERT(form.totalColumn < 0 || columns.contains(form.totalColumn));
    // A return on a bill: its quantity and amount negative, a text that is no number as it
    // stands (the total names it).
    const query::CellText shown = [&](int col, int row) {
        QString text = grid.cell(col, row);
        if (!form.returns || (col != form.returns->qtyColumn && col != form.totalColumn) ||
            !form.returns->isReturn(row))
            return text;
        const auto value = store::parseDecimal(QStringView(text));
        return value ? store::formatGeneral(-*value) : text;
    };
    const bool printed =
        onReportBook(window, controls.progress, QStringLiteral("打印"), [&](store::BookPass& book) {
            writeRows(book, grid, columns, controls.progress, shown);
            if (form.totalColumn >= 0) {
                // A cell that is no number stops the printout here, before anything is printed.
                const auto total =
                    query::columnTotal(grid, form.totalColumn, controls.progress, shown);
                book->setCell(book.usedRowCount() + 1, int(columns.indexOf(form.totalColumn)) + 1,
                              store::CellValue::fromText(store::formatGeneral(total.value_or(0))));
            }
            for (int i = 0; i < form.columns.size(); ++i)
                book->setCell(1, i + 1, store::CellValue::fromText(form.columns[i].caption));
            book->setCenterHeader(form.header(grid, window.context().clock->today()));
            book->setCenterFooter(pageFooter(window.context()));
            for (int i = 0; i < form.columns.size(); ++i)
                book->setColumnWidth(i + 1, form.columns[i].width);
            book->setDisplayAlerts(false);
            book->setPrintGridLines(true);
            book->printOut();
        });
    if (printed)
        reportCount(controls);
}

}  // namespace report
