#pragma once

#include <QString>

namespace receipt {

// How the receipt reaches the printer: ESC/POS raster commands through a raw queue, which
// every till printer understands, or a page through the queue's own driver.
enum class Mode { EscPos, Driver };

// How the shop prints its till receipts (the settings' [receipt] section) and what heads
// and ends them (the company name and contact information).
struct Setup {
    QString printer;   // a CUPS queue; empty: no receipts
    int paperMm = 58;  // 58 or 80
    Mode mode = Mode::EscPos;
    bool autoprint = false;  // after every sale or return posted
    // An ESC/POS printer opens the cash drawer wired to it when cash is taken or paid back.
    bool drawer = true;
    QString shop;
    QString contact;
};

// The head of a till printer has 8 dots a millimetre (203 dpi) and prints 48 mm of a
// 58 mm roll, 72 mm of an 80 mm one.
constexpr int kDotsPerInch = 203;
inline int printDots(int paperMm) {
    return paperMm == 80 ? 576 : 384;
}

}  // namespace receipt
