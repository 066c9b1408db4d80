#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

#include "store/SheetPrinter.h"

class QPrinter;

namespace store {
namespace print {
class SheetLayout;
}

// The print-out of sheet 1 through Qt PrintSupport, laid out as a spreadsheet program
// prints it: the used range at the book's column widths and page setup, header and
// footer on every page, pages down then over.
//
// With a print target folder every print-out becomes a new PDF file there (how the
// scenario driver and tests see what was printed); otherwise it goes to the system's
// default printer, without a dialog.
class QtSheetPrinter : public SheetPrinter {
public:
    // Hands out a printer for the system's default queue, or nullptr when there is none.
    using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;

    explicit QtSheetPrinter(PrinterSource defaultPrinter = systemDefaultPrinter());
    ~QtSheetPrinter() override;

    void print(const Workbook& book) override;
    void printDrawing(const Workbook& page, const Drawing& drawing) override;

    // Folder that receives print-outs as PDF files; empty prints on paper.
    void setPrintTarget(const QString& dir) { m_target = dir; }
    QString printTarget() const { return m_target; }
    // The file the last print-out went to, when it went to the print target.
    QString lastOutputFile() const { return m_lastFile; }
    // Source of the date and time that &D and &T print.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    static PrinterSource systemDefaultPrinter();

private:
    // Opens the printer (or the next file of the print target), runs `paintPage` for each
    // page, and withdraws the job when one fails.
    void printPages(const Workbook& book, const print::SheetLayout& layout, int pageCount,
                    const std::function<void(QPainter&, int)>& paintPage);

    PrinterSource m_defaultPrinter;
    std::function<QDateTime()> m_clock;
    QString m_target;
    QString m_lastFile;
};

}  // namespace store
