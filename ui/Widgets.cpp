#include "ui/Widgets.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>

#include "ui/Pictures.h"

namespace ui {

QFrame* panel(QWidget* parent, const QString& objectName, QFrame::Shadow shadow) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(objectName);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(shadow);
    return frame;
}

QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& caption,
                         const QString& glyph, int left, int top, int width, int height) {
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(caption);
    button->setGeometry(left, top, width, height);
    if (!glyph.isEmpty()) {
        button->setIcon(QIcon(transparentPicture(glyph)));
        button->setIconSize(QSize(20, 20));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    return button;
}

QComboBox* editableComboBox(QWidget* parent, const QString& objectName, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    box->setEditable(true);
    box->addItems(items);
    return box;
}

QMenu* popupMenu(QAbstractScrollArea* view, const QString& objectName) {
    auto* menu = new QMenu(view);
    menu->setObjectName(objectName);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        view, &QWidget::customContextMenuRequested, menu,
        [view, menu](const QPoint& at) { menu->popup(view->viewport()->mapToGlobal(at)); });
    return menu;
}

QProgressBar* progressBar(QWidget* parent, const QString& objectName, int height) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(objectName);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setFixedHeight(height);
    return bar;
}

int progressStep(int rows) {
    return std::max(1, rows / 256);
}

void copyThrough(QLineEdit* carrier, const QString& text) {
    carrier->setText(text);
    carrier->selectAll();
    carrier->copy();
}

}  // namespace ui
