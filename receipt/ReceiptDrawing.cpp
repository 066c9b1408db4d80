#include "receipt/ReceiptDrawing.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>

#include "store/Numbers.h"
#include "store/print/SheetPagePainter.h"

namespace receipt {

namespace {

// A customer reads 24-dot characters at arm's length: the size of the printers' own
// Chinese font, 16 of them across 58 mm paper and 24 across 80 mm.
constexpr int kBodyDots = 24;
constexpr int kTitleDots = 32;
constexpr double kLeading = 4;
constexpr double kMargin = 8;

QFont receiptFont(int dots) {
    QFont font = store::print::SheetPagePainter::printFont(10);
    font.setPixelSize(dots);
    // A thermal dot is black or white: grey edges would only turn into ragged strokes.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Metrics independent of the screen the program runs on, so the raster is the same
// everywhere.
QFontMetricsF metricsOf(const QFont& font) {
    static const QImage device(1, 1, QImage::Format_RGB32);
    return QFontMetricsF(font, &device);
}

// Lines of at most `width` dots, broken between characters (a Chinese name has no blanks
// to break at), never through one.
QStringList wrap(const QString& text, const QFontMetricsF& metrics, double width) {
    QStringList lines;
    QString line;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (graphemes.toNextBoundary() >= 0) {
        const qsizetype end = graphemes.position();
        const QString piece = text.mid(start, end - start);
        start = end;
        if (!line.isEmpty() && metrics.horizontalAdvance(line + piece) > width) {
            lines << line;
            line.clear();
        }
        line += piece;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

}  // namespace

ReceiptDrawing::ReceiptDrawing(int widthDots)
    : m_width(widthDots),
      m_y(kMargin),
      m_body(receiptFont(kBodyDots)),
      m_title(receiptFont(kTitleDots)) {}

ReceiptDrawing::ReceiptDrawing(const ledger::Receipt& receipt, int widthDots)
    : ReceiptDrawing(widthDots) {
    const ledger::ReceiptHead& head = receipt.head;
    addText(head.shop, Qt::AlignHCenter, true);
    // A copy says so under the shop's name, where the customer cannot miss it when it is
    // handed over a second time.
    if (head.copy == ledger::ReceiptCopy::Reprint)
        addText(QStringLiteral("重印"), Qt::AlignHCenter);
    else if (head.copy == ledger::ReceiptCopy::ReprintWithoutDocument)
        addText(QStringLiteral("重印（无单据）"), Qt::AlignHCenter);
    addGap(kLeading);
    if (!head.number.isEmpty())
        addText(QStringLiteral("单据号：") + head.number, Qt::AlignLeft);
    addText(QStringLiteral("时间：") + head.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            Qt::AlignLeft);
    if (!receipt.customer.isEmpty())
        addText(QStringLiteral("客户：") + receipt.customer, Qt::AlignLeft);
    addRule();
    for (const ledger::ReceiptLine& line : receipt.lines) {
        addText(line.name, Qt::AlignLeft);
        const QString figures =
            QStringLiteral("%1 × %2  %3").arg(line.quantity, line.price, line.amount);
        addSplit(line.isReturn ? QStringLiteral("退货") : QString(), figures);
    }
    addRule();
    addSplit(QStringLiteral("数量：") + receipt.quantity, QStringLiteral("合计：") + receipt.total);
    if (const auto& payment = receipt.payment) {
        const QString verb = receipt.isRefund ? QStringLiteral("退") : QString();
        for (const ledger::PayMethod method : ledger::kPayMethods)
            if (payment->amount(method) != 0)
                addSplit(verb + ledger::methodName(method),
                         store::formatFixed2(payment->amount(method)));
        if (payment->takesCash() && !receipt.isRefund) {
            addSplit(QStringLiteral("实收"), store::formatFixed2(payment->tendered));
            addSplit(QStringLiteral("找零"), store::formatFixed2(payment->change));
        }
    }
    addRule();
    addText(head.contact, Qt::AlignHCenter);
    addText(QStringLiteral("谢谢惠顾"), Qt::AlignHCenter);
    m_height = int(std::ceil(m_y + kMargin));
}

ReceiptDrawing::ReceiptDrawing(const ledger::ShiftReport& report, const QString& shop,
                               const QDateTime& printedAt, int widthDots)
    : ReceiptDrawing(widthDots) {
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm");
    addText(shop, Qt::AlignHCenter, true);
    addText(QStringLiteral("交班报表"), Qt::AlignHCenter, true);
    addGap(kLeading);
    addText(QStringLiteral("收银台：") + report.till, Qt::AlignLeft);
    addText(QStringLiteral("自：") + (report.from.isValid() ? report.from.toString(format)
                                                            : QStringLiteral("最早的单据")),
            Qt::AlignLeft);
    addText(QStringLiteral("至：") + (report.to.isValid() ? report.to : printedAt).toString(format),
            Qt::AlignLeft);
    addRule();
    for (const ledger::ShiftLine& line : report.lines) {
        addText(line.cashier + QStringLiteral(" · ") + line.method, Qt::AlignLeft);
        if (line.sales)
            addSplit(QStringLiteral("销售 %1 笔").arg(line.sales), store::formatFixed2(line.sold));
        if (line.returns)
            addSplit(QStringLiteral("退货 %1 笔").arg(line.returns),
                     store::formatFixed2(line.refunded));
    }
    addRule();
    addSplit(QStringLiteral("销售 %1 笔").arg(report.sales), store::formatFixed2(report.sold));
    addSplit(QStringLiteral("退货 %1 笔").arg(report.returns),
             store::formatFixed2(report.refunded));
    addSplit(QStringLiteral("备用金"), store::formatFixed2(report.openingFloat));
    addSplit(QStringLiteral("现金收入"), store::formatFixed2(report.cashTaken));
    addSplit(QStringLiteral("现金退款"), store::formatFixed2(report.cashRefunded));
    if (report.accountCashIn != 0)
        addSplit(QStringLiteral("现金收款（往来）"), store::formatFixed2(report.accountCashIn));
    if (report.accountCashOut != 0)
        addSplit(QStringLiteral("现金付款（往来）"), store::formatFixed2(report.accountCashOut));
    addSplit(QStringLiteral("应有现金"), store::formatFixed2(report.expectedCash()));
    addRule();
    addText(QStringLiteral("打印：") + printedAt.toString(format), Qt::AlignLeft);
    m_height = int(std::ceil(m_y + kMargin));
}

void ReceiptDrawing::addText(const QString& text, int align, bool title) {
    const QFontMetricsF metrics = metricsOf(title ? m_title : m_body);
    for (const QString& line : wrap(text, metrics, m_width)) {
        m_texts.append(
            {line, QRectF(0, m_y, m_width, metrics.height()), align | Qt::AlignTop, title});
        m_y += metrics.height() + kLeading;
    }
}

void ReceiptDrawing::addSplit(const QString& left, const QString& right) {
    const QFontMetricsF metrics = metricsOf(m_body);
    const double needed = metrics.horizontalAdvance(right) +
                          (left.isEmpty() ? 0 : kBodyDots + metrics.horizontalAdvance(left));
    if (needed > m_width) {
        addText(left, Qt::AlignLeft);
        addText(right, Qt::AlignRight);
        return;
    }
    const QRectF box(0, m_y, m_width, metrics.height());
    if (!left.isEmpty())
        m_texts.append({left, box, Qt::AlignLeft | Qt::AlignTop, false});
    m_texts.append({right, box, Qt::AlignRight | Qt::AlignTop, false});
    m_y += metrics.height() + kLeading;
}

void ReceiptDrawing::addRule() {
    addGap(kLeading);
    m_rules.append(m_y);
    addGap(2 + 2 * kLeading);
}

void ReceiptDrawing::addGap(double dots) {
    m_y += dots;
}

void ReceiptDrawing::paint(QPainter& painter) const {
    painter.save();
    painter.setPen(Qt::black);
    for (const Text& text : m_texts) {
        painter.setFont(text.title ? m_title : m_body);
        painter.drawText(text.box, text.align, text.text);
    }
    // Dashes rather than a solid bar: a thermal head heats fewer dots at once.
    for (const double y : m_rules) {
        for (int x = 0; x < m_width; x += 12)
            painter.fillRect(QRectF(x, y, 8, 2), Qt::black);
    }
    painter.restore();
}

QImage ReceiptDrawing::raster() const {
    QImage drawn(m_width, m_height, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        paint(painter);
    }
    QImage dots(m_width, m_height, QImage::Format_Mono);
    dots.setColor(0, qRgb(255, 255, 255));
    dots.setColor(1, qRgb(0, 0, 0));
    dots.fill(0);
    for (int y = 0; y < m_height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        for (int x = 0; x < m_width; ++x) {
            if (qGray(row[x]) < 128)
                dots.setPixel(x, y, 1);
        }
    }
    return dots;
}

}  // namespace receipt
