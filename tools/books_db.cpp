// Moves a shop's data books, the documents book among them, between a program folder and a
// database server, and gives each till's role on the server its share of them:
//   books-db import DIR CONNINFO   the folder's books into the server's empty tables
//   books-db export CONNINFO DIR   the tables back into workbooks in the folder
//   books-db grant-till CONNINFO ROLE   gives a till's role what a till needs, and no more
// Each is one transaction and prints what it compared, both sides checked, or granted.
// While it works it says on stderr what it is doing with which book, with the percent on a
// terminal.
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "database/Connection.h"
#include "database/Tables.h"
#include "database/Transfer.h"

namespace {

// A line a book and a step; on a terminal the line's percent counts up in place.
class StepLines {
public:
    explicit StepLines(bool importing) : m_importing(importing) {}
    ~StepLines() { endLine(); }
    StepLines(const StepLines&) = delete;
    StepLines& operator=(const StepLines&) = delete;

    void operator()(const database::TransferStep& step) {
        const bool same = m_any && step.stage == m_stage && step.book == m_book;
        if (same && (!m_terminal || step.percent < 0))
            return;
        if (!same)
            endLine();
        m_any = m_open = true;
        m_stage = step.stage;
        m_book = step.book;
        QString text = QStringLiteral("%1 %2（%3）…")
                           .arg(words(step.stage), store::bookFileName(step.book),
                                store::bookTitle(step.book));
        if (m_terminal && step.percent >= 0)
            text += QStringLiteral(" %1%").arg(step.percent);
        std::fputs(((m_terminal ? QStringLiteral("\r") : QString()) + text).toUtf8().constData(),
                   stderr);
        if (!m_terminal)
            endLine();
        std::fflush(stderr);
    }

private:
    QString words(database::TransferStep::Stage stage) const {
        switch (stage) {
            case database::TransferStep::Reading:
                return m_importing ? QStringLiteral("读取") : QStringLiteral("从数据库读取");
            case database::TransferStep::Sending:
                return QStringLiteral("写入数据库");
            case database::TransferStep::Checking:
                return QStringLiteral("核对");
            case database::TransferStep::Numbering:
                return QStringLiteral("标上单据号");
            case database::TransferStep::Writing:
                return QStringLiteral("保存");
        }
        return {};
    }
    void endLine() {
        if (m_open)
            std::fputc('\n', stderr);
        m_open = false;
    }

    const bool m_importing;
    const bool m_terminal = ::isatty(STDERR_FILENO) == 1;
    bool m_any = false;   // a step was told
    bool m_open = false;  // its line waits for its end
    database::TransferStep::Stage m_stage = database::TransferStep::Reading;
    store::Book m_book = store::Book::Inventory;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    const QStringList args = app.arguments();
    const QString verb = args.value(1);
    const bool importing = verb == QLatin1String("import");
    const bool granting = verb == QLatin1String("grant-till");
    if (args.size() != 4 || (!importing && !granting && verb != QLatin1String("export"))) {
        err << "usage: books-db import DIR CONNINFO\n"
               "       books-db export CONNINFO DIR\n"
               "       books-db grant-till CONNINFO ROLE\n";
        return 2;
    }
    const QString conninfo = importing ? args[3] : args[2];
    if (database::namesPassword(conninfo)) {
        err << QStringLiteral(
            "命令行里的 conninfo 不能写密码：ps 会把命令行显示给本机的每个用户。请把密码写在 "
            "~/.pgpass（权限 0600）或环境变量 PGPASSWORD 中，没有做任何操作\n");
        return 2;
    }
    const QString dir = importing ? args[2] : args[3];
    try {
        // A whole shop's books take longer than a till's statement may: no session limits,
        // and no giving up on a server that is busy loading them.
        database::Connection connection(conninfo, {std::chrono::milliseconds(0), false});
        database::TransferReport report;
        if (granting) {
            for (const QString& line : database::grantTill(connection, args[3]))
                out << line << '\n';
            out << QStringLiteral(
                       "角色“%1”已授权：以上之外的权限都已收回，它能添加记录，不能修改"
                       "或删除进货、出货记录和单据\n")
                       .arg(args[3]);
            return 0;
        }
        StepLines steps(importing);
        const auto progress = [&steps](const database::TransferStep& step) { steps(step); };
        if (importing) {
            report = database::importBooks(connection, dir, progress);
        } else {
            // A book already in the folder is the shop's, not this tool's to replace.
            QStringList paths;
            for (store::Book book : store::kDataBooks) {
                paths << store::bookPath(dir, book);
                if (QFileInfo::exists(paths.back()))
                    throw store::StoreError(
                        QStringLiteral("%1 已经存在，没有导出任何数据").arg(paths.back()));
            }
            report = database::exportBooks(connection, paths, progress);
        }
        for (const QString& line : report)
            out << line << '\n';
        out << (importing ? "导入完成，核对无误\n" : "导出完成，核对无误\n");
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
