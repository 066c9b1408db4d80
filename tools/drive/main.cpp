#include <QApplication>
#include <cstring>
#include <iostream>
#include <string>

#include "Driver.h"
#include "ui/Application.h"

namespace {

// Qt's own chatter goes to standard error marked as such, apart from the script's output.
void qtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    std::cerr << "qt: " << message.toStdString() << std::endl;
}

}  // namespace

int main(int argc, char* argv[]) {
    bool echo = false;
    bool onDisplay = false;
    QString database;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--echo") == 0) {
            echo = true;
        } else if (std::strcmp(argv[i], "--display") == 0) {
            onDisplay = true;
        } else if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc) {
            database = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::cerr << "usage: drive [--echo] [--display] [--database CONNINFO] < script\n"
                         "Runs the program's windows offscreen (or, with --display, on the X "
                         "display, where real key presses reach them) from commands on "
                         "standard input; see the README.\n";
            return 2;
        }
    }
    if (!onDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(qtMessage);

    QStringList lines;
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines << QString::fromStdString(line);
    }

    // The options above are the driver's own: Qt would read "--display --echo" as a display
    // named "--echo".
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ui::prepareApplication(app);

    Driver driver(std::move(lines), echo, database);
    driver.start();
    const int code = app.exec();
    return code != 0 ? code : driver.exitCode();
}
