#pragma once

#include <QString>
#include <vector>

#include "store/CellValue.h"
#include "store/DataBooks.h"

namespace bench {

// A shop ten years on: the stock-out journal and the inventory book at the sizes the
// program must stay quick with. The content is fixed (a seeded generator), so runs on
// different days compare.
constexpr int kJournalRecords = 100000;
constexpr int kInventoryItems = 10000;

inline const QString kJournalFile = store::bookFileName(store::Book::StockOut);
inline const QString kInventoryFile = store::bookFileName(store::Book::Inventory);

// One stock-out record as the program appends it; n picks the item, customer and day.
std::vector<store::CellValue> journalRecord(int n);

// Writes tvchuku.dat (records) and tvkucun.dat (items) into dir; throws StoreError.
void writeBenchBooks(const QString& dir, int records = kJournalRecords,
                     int items = kInventoryItems);

// Writes tvdanju.dat into dir: the documents of a stock-out journal of `records` records,
// `linesPerDocument` rows each, numbered through the days as a till would number them.
void writeDocumentsBook(const QString& dir, int records, int linesPerDocument);

// A folder made once a process for the accounts: a documents book of kJournalRecords
// documents over two years (2017 and 2018), of `kAccountCustomers` customers: sales, most
// of them partly on account, returns on account and payments received; the other books
// initial.
constexpr int kAccountCustomers = 2000;
const QString& accountBooks();
// The name of customer n (from 0), as the accounts' documents give it.
QString accountCustomer(int n);

// A folder made once a process for the window benchmarks: the journal of 100,000 records,
// an inventory of 100 items, and the initial report and stock-in books.
const QString& journalFolder();

// A folder made once a process for the posting benchmarks: the bench books, the stock-out
// journal doubling as the stock-in one (the same cell types in the same columns), so both
// journals hold 100,000 records, and the documents of the stock-out journal at a sale's
// usual 10 lines each.
const QString& postingBooks();
// Puts fresh copies of the data books of `from` into `to`, replacing any there.
void copyDataBooks(const QString& from, const QString& to);

}  // namespace bench
