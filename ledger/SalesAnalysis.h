#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

#include "ledger/Documents.h"
#include "ledger/Totals.h"

namespace store {
class BookPass;
}

namespace ledger {

// "销售分析": the stock-out journal's records of a period, added up by day or by month
// and by item, with the rules of "统计利润" (a return, told by its document, counts
// negative), so that its totals are what "统计利润" gives over the same records.
enum class SalesStep { Day, Month };

// More bars than this are no longer a picture anyone can read.
constexpr int kMaxSalesPeriods = 400;

struct PeriodSales {
    QDate start;  // the day, or the first day of the month
    SalesTotals figures;
};

struct ItemSales {
    QString code;  // as the journal shows it
    QString name;  // of the item's last record in the period
    SalesTotals figures;
};

struct SalesAnalysis {
    QDate from, to;
    SalesStep step = SalesStep::Day;
    QList<PeriodSales> periods;    // every period from `from` to `to`, empty ones as zero
    QList<ItemSales> topBySales;   // at most ten, highest first
    QList<ItemSales> topByProfit;  // at most ten, highest first
    SalesTotals totals;
    int records = 0;  // the records of the period
    // Records anywhere in the journal whose date is no day: they belong to no period, and
    // the window says how many there are rather than leave them out unseen.
    int undated = 0;
};

// The period's label: "yyyy-mm-dd" by day, "yyyy-mm" by month.
QString periodLabel(QDate start, SalesStep step);

// How many periods lie from `from` to `to`, both included (0 when `to` is earlier).
int periodCount(QDate from, QDate to, SalesStep step);

// Reads the stock-out journal. A record of the period whose quantity, price, amount or
// average cost is no number stops the analysis with a StoreError naming its row, as it
// stops "统计利润"; records outside the period are not looked at beyond their date.
// `documents` is the documents book of the same folder, which tells the returns; records
// without a document (all of them, in a folder from before the documents) go by their remark.
SalesAnalysis analyseSales(store::BookPass& stockOut, const DocumentIndex& documents, QDate from,
                           QDate to, SalesStep step);

}  // namespace ledger
