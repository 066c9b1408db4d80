#pragma once

#include <QPixmap>
#include <QString>

class QToolButton;
class QWidget;

namespace ui {

// A picture from the program's resources.
QPixmap picture(const QString& name);

// A JPEG glyph made transparent where it has its background colour, taken from its
// bottom-left pixel: JPEG has no alpha channel, and its compression blurs the background
// a little, hence the tolerance.
QPixmap transparentPicture(const QString& name);

// A flat menu button with its picture left of its caption, at its place in its panel.
QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& caption,
                         const QString& glyph, int left, int top, int width = 89, int height = 41);

}  // namespace ui
