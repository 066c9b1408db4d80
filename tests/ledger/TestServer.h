#pragma once

// The run's PostgreSQL test server, for the tests of the database engine (see
// tests/CMakeLists.txt): ctest starts it and names it in TAVELO_PG_CLUSTER.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

#include <unistd.h>

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
