#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include "app/AppWindows.h"
#include "app/Unit_main.h"
#include "ui/Clock.h"
#include "ui/Prompt.h"

namespace {

class SilentPrompt : public ui::Prompt {
public:
    void information(QWidget*, const QString&) override {}
    bool confirm(QWidget*, const QString&) override { return false; }
    void error(QWidget*, const QString&) override {}
    std::optional<QString> saveFileName(QWidget*, const ui::SaveFileRequest&) override {
        return std::nullopt;
    }
    void openExternal(const QString&) override {}
};

}  // namespace

TEST(MainWindow, TheStartupTimerIsArmedOnceForFifteenSeconds) {
    QTemporaryDir dir;
    SilentPrompt prompt;
    ui::FixedClock clock(QDate(2026, 12, 7));
    ui::AppContext context{dir.path() + '/', &prompt, &clock, {}};
    AppWindows windows(context);

    const auto* timer = windows.main()->findChild<QTimer*>("Timer1");
    ASSERT_TRUE(timer);
    EXPECT_TRUE(windows.main()->startupPending());
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_EQ(timer->interval(), 15000);
    windows.main()->holdStartup();
    EXPECT_TRUE(windows.main()->startupPending());
    windows.main()->runStartupNow();
    EXPECT_FALSE(windows.main()->startupPending());
}

TEST(MainWindow, WindowsAreFoundByTheirModuleWord) {
    QTemporaryDir dir;
    SilentPrompt prompt;
    ui::FixedClock clock(QDate(2026, 12, 7));
    AppWindows windows(ui::AppContext{dir.path() + '/', &prompt, &clock, {}});
    EXPECT_EQ(windows.byName("main"), windows.main());
    EXPECT_EQ(windows.byName("about")->windowTitle(), "关于本软件");
    EXPECT_EQ(windows.byName("kucun")->windowTitle(), "Tavelo进销存—库存查询");
    EXPECT_EQ(windows.byName("unknown"), nullptr);
}

TEST(MainWindow, AModuleWindowStaysOpenOnEscapeAndBringsTheMenuBackWhenClosed) {
    QTemporaryDir dir;
    SilentPrompt prompt;
    ui::FixedClock clock(QDate(2026, 12, 7));
    AppWindows windows(ui::AppContext{dir.path() + '/', &prompt, &clock, {}});
    QWidget* kucun = windows.byName("kucun");
    windows.main()->hide();
    kucun->show();

    for (const int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(kucun, &press);
        EXPECT_TRUE(kucun->isVisible()) << key;
    }
    EXPECT_FALSE(windows.main()->isVisible());

    kucun->close();
    EXPECT_FALSE(kucun->isVisible());
    EXPECT_TRUE(windows.main()->isVisible());
}
