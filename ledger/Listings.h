#pragma once

#include <QList>
#include <QString>

#include "store/DataBooks.h"

namespace ledger {

class DocumentIndex;

// What the queries, the searches and the shortage list ask of a row. A cell that cannot
// be compared does not match (see store/ValueRules.h): one odd record never hides the rest.

// The field box, the condition box and the typed text; no field (0) matches nothing.
struct FieldTest {
    int col = 0;
    store::Condition condition = store::Condition::None;
    QString text;

    bool matches(store::BookPass& book, int row) const;
};

// A journal search: the field test, and the record dated `today` when only today's
// records are asked for. With `documents` the field is the number of the document the
// record was posted in (`journal` names the book searched), compared as a text; a record
// without a document has none, and matches no condition.
struct JournalTest {
    FieldTest field;
    bool todayOnly = false;
    int dateCol = 0;
    QString today;
    const DocumentIndex* documents = nullptr;
    store::Book journal = store::Book::StockOut;

    bool matches(store::BookPass& book, int row) const;
};

// The shortage list: an item whose stock is below its alarm level. An item without an
// alarm level is never short.
bool isShort(store::BookPass& inventory, int row);

// The inventory query's views: which inventory columns each shows, by the name the view
// box offers. The last one shows every column.
struct InventoryView {
    QString name;
    QList<int> columns;
};
const QList<InventoryView>& inventoryViews();

// The inventory column a field box text names, or 0.
int inventoryField(const QString& name);

}  // namespace ledger
