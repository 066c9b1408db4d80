#include "Driver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <iostream>

#include "app/AppWindows.h"
#include "app/BookStore.h"
#include "app/Unit_main.h"
#include "receipt/ReceiptPrinter.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"
#include "store/print/QtSheetPrinter.h"
#include "ui/Cashiers.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

namespace {

// The driver's own errors, reported on standard error with the script's line number.
struct DriveError {
    QString message;
};

// The program ended at its start: nobody signed in at the till (code 0), or its settings
// named no books it could open (code 1, after the error box).
struct ProgramEnded {
    int code = 0;
};

// Splits the first blank-separated word off `rest`. What is left after exactly one blank
// is the rest of the line as typed, so a last argument keeps its blanks or is empty.
QString takeWord(QString& rest) {
    const qsizetype blank = rest.indexOf(QLatin1Char(' '));
    QString word = blank < 0 ? rest : rest.left(blank);
    rest = blank < 0 ? QString() : rest.mid(blank + 1);
    return word;
}

int takeNumber(QString& rest, const char* what) {
    const QString word = takeWord(rest);
    bool ok = false;
    const int n = word.toInt(&ok);
    if (!ok)
        throw DriveError{QStringLiteral("%1 must be a whole number, not '%2'")
                             .arg(QString::fromUtf8(what), word)};
    return n;
}

void noArguments(const QString& args) {
    if (!args.isEmpty())
        throw DriveError{QStringLiteral("unexpected arguments '%1'").arg(args)};
}

}  // namespace

Driver::Driver(QStringList lines, bool echo, QString database)
    : m_lines(std::move(lines)),
      m_echo(echo),
      m_database(std::move(database)),
      m_clock(QDate::currentDate()),
      m_printer(std::make_shared<store::QtSheetPrinter>()),
      m_receipts(std::make_shared<receipt::ReceiptPrinter>()) {
    m_context.prompt = &m_prompt;
    m_context.receipts = m_receipts;
    m_context.clock = &m_clock;

    const std::pair<const char*, void (Driver::*)(const QString&)> table[] = {
        {"dir", &Driver::cmdDir},
        {"today", &Driver::cmdToday},
        {"timer", &Driver::cmdTimer},
        {"window", &Driver::cmdWindow},
        {"set", &Driver::cmdSet},
        {"get", &Driver::cmdGet},
        {"click", &Driver::cmdClick},
        {"answer", &Driver::cmdAnswer},
        {"saveas", &Driver::cmdSaveAs},
        {"openfile", &Driver::cmdOpenFile},
        {"pay", &Driver::cmdPay},
        {"cashier", &Driver::cmdCashier},
        {"cell", &Driver::cmdCell},
        {"edit", &Driver::cmdEdit},
        {"select", &Driver::cmdSelect},
        {"rows", &Driver::cmdRows},
        {"dump", &Driver::cmdDump},
        {"clipboard", &Driver::cmdClipboard},
        {"clipboard?", &Driver::cmdClipboardQuery},
        {"printto", &Driver::cmdPrintTo},
        {"status", &Driver::cmdStatus},
        {"messages", &Driver::cmdMessages},
        {"title", &Driver::cmdTitle},
        {"visible", &Driver::cmdVisible},
        {"cwd", &Driver::cmdCwd},
        {"close", &Driver::cmdClose},
        {"grab", &Driver::cmdGrab},
        {"key", &Driver::cmdKey},
        {"type", &Driver::cmdType},
        {"focus", &Driver::cmdFocus},
        {"focus?", &Driver::cmdFocused},
        {"wait", &Driver::cmdWait},
    };
    for (const auto& [name, member] : table)
        m_commands[QString::fromUtf8(name)] = [this, run = member](const QString& args) {
            (this->*run)(args);
        };
}

Driver::~Driver() = default;

void Driver::start() {
    QTimer::singleShot(0, this, &Driver::runNext);
}

void Driver::runNext() {
    // The wait cursor says the program is at work (a conversion taking its events in a
    // window of its own): a shop keeper waits for it, and so does the script.
    if (const QCursor* cursor = QGuiApplication::overrideCursor();
        cursor && cursor->shape() == Qt::WaitCursor) {
        QTimer::singleShot(20, this, &Driver::runNext);
        return;
    }
    if (m_next >= m_lines.size()) {
        // Leaves every event loop, the modal windows' included.
        QCoreApplication::exit(exitCode());
        return;
    }
    m_lineNumber = int(m_next) + 1;
    const QString line = m_lines[m_next++];
    // The next command is queued before this one runs: a command that opens a window
    // modally returns only when the window closes, and the window's own loop runs it.
    // `wait` is that queueing, later: the windows go on taking events meanwhile.
    QTimer::singleShot(waitBefore(line), this, &Driver::runNext);
    if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
        return;
    if (m_echo)
        print(QStringLiteral("> ") + line);
    run(line);
}

int Driver::waitBefore(const QString& line) {
    QString args = line;
    if (takeWord(args) != QLatin1String("wait"))
        return 0;
    bool ok = false;
    const int ms = args.toInt(&ok);
    return ok && ms >= 0 ? ms : 0;
}

void Driver::run(const QString& line) {
    QString args = line;
    const QString command = takeWord(args);
    const auto found = m_commands.find(command);
    try {
        if (found == m_commands.end())
            throw DriveError{QStringLiteral("unknown command '%1'").arg(command)};
        found->second(args);
    } catch (const DriveError& e) {
        fail(e.message);
    } catch (const ProgramEnded& ended) {
        // What the program showed before it ended, and nothing more from this script.
        for (const QString& message : m_prompt.takeMessages())
            print(message);
        m_next = m_lines.size();
        m_programExit = ended.code;
    }
}

void Driver::fail(const QString& message) {
    ++m_failures;
    std::cout.flush();
    std::cerr << "drive: line " << m_lineNumber << ": " << message.toStdString() << std::endl;
}

void Driver::print(const QString& line) {
    std::cout << line.toStdString() << std::endl;
}

AppWindows& Driver::windows() {
    if (!m_windows) {
        if (m_context.programDir.isEmpty())
            throw DriveError{QStringLiteral("'dir PATH' must come before the first window")};
        // As the program does at its start, from the folder's settings file.
        try {
            app::chooseBookStore(m_context, m_printer, m_database);
        } catch (const store::StoreError& e) {
            m_prompt.error(nullptr, e.message());
            throw ProgramEnded{1};
        }
        if (!ui::signInAtTill(m_context, nullptr))
            throw ProgramEnded{};
        m_windows = std::make_unique<AppWindows>(m_context);
        // Only the `timer` command fires the start-up timer, so no script waits for it
        // and none is surprised by it; it stays armed until then, as it would be.
        m_windows->main()->holdStartup();
        m_windows->main()->show();
        m_windows->main()->showBooksPlace(app::connectAtStart(m_context, m_windows->main()));
        m_current = m_windows->main();
    }
    return *m_windows;
}

QWidget& Driver::current() {
    windows();
    if (!m_current)
        throw DriveError{QStringLiteral("the window chosen is closed: choose another")};
    return *m_current;
}

QWidget* Driver::control(const QString& name) {
    auto* widget = qobject_cast<QWidget*>(named(name));
    if (!widget)
        throw DriveError{QStringLiteral("'%1' takes no keys").arg(name)};
    return widget;
}

QObject* Driver::named(const QString& name) {
    QObject* found = current().findChild<QObject*>(name);
    if (!found)
        throw DriveError{QStringLiteral("no control named '%1' in this window").arg(name)};
    return found;
}

ui::StringGrid* Driver::grid(const QString& name) {
    auto* found = qobject_cast<ui::StringGrid*>(named(name));
    if (!found)
        throw DriveError{QStringLiteral("'%1' is not a grid").arg(name)};
    return found;
}

void Driver::cmdDir(const QString& args) {
    if (m_windows)
        throw DriveError{QStringLiteral("'dir' must come before the first window")};
    const QDir dir(args);
    if (args.isEmpty() || !dir.exists())
        throw DriveError{QStringLiteral("no folder '%1'").arg(args)};
    m_context.programDir = dir.absolutePath() + QLatin1Char('/');
}

void Driver::cmdToday(const QString& args) {
    QString rest = args;
    const QString date = takeWord(rest);
    const QDate day = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        throw DriveError{QStringLiteral("'%1' is not a date yyyy-mm-dd").arg(date)};
    const QTime time =
        rest.isEmpty() ? QTime(0, 0) : QTime::fromString(rest, QStringLiteral("HH:mm"));
    if (!time.isValid())
        throw DriveError{QStringLiteral("'%1' is not a time of day HH:MM").arg(rest)};
    m_clock.setToday(day, time);
}

void Driver::cmdTimer(const QString& args) {
    noArguments(args);
    // A one-shot timer: once it has fired, firing it again does nothing.
    windows().main()->runStartupNow();
}

void Driver::cmdWindow(const QString& args) {
    // The dialog a command left open, such as the payment dialog shown for real.
    QWidget* window =
        args == QLatin1String("modal") ? QApplication::activeModalWidget() : windows().byName(args);
    if (!window)
        throw DriveError{QStringLiteral("no window '%1' (%2)")
                             .arg(args, AppWindows::names().join(QStringLiteral(", ")))};
    m_current = window;
}

void Driver::cmdSet(const QString& args) {
    QString text = args;
    const QString name = takeWord(text);
    QObject* control = named(name);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        if (text != QLatin1String("1") && text != QLatin1String("0"))
            throw DriveError{QStringLiteral("a check box is set to 1 or 0")};
        box->setChecked(text == QLatin1String("1"));
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        // As a user would: pick the item of that text, or type it into the box.
        const int index = combo->findText(text, Qt::MatchExactly);
        if (index >= 0)
            combo->setCurrentIndex(index);
        if (combo->isEditable())
            combo->setEditText(text);
        else if (index < 0)
            throw DriveError{QStringLiteral("'%1' has no item '%2'").arg(name, text)};
    } else {
        throw DriveError{QStringLiteral("'%1' takes no text").arg(name)};
    }
}

void Driver::cmdGet(const QString& args) {
    QObject* control = named(args);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        print(edit->text());
    else if (auto* box = qobject_cast<QCheckBox*>(control))
        print(box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        print(combo->currentText());
    else if (auto* label = qobject_cast<QLabel*>(control))
        print(label->text());
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        print(button->text());
    else if (auto* action = qobject_cast<QAction*>(control))
        print(action->text());
    else
        throw DriveError{QStringLiteral("'%1' has no text").arg(args)};
}

void Driver::cmdClick(const QString& args) {
    QObject* control = named(args);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->click();
    else if (auto* action = qobject_cast<QAction*>(control))
        action->trigger();
    else
        throw DriveError{QStringLiteral("'%1' cannot be clicked").arg(args)};
}

void Driver::cmdAnswer(const QString& args) {
    if (args != QLatin1String("yes") && args != QLatin1String("no"))
        throw DriveError{QStringLiteral("answer yes or answer no")};
    m_prompt.queueAnswer(args == QLatin1String("yes"));
}

void Driver::cmdPay(const QString& args) {
    if (!m_prompt.queuePayment(args))
        throw DriveError{
            QStringLiteral("pay cancel, pay dialog, or pay METHOD [AMOUNT] [METHOD [AMOUNT]]…")};
}

void Driver::cmdSaveAs(const QString& args) {
    if (args.isEmpty())
        throw DriveError{QStringLiteral("saveas PATH or saveas cancel")};
    m_prompt.queueSaveAs(args == QLatin1String("cancel") ? std::nullopt
                                                         : std::optional<QString>(args));
}

void Driver::cmdOpenFile(const QString& args) {
    if (args.isEmpty())
        throw DriveError{QStringLiteral("openfile PATH or openfile cancel")};
    m_prompt.queueOpenFile(args == QLatin1String("cancel") ? std::nullopt
                                                           : std::optional<QString>(args));
}

void Driver::cmdCashier(const QString& args) {
    if (args.isEmpty())
        throw DriveError{QStringLiteral("cashier NAME [PIN] or cashier cancel")};
    QString pin = args;
    const QString name = takeWord(pin);
    m_prompt.queueSignIn(args == QLatin1String("cancel") ? std::nullopt
                                                         : ScriptedPrompt::SignIn({name, pin}));
}

void Driver::cmdCell(const QString& args) {
    QString text = args;
    ui::StringGrid* target = grid(takeWord(text));
    const int col = takeNumber(text, "COL");
    const int row = takeNumber(text, "ROW");
    if (col < 0 || col >= target->colCount() || row < 0 || row >= target->rowCount())
        throw DriveError{QStringLiteral("cell %1 %2 is outside the grid").arg(col).arg(row)};
    target->setCell(col, row, text);
}

void Driver::cmdEdit(const QString& args) {
    QString text = args;
    ui::StringGrid* target = grid(takeWord(text));
    const int col = takeNumber(text, "COL");
    const int row = takeNumber(text, "ROW");
    if (col < 0 || col >= target->colCount() || row < 1 || row >= target->rowCount())
        throw DriveError{QStringLiteral("cell %1 %2 is not a data cell").arg(col).arg(row)};
    // Through the grid's own editor, so the window sees what a typing user makes it see.
    target->editCell(col, row);
    QLineEdit* editor = nullptr;
    for (QLineEdit* open : target->viewport()->findChildren<QLineEdit*>()) {
        if (!open->isHidden())
            editor = open;
    }
    if (!editor)
        throw DriveError{QStringLiteral("cell %1 %2 does not open for typing").arg(col).arg(row)};
    editor->selectAll();
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
}

void Driver::cmdSelect(const QString& args) {
    QString rest = args;
    ui::StringGrid* target = grid(takeWord(rest));
    const int col = takeNumber(rest, "COL");
    const int row = takeNumber(rest, "ROW");
    int col2 = col, row2 = row;
    if (!rest.isEmpty()) {
        col2 = takeNumber(rest, "COL2");
        row2 = takeNumber(rest, "ROW2");
    }
    noArguments(rest);
    if (std::min(row, row2) < 1 || std::max(row, row2) >= target->rowCount() ||
        std::min(col, col2) < 0 || std::max(col, col2) >= target->colCount())
        throw DriveError{QStringLiteral("the selection must lie in the grid's data rows")};
    target->selectRange(std::min(col, col2), std::min(row, row2), std::max(col, col2),
                        std::max(row, row2));
}

void Driver::cmdRows(const QString& args) {
    QString rest = args;
    ui::StringGrid* target = grid(takeWord(rest));
    const int rows = takeNumber(rest, "N");
    noArguments(rest);
    if (rows < 1)
        throw DriveError{QStringLiteral("a grid has at least its caption row")};
    target->setRowCount(rows);
}

void Driver::cmdDump(const QString& args) {
    const ui::StringGrid* target = grid(args);
    print(QStringLiteral("%1 %2").arg(target->colCount()).arg(target->rowCount()));
    for (int row = 0; row < target->rowCount(); ++row)
        print(target->cells().row(row).join(QLatin1Char('\t')));
}

void Driver::cmdClipboard(const QString& args) {
    QGuiApplication::clipboard()->setText(args);
}

void Driver::cmdClipboardQuery(const QString& args) {
    noArguments(args);
    print(QGuiApplication::clipboard()->text());
}

void Driver::cmdPrintTo(const QString& args) {
    if (args.isEmpty() || !QDir(args).exists())
        throw DriveError{QStringLiteral("no folder '%1'").arg(args)};
    m_printer->setPrintTarget(QDir(args).absolutePath());
    m_receipts->setPrintTarget(QDir(args).absolutePath());
}

void Driver::cmdStatus(const QString& args) {
    noArguments(args);
    // The module windows name theirs StatusBar1; a window of their own has one bar.
    const auto* bar = current().findChild<ui::PanelStatusBar*>(QStringLiteral("StatusBar1"));
    if (!bar)
        bar = current().findChild<ui::PanelStatusBar*>();
    if (!bar)
        throw DriveError{QStringLiteral("this window has no status panels")};
    for (int i = 0; i < bar->panelCount(); ++i)
        print(QStringLiteral("%1: %2").arg(i).arg(bar->panelText(i)));
}

void Driver::cmdMessages(const QString& args) {
    noArguments(args);
    for (const QString& message : m_prompt.takeMessages())
        print(message);
}

void Driver::cmdTitle(const QString& args) {
    noArguments(args);
    print(current().windowTitle());
}

void Driver::cmdVisible(const QString& args) {
    noArguments(args);
    QStringList shown;
    for (const QString& name : AppWindows::names()) {
        if (windows().byName(name)->isVisible())
            shown << name;
    }
    print(QStringLiteral("visible: ") + shown.join(QLatin1Char(' ')));
}

void Driver::cmdCwd(const QString& args) {
    noArguments(args);
    print(QDir::currentPath());
}

void Driver::cmdClose(const QString& args) {
    noArguments(args);
    // As the title-bar close box does.
    current().close();
}

void Driver::cmdGrab(const QString& args) {
    if (args.isEmpty())
        throw DriveError{QStringLiteral("grab PATH.png")};
    QWidget& window = current();
    // A window never shown has no layout yet: lay it out as showing it would.
    if (!window.isVisible())
        window.ensurePolished();
    if (window.layout())
        window.layout()->activate();
    if (!window.grab().save(args))
        throw DriveError{QStringLiteral("cannot write '%1'").arg(args)};
}

void Driver::cmdKey(const QString& args) {
    QString rest = args;
    QWidget* target = control(takeWord(rest));
    // Each blank-separated word is one key with its modifiers, as Qt names them: "Return",
    // "Ctrl+V".
    QList<QKeyCombination> keys;
    for (const QString& word : rest.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QKeySequence sequence(word);
        if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
            throw DriveError{QStringLiteral("'%1' is not a key").arg(word)};
        keys << sequence[0];
    }
    if (keys.isEmpty())
        throw DriveError{QStringLiteral("key NAME KEYS")};
    for (const QKeyCombination key : keys)
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
}

void Driver::cmdType(const QString& args) {
    QString text = args;
    QWidget* target = control(takeWord(text));
    // Key by key, as a scanner types a code; a run of other characters (Chinese) arrives
    // whole, as an input method commits it.
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = at;
        const bool keys = text[at].unicode() < 0x80;
        while (end < text.size() && (text[end].unicode() < 0x80) == keys)
            ++end;
        if (keys) {
            QTest::keyClicks(target, text.mid(at, end - at));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(text.mid(at, end - at));
            QCoreApplication::sendEvent(target, &commit);
        }
        at = end;
    }
}

void Driver::cmdFocus(const QString& args) {
    QWidget* target = control(args);
    // As a click into the field does: the window comes to the front with the field in it.
    target->window()->activateWindow();
    target->setFocus(Qt::MouseFocusReason);
}

void Driver::cmdFocused(const QString& args) {
    noArguments(args);
    const QWidget* focused = QApplication::focusWidget();
    print(focused ? focused->objectName() : QStringLiteral("(none)"));
}

void Driver::cmdWait(const QString& args) {
    // runNext has already put the next command off by this long; here it is only checked.
    bool ok = false;
    if (args.toInt(&ok) < 0 || !ok)
        throw DriveError{QStringLiteral("wait MS, a whole number of milliseconds")};
}
