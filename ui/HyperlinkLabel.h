#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

namespace ui {

// A one-line caption that looks and behaves like a web link: blue and underlined, red
// under the mouse, magenta once visited; a click hands URL to the desktop. It sizes
// itself to its caption whatever size a layout offers.
class HyperlinkLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ visibleFlag WRITE setVisible)
    Q_PROPERTY(QString FontName READ fontName WRITE setFontName)
    Q_PROPERTY(bool ShowHint READ showHint WRITE setShowHint)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(QString URL READ url WRITE setUrl)
public:
    static const QString kDefaultLink;
    static const QColor kLinkColour;
    static const QColor kHoverColour;
    static const QColor kVisitedColour;

    explicit HyperlinkLabel(QWidget* parent = nullptr);

    bool visibleFlag() const { return !isHidden(); }
    QString fontName() const { return m_font.family(); }
    void setFontName(const QString& name);
    bool showHint() const { return m_showHint; }
    void setShowHint(bool on);
    QColor color() const { return m_background; }
    void setColor(const QColor& colour);
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    QString url() const { return m_url; }
    void setUrl(const QString& url) { m_url = url; }

    // The colour the caption is drawn in now.
    QColor captionColour() const { return m_captionColour; }
    // Who opens the link; the desktop unless a window routes it elsewhere.
    void setOpener(std::function<void(const QString&)> opener) { m_opener = std::move(opener); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void fitToCaption();

    QFont m_font;
    bool m_showHint = false;
    QColor m_background;
    QString m_caption;
    QString m_url;
    QColor m_linkColour;
    QColor m_captionColour;
    std::function<void(const QString&)> m_opener;
};

}  // namespace ui
