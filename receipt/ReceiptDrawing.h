#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include "ledger/Receipt.h"
#include "ledger/ShiftReport.h"

class QPainter;

namespace receipt {

// A till receipt laid out for the print head: `widthDots` wide (384 or 576), in dots, as
// tall as its lines need. Every text is wrapped to the width, never cut. The same layout
// paints the raster an ESC/POS printer gets and the page a driver gets, so both show the
// same lines.
class ReceiptDrawing {
public:
    ReceiptDrawing(const ledger::Receipt& receipt, int widthDots);
    // A shift report on the till's roll, under the shop's name, printed at `printedAt`.
    ReceiptDrawing(const ledger::ShiftReport& report, const QString& shop,
                   const QDateTime& printedAt, int widthDots);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Draws the receipt with its top left corner at the painter's origin, in dots.
    void paint(QPainter& painter) const;
    // The receipt as the head prints it: QImage::Format_Mono, colour index 1 black.
    QImage raster() const;

private:
    // An empty receipt of that width, for the constructors to lay out.
    explicit ReceiptDrawing(int widthDots);

    struct Text {
        QString text;
        QRectF box;
        int align;
        bool title;
    };
    // Wrapped lines of `text` in `align`, below what is laid out; a `title` in the large face.
    void addText(const QString& text, int align, bool title = false);
    // A figure on the right with an optional word on the left, on one line; each gets
    // lines of its own when the two would overlap.
    void addSplit(const QString& left, const QString& right);
    void addRule();
    void addGap(double dots);

    int m_width;
    double m_y;
    int m_height = 0;
    QFont m_body;
    QFont m_title;
    QList<Text> m_texts;
    QList<double> m_rules;  // the tops of the dashed rules
};

}  // namespace receipt
