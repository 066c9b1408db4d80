#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

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

// The width the style leaves a control's caption in. Text wider than that is cut at the
// edge of that room, not moved or shrunk.
double captionRoom(QWidget* control) {
    QStyle* style = control->style();
    if (auto* label = qobject_cast<QLabel*>(control)) {
        int indent = label->indent();
        if (indent < 0 && label->frameWidth())
            indent = label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - label->margin();
        return label->contentsRect().width() - 2 * label->margin() - std::max(indent, 0);
    }
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        QStyleOptionButton option;
        option.initFrom(box);
        return style->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
    }
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        return style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    }
    auto* button = qobject_cast<QToolButton*>(control);
    if (!button)
        return control->contentsRect().width();
    double room =
        button->width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    if (!button->icon().isNull() && button->toolButtonStyle() == Qt::ToolButtonTextBesideIcon)
        room -= button->iconSize().width() + 4;  // the glyph and its gap, left of the caption
    return room;
}

// "NAME “CAPTION” needs W, has R" for every shown caption that does not fit.
QString cutCaptions(QWidget* window) {
    QStringList cut;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(control);
        auto* button = qobject_cast<QAbstractButton*>(control);
        const QString text = label && !label->wordWrap() ? label->text()
                             : button                    ? button->text()
                                                         : QString();
        if (text.isEmpty() || !control->isVisibleTo(window))
            continue;
        const QFontMetricsF metrics(control->font());
        const double need = metrics.horizontalAdvance(text);
        const double room = captionRoom(control);
        // A label's line is cut at its bottom too; buttons are all taller than a line.
        if (need > room || (label && metrics.height() > label->contentsRect().height()))
            cut << QStringLiteral("%1 “%2” needs %3, has %4")
                       .arg(control->objectName(), text)
                       .arg(need)
                       .arg(room);
    }
    return cut.join(QLatin1Char('\n'));
}

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

TEST(MainWindow, EveryCaptionFitsItsControl) {
    QTemporaryDir dir;
    SilentPrompt prompt;
    ui::FixedClock clock(QDate(2026, 12, 7));
    AppWindows windows(ui::AppContext{dir.path() + '/', &prompt, &clock, {}});
    for (const QString& name : AppWindows::names()) {
        QWidget* window = windows.byName(name);
        window->show();  // the layouts give their controls their sizes
        QApplication::processEvents();
        const QString cut = cutCaptions(window);
        EXPECT_TRUE(cut.isEmpty()) << name.toStdString() << ":\n" << cut.toStdString();
        window->hide();
    }
}

// At a scale other than 1 Qt lays text out unhinted, so Latin captions ("Tavelo主页")
// take other widths than at 1: the same windows again, as a HiDPI desktop scales them.
TEST(MainWindow, EveryCaptionFitsItsControlOnHighDpiScreens) {
    for (const char* scale : {"1.5", "2"}) {
        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=MainWindow.EveryCaptionFitsItsControl")});
        ASSERT_TRUE(run.waitForFinished(60000)) << scale;
        EXPECT_EQ(run.exitCode(), 0) << scale << "\n" << run.readAll().toStdString();
    }
}
