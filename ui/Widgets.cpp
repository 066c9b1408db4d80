#include "ui/Widgets.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>
#include <numeric>
#include <utility>

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

void tabInReadingOrder(QWidget* window) {
    struct Place {
        QWidget* widget;
        int strip;  // the top of the window's child that holds it
        QRect at;   // in the window
    };
    QList<Place> places;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy() ||
            !widget->isVisibleTo(window))
            continue;
        // Part of a control that takes the keyboard as a whole (a combo box's line edit).
        bool inner = false;
        for (QWidget* up = widget->parentWidget(); up != window; up = up->parentWidget())
            inner = inner || up->focusProxy() == widget || (up->focusPolicy() & Qt::TabFocus);
        if (inner)
            continue;
        QWidget* strip = widget;
        while (strip->parentWidget() != window)
            strip = strip->parentWidget();
        places.append({widget, strip->y(), QRect(widget->mapTo(window, QPoint()), widget->size())});
    }
    // A row is the controls whose middles lie within a few pixels of the row's first.
    std::sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
        return std::pair(a.strip, a.at.center().y()) < std::pair(b.strip, b.at.center().y());
    });
    QList<int> rows;
    for (qsizetype i = 0; i < places.size(); ++i) {
        const bool sameRow = i > 0 && places[i].strip == places[i - 1].strip &&
                             places[i].at.center().y() - places[rows.last()].at.center().y() < 12;
        rows << (sameRow ? rows.last() : int(i));
    }
    QList<qsizetype> order(places.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return std::pair(rows[a], places[a].at.x()) < std::pair(rows[b], places[b].at.x());
    });
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(places[order[i - 1]].widget, places[order[i]].widget);
}

void copyThrough(QLineEdit* carrier, const QString& text) {
    carrier->setText(text);
    carrier->selectAll();
    carrier->copy();
}

}  // namespace ui
