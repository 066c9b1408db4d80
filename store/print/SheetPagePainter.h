#pragma once

#include <QDateTime>
#include <QFont>

#include "HeaderCodes.h"
#include "SheetLayout.h"

class QPainter;

namespace store::print {

// Paints the pages of sheet 1 onto any paint device whose (0,0) is the paper's top-left
// corner: a printer in full-page mode, a PDF, or an image in tests. Sizes are laid out in
// points and converted with the device's own resolution, so fonts and lines keep their
// physical size everywhere.
class SheetPagePainter {
public:
    SheetPagePainter(const Workbook& book, const SheetLayout& layout, QDateTime now);

    void paintPage(QPainter& painter, int pageIndex) const;
    // The page's header and footer alone, for a page that carries a drawing.
    void paintHeaderFooter(QPainter& painter, int pageIndex) const;

    // The Song-style face the print-out uses, at the given size in points.
    static QFont printFont(double pointSize);

private:
    void paintCells(QPainter& painter, const PageCells& cells) const;
    void paintGrid(QPainter& painter, const PageCells& cells) const;

    const Workbook& m_book;
    const SheetLayout& m_layout;
    HeaderFields m_fields;
    HeaderFooterText m_header, m_footer;
    bool m_grid = false;
};

}  // namespace store::print
