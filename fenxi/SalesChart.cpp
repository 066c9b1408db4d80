#include "fenxi/SalesChart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "store/Numbers.h"

namespace fenxi {

namespace {

using ledger::ItemSales;
using ledger::SalesAnalysis;
using ledger::SalesStep;
using ledger::SalesTotals;

const QColor kSalesColour(0x2f, 0x6f, 0xb0);
const QColor kProfitColour(0xe0, 0x8a, 0x1e);
const QColor kLossColour(0xc0, 0x39, 0x2b);
const QColor kGridColour(0xdd, 0xdd, 0xdd);
const QColor kAxisColour(0x55, 0x55, 0x55);
constexpr double kGap = 8;
constexpr double kTextPixels = 12;
// An item's row is its text's height and this much more.
constexpr double kRowPadding = 10;

QFont sized(const QFont& face, double pixels, bool bold = false) {
    QFont font = face;
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    font.setBold(bold);
    return font;
}

// A value axis that holds zero and every value, in round steps.
struct Scale {
    double low = 0, high = 1, step = 1;

    static Scale over(double low, double high, int steps) {
        low = std::min(low, 0.0);
        high = std::max(high, 0.0);
        if (!(high > low))
            high = low + 1;
        const double raw = (high - low) / steps;
        const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
        const double norm = raw / magnitude;
        const double step = (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10) * magnitude;
        return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
    }
    // Where the value lies between `from` (the low end) and `to` (the high end).
    double at(double value, double from, double to) const {
        return from + (value - low) / (high - low) * (to - from);
    }
    QList<double> ticks() const {
        QList<double> result;
        const int count = int(std::lround((high - low) / step));
        for (int i = 0; i <= count; ++i)
            result << low + i * step;
        return result;
    }
};

// Money as 统计利润 shows it; the axes' round steps keep the general format.
QString money(double value) {
    return store::formatFixed2(value);
}

void drawTitle(QPainter& painter, const QRectF& box, const QString& title, const QFont& face) {
    painter.setFont(sized(face, kTextPixels + 1, true));
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, title);
}

// A small swatch and its caption, ending at `right`; returns where the next one ends.
double drawLegend(QPainter& painter, double right, double middle, const QString& caption,
                  const QColor& colour, bool line) {
    const QFontMetricsF metrics(painter.font());
    const double width = metrics.horizontalAdvance(caption);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(right - width, middle + metrics.ascent() / 2 - 1), caption);
    const double swatch = right - width - 20;
    if (line) {
        painter.setPen(QPen(colour, 2));
        painter.drawLine(QPointF(swatch, middle), QPointF(swatch + 14, middle));
    } else {
        painter.fillRect(QRectF(swatch + 2, middle - 5, 10, 10), colour);
    }
    return swatch - 12;
}

void drawNote(QPainter& painter, const QRectF& box, const QString& note) {
    painter.setPen(kAxisColour);
    painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, note);
}

void drawPeriods(QPainter& painter, const QRectF& box, const SalesAnalysis& analysis,
                 const QFont& face) {
    const QFont text = sized(face, kTextPixels);
    const QFontMetricsF metrics(text);
    const double line = metrics.height();
    const QRectF titleBox(box.left(), box.top(), box.width(), line + 4);
    drawTitle(painter, titleBox,
              analysis.step == SalesStep::Day ? QStringLiteral("按日销售额与利润")
                                              : QStringLiteral("按月销售额与利润"),
              face);
    painter.setFont(text);
    const double middle = titleBox.center().y();
    drawLegend(
        painter,
        drawLegend(painter, box.right(), middle, QStringLiteral("利润"), kProfitColour, true),
        middle, QStringLiteral("销售额"), kSalesColour, false);

    double low = 0, high = 0;
    for (const auto& period : analysis.periods) {
        low = std::min({low, period.figures.sales, period.figures.profit});
        high = std::max({high, period.figures.sales, period.figures.profit});
    }
    const Scale scale = Scale::over(low, high, 5);
    double labelWidth = 0;
    for (double tick : scale.ticks())
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(store::formatGeneral(tick)));
    const QRectF plot(box.left() + labelWidth + 6, titleBox.bottom() + line / 2,
                      box.width() - labelWidth - 10,
                      box.height() - titleBox.height() - 2 * line - 6);
    if (plot.width() < 10 || plot.height() < 10)
        return;
    const auto y = [&](double value) { return scale.at(value, plot.bottom(), plot.top()); };

    for (double tick : scale.ticks()) {
        painter.setPen(tick == 0 ? QPen(kAxisColour, 1) : QPen(kGridColour, 1));
        painter.drawLine(QPointF(plot.left(), y(tick)), QPointF(plot.right(), y(tick)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.left(), y(tick) - line / 2, labelWidth, line),
                         Qt::AlignRight | Qt::AlignVCenter, store::formatGeneral(tick));
    }
    painter.setPen(QPen(kAxisColour, 1));
    painter.drawLine(plot.bottomLeft(), plot.topLeft());

    const auto& periods = analysis.periods;
    const int count = int(periods.size());
    if (count == 0)
        return;
    const double slot = plot.width() / count;
    const double barWidth = std::clamp(slot * 0.7, 1.0, 48.0);
    QPolygonF profit;
    for (int i = 0; i < count; ++i) {
        const double centre = plot.left() + (i + 0.5) * slot;
        const double sales = periods[i].figures.sales;
        const QRectF bar(QPointF(centre - barWidth / 2, std::min(y(sales), y(0))),
                         QPointF(centre + barWidth / 2, std::max(y(sales), y(0))));
        painter.fillRect(bar, kSalesColour);
        profit << QPointF(centre, y(periods[i].figures.profit));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kProfitColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(profit);
    if (slot >= 8) {
        painter.setBrush(kProfitColour);
        for (const QPointF& point : profit)
            painter.drawEllipse(point, 2.5, 2.5);
        painter.setBrush(Qt::NoBrush);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    // As many period labels as fit side by side, the first always among them.
    const double labelSpace =
        metrics.horizontalAdvance(ledger::periodLabel(periods.first().start, analysis.step)) + 10;
    const int every = std::max(1, int(std::ceil(labelSpace / slot)));
    painter.setPen(Qt::black);
    double taken = box.left();
    for (int i = 0; i < count; i += every) {
        const QString label = ledger::periodLabel(periods[i].start, analysis.step);
        const double width = metrics.horizontalAdvance(label);
        const double centre = plot.left() + (i + 0.5) * slot;
        // The last label, pushed in from the edge, may come too close to the one before.
        const double left = std::clamp(centre - width / 2, box.left(), box.right() - width);
        if (left < taken)
            continue;
        painter.drawText(QPointF(left, plot.bottom() + 3 + metrics.ascent()), label);
        taken = left + width + 6;
    }
}

void drawItems(QPainter& painter, const QRectF& box, const QString& title,
               const QList<ItemSales>& items, double SalesTotals::*which, const QColor& colour,
               const QFont& face) {
    const QFont text = sized(face, kTextPixels);
    const QFontMetricsF metrics(text);
    const QRectF titleBox(box.left(), box.top(), box.width(), metrics.height() + 4);
    drawTitle(painter, titleBox, title, face);
    painter.setFont(text);
    const QRectF rows(box.left(), titleBox.bottom() + 2, box.width(),
                      box.height() - titleBox.height() - 2);
    if (items.isEmpty()) {
        drawNote(painter, rows, QStringLiteral("期间内没有销售记录"));
        return;
    }
    double low = 0, high = 0, figureWidth = 0;
    for (const ItemSales& item : items) {
        low = std::min(low, item.figures.*which);
        high = std::max(high, item.figures.*which);
        figureWidth = std::max(figureWidth, metrics.horizontalAdvance(money(item.figures.*which)));
    }
    const Scale scale = Scale::over(low, high, 1);
    const double nameWidth = rows.width() * 0.36;
    const double barsLeft = rows.left() + nameWidth + 6;
    const double barsRight = rows.right() - figureWidth - 6;
    const double rowHeight = std::min(metrics.height() + kRowPadding, rows.height() / 10);
    if (barsRight - barsLeft < 10 || rowHeight < 4)
        return;
    const auto x = [&](double value) { return scale.at(value, barsLeft, barsRight); };

    for (int i = 0; i < items.size(); ++i) {
        const ItemSales& item = items[i];
        const double top = rows.top() + i * rowHeight;
        const QRectF nameBox(rows.left(), top, nameWidth, rowHeight);
        const QString name = item.name.isEmpty() ? item.code : item.name;
        painter.setPen(Qt::black);
        painter.drawText(nameBox, Qt::AlignRight | Qt::AlignVCenter,
                         metrics.elidedText(name, Qt::ElideRight, nameWidth));
        const double value = item.figures.*which;
        const double inset = rowHeight * 0.18;
        const QRectF bar(QPointF(std::min(x(0), x(value)), top + inset),
                         QPointF(std::max(x(0), x(value)), top + rowHeight - inset));
        painter.fillRect(bar, value < 0 ? kLossColour : colour);
        painter.drawText(QRectF(bar.right() + 4, top, figureWidth + 2, rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, money(value));
    }
    painter.setPen(QPen(kAxisColour, 1));
    painter.drawLine(QPointF(x(0), rows.top()),
                     QPointF(x(0), rows.top() + items.size() * rowHeight));
}

}  // namespace

QString totalsLine(const SalesAnalysis& analysis) {
    return QStringLiteral("%1 至 %2　%3　销售额合计 %4　利润合计 %5　共 %6 条记录")
        .arg(analysis.from.toString(QStringLiteral("yyyy-MM-dd")),
             analysis.to.toString(QStringLiteral("yyyy-MM-dd")),
             analysis.step == SalesStep::Day ? QStringLiteral("按日") : QStringLiteral("按月"),
             money(analysis.totals.sales), money(analysis.totals.profit))
        .arg(analysis.records);
}

void paintSalesCharts(QPainter& painter, const QRectF& area, const SalesAnalysis& analysis,
                      const QFont& face) {
    painter.save();
    const QRectF box = area.adjusted(kGap, kGap, -kGap, -kGap);
    const QFont heading = sized(face, kTextPixels + 2, true);
    const double headingHeight = QFontMetricsF(heading).height() + 6;
    painter.setFont(heading);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(box.left(), box.top(), box.width(), headingHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, totalsLine(analysis));

    const double below = box.top() + headingHeight + kGap;
    // The item charts need no more than ten rows; on a tall page the rest goes to the bars.
    const double line = QFontMetricsF(sized(face, kTextPixels)).height();
    const double itemsNeed = line + 6 + 10 * (line + kRowPadding) + 2 * kGap;
    const double periodsHeight =
        std::max((box.bottom() - below) * 0.55, box.bottom() - below - itemsNeed);
    drawPeriods(painter, QRectF(box.left(), below, box.width(), periodsHeight), analysis, face);

    const double itemsTop = below + periodsHeight + 2 * kGap;
    const double half = (box.width() - 3 * kGap) / 2;
    const double itemsHeight = box.bottom() - itemsTop;
    drawItems(painter, QRectF(box.left(), itemsTop, half, itemsHeight),
              QStringLiteral("销售额前十的商品"), analysis.topBySales, &SalesTotals::sales,
              kSalesColour, face);
    drawItems(painter, QRectF(box.left() + half + 3 * kGap, itemsTop, half, itemsHeight),
              QStringLiteral("利润前十的商品"), analysis.topByProfit, &SalesTotals::profit,
              kProfitColour, face);
    painter.restore();
}

SalesChart::SalesChart(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setMinimumSize(480, 360);
}

void SalesChart::setAnalysis(ledger::SalesAnalysis analysis) {
    m_analysis = std::move(analysis);
    update();
}

QImage SalesChart::picture(QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (m_analysis) {
        QPainter painter(&image);
        paintSalesCharts(painter, QRectF(QPointF(0, 0), QSizeF(size)), *m_analysis, font());
    }
    return image;
}

void SalesChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_analysis)
        paintSalesCharts(painter, rect(), *m_analysis, font());
    else
        drawNote(painter, rect(), QStringLiteral("请输入起止日期，选择统计方式，再点击“开始分析”"));
}

}  // namespace fenxi
