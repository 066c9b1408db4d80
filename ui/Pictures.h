#pragma once

#include <QPixmap>
#include <QString>

namespace ui {

// A picture from the program's resources.
QPixmap picture(const QString& name);

// A JPEG glyph made transparent where it has its background colour, taken from its
// bottom-left pixel: JPEG has no alpha channel, and its compression blurs the background
// a little, hence the tolerance.
QPixmap transparentPicture(const QString& name);

}  // namespace ui
