#pragma once

#include <QList>
#include <QString>

#include "ledger/Document.h"
#include "store/DataBooks.h"

namespace ledger {

// 盘点: the shelves counted, and the stock set to what was found. Staff count while the
// till sells, so a count is taken against the book quantity of the moment it began, and
// posting it moves the stock by the difference: a sale made meanwhile stays sold.

// The items of the inventory a count may cover, as the count sheet lists them.
struct CountItem {
    QString codeText;  // as the inventory shows it
    double code = 0;
    QString name, unit, supplier;
    double bookQty = 0;  // the stock when the sheet was made: what the count is taken against
    double avgCost = 0;
};

// Which items a count sheet lists: every one, one supplier's, or those whose code or name
// contains a text.
struct CountScope {
    enum Kind { All, Supplier, Contains };
    Kind kind = All;
    QString text;
};

// The inventory's items in the scope, by code; an item the inventory holds twice is listed
// as its last row, which is the one postings change. A row whose quantity or cost is no
// number is a StoreError naming it: a count against it could not be posted.
QList<CountItem> countSheet(store::BookPass& inventory, const CountScope& scope);
// The suppliers the inventory names, each once, in order of first appearance.
QStringList suppliersOf(store::BookPass& inventory);

// The count's `row`-th line: `item` found `counted` times on `date`.
CountLine countLine(const CountItem& item, int row, double counted, const QString& date);

// The count's document: each line moves its item's stock by counted − book quantity, at
// the item's average cost, and writes a row of the stocktake journal.
Document stocktake(const QList<CountLine>& lines, const Origin& origin);

// A counted quantity as typed, scanned or read from a count list: a number of at most six
// decimals, not negative. Empty when it is one, else why not.
QString countProblem(const QString& text);

// The stocktake journal over a period (dates "yyyy-mm-dd", inclusive; empty: open), by item:
// what was found more (盘盈) and less (盘亏) than the books said.
struct CountResult {
    QString codeText, name, unit;
    double gainQty = 0, gainValue = 0;
    double lossQty = 0, lossValue = 0;  // both negative or zero
    int counts = 0;                     // the journal rows it came from
};
struct CountReport {
    QList<CountResult> items;  // by code
    double gainValue = 0, lossValue = 0;
    double net() const;
};
CountReport countReport(store::BookPass& journal, const QString& from, const QString& to);

}  // namespace ledger
