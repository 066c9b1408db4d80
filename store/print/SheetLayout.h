#pragma once

#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <vector>

#include "store/Workbook.h"

namespace store::print {

// Spreadsheet column width (characters) to points. A character is the widest digit of
// the book's default font, 7 px at 96 dpi for 11 pt, and every column carries 5 px of
// padding; a width of 0 hides the column.
double columnWidthPoints(double characters);

// The paper of a spreadsheet paper code; unknown codes print on A4.
QPageSize::PageSizeId pageSizeId(int paperCode);
// Its size in points, portrait.
QSizeF paperSizePoints(int paperCode);

// The cells one printed page shows, rows and columns counted from 1, both ends included.
struct PageCells {
    int firstRow = 1, lastRow = 1;
    int firstCol = 1, lastCol = 1;
};

// Where everything of a sheet print-out goes, in points from the paper's top-left corner.
// Pages run down first, then over, as spreadsheet programs number them.
class SheetLayout {
public:
    // widths: one entry a column in points, column 1 first. Throws StoreError when the
    // margins leave no room for cells.
    SheetLayout(const PageSetup& setup, std::vector<double> widths, int rowCount, double rowHeight);
    static SheetLayout fromWorkbook(const Workbook& book);

    QSizeF paperSize() const { return m_paper; }
    bool landscape() const { return m_landscape; }
    int paperCode() const { return m_paperCode; }
    // The part of the paper between the margins, where the cells go.
    QRectF cellArea() const { return m_area; }
    // Header text starts this far down, footer text ends this far up from the bottom edge.
    double headerTop() const { return m_headerTop; }
    double footerBottom() const { return m_paper.height() - m_footerFromBottom; }

    int pageCount() const;
    PageCells page(int index) const;
    // The cell's rectangle on its page.
    QRectF cellRect(const PageCells& page, int row, int col) const;

    int rowCount() const { return m_rowCount; }
    int columnCount() const { return int(m_widths.size()); }
    double rowHeight() const { return m_rowHeight; }
    double columnWidth(int col) const { return m_widths[col - 1]; }

private:
    void paginate();

    QSizeF m_paper;
    bool m_landscape = false;
    int m_paperCode = 9;
    QRectF m_area;
    double m_headerTop = 0, m_footerFromBottom = 0;
    std::vector<double> m_widths;
    int m_rowCount = 1;
    double m_rowHeight = 15;
    // Where each band starts: first columns of the column bands, first rows of the row bands.
    std::vector<int> m_colBands;
    int m_rowsPerPage = 1;
};

}  // namespace store::print
