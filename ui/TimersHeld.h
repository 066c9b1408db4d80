#pragma once

#include <QObject>

namespace ui {

// While it lives, only the timers of `window` and its children fire: a window that takes
// events while work waits (a box over a slow statement, the progress of a conversion) must
// not let any other timer start work meanwhile (the start-up backup, a scripted user). A
// timer held back fires at its next turn instead.
class OtherTimersHeld : public QObject {
public:
    explicit OtherTimersHeld(QObject* window);
    ~OtherTimersHeld() override;
    OtherTimersHeld(const OtherTimersHeld&) = delete;
    OtherTimersHeld& operator=(const OtherTimersHeld&) = delete;

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    QObject* m_window;
};

}  // namespace ui
