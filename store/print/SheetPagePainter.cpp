#include "SheetPagePainter.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace store::print {

namespace {

// 10.5 pt, the usual Chinese body size, gives UMing's half-width digits exactly the 7 px
// (at 96 dpi) that a column width counts per character: n digits fit a width of n.
constexpr double kFontPoints = 10.5;
// Text keeps 2 px (at 96 dpi) off the cell edge it is aligned to.
constexpr double kCellPadding = 1.5;
constexpr double kGridPen = 0.5;

// Converts the layout's points into the device's units.
struct DeviceScale {
    double kx, ky;
    explicit DeviceScale(const QPaintDevice* d)
        : kx(d->logicalDpiX() / 72.0), ky(d->logicalDpiY() / 72.0) {}
    QRectF operator()(const QRectF& r) const {
        return QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky);
    }
    QPointF operator()(double x, double y) const { return QPointF(x * kx, y * ky); }
};

}  // namespace

QFont SheetPagePainter::printFont(double pointSize) {
    // AR PL UMing first: Qt's PDF writer files some Noto CJK glyphs under Kangxi radicals,
    // which breaks copying text out of the PDF; it is also closest to SimSun's shapes.
    // None of these has the rare characters beyond the first plane (𠀀, Extension B and
    // later), which shop books do hold in names; HanaMinB, a Song-style face, has them all.
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("HanaMinB")});
    font.setPointSizeF(pointSize);
    font.setStyleHint(QFont::Serif);
    return font;
}

SheetPagePainter::SheetPagePainter(const Workbook& book, const SheetLayout& layout, QDateTime now)
    : m_book(book), m_layout(layout) {
    m_fields.now = std::move(now);
    m_fields.pageCount = layout.pageCount();
    // The engine keeps no sheet names; a new book's first sheet is called this.
    m_fields.sheetName = QStringLiteral("Sheet1");
    m_fields.fileName = book.displayName();
    if (!book.path().isEmpty())
        m_fields.folder = QFileInfo(book.path()).absolutePath() + u'/';
    m_header = book.header();
    m_footer = book.footer();
    m_grid = book.printGridLines();
}

void SheetPagePainter::paintPage(QPainter& painter, int pageIndex) const {
    const PageCells cells = m_layout.page(pageIndex);
    painter.save();
    paintCells(painter, cells);
    if (m_grid)
        paintGrid(painter, cells);
    paintHeaderFooter(painter, pageIndex);
    painter.restore();
}

void SheetPagePainter::paintCells(QPainter& painter, const PageCells& cells) const {
    const DeviceScale dev(painter.device());
    const QFont font = printFont(std::min(kFontPoints, std::max(4.0, m_layout.rowHeight() - 2)));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, painter.device());
    const double hashWidth = metrics.horizontalAdvance(u'#');

    const QRectF first = m_layout.cellRect(cells, cells.firstRow, cells.firstCol);
    double x = first.left();
    for (int c = cells.firstCol; c <= cells.lastCol; ++c) {
        const double w = m_layout.columnWidth(c);
        if (w <= 0)
            continue;
        double y = first.top();
        for (int r = cells.firstRow; r <= cells.lastRow; ++r, y += m_layout.rowHeight()) {
            const CellValue value = m_book.cell(r, c);
            if (value.isEmpty())
                continue;
            const QRectF box = dev(QRectF(x, y, w, m_layout.rowHeight()));
            const QRectF inner = box.adjusted(kCellPadding * dev.kx, 0, -kCellPadding * dev.kx, 0);
            QString text = value.displayText();
            const bool fits = metrics.horizontalAdvance(text) <= inner.width();
            int align = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
            if (value.isNumber()) {
                align |= Qt::AlignRight;
                // Cutting digits off would print a wrong amount; show that it does not fit.
                if (!fits)
                    text = QString(int(std::floor(inner.width() / hashWidth)), u'#');
            } else {
                align |= Qt::AlignLeft;
            }
            // Text never spills into the next cell; clipping only where needed keeps the
            // PDF small.
            if (!fits && value.isText()) {
                painter.save();
                painter.setClipRect(box, Qt::IntersectClip);
            }
            painter.drawText(inner, align, text);
            if (!fits && value.isText())
                painter.restore();
        }
        x += w;
    }
}

void SheetPagePainter::paintGrid(QPainter& painter, const PageCells& cells) const {
    const DeviceScale dev(painter.device());
    painter.setPen(QPen(Qt::black, kGridPen * dev.kx, Qt::SolidLine, Qt::FlatCap));
    const QRectF first = m_layout.cellRect(cells, cells.firstRow, cells.firstCol);
    double right = first.left();
    for (int c = cells.firstCol; c <= cells.lastCol; ++c)
        right += m_layout.columnWidth(c);
    const double bottom = first.top() + (cells.lastRow - cells.firstRow + 1) * m_layout.rowHeight();

    for (int r = cells.firstRow; r <= cells.lastRow + 1; ++r) {
        const double y = first.top() + (r - cells.firstRow) * m_layout.rowHeight();
        painter.drawLine(dev(first.left(), y), dev(right, y));
    }
    double x = first.left();
    painter.drawLine(dev(x, first.top()), dev(x, bottom));
    for (int c = cells.firstCol; c <= cells.lastCol; ++c) {
        const double w = m_layout.columnWidth(c);
        if (w <= 0)
            continue;  // a hidden column must not double the line beside it
        x += w;
        painter.drawLine(dev(x, first.top()), dev(x, bottom));
    }
}

void SheetPagePainter::paintHeaderFooter(QPainter& painter, int pageIndex) const {
    const DeviceScale dev(painter.device());
    painter.setFont(printFont(kFontPoints));
    painter.setPen(Qt::black);
    HeaderFields fields = m_fields;
    fields.page = pageIndex + 1;

    const QRectF area = m_layout.cellArea();
    const double half = m_layout.paperSize().height() / 2;
    const QRectF headerBox = dev(QRectF(area.left(), m_layout.headerTop(), area.width(), half));
    const QRectF footerBox =
        dev(QRectF(area.left(), m_layout.footerBottom() - half, area.width(), half));

    auto section = [&](const QRectF& box, int vertical, const HeaderFooterText& text) {
        const std::pair<int, const QString*> parts[] = {{Qt::AlignLeft, &text.left},
                                                        {Qt::AlignHCenter, &text.center},
                                                        {Qt::AlignRight, &text.right}};
        for (const auto& [horizontal, code] : parts) {
            if (code->isEmpty())
                continue;
            // A long header may reach into the margin; that beats losing its end.
            painter.drawText(box, horizontal | vertical | Qt::TextDontClip,
                             expandHeaderCodes(*code, fields));
        }
    };
    section(headerBox, Qt::AlignTop, m_header);
    section(footerBox, Qt::AlignBottom, m_footer);
}

}  // namespace store::print
