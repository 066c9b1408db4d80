#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "query/Listing.h"
#include "store/DataBooks.h"

namespace entry {

// What the stock-in and stock-out windows do alike (fetch an item into the preview,
// build a batch of lines, check the last line, compute price or amount, copy and paste
// a cell) is written once and told by one of these tables what the window's columns are.

// One preview column: the inventory book column it shows (store::InventoryCol, counted
// from 1) and its width.
struct PreviewColumn {
    int inventoryCol;
    int width;
};

// Where a cell of a line filled from the preview comes from.
struct LineSource {
    // WalkInCustomer: the till's customer for a sale nobody names (LineDefaults).
    enum Kind { Inventory, Zero, Today, Empty, WalkInCustomer };
    Kind kind = Empty;
    // With Inventory: the item's inventory column (store::InventoryCol), as the preview
    // shows it; the table must have that column among its preview columns.
    int inventoryCol = 0;

    static LineSource inventory(int col) { return {Inventory, col}; }
};

// What the line check asks of a cell of the last line.
enum class CellRule {
    Text,    // not empty
    Number,  // not empty, only the characters "0123456789."
    Free,    // anything, empty included
};

struct EntryColumn {
    QString caption;
    int width;
    CellRule rule;
    LineSource source;
};

// One field the search strip offers: its text in the field box and the journal column it
// searches (the journal's layout says whether that holds numbers), or the number of the
// document each record was posted in, which the documents book holds.
struct SearchField {
    QString name;
    int journalCol = 0;
    bool documentNumber = false;
};

// The search strip and what it searches.
struct JournalSearch {
    QString buttonName;  // the button's object name
    QString caption;
    store::Book journal;
    QList<SearchField> fields;
    int dateCol;  // the record's date, which "只查当日记录" compares with today
    // The records as the grid shows them: every journal column, under the window's captions.
    query::ResultShape result;

    // The field a field box text names, or none: a text typed by hand names none.
    const SearchField* fieldNamed(const QString& field) const;
    // The field that searches the date.
    QString dateField() const;
    QStringList fieldNames() const;
};

struct EntryTable {
    // The fixed captions of status panels 0, 2 and 4.
    QStringList statusCaptions;
    // What the messages call the window's journal: "入库记录", "出库记录".
    QString journalRecords;
    QList<PreviewColumn> previewColumns;
    // The preview's column count until the first item is fetched into it.
    int previewColsBeforeFetch;
    QList<EntryColumn> lineColumns;  // the entry shape, column 0 the code, 1 the name
    // A line added below a valid line starts with the quantity, price and amount "0" and
    // today's date (stock-in), or empty (stock-out).
    bool addedLineTakesDefaults;
    // An amount the program put into a line (a scan, "增加数据", "自动计算金额") stays
    // quantity × price while either is typed, until the shop keeper types the amount.
    bool computedAmountFollows = false;
    JournalSearch search;
    // Where "返回菜单" stands among the tools strip's buttons, counted from 0.
    int returnButtonSlot;
    // How the entry grid takes the mouse and the keyboard.
    struct GridBehaviour {
        bool columnSizing = true;        // column widths dragged by the user
        bool editorAlwaysShown = false;  // the current cell opens for typing at once
    } grid = {};
    // What Enter in the code field (a barcode scanner) does with a code.
    struct Scan {
        int priceInventoryCol = 0;  // the inventory column a new line's price comes from
        // A code the inventory does not know starts a line for a new item (stock-in), or
        // is refused.
        bool unknownCodeStartsItem = false;
    } scan = {};

    static constexpr int kCodeCol = 0;
    static constexpr int kNameCol = 1;
    static constexpr int kQtyCol = 3;
    static constexpr int kPriceCol = 4;
    static constexpr int kAmountCol = 5;

    int columnCount() const { return int(lineColumns.size()); }
    // Where the preview shows an inventory column, counted from 0; -1 when it does not.
    int previewIndexOf(int inventoryCol) const;
};

}  // namespace entry
