#pragma once

#include <QFileInfo>
#include <QString>
#include <functional>
#include <memory>

#include "receipt/ReceiptSetup.h"
#include "store/DataBooks.h"
#include "store/SpreadsheetServer.h"
#include "store/StoreError.h"

namespace database {
class Database;
}
namespace ledger {
class OfflineTill;
}
namespace receipt {
class ReceiptPrinter;
}
namespace store {
class SheetPrinter;
}

namespace ui {

class Prompt;
class Clock;
class Cashiers;

// What every window is given at construction instead of finding it for itself: the
// folder of the books and the settings file, the boxes, today's date and the spreadsheet
// server. The program passes the folder it chose at start-up, the desktop's boxes and the
// system date; tests and the driver pass a scratch folder, scripted answers and a fixed day.
struct AppContext {
    QString programDir;  // ends with a separator
    Prompt* prompt = nullptr;
    const Clock* clock = nullptr;
    store::ServerFactory servers;
    // Set when the shop keeps its data books on a database server (the settings file's
    // [database] section); the servers then read them from there.
    std::shared_ptr<database::Database> database = {};
    // With the database, what keeps the till selling while its server is out of reach.
    std::shared_ptr<ledger::OfflineTill> offline = {};
    // What the spreadsheet server prints on, for the printouts that are drawings rather
    // than sheets (the charts); unset, they say there is no printer.
    std::shared_ptr<store::SheetPrinter> printer = {};
    // The footer of every printout: the settings dialog's company name and contact
    // information as they stand at that moment, saved or not. Unset, both are empty.
    std::function<QString()> printFooter = {};
    // Where till receipts go, and how the shop has set them up: the settings dialog's
    // receipt strip, company name and contact information, saved or not. Unset, the
    // program prints no receipts.
    std::shared_ptr<receipt::ReceiptPrinter> receipts = {};
    std::function<receipt::Setup()> receiptSetup = {};
    // The cash the till's drawer starts a shift with (the settings file's [till] float).
    double openingFloat = 0;
    // The till the documents are made at, and who works it (the settings file's [till]).
    QString till = {};
    QString operatorName = {};
    // The customer a new sale line starts with, for the shop keeper to type over: most
    // sales at a till are to nobody in particular. Empty, lines start without one.
    QString walkInCustomer = {};

    QString filePath(const QString& fileName) const { return programDir + fileName; }
    // The receipt setup as it stands, the usual one when none is given.
    receipt::Setup receiptSettings() const {
        return receiptSetup ? receiptSetup() : receipt::Setup{};
    }
    // Where receipts go; throws store::StoreError when the program prints none.
    receipt::ReceiptPrinter& receiptPrinter() const {
        if (!receipts)
            throw store::StoreError(QStringLiteral("没有可用的小票打印机"));
        return *receipts;
    }
    // Whether the data book is there to be read: in the database it always is.
    bool hasBook(store::Book book) const {
        return database || QFileInfo::exists(store::bookPath(programDir, book));
    }

    // The shop's cashiers and who of them is signed in, when it keeps a list; the documents
    // then name that cashier instead of the operator above.
    std::shared_ptr<Cashiers> cashiers = {};
};

}  // namespace ui
