// Moves a shop's data books, the documents book among them, between a program folder and a
// database server, and gives each till's role on the server its share of them:
//   books-db import DIR CONNINFO   the folder's books into the server's empty tables
//   books-db export CONNINFO DIR   the tables back into workbooks in the folder
//   books-db grant-till CONNINFO ROLE   gives a till's role what a till needs, and no more
// Each is one transaction and prints what it compared, both sides checked, or granted.
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include "database/Connection.h"
#include "database/Tables.h"
#include "database/Transfer.h"

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
        if (importing) {
            report = database::importBooks(connection, dir);
        } else {
            // A book already in the folder is the shop's, not this tool's to replace.
            QStringList paths;
            for (store::Book book : store::kDataBooks) {
                paths << store::bookPath(dir, book);
                if (QFileInfo::exists(paths.back()))
                    throw store::StoreError(
                        QStringLiteral("%1 已经存在，没有导出任何数据").arg(paths.back()));
            }
            report = database::exportBooks(connection, paths);
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
