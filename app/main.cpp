#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppWindows.h"
#include "app/BookStore.h"
#include "app/ProgramFolder.h"
#include "app/Unit_main.h"
#include "database/Database.h"
#include "receipt/ReceiptPrinter.h"
#include "store/StoreError.h"
#include "store/print/QtSheetPrinter.h"
#include "ui/Application.h"
#include "ui/Cashiers.h"
#include "ui/Clock.h"
#include "ui/Prompt.h"
#include "ui/WaitBox.h"

namespace {

bool hasDisplay() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// --help and --version answer on the terminal and start nothing, with or without a display.
bool answeredOnTerminal(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("Tavelo进销存门店版 " TAVELO_VERSION "\n", stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(
                "用法：tavelo [--dir 文件夹]\n"
                "小店的进销存：进货入库、销售出库、退货、库存（移动平均成本）、查询统计和打印。\n"
                "\n"
                "  --dir 文件夹   使用这个文件夹里的数据文件（文件夹必须已经存在）\n"
                "  --help         显示本说明后退出\n"
                "  --version      显示版本后退出\n"
                "\n"
                "不给 --dir 时，程序所在的文件夹里有 tvkucun.dat 或 tvstorekeep.ini 就用它，\n"
                "否则用“文档”里的“Tavelo进销存”文件夹（第一次启动时建立）。\n"
                "使用说明：程序里的“软件教程”，或 man tavelo。\n",
                stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (answeredOnTerminal(argc, argv))
        return 0;
    // Without a display Qt would abort with a long message about platform plugins.
    if (!hasDisplay()) {
        std::fputs(
            "Tavelo进销存: 没有图形显示 (no display: DISPLAY is not set); "
            "start it from a desktop session or under xvfb-run.\n",
            stderr);
        return 1;
    }
    QApplication app(argc, argv);
    ui::prepareApplication(app);
    // Names the menu entry, so that a Wayland desktop shows its name and icon for the windows.
    const QString id = QStringLiteral(TAVELO_APP_ID);
    QGuiApplication::setDesktopFileName(id);
    QIcon icon;
    for (const QFileInfo& size : QDir(QStringLiteral(":/icons")).entryInfoList())
        icon.addFile(size.filePath() + QStringLiteral("/apps/%1.png").arg(id));
    QApplication::setWindowIcon(icon);

    ui::QtPrompt prompt;
    app::ProgramFolder folder;
    try {
        folder = app::chooseProgramFolder(
            QApplication::arguments(), QApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    } catch (const store::StoreError& e) {
        prompt.error(nullptr, e.message());
        return 1;
    }
    prompt.setStartFolder(folder.path);
    ui::SystemClock clock;
    ui::AppContext context;
    context.programDir = folder.path;
    context.prompt = &prompt;
    context.clock = &clock;
    try {
        app::chooseBookStore(context, std::make_shared<store::QtSheetPrinter>());
    } catch (const store::StoreError& e) {
        prompt.error(nullptr, e.message());
        return 1;
    }
    context.receipts = std::make_shared<receipt::ReceiptPrinter>();
    // The box runs the event loop while it waits: the driver, whose commands come from that
    // loop, goes without it.
    if (context.database)
        context.database->setWaiting(std::make_shared<ui::WaitBox>());
    // A till that keeps a list of cashiers does not open without one of them: every document
    // must say who made it. A cashier who forgot the PIN gets it cleared by one who knows
    // theirs, in 系统设置 (or by the shop keeper in the settings file).
    if (!ui::signInAtTill(context, nullptr))
        return 0;

    AppWindows windows(context);
    windows.main()->show();
    windows.main()->showBooksPlace(app::connectAtStart(context, windows.main()));
    if (folder.created) {
        QTimer::singleShot(0, windows.main(), [&] {
            prompt.information(windows.main(), app::firstStartMessage(folder));
        });
    }
    return app.exec();
}
