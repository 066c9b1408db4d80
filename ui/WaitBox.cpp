#include "ui/WaitBox.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <functional>

#include "ui/TimersHeld.h"

namespace ui {

namespace {

const QString kWaitingText = QStringLiteral("正在等待数据库服务器的回应……");
const QString kCancellingText = QStringLiteral("正在取消……");

// Esc and the title bar's close button mean 取消 too; the box itself goes only when the
// answer came.
class Box : public QDialog {
public:
    Box(QWidget* parent, std::function<void()> cancel)
        : QDialog(parent), m_cancel(std::move(cancel)) {}
    void reject() override { m_cancel(); }

private:
    std::function<void()> m_cancel;
};

}  // namespace

WaitBox::WaitBox() {
    m_linger.setSingleShot(true);
    m_linger.setInterval(kLingerMs);
    QObject::connect(&m_linger, &QTimer::timeout, &m_linger, [this] { hide(); });
}

WaitBox::~WaitBox() {
    delete m_box;
}

bool WaitBox::waiting(std::chrono::milliseconds waited) {
    // Another statement of the same operation: the box stays.
    m_linger.stop();
    if (!m_box) {
        if (waited < kPatience)
            return false;
        show();
    }
    refresh();
    const OtherTimersHeld held(m_box);
    QCoreApplication::processEvents();
    return m_cancelled;
}

void WaitBox::answered() {
    // 取消 gives up the statement it was pressed for, not the ones after it (the
    // rollback that follows among them).
    m_cancelled = false;
    if (m_box)
        m_linger.start();
}

void WaitBox::show() {
    QWidget* over = QApplication::activeModalWidget();
    if (!over)
        over = QApplication::activeWindow();
    auto* box = new Box(over, [this] {
        m_cancelled = true;
        refresh();
    });
    box->setObjectName(QStringLiteral("waitBox"));
    box->setWindowTitle(QStringLiteral("Tavelo进销存"));
    box->setWindowModality(Qt::ApplicationModal);
    auto* column = new QVBoxLayout(box);
    auto* text = new QLabel(kWaitingText, box);
    text->setObjectName(QStringLiteral("waitText"));
    column->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), box);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(cancelButton, &QPushButton::clicked, box, &QDialog::reject);
    row->addWidget(cancelButton);
    column->addLayout(row);
    m_box = box;
    box->show();
}

void WaitBox::refresh() {
    m_box->findChild<QLabel*>(QStringLiteral("waitText"))
        ->setText(m_cancelled ? kCancellingText : kWaitingText);
    m_box->findChild<QPushButton*>(QStringLiteral("cancelButton"))->setEnabled(!m_cancelled);
}

void WaitBox::hide() {
    delete m_box;
}

}  // namespace ui
