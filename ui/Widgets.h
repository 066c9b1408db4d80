#pragma once

#include <QFrame>
#include <QString>

class QAbstractScrollArea;
class QComboBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QToolButton;
class QWidget;

namespace ui {

// A bevelled panel, the building block of every window's strips and columns.
QFrame* panel(QWidget* parent, const QString& objectName, QFrame::Shadow shadow = QFrame::Raised);

// A menu button with its picture left of its caption, at its place in its panel.
QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& caption,
                         const QString& glyph, int left, int top, int width = 89, int height = 41);

// A drop-down box the shop keeper may also type into; handlers compare its text with the
// item texts exactly, so a typed text that names no item matches nothing.
QComboBox* editableComboBox(QWidget* parent, const QString& objectName, const QStringList& items);

// The popup menu a grid opens on a right click, where the click was.
QMenu* popupMenu(QAbstractScrollArea* view, const QString& objectName);

// A progress bar without its percentage, range 0..100 until an operation sets its own.
QProgressBar* progressBar(QWidget* parent, const QString& objectName, int height);

// How many rows a long operation goes through between two moves of its progress bar: a
// few hundred moves look the same as one a row, and setting the bar at every one of
// 100,000 rows costs more than the rows themselves.
int progressStep(int rows);

// Tab goes through the window's controls as they are read: strip by strip from the top,
// each strip row by row, left to right, and from the last back to the first. The order in
// which a window happens to make its controls is not the order the shop keeper sees.
void tabInReadingOrder(QWidget* window);

// Puts text on the clipboard through the window's hidden carrier edit. An empty text
// leaves nothing selected to copy, so the clipboard keeps what it held.
void copyThrough(QLineEdit* carrier, const QString& text);

}  // namespace ui
