#include <gtest/gtest.h>

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "app/SettingsFile.h"
#include "store/AtomicFile.h"

using app::SettingsFile;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("tvstorekeep.ini"));
};

}  // namespace

TEST_F(SettingsFileTest, AMissingFileOrKeyGivesTheDefault) {
    SettingsFile settings(path);
    EXPECT_FALSE(settings.exists());
    EXPECT_EQ(settings.readString("config", "comname", "none"), "none");
    EXPECT_EQ(settings.readInteger("config", "autobakup", 7), 7);
    EXPECT_FALSE(app::readAutoBackupFlag(settings));
}

TEST_F(SettingsFileTest, NamesAreCaseInsensitiveAndIntegersReadLikeTheProfileFunctions) {
    QStringEncoder gb18030("GB18030");
    writeAll(path, gb18030(QStringLiteral(
                       "[Config]\r\nCOMNAME=甲店\r\nAutoBakup=12abc\r\nneg=-3\r\nword=abc\r\n"
                       "quoted=\"甲 店 \"\r\nhalf=\"甲店\r\n")));
    SettingsFile settings(path);
    EXPECT_EQ(settings.readString("CONFIG", "ComName", ""), "甲店");
    EXPECT_EQ(settings.readString("config", "quoted", ""), "甲 店 ");
    EXPECT_EQ(settings.readString("config", "half", ""), "\"甲店");
    EXPECT_EQ(settings.readInteger("config", "autobakup", 0), 12);
    EXPECT_EQ(settings.readInteger("CONFIG", "neg", 0), -3);
    EXPECT_EQ(settings.readInteger("config", "word", 5), 0);
    EXPECT_EQ(settings.readInteger("config", "missing", 5), 5);
}

TEST_F(SettingsFileTest, TheBackupFlagLooksAtTheLowEightBitsOnly) {
    SettingsFile settings(path);
    const std::pair<const char*, bool> cases[] = {{"0", false},  {"1", true},  {"256", false},
                                                  {"257", true}, {"x", false}, {"-256", false}};
    for (const auto& [value, on] : cases) {
        writeAll(path, QByteArray("[config]\nautobakup=") + value + "\n");
        EXPECT_EQ(app::readAutoBackupFlag(settings), on) << value;
    }
}

TEST_F(SettingsFileTest, WritesGb18030AndKeepsWhatItDoesNotWrite) {
    // A file from elsewhere: GB2312 text, CRLF line ends, a comment, another section.
    QStringEncoder gb("GB2312");
    writeAll(path,
             gb(QStringLiteral("; 门店设置\r\n[other]\r\nkey=值\r\n[config]\r\ncomname=旧名\r\n")));
    SettingsFile settings(path);
    EXPECT_EQ(settings.readString("config", "comname", ""), "旧名");

    // 喆 and 堃 are outside GB2312: GB18030 keeps them, a GB2312 codec would not.
    settings.writeString("config", "comname", QStringLiteral("喆堃商行"));
    settings.writeString("config", "cominfo", QStringLiteral("电话 0571-1234"));
    settings.writeInteger("config", "autobakup", 1);

    const QByteArray bytes = readAll(path);
    QStringDecoder gb18030("GB18030");
    const QString text = gb18030(bytes);
    EXPECT_TRUE(text.contains(QStringLiteral("comname=喆堃商行"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("cominfo=电话 0571-1234")));
    EXPECT_TRUE(text.contains(QStringLiteral("autobakup=1")));
    EXPECT_TRUE(text.contains(QStringLiteral("[other]")));
    EXPECT_TRUE(text.contains(QStringLiteral("key=值")));
    EXPECT_TRUE(text.contains(QStringLiteral("门店设置")));
    EXPECT_LT(text.indexOf("comname"), text.indexOf("cominfo"));
    EXPECT_LT(text.indexOf("cominfo"), text.indexOf("autobakup"));
    EXPECT_EQ(SettingsFile(path).readString("config", "comname", ""), "喆堃商行");
    EXPECT_TRUE(app::readAutoBackupFlag(SettingsFile(path)));
}

TEST_F(SettingsFileTest, EmptyValuesAreWrittenAndReadBackEmpty) {
    SettingsFile settings(path);
    settings.writeString("config", "comname", QString());
    EXPECT_TRUE(settings.exists());
    EXPECT_EQ(settings.readString("config", "comname", "default"), "");
}

TEST_F(SettingsFileTest, AGarbledFileReadsAsDefaultsAndAWriteStillWorks) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 131 + 7) % 256));
    writeAll(path, garbage);
    SettingsFile settings(path);
    EXPECT_EQ(settings.readInteger("config", "autobakup", 0), 0);
    settings.writeString("config", "comname", QStringLiteral("甲店"));
    EXPECT_EQ(settings.readString("config", "comname", ""), "甲店");
}

TEST_F(SettingsFileTest, AFileThatCannotBeWrittenIsReportedByItsPath) {
    // A folder in the file's place: nothing can be renamed over it.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("tvstorekeep.ini")));
    SettingsFile settings(path);
    try {
        settings.writeString("config", "comname", QStringLiteral("甲店"));
        FAIL() << "the write did not fail";
    } catch (const store::AtomicFileError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("Unable to write to ") + path);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
