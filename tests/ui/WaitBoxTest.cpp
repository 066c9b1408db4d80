#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ui/WaitBox.h"
#include "ui/Widgets.h"
#include "ui/WorkProgress.h"

using namespace std::chrono_literals;

namespace {

TEST(WaitBox, ShowsAfterTwoSecondsTakesTheCancelAndGoesAfterTheLastAnswer) {
    ui::WaitBox wait;
    EXPECT_FALSE(wait.waiting(500ms));
    EXPECT_FALSE(wait.box());
    EXPECT_FALSE(wait.waiting(2500ms));
    ASSERT_TRUE(wait.box());
    EXPECT_TRUE(wait.box()->isVisible());
    EXPECT_TRUE(wait.box()->isModal());

    // The next statement of the operation waits before any event loop ran: the box stays.
    wait.answered();
    EXPECT_FALSE(wait.waiting(100ms));
    QTest::qWait(ui::WaitBox::kLingerMs + 100);
    ASSERT_TRUE(wait.box());

    auto* cancelButton = wait.box()->findChild<QPushButton*>("cancelButton");
    ASSERT_TRUE(cancelButton);
    QTest::mouseClick(cancelButton, Qt::LeftButton);
    EXPECT_TRUE(wait.waiting(200ms));
    EXPECT_EQ(wait.box()->findChild<QLabel*>("waitText")->text(), "正在取消……");

    // The cancel was for that statement: the rollback after it is waited for.
    wait.answered();
    EXPECT_FALSE(wait.waiting(100ms));
    wait.answered();
    EXPECT_TRUE(wait.box());
    QTest::qWait(ui::WaitBox::kLingerMs + 100);
    EXPECT_FALSE(wait.box());
}

TEST(WorkProgress, SaysWhatItIsDoingWithTheWaitCursorAndLeavesTheBarEmpty) {
    std::unique_ptr<QProgressBar> bar(ui::progressBar(nullptr, "bar", 16));
    {
        ui::WorkProgress work(*bar);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        ledger::Progress step{ledger::Progress::Reading};
        step.book = store::Book::StockOut;
        step.percent = 35;
        work.showStep(step);
        EXPECT_EQ(bar->text(), "正在读取出库记录… 35%");
        step.stage = ledger::Progress::Saving;
        work.showStep(step);
        EXPECT_EQ(bar->text(), "正在保存出库记录…");
    }
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    EXPECT_FALSE(bar->isTextVisible());
    EXPECT_EQ(bar->value(), 0);
}

}  // namespace
