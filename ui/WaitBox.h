#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <chrono>

#include "database/Connection.h"

namespace ui {

// The box a till shows while the database server is slow to answer, with 取消 to give up
// waiting. A quick answer shows nothing and lets no click through: the windows must not
// act while their statement is on its way. Once shown, the box stays over the statements
// that follow in the same operation and goes shortly after the last answer.
class WaitBox : public database::WaitObserver {
public:
    static constexpr std::chrono::milliseconds kPatience{2000};
    // How long the box outlives an answer, for the next statement to keep it.
    static constexpr int kLingerMs = 200;

    WaitBox();
    ~WaitBox() override;

    bool waiting(std::chrono::milliseconds waited) override;
    void answered() override;

    // The box while it is shown.
    QDialog* box() const { return m_box; }

private:
    void show();
    void refresh();
    void hide();

    QPointer<QDialog> m_box;
    QTimer m_linger;
    bool m_cancelled = false;
};

}  // namespace ui
