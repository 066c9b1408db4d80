#pragma once

// The run's PostgreSQL test server, for the tests of the database engine (see
// tests/CMakeLists.txt): ctest starts it and names it in TAVELO_PG_CLUSTER.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "ShopBooks.h"
#include "database/Connection.h"
#include "database/Transfer.h"

// The test server's script; its output is a conninfo.
inline QString pgCluster(const QStringList& args) {
    QProcess script;
    script.start("bash", QStringList{TAVELO_PG_SCRIPT} + args);
    EXPECT_TRUE(script.waitForFinished(120000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    return QString::fromUtf8(script.readAllStandardOutput()).trimmed();
}

inline bool withoutTestServer() {
    return qEnvironmentVariableIsEmpty("TAVELO_PG_CLUSTER");
}

// A database of the test's own on the run's server, empty.
inline QString freshDatabase(const QString& prefix) {
    static int databases = 0;
    return pgCluster({"fresh", qEnvironmentVariable("TAVELO_PG_CLUSTER"),
                      QStringLiteral("%1_%2_%3").arg(prefix).arg(::getpid()).arg(++databases)});
}

// makeShop's books in `dir`, imported into the database.
inline void importShop(const QString& conninfo, const QString& dir, int items, int records) {
    makeShop(dir, items, records);
    database::Connection connection(conninfo);
    database::importBooks(connection, dir);
}

// A server of the test's own, which it may stop and start: the run's shared one serves the
// other tests meanwhile.
struct OwnServer {
    ~OwnServer() { pgCluster({"stop", dir.path()}); }

    // Through pg_ctl, as the owner of the data: the script's stop throws the data away.
    void control(const QString& action) {
        QStringList command{
            TAVELO_PG_CTL, "-D",  dir.path() + "/data", "-l", dir.path() + "/server.log",
            "-w",          action};
        struct stat owner {};
        if (::geteuid() == 0 && ::stat(QFile::encodeName(dir.path()).constData(), &owner) == 0)
            command =
                QStringList{"setpriv", "--reuid=" + QString::number(owner.st_uid),
                            "--regid=" + QString::number(owner.st_gid), "--clear-groups", "--"} +
                command;
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        ctl.start(command.takeFirst(), command);
        ASSERT_TRUE(ctl.waitForFinished(60000));
        ASSERT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
    }

    // To the server and every process of it, as a machine that hangs would stop them. Each
    // backend is a session of its own: the postmaster's children are found by their parent.
    void signal(int number) {
        QFile pidFile(dir.path() + "/data/postmaster.pid");
        ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
        const QByteArray postmaster = pidFile.readLine().trimmed();
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + pid + "/stat");
            // "pid (comm) state ppid …"; the server's names hold no parenthesis.
            if (pid == postmaster ||
                (stat.open(QIODevice::ReadOnly) &&
                 stat.readAll().split(')').value(1).split(' ').value(2) == postmaster))
                ::kill(pid_t(pid.toInt()), number);
        }
    }

    QTemporaryDir dir;
    const QString conninfo = pgCluster({"start", dir.path()});
};

// The database as these tests compare it: the journals' record counts and every item's
// stock, one line.
inline QString snapshot(const QString& conninfo) {
    database::Connection connection(conninfo);
    return QString::fromUtf8(
        connection
            .exec("SELECT (SELECT count(*) FROM stock_in) || ' ' || (SELECT count(*) FROM "
                  "stock_out) || ' ' || (SELECT string_agg(item_code || ':' || stock_qty, ' ' "
                  "ORDER BY seq) FROM inventory)")
            .text(0, 0));
}
