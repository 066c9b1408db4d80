#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

// Reads printed PDFs back through poppler's command-line tools.
namespace pdfprobe {

// Text of one page (1-based), or of all pages when page is 0, in reading layout.
// NFKC-normalised: some CJK faces come out as compatibility code points.
QString text(const QString& pdf, int page = 0);
int pageCount(const QString& pdf);
// Size of page 1 in points.
QSizeF pageSize(const QString& pdf);
// Page rendered in grey at the given resolution.
QImage render(const QString& pdf, int page, int dpi);

}  // namespace pdfprobe
