#pragma once

#include <QString>
#include <functional>

class QPainter;
class QRectF;

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

    // Paints into the rectangle where the cells would go, in the painter's device units.
    using Drawing = std::function<void(QPainter& painter, const QRectF& area)>;
    // One page on the paper, margins, header and footer of `page`'s sheet 1, with a drawing
    // in place of the cells: the charts go the same way to the same printer as the lists.
    virtual void printDrawing(const Workbook& page, const Drawing& drawing) = 0;
};

}  // namespace store
