#pragma once

#include <QFrame>
#include <QString>

class QToolButton;
class QWidget;

namespace ui {

// A bevelled panel, the building block of every window's strips and columns.
QFrame* panel(QWidget* parent, const QString& objectName, QFrame::Shadow shadow = QFrame::Raised);

// A menu button with its picture left of its caption, at its place in its panel.
QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& caption,
                         const QString& glyph, int left, int top, int width = 89, int height = 41);

}  // namespace ui
