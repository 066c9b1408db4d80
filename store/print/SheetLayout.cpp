#include "SheetLayout.h"

#include <QPageSize>
#include <algorithm>
#include <cmath>

#include "store/StoreError.h"

namespace store::print {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kPointsPerPixel = 72.0 / 96.0;
constexpr double kDigitPixels = 7.0;
constexpr double kPaddingPixels = 5.0;
// Spreadsheet programs allow no wider column; a hostile book must not make one endless.
constexpr double kMaxCharacters = 255.0;
// Spreadsheet programs fall back to this when a book gives no usable row height.
constexpr double kFallbackRowHeight = 15.0;
// Rounding slack, so that a page exactly as wide as its columns still holds them.
constexpr double kSlack = 1e-6;

}  // namespace

QPageSize::PageSizeId pageSizeId(int code) {
    switch (code) {
        case 1:
        case 2:
            return QPageSize::Letter;
        case 3:
        case 17:
            return QPageSize::Tabloid;
        case 4:
            return QPageSize::Ledger;
        case 5:
            return QPageSize::Legal;
        case 6:
            return QPageSize::Statement;
        case 7:
            return QPageSize::ExecutiveStandard;  // 7.25 x 10.5 in
        case 8:
            return QPageSize::A3;
        case 11:
            return QPageSize::A5;
        case 12:
            return QPageSize::B4;
        case 13:
            return QPageSize::B5;
        case 14:
            return QPageSize::FanFoldGermanLegal;  // Folio, 8.5 x 13 in
        case 15:
            return QPageSize::Quarto;
        case 20:
            return QPageSize::Comm10E;
        case 27:
            return QPageSize::DLE;
        case 28:
            return QPageSize::C5E;
        case 34:
            return QPageSize::EnvelopeB5;
        case 70:
            return QPageSize::A6;
        default:
            // 9 and 10 are A4 and "A4 small"; A4 is also the shop's paper for anything else.
            return QPageSize::A4;
    }
}

double columnWidthPoints(double characters) {
    if (!(characters > 0))
        return 0;
    // Spreadsheet programs snap the character part to whole pixels before padding.
    const double chars = std::min(characters, kMaxCharacters);
    return (std::round(chars * kDigitPixels) + kPaddingPixels) * kPointsPerPixel;
}

QSizeF paperSizePoints(int paperCode) {
    // QPageSize rounds points to whole numbers; A4's 595.28 x 841.89 matters to the margins.
    const QPageSize size(pageSizeId(paperCode));
    const double perUnit =
        size.definitionUnits() == QPageSize::Inch ? kPointsPerInch : kPointsPerInch / 25.4;
    return size.definitionSize() * perUnit;
}

SheetLayout::SheetLayout(const PageSetup& setup, std::vector<double> widths, int rowCount,
                         double rowHeight)
    : m_landscape(setup.landscape),
      m_paperCode(setup.paperSize),
      m_widths(std::move(widths)),
      m_rowCount(std::max(1, rowCount)),
      m_rowHeight(rowHeight > 0 ? rowHeight : kFallbackRowHeight) {
    if (m_widths.empty())
        m_widths.push_back(columnWidthPoints(8.43));
    m_paper = paperSizePoints(setup.paperSize);
    if (m_landscape)
        m_paper.transpose();

    auto inches = [](double v) { return std::max(0.0, v) * kPointsPerInch; };
    const double left = inches(setup.left), right = inches(setup.right);
    const double top = inches(setup.top), bottom = inches(setup.bottom);
    m_area = QRectF(left, top, m_paper.width() - left - right, m_paper.height() - top - bottom);
    m_headerTop = inches(setup.header);
    m_footerFromBottom = inches(setup.footer);
    if (m_area.width() <= 0 || m_area.height() < m_rowHeight)
        throw StoreError(QStringLiteral("页边距超出纸张大小，无法打印"));
    paginate();
}

SheetLayout SheetLayout::fromWorkbook(const Workbook& book) {
    const int cols = book.usedColumnCount();
    std::vector<double> widths;
    widths.reserve(cols);
    const double fallback = book.defaultColumnWidth();
    for (int c = 1; c <= cols; ++c)
        widths.push_back(columnWidthPoints(book.columnWidth(c).value_or(fallback)));
    return SheetLayout(book.pageSetup(), std::move(widths), book.usedRowCount(),
                       book.defaultRowHeight());
}

void SheetLayout::paginate() {
    // A column wider than the page gets a page of its own and is cut at the margin.
    m_colBands.clear();
    m_colBands.push_back(1);
    double used = 0;
    for (int c = 1; c <= columnCount(); ++c) {
        const double w = m_widths[c - 1];
        if (used > 0 && used + w > m_area.width() + kSlack) {
            m_colBands.push_back(c);
            used = 0;
        }
        used += w;
    }
    m_rowsPerPage = std::max(1, int(std::floor((m_area.height() + kSlack) / m_rowHeight)));
}

int SheetLayout::pageCount() const {
    const int rowBands = (m_rowCount + m_rowsPerPage - 1) / m_rowsPerPage;
    return rowBands * int(m_colBands.size());
}

PageCells SheetLayout::page(int index) const {
    const int rowBands = (m_rowCount + m_rowsPerPage - 1) / m_rowsPerPage;
    const int band = index / rowBands;
    const int rowBand = index % rowBands;
    PageCells p;
    p.firstRow = rowBand * m_rowsPerPage + 1;
    p.lastRow = std::min(m_rowCount, p.firstRow + m_rowsPerPage - 1);
    p.firstCol = m_colBands[band];
    p.lastCol = band + 1 < int(m_colBands.size()) ? m_colBands[band + 1] - 1 : columnCount();
    return p;
}

QRectF SheetLayout::cellRect(const PageCells& page, int row, int col) const {
    double x = m_area.left();
    for (int c = page.firstCol; c < col; ++c)
        x += m_widths[c - 1];
    const double y = m_area.top() + (row - page.firstRow) * m_rowHeight;
    return QRectF(x, y, m_widths[col - 1], m_rowHeight);
}

}  // namespace store::print
