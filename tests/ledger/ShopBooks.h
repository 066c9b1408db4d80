#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <string>

#include "ledger/BookCommit.h"
#include "ledger/Document.h"
#include "ledger/Lines.h"
#include "store/SpreadsheetServer.h"

namespace database {
class Connection;
}

// A program folder for the ledger's tests: items 1001 … 1000 + items, each with as many
// units in stock as its stock-in records bring (`records` of one unit each, spread over
// the items), an average cost of 2.
void makeShop(const QString& dir, int items, int records = 0);

// The journals and the inventory, as the stock of every item: the inventory's quantity,
// and the quantity the journals account for (stock-ins minus sales plus returns plus the
// counts' differences).
struct StockCheck {
    QMap<double, double> inventory;
    QMap<double, double> journals;
    int stockIns = 0, stockOuts = 0, counted = 0;  // journal records
};
StockCheck checkStock(const QString& dir,
                      const store::ServerFactory& servers = store::workbookServerFactory());

// The journals against the documents book, one line a fault, empty when all holds: every
// journal record but the `older` ones at the top belongs to exactly one document, of a kind
// that writes that journal; a document's records add up to its total; a day's numbers of a
// kind run from 1 without a gap or a repeat. Given the tables, the books are theirs, and each
// journal table's document column names the document the documents book gives the row.
struct OlderRecords {
    int stockIns = 0, stockOuts = 0;
};
std::string documentFaults(const store::ServerFactory& servers, const QString& dir,
                           OlderRecords older, database::Connection* tables = nullptr);

// The books' bytes, to tell "as before" from "as after".
QByteArray booksDigest(const QString& dir);
// The files in the folder other than the books; empty when nothing was left behind.
QStringList leftovers(const QString& dir);

// `document` posted from `dir` in a child process that ends on the spot (no unwinding, no
// clean-up) when its commit reaches `step`, as a crash there would. False when the posting
// never got there.
bool crashAt(const QString& dir, ledger::CommitStep step, const ledger::Document& document);
// A count that found `counted` of item 1001 where the books said 10.
ledger::Document countOf1001(double counted);

ledger::PurchaseLine purchase(int row, double code, double qty, double amount);
ledger::SaleLine sale(int row, double code, double qty, double price = 3);
ledger::CountLine count(int row, double code, double bookQty, double counted);
