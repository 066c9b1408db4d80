#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "ShopBooks.h"
#include "ledger/Ledger.h"
#include "ledger/SpreadsheetLock.h"

using ledger::spreadsheetHolder;

namespace {

// Headless LibreOffice fails on a document named on its command line and quits; one that a
// macro loads hidden stays open.
const char kHoldMacro[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<script:module xmlns:script="http://openoffice.org/2000/script" script:name="Module1" script:language="StarBasic">
Sub Hold(url As String)
  Dim args(0) As New com.sun.star.beans.PropertyValue
  args(0).Name = &quot;Hidden&quot;
  args(0).Value = True
  StarDesktop.loadComponentFromURL(url, &quot;_blank&quot;, 0, args())
End Sub
</script:module>
)";

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

template <class Done>
bool within(int seconds, Done done) {
    for (QDeadlineTimer deadline(seconds * 1000); !deadline.hasExpired(); QThread::msleep(100)) {
        if (done())
            return true;
    }
    return done();
}

}  // namespace

TEST(SpreadsheetLockTest, APostingWaitsUntilLibreOfficeNoLongerHoldsTheBook) {
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString book = dir.filePath("tvkucun.dat");
    const QString lock = dir.filePath(".~lock.tvkucun.dat#");
    const QString profileArg = "-env:UserInstallation=file://" + dir.filePath("profile");
    makeShop(dir.path(), 3);
    ledger::Ledger books(dir.path(), store::workbookServerFactory());
    // A first run sets up the private profile the macro then goes into.
    ASSERT_TRUE(writeFile(dir.filePath("profile-setup.csv"), "编号,数量\n1001,5\n"));
    QProcess convert;
    convert.start("soffice",
                  {profileArg, "--headless", "--norestore", "--convert-to", "xlsx", "--outdir",
                   dir.filePath("setup"), dir.filePath("profile-setup.csv")});
    ASSERT_TRUE(convert.waitForFinished(120000));
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    ASSERT_TRUE(writeFile(dir.filePath("profile/user/basic/Standard/Module1.xba"), kHoldMacro));

    // A process group of its own, so that killing it takes soffice.bin along and nothing else.
    QProcess office;
    office.setChildProcessModifier([] { setsid(); });
    office.start("soffice", {profileArg, "--headless", "--norestore",
                             "macro:///Standard.Module1.Hold(\"" +
                                 QUrl::fromLocalFile(book).toString() + "\")"});
    ASSERT_TRUE(office.waitForStarted());
    struct Killer {
        qint64 group;
        void now() {
            if (group > 0)
                kill(-group, SIGKILL);
            group = 0;
        }
        ~Killer() { now(); }
    } killer{office.processId()};

    // The office creates the file first and writes its entry after.
    ASSERT_TRUE(within(60, [&] {
        QFile f(lock);
        return f.open(QIODevice::ReadOnly) && f.readAll().endsWith(';');
    })) << "LibreOffice wrote no lock";
    const auto holder = spreadsheetHolder(book);
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->user.toStdString(), getpwuid(getuid())->pw_name);
    EXPECT_EQ(holder->host.section('.', 0, 0), QSysInfo::machineHostName().section('.', 0, 0));
    const QByteArray before = booksDigest(dir.path());
    try {
        books.commit(ledger::purchase({purchase(1, 1001, 1, 2)}, {}));
        ADD_FAILURE() << "posted into a book LibreOffice holds";
    } catch (const ledger::Refusal& refusal) {
        EXPECT_TRUE(refusal.message().startsWith("数据文件 tvkucun.dat 正在被 " + holder->user))
            << refusal.message().toStdString();
    }
    EXPECT_EQ(booksDigest(dir.path()), before);

    killer.now();
    office.waitForFinished();
    ASSERT_TRUE(QFile::exists(lock));
    EXPECT_TRUE(within(10, [&] { return !spreadsheetHolder(book); }));
    books.commit(ledger::purchase({purchase(1, 1001, 1, 2)}, {}));
    EXPECT_EQ(checkStock(dir.path()).stockIns, 1);
}

TEST(SpreadsheetLockTest, LocksWeCannotProveStaleCount) {
    QTemporaryDir dir;
    const QString book = dir.filePath("tvchuku.dat");
    const QString lock = dir.filePath(".~lock.tvchuku.dat#");

    ASSERT_TRUE(writeFile(lock, R"(王\, 小明\;\\,wang,till-2.shop.lan,07.12.2026 14:57,)"
                                "file:///home/wang/.config/libreoffice/4;"));
    auto holder = spreadsheetHolder(book);
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->user, "王, 小明;\\");
    EXPECT_EQ(holder->host, "till-2.shop.lan");

    // As the office leaves it between creating the file and writing the entry.
    ASSERT_TRUE(writeFile(lock, ""));
    holder = spreadsheetHolder(book);
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->user, "未知用户");

    // A book behind a link, opened through the file it leads to: the lock lies beside that.
    QTemporaryDir disk;
    ASSERT_TRUE(QFile::remove(lock) && writeFile(disk.filePath("chuku.xlsx"), "") &&
                QFile::link(disk.filePath("chuku.xlsx"), book));
    EXPECT_FALSE(spreadsheetHolder(book).has_value());
    ASSERT_TRUE(writeFile(disk.filePath(".~lock.chuku.xlsx#"), ""));
    EXPECT_TRUE(spreadsheetHolder(book).has_value());
}
