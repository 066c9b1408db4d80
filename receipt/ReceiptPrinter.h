#pragma once

#include <QByteArray>
#include <QString>

#include "ledger/Receipt.h"
#include "ledger/ShiftReport.h"
#include "receipt/ReceiptSetup.h"

namespace receipt {

class ReceiptDrawing;

// Prints till receipts on the queue the setup names: ESC/POS bytes as a raw job through
// CUPS, or a page of the paper's width through the queue's driver. Never a device file:
// the queue serialises the tills' jobs and reports a printer that is off.
//
// With a print target folder every receipt becomes a file there instead, receipt-NNN.bin
// (the job's bytes) or receipt-NNN.pdf: how the scenario driver and tests see receipts.
class ReceiptPrinter {
public:
    // Throws store::StoreError saying why the receipt did not print.
    void print(const ledger::Receipt& receipt, const Setup& setup);
    // A shift report on the same roll; it opens no drawer.
    void print(const ledger::ShiftReport& report, const Setup& setup, const QDateTime& printedAt);

    void setPrintTarget(const QString& dir) { m_target = dir; }
    // The file the last receipt went to, when it went to the print target.
    QString lastOutputFile() const { return m_lastFile; }

private:
    void printDrawing(const ReceiptDrawing& drawing, const Setup& setup, bool openDrawer);
    void printOnDriver(const ReceiptDrawing& drawing, const Setup& setup);
    void sendBytes(const QByteArray& job, const Setup& setup);

    QString m_target;
    QString m_lastFile;
};

}  // namespace receipt
