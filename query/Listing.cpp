#include "query/Listing.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QProgressBar>

#include "ui/ModuleWindow.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"
#include "ui/WorkProgress.h"

namespace query {

namespace {

void setWidths(ui::StringGrid& grid, const ResultShape& shape) {
    grid.setColCount(int(shape.size()));
    for (int c = 0; c < shape.size(); ++c)
        grid.setColWidth(c, shape[c].width);
}

void resetGrid(ui::StringGrid& grid, const ResultShape& shape) {
    setWidths(grid, shape);
    grid.setRowCount(2);
    grid.cells().setRow(0, {});
    grid.cells().setRow(1, {});
}

}  // namespace

ResultShape bookShape(store::Book book, const QList<int>& bookCols) {
    const auto columns = store::layoutOf(book).columns;
    ResultShape shape;
    for (int col : bookCols)
        shape.append(
            {col, QString::fromUtf8(columns[col - 1].caption), columns[col - 1].gridWidth});
    return shape;
}

ResultShape wholeBookShape(store::Book book) {
    QList<int> cols;
    for (const store::BookColumn& column : store::layoutOf(book).columns)
        cols << column.number;
    return bookShape(book, cols);
}

void setShape(ui::StringGrid& grid, const ResultShape& shape) {
    setWidths(grid, shape);
    QStringList captions;
    for (const ResultColumn& column : shape)
        captions << column.caption;
    grid.cells().setRow(0, captions);
}

void copyRow(store::BookPass& book, int source, const ResultShape& shape, ui::StringGrid& grid,
             int target) {
    QStringList texts;
    texts.reserve(shape.size());
    for (const ResultColumn& column : shape)
        texts << book.value(source, column.bookCol).displayText();
    grid.cells().setRow(target, texts);
}

Listing::MatchCopy handOver(QAbstractButton& rowCopy, int& targetRow, int& sourceRow,
                            store::BookPass*& openBook) {
    return [&rowCopy, &targetRow, &sourceRow, &openBook](store::BookPass& book, int target,
                                                         int source) {
        targetRow = target;
        sourceRow = source;
        openBook = &book;
        rowCopy.click();
        openBook = nullptr;
    };
}

void copyResultRow(store::BookPass* openBook, int source, const ResultShape* shape,
                   ui::StringGrid& grid, int target) {
    if (openBook && shape)
        copyRow(*openBook, source, *shape, grid, target);
}

bool Listing::run(ui::ModuleWindow& window, const ListingControls& controls) const {
    if (!refusal.isEmpty()) {
        window.context().prompt->information(&window, refusal);
        return false;
    }
    const QString path = store::bookPath(window.context().programDir, book);
    if (!window.context().hasBook(book))
        return false;
    window.settleBooks();
    ui::StringGrid& grid = *controls.grid;
    QProgressBar& progress = *controls.progress;
    resetGrid(grid, resetShape);
    try {
        // Gone before the failure's box, as the catch is outside it.
        ui::WorkProgress work(progress);
        const auto reading = ledger::readingOf(book, work.steps());
        store::BookPass pass(window.context().servers, path);
        if (shape)
            setShape(grid, *shape);
        const int used = pass.usedRowCount();
        progress.setRange(0, used);
        progress.setValue(0);
        work.show(QStringLiteral("正在查找… %p%"));
        controls.status->setPanelText(controls.countPanel, QString::number(used - 1));
        const int step = ui::progressStep(used);
        int found = 0;
        // One pass over the rows that decodes only the cells a test or a result looks at.
        QList<int> columns;
        for (const store::BookColumn& column : store::layoutOf(book).columns)
            columns << column.number;
        pass.scanRows(columns, [&](int row) {
            if (matches(pass, row)) {
                ++found;
                grid.setRowCount(found + 1);
                copy(pass, found, row);
            }
            if (row % step == 0)
                progress.setValue(row + 1);
        });
    } catch (const store::StoreError& failure) {
        window.showFailure(failure);
        return true;
    }
    ui::fitColumns(grid);
    controls.status->setPanelText(controls.resultPanel, grid.cell(0, 1).isEmpty()
                                                            ? QStringLiteral("0")
                                                            : QString::number(grid.rowCount() - 1));
    return true;
}

}  // namespace query
