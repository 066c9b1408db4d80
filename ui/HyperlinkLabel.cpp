#include "ui/HyperlinkLabel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "ui/Prompt.h"

namespace ui {

const QString HyperlinkLabel::kDefaultLink = QStringLiteral("https://tavelo.example.com/");
const QColor HyperlinkLabel::kLinkColour(0, 0, 255);
const QColor HyperlinkLabel::kHoverColour(255, 0, 0);
const QColor HyperlinkLabel::kVisitedColour(255, 0, 255);

HyperlinkLabel::HyperlinkLabel(QWidget* parent)
    : QWidget(parent),
      m_font(font()),
      m_background(palette().color(QPalette::Button)),
      m_caption(kDefaultLink),
      m_url(kDefaultLink),
      m_linkColour(kLinkColour),
      m_captionColour(kLinkColour),
      m_opener(openWithDesktop) {
    m_font.setBold(true);
    m_font.setUnderline(true);
    setCursor(Qt::PointingHandCursor);
    resize(100, 10);
    fitToCaption();
}

void HyperlinkLabel::setFontName(const QString& name) {
    if (name == m_font.family())
        return;
    m_font.setFamily(name);
    fitToCaption();
    update();
}

void HyperlinkLabel::setShowHint(bool on) {
    m_showHint = on;
}

void HyperlinkLabel::setColor(const QColor& colour) {
    if (colour == m_background)
        return;
    m_background = colour;
    update();
}

void HyperlinkLabel::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    fitToCaption();
    update();
}

QSize HyperlinkLabel::sizeHint() const {
    const QFontMetrics metrics(m_font);
    return {metrics.horizontalAdvance(m_caption) + 6, metrics.height() + 2};
}

void HyperlinkLabel::fitToCaption() {
    // Whatever a layout offers, the label is exactly as large as its caption.
    setFixedSize(sizeHint());
}

void HyperlinkLabel::paintEvent(QPaintEvent* event) {
    if (size() != sizeHint())
        fitToCaption();
    QPainter painter(this);
    painter.fillRect(event->rect(), m_background);
    painter.setFont(m_font);
    painter.setPen(m_captionColour);
    const QFontMetrics metrics(m_font);
    painter.drawText(3, 1 + metrics.ascent(), m_caption);
}

void HyperlinkLabel::enterEvent(QEnterEvent* event) {
    m_captionColour = kHoverColour;
    update();
    QWidget::enterEvent(event);
}

void HyperlinkLabel::leaveEvent(QEvent* event) {
    m_captionColour = m_linkColour;
    update();
    QWidget::leaveEvent(event);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (m_opener)
            m_opener(m_url);
        m_linkColour = kVisitedColour;
    }
    QWidget::mousePressEvent(event);
}

}  // namespace ui
