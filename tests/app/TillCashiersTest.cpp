#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/TillCashiers.h"
#include "ui/Clock.h"

namespace {

class TillCashiersTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("tvstorekeep.ini");
    app::CashierList list{path};
};

}  // namespace

TEST_F(TillCashiersTest, ThePinIsKeptOnlyAsASaltedSlowHash) {
    // RFC 7914's PBKDF2-HMAC-SHA256 vector: the hash is the standard one, not a look-alike.
    EXPECT_EQ(app::pbkdf2Sha256("password", "salt", 2).toHex(),
              "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43");

    list.add("张三");
    list.setPin("张三", "135790");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.contains("135790")) << bytes.toStdString();
    const QString stored = list.storedPin("张三");
    EXPECT_TRUE(app::pinMatches(stored, "135790"));
    EXPECT_FALSE(app::pinMatches(stored, "135791"));
    // Salted: the same PIN twice is kept twice differently.
    EXPECT_NE(app::hashPin("135790"), stored);
    // A line garbled by hand lets nobody in, not everybody.
    EXPECT_FALSE(app::pinMatches("pbkdf2-sha256$0$$", ""));
    EXPECT_FALSE(app::pinMatches(stored.left(stored.lastIndexOf('$') + 1), "135790"));

    // A cashier removed and added again does not find the old PIN waiting.
    list.remove("张三");
    list.add("张三");
    EXPECT_TRUE(list.storedPin("张三").isEmpty());
}

TEST_F(TillCashiersTest, TheThirdWrongPinInARowMakesTheNextTryWait) {
    list.add("张三");
    list.add("李四");
    list.setPin("张三", "4711");
    ui::FixedClock clock(QDate(2026, 3, 2), QTime(9, 0));
    app::TillCashiers till(path, clock);

    EXPECT_EQ(till.trySignIn("李四", ""), "");
    EXPECT_FALSE(till.trySignIn("王五", "").isEmpty());
    // Wrong tries count only in a row: a right one in between starts the count again.
    EXPECT_FALSE(till.trySignIn("张三", "1234").isEmpty());
    EXPECT_FALSE(till.trySignIn("张三", "1235").isEmpty());
    EXPECT_EQ(till.trySignIn("张三", "4711"), "");
    EXPECT_FALSE(till.trySignIn("张三", "1234").isEmpty());
    EXPECT_FALSE(till.trySignIn("张三", "4712").isEmpty());
    EXPECT_EQ(till.secondsToWait(), 0);
    EXPECT_EQ(till.trySignIn("张三", "0000"), ui::Cashiers::waitMessage(30));
    EXPECT_EQ(till.current(), "张三");

    // Even the right PIN waits its turn.
    clock.setToday(QDate(2026, 3, 2), QTime(9, 0, 29));
    EXPECT_EQ(till.secondsToWait(), 1);
    EXPECT_FALSE(till.trySignIn("张三", "4711").isEmpty());
    clock.setToday(QDate(2026, 3, 2), QTime(9, 0, 30));
    EXPECT_EQ(till.trySignIn("李四", ""), "");
    EXPECT_EQ(till.current(), "李四");
}
