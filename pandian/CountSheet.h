#pragma once

#include <QString>
#include <QStringList>

#include "ledger/Stocktake.h"

class QHBoxLayout;
class QVBoxLayout;

namespace ui {
class StringGrid;
}

namespace pandian {

// The count grid's columns.
namespace CountCol {
enum : int { Code, Name, Unit, BookQty, Counted, Difference, AvgCost, DiffValue, Count };
}

// The stocktake window's status panels: the journal's records, the rows shown, what was
// last done.
namespace Panel {
enum : int { Records = 1, Rows = 3, Message = 4 };
}

// A strip of fields across the page that `column` lays out, added below the others; the row
// its fields go into, on the strip (its parentWidget()).
QHBoxLayout* fieldStrip(QVBoxLayout& column, const QString& name);

// The inventory's item of a code as typed, scanned or read from a list, or none.
const ledger::CountItem* itemOfCode(const QList<ledger::CountItem>& items, const QString& code);

const QStringList& countCaptions();
// An item's line as the count starts it: nothing counted yet.
QStringList lineTexts(const ledger::CountItem& item);

// The counted lines of a count grid, by what their difference worked out to.
struct CountTotals {
    int counted = 0;
    int gains = 0, losses = 0;
    double gainValue = 0, lossValue = 0;  // the loss negative
};
CountTotals countTotals(const ui::StringGrid& grid);

}  // namespace pandian
