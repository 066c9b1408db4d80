#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/WaitBox.h"

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

}  // namespace
