// What the figures cannot show: that each period's bar stands in its own slot, on the
// right side of the zero line, at its height, and that an empty period has none.
#include <gtest/gtest.h>

#include <QImage>

#include "fenxi/SalesChart.h"

namespace {

bool isSalesBlue(QRgb pixel) {
    return qRed(pixel) < 0x50 && qGreen(pixel) > 0x60 && qGreen(pixel) < 0x80 &&
           qBlue(pixel) > 0xa0;
}

struct Bar {
    int left, right, top, bottom;
    double centre() const { return (left + right) / 2.0; }
};

// The blue bars below `top` (the legend's swatch is above), left to right.
QList<Bar> salesBars(const QImage& image, int top) {
    QList<Bar> bars;
    bool inBar = false;
    for (int x = 0; x < image.width(); ++x) {
        int first = -1, last = -1;
        for (int y = top; y < image.height(); ++y) {
            if (isSalesBlue(image.pixel(x, y))) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        if (first >= 0 && !inBar)
            bars.append({x, x, first, last});
        else if (first >= 0)
            bars.last().right = x;
        inBar = first >= 0;
    }
    return bars;
}

TEST(SalesChart, EachPeriodsBarStandsInItsSlotAboveOrBelowZeroAndAnEmptyPeriodHasNone) {
    ledger::SalesAnalysis analysis;
    analysis.from = QDate(2011, 5, 1);
    analysis.to = QDate(2011, 5, 4);
    const double sales[] = {40, 0, -20, 40};
    for (int i = 0; i < 4; ++i)
        analysis.periods.append({analysis.from.addDays(i), {sales[i], 0}});

    fenxi::SalesChart chart;
    chart.setAnalysis(analysis);
    const QList<Bar> bars = salesBars(chart.picture(QSize(800, 600)), 70);
    ASSERT_EQ(bars.size(), 3);
    // Slots 0, 2 and 3: the empty day keeps its place.
    EXPECT_NEAR(bars[1].centre() - bars[0].centre(), 2 * (bars[2].centre() - bars[1].centre()), 2);
    // The profit line along zero covers a pixel or two of the bars' feet.
    EXPECT_EQ(bars[0].top, bars[2].top);
    EXPECT_NEAR(bars[0].bottom, bars[2].bottom, 2);
    // The return hangs from the zero line where the sales stand, half as long.
    EXPECT_NEAR(bars[1].top, bars[0].bottom, 4);
    EXPECT_NEAR(bars[1].bottom - bars[1].top, (bars[0].bottom - bars[0].top) / 2.0, 3);
}

}  // namespace
