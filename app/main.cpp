#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

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

}  // namespace

int main(int argc, char* argv[]) {
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
