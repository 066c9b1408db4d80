#include "ui/WorkProgress.h"

#include <QGuiApplication>
#include <QProgressBar>

namespace ui {

WorkProgress::WorkProgress(QProgressBar& bar) : m_bar(bar) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WorkProgress::~WorkProgress() {
    m_bar.setTextVisible(false);
    m_bar.setValue(0);
    QGuiApplication::restoreOverrideCursor();
}

void WorkProgress::show(const QString& format) {
    m_bar.setFormat(format);
    m_bar.setTextVisible(true);
    m_bar.repaint();
}

void WorkProgress::showStep(const ledger::Progress& step) {
    switch (step.stage) {
        case ledger::Progress::Reading:
            m_bar.setRange(0, 100);
            m_bar.setValue(step.percent);
            show(QStringLiteral("正在读取%1… %p%").arg(store::bookTitle(step.book)));
            break;
        case ledger::Progress::Opened:
            show(QStringLiteral("正在核对…"));
            break;
        case ledger::Progress::Saving:
            show(QStringLiteral("正在保存%1…").arg(store::bookTitle(step.book)));
            break;
        case ledger::Progress::Committing:
            show(QStringLiteral("正在提交…"));
            break;
        default:
            break;
    }
}

ledger::ProgressFn WorkProgress::steps() {
    return [this](const ledger::Progress& step) { showStep(step); };
}

}  // namespace ui
