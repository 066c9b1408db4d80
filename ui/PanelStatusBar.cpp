#include "ui/PanelStatusBar.h"

#include <QLabel>

namespace ui {

PanelStatusBar::PanelStatusBar(const QList<int>& widths, QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (qsizetype i = 0; i < widths.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        const bool last = i + 1 == widths.size();
        if (last)
            panel->setMinimumWidth(widths[i]);
        else
            panel->setFixedWidth(widths[i]);
        addPermanentWidget(panel, last ? 1 : 0);
        m_panels << panel;
    }
}

QString PanelStatusBar::panelText(int index) const {
    return index >= 0 && index < m_panels.size() ? m_panels[index]->text() : QString();
}

void PanelStatusBar::setPanelText(int index, const QString& text) {
    if (index < 0 || index >= m_panels.size())
        return;
    m_panels[index]->setText(text);
    // A text longer than its panel reads whole under the mouse.
    m_panels[index]->setToolTip(text);
}

void PanelStatusBar::setPanelAlert(int index, bool on) {
    if (index >= 0 && index < m_panels.size())
        m_panels[index]->setStyleSheet(on ? QStringLiteral("color: #c00000; font-weight: bold;")
                                          : QString());
}

}  // namespace ui
