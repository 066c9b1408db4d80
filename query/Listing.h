#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "store/DataBooks.h"

class QAbstractButton;
class QProgressBar;
class QWidget;

namespace ui {
class ModuleWindow;
class PanelStatusBar;
class StringGrid;
}  // namespace ui

namespace query {

// One column of a result grid: the book column that fills it, its caption and its width.
struct ResultColumn {
    int bookCol;
    QString caption;
    int width;
};
using ResultShape = QList<ResultColumn>;

// Book columns under the book's own captions, each as wide as the program always shows it.
ResultShape bookShape(store::Book book, const QList<int>& bookCols);
// Every column of a book.
ResultShape wholeBookShape(store::Book book);

// The grid in the shape of a result: its columns, their widths and the captions in row 0.
void setShape(ui::StringGrid& grid, const ResultShape& shape);
// Book row `source`, the shape's columns as the grid shows them (1001, 2.5, an empty cell
// as an empty text), into grid row `target`.
void copyRow(store::BookPass& book, int source, const ResultShape& shape, ui::StringGrid& grid,
             int target);

// The window's controls a listing fills: the grid, the progress bar, the panel that shows
// the book's record count and the one that shows the number of results.
struct ListingControls {
    ui::StringGrid* grid;
    QProgressBar* progress;
    ui::PanelStatusBar* status;
    int countPanel;
    int resultPanel;
};

// Every query, search and report of the program lists the rows of one book that pass a
// test, read only, in book order:
// - a missing book stops it without a word;
// - the grid is reset to the empty `resetShape` (widths only, every caption emptied,
//   one empty row), then, once the book is open, takes `shape` (none: stays reset);
// - the count panel shows the book's data rows; each match k grows the grid to k + 1
//   rows and is handed to `copy` with its book row; the result panel shows the number
//   of results, "0" when none.
// A failure (no server, a book that cannot be read) is shown in its box; the book is
// closed, the rows found so far stay, the result panel keeps its value. The progress bar
// tells the reading of the book and the search ("正在读取出库记录… 35%"), and is empty after.
// A listing with a `refusal` says it and does nothing else: the search cannot find
// anything, and the grid keeps what it showed.
struct Listing {
    using RowTest = std::function<bool(store::BookPass& book, int row)>;
    using MatchCopy = std::function<void(store::BookPass& book, int target, int source)>;

    store::Book book;
    ResultShape resetShape;
    const ResultShape* shape;
    RowTest matches;
    MatchCopy copy;
    QString refusal = {};

    // True when the grid was reset for the listing, whatever it then found.
    bool run(ui::ModuleWindow& window, const ListingControls& controls) const;
};

// The copy of the query and search windows: each match is handed to the window's hidden
// row-copy button, whose handler runs copyResultRow on the open book, the book row and the
// grid row given here in the three variables. The book is taken back once the handler has
// run, so a click outside a listing finds none and copies nothing.
Listing::MatchCopy handOver(QAbstractButton& rowCopy, int& targetRow, int& sourceRow,
                            store::BookPass*& openBook);
// The row-copy button's work: copyRow, or nothing when no book is open or no shape given.
void copyResultRow(store::BookPass* openBook, int source, const ResultShape* shape,
                   ui::StringGrid& grid, int target);

}  // namespace query
