#include "receipt/EscPos.h"

#include <algorithm>

namespace receipt {

namespace {

void appendBytes(QByteArray& out, std::initializer_list<int> bytes) {
    for (const int b : bytes)
        out.append(char(b));
}

}  // namespace

QByteArray escPosJob(const QImage& raster, bool openDrawer) {
    const int rowBytes = raster.width() / 8;
    QByteArray out;
    out.reserve(16 + rowBytes * raster.height() + 8 * (raster.height() / kBandRows + 1));
    appendBytes(out, {0x1b, 0x40});  // ESC @
    if (openDrawer)
        appendBytes(out,
                    {0x1b, 0x70, 0x00, 25, 250});  // ESC p 0 25 250: pin 2, 50 ms on, 500 ms off
    for (int top = 0; top < raster.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, raster.height() - top);
        // GS v 0, normal density, x bytes by y rows, low byte first
        appendBytes(
            out, {0x1d, 0x76, 0x30, 0x00, rowBytes & 0xff, rowBytes >> 8, rows & 0xff, rows >> 8});
        for (int y = top; y < top + rows; ++y)
            out.append(reinterpret_cast<const char*>(raster.constScanLine(y)), rowBytes);
    }
    appendBytes(out, {0x1b, 0x64, 4});     // ESC d 4: print and feed four lines
    appendBytes(out, {0x1d, 0x56, 0x01});  // GS V 1: partial cut
    return out;
}

}  // namespace receipt
