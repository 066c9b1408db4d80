#include "ui/TimersHeld.h"

#include <QCoreApplication>
#include <QEvent>

namespace ui {

OtherTimersHeld::OtherTimersHeld(QObject* window) : m_window(window) {
    qApp->installEventFilter(this);
}

OtherTimersHeld::~OtherTimersHeld() {
    qApp->removeEventFilter(this);
}

bool OtherTimersHeld::eventFilter(QObject* target, QEvent* event) {
    if (event->type() != QEvent::Timer)
        return false;
    for (QObject* o = target; o; o = o->parent()) {
        if (o == m_window)
            return false;
    }
    return true;
}

}  // namespace ui
