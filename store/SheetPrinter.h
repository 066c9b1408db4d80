#pragma once

#include <QString>

namespace store {

class Workbook;

// Prints sheet 1 of a workbook: the spreadsheet server's print-out. The Qt renderer
// lives in its own library (store/print) so that the store itself needs no GUI.
class SheetPrinter {
public:
    virtual ~SheetPrinter() = default;
    // Prints on the default printer, or into the print target folder when one is set.
    // Throws StoreError when there is nothing to print on.
    virtual void print(const Workbook& book) = 0;
};

}  // namespace store
