#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;

namespace ui {

// A status bar of fixed panels, addressed by index; the last panel takes the rest of
// the width. Windows write results and counts into given panels.
class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // One width per panel; the last panel is at least as wide as its width and stretches.
    PanelStatusBar(const QList<int>& widths, QWidget* parent = nullptr);

    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    // A panel whose text must not be missed, in red.
    void setPanelAlert(int index, bool on);

private:
    QList<QLabel*> m_panels;
};

}  // namespace ui
