#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

#include "ScriptedPrompt.h"
#include "ui/AppContext.h"
#include "ui/Clock.h"

class AppWindows;
class QWidget;
namespace receipt {
class ReceiptPrinter;
}
namespace store {
class QtSheetPrinter;
}
namespace ui {
class StringGrid;
}

// Runs a script of commands against the real windows, one command per turn of the event
// loop, so that commands keep flowing while a window shown modally runs its own loop.
class Driver : public QObject {
    Q_OBJECT
public:
    // `database`: the conninfo of a server to keep the data books on, whatever the
    // folder's settings file says; empty to follow the file.
    Driver(QStringList lines, bool echo, QString database = {});
    ~Driver() override;

    // Starts feeding commands; the application's event loop must run afterwards.
    void start();
    int exitCode() const { return m_failures > 0 ? 1 : m_programExit; }

private:
    using Handler = std::function<void(const QString& args)>;

    void runNext();
    void run(const QString& line);
    void fail(const QString& message);
    void print(const QString& line);

    AppWindows& windows();
    QWidget& current();
    QObject* named(const QString& name);
    // A named control that takes key presses.
    QWidget* control(const QString& name);
    ui::StringGrid* grid(const QString& name);

    void cmdDir(const QString& args);
    void cmdToday(const QString& args);
    void cmdTimer(const QString& args);
    void cmdWindow(const QString& args);
    void cmdSet(const QString& args);
    void cmdGet(const QString& args);
    void cmdClick(const QString& args);
    void cmdAnswer(const QString& args);
    void cmdSaveAs(const QString& args);
    void cmdOpenFile(const QString& args);
    void cmdPay(const QString& args);
    void cmdCashier(const QString& args);
    void cmdCell(const QString& args);
    void cmdEdit(const QString& args);
    void cmdSelect(const QString& args);
    void cmdRows(const QString& args);
    void cmdDump(const QString& args);
    void cmdClipboard(const QString& args);
    void cmdClipboardQuery(const QString& args);
    void cmdPrintTo(const QString& args);
    void cmdStatus(const QString& args);
    void cmdMessages(const QString& args);
    void cmdTitle(const QString& args);
    void cmdVisible(const QString& args);
    void cmdCwd(const QString& args);
    void cmdClose(const QString& args);
    void cmdKey(const QString& args);
    void cmdType(const QString& args);
    void cmdFocus(const QString& args);
    void cmdFocused(const QString& args);
    void cmdWait(const QString& args);
    // How long a `wait` line puts off the command after it; 0 for any other line.
    static int waitBefore(const QString& line);
    void cmdGrab(const QString& args);

    QStringList m_lines;
    qsizetype m_next = 0;
    int m_lineNumber = 0;
    bool m_echo;
    QString m_database;
    int m_failures = 0;
    int m_programExit = 0;  // the program's own, when it ended at its start
    std::map<QString, Handler> m_commands;

    ScriptedPrompt m_prompt;
    ui::FixedClock m_clock;
    std::shared_ptr<store::QtSheetPrinter> m_printer;
    std::shared_ptr<receipt::ReceiptPrinter> m_receipts;
    ui::AppContext m_context;
    std::unique_ptr<AppWindows> m_windows;
    // A dialog chosen with `window modal` goes when it is answered.
    QPointer<QWidget> m_current;
};
