#pragma once

#include <QFont>
#include <QImage>
#include <QWidget>
#include <optional>

#include "ledger/SalesAnalysis.h"

class QPainter;

namespace fenxi {

// The charts of "销售分析", drawn with QPainter: on screen, into a picture and on paper
// alike. `area` is measured in pixels of 1/96 inch; a printer's painter is scaled to that
// beforehand, so lines and letters keep their size on every device. Above: the totals.
// Then sales as bars per period with the profit as a line through them. Below: the ten
// items with the highest sales and the ten with the highest profit, as horizontal bars.
void paintSalesCharts(QPainter& painter, const QRectF& area, const ledger::SalesAnalysis& analysis,
                      const QFont& face);

// The line above the charts: the period, the step and the totals.
QString totalsLine(const ledger::SalesAnalysis& analysis);

// The window's chart area: a hint until the first analysis, then its charts.
class SalesChart : public QWidget {
    Q_OBJECT
public:
    explicit SalesChart(QWidget* parent = nullptr);

    void setAnalysis(ledger::SalesAnalysis analysis);
    const ledger::SalesAnalysis* analysis() const { return m_analysis ? &*m_analysis : nullptr; }

    // The charts as a picture of the given size on white, for "导出图片".
    QImage picture(QSize size) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<ledger::SalesAnalysis> m_analysis;
};

}  // namespace fenxi
