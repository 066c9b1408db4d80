#pragma once

#include <QByteArray>
#include <QImage>

namespace receipt {

// The ESC/POS job of a receipt raster (QImage::Format_Mono, index 1 black, a width that is
// a whole number of bytes): ESC @ to start from the printer's defaults, the raster in
// GS v 0 bands, a feed that brings the last line past the tear bar, and a partial cut
// that printers without a cutter ignore. Chinese goes as dots, so no printer's code page
// can garble it.
// With `openDrawer`, the job starts by opening the cash drawer on the printer's first
// drawer port, so that it is open while the receipt prints.
QByteArray escPosJob(const QImage& raster, bool openDrawer = false);

// The most rows one GS v 0 band carries: small printers buffer no more at once.
constexpr int kBandRows = 255;

}  // namespace receipt
