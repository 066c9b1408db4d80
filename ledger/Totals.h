#pragma once

#include <QString>
#include <functional>

namespace ledger {

struct DocumentRecord;

// The totals of the program add up rows as the shop keeper sees them (the lines typed
// into a window, or the records and items a search or query listed), never a book.
struct TextRows {
    int count = 0;                                  // data rows, numbered 1 … count
    std::function<QString(int col, int row)> cell;  // as shown
    std::function<QString(int col)> caption;        // what the messages call the column
};
// Called after each row a total has taken in (the windows move their progress bars).
using RowVisit = std::function<void(int row)>;

// A shown cell as a number, by the standard decimal conversion: an empty or unreadable
// cell throws store::StoreError naming its row and column.
double rowNumber(const QString& text, int row, const QString& caption);

// "统计资金" and the printouts' amount line: the sum of one column, unrounded.
double columnTotal(const TextRows& rows, int col, const RowVisit& visit = {});

// "统计利润": a row is a customer's return, and counts negative, by the document it was
// posted in, or by its remark alone where it has none (see isReturnRecord). The sales take
// the amount as it stands; the profit of a row is its quantity times the margin of its
// price over the average cost it carries.
struct SalesColumns {
    int qty, price, amount, avgCost, remark;
};
struct SalesTotals {
    double sales = 0;
    double profit = 0;
};
// One row's part in the totals.
SalesTotals saleFigures(double qty, double price, double amount, double avgCost, bool isReturn);
// The document row `row` was posted in; none for a line typed by hand or an older record.
using RowDocument = std::function<const DocumentRecord*(int row)>;
SalesTotals salesTotals(const TextRows& rows, const SalesColumns& cols,
                        const RowDocument& documentOf = {}, const RowVisit& visit = {});

}  // namespace ledger
