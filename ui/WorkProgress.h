#pragma once

#include <QString>

#include "ledger/Ledger.h"

class QProgressBar;

namespace ui {

// Long work in a window: the wait cursor while it lasts, and the window's progress bar
// saying what is being done and how far it has come ("正在读取出库记录… 35%"). A search of
// a large journal or a posting on it takes seconds; a bar that stands still looks hung.
// When the work ends the bar is empty and silent again, and the cursor is back.
class WorkProgress {
public:
    explicit WorkProgress(QProgressBar& bar);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // The bar's text from now on, Qt's "%p%" standing for its percentage; the caller moves
    // the bar. Shown at once: the work holds the event loop.
    void show(const QString& format);
    // Tells a step of a posting or a read. Reading moves the bar; a posting's lines move
    // it as the caller sets its range and value.
    void showStep(const ledger::Progress& step);
    // A callback for the rules layer that shows its steps here.
    ledger::ProgressFn steps();

private:
    QProgressBar& m_bar;
};

}  // namespace ui
