#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/ProgramFolder.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"
#include "ui/ShippedFiles.h"

using app::chooseProgramFolder;

namespace {

// A machine laid out as the three kinds of start meet it: a folder named on the command
// line, the executable's folder, and a home whose documents folder does not exist yet.
class ProgramFolderTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString given = root.filePath("given"), exe = root.filePath("bin"),
            documents = root.filePath("home/文档"),
            shop = documents + QLatin1Char('/') + app::kDocumentsFolderName + QLatin1Char('/');
    QStringList plain{"tavelo"};

    void SetUp() override {
        QDir().mkpath(given);
        QDir().mkpath(exe);
    }
    app::ProgramFolder choose(const QStringList& arguments) {
        return chooseProgramFolder(arguments, exe, documents);
    }
};

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

TEST_F(ProgramFolderTest, TheCommandLineThenAPortableFolderComeBeforeTheDocuments) {
    store::writeInitialBooks(exe);
    EXPECT_EQ(choose({"tavelo", "--dir", given}).path, given + '/');
    EXPECT_EQ(choose({"tavelo", "--dir=" + given}).path, given + '/');
    EXPECT_EQ(choose(plain).path, exe + '/');
    EXPECT_FALSE(QFileInfo::exists(documents));

    // A till whose books are on a server keeps only its settings beside the program.
    for (const QString& book : entries(exe))
        QFile::remove(QDir(exe).filePath(book));
    QFile settings(exe + "/tvstorekeep.ini");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.close();
    EXPECT_EQ(choose(plain).path, exe + '/');

    EXPECT_THROW(choose({"tavelo", "--dir", root.filePath("nowhere")}), store::StoreError);
    EXPECT_THROW(choose({"tavelo", "--dir"}), store::StoreError);
    EXPECT_THROW(choose({"tavelo", "--dir="}), store::StoreError);
    EXPECT_FALSE(QFileInfo::exists(documents));
}

TEST_F(ProgramFolderTest, TheFirstStartMakesTheDocumentsFolderWithItsBooksAndNeverAgain) {
    const app::ProgramFolder first = choose(plain);
    EXPECT_EQ(first.path, shop);
    EXPECT_TRUE(first.created);
    EXPECT_EQ(entries(shop), QStringList({"tvbaocun.dat", "tvchuku.dat", "tvdanju.dat",
                                          "tvkucun.dat", "tvpandian.dat", "tvruku.dat"}));
    EXPECT_EQ(entries(documents), QStringList{app::kDocumentsFolderName});

    // Later starts take the folder as it is: a shop's books are never written over, nor a
    // book the shop keeper moved away put back behind their back.
    QFile::remove(shop + "tvruku.dat");
    QFile kucun(shop + "tvkucun.dat");
    ASSERT_TRUE(kucun.open(QIODevice::WriteOnly));
    kucun.write("the shop's own");
    kucun.close();
    const app::ProgramFolder second = choose(plain);
    EXPECT_EQ(second.path, shop);
    EXPECT_FALSE(second.created);
    EXPECT_EQ(entries(shop), QStringList({"tvbaocun.dat", "tvchuku.dat", "tvdanju.dat",
                                          "tvkucun.dat", "tvpandian.dat"}));
    ASSERT_TRUE(kucun.open(QIODevice::ReadOnly));
    EXPECT_EQ(kucun.readAll(), "the shop's own");
}

TEST_F(ProgramFolderTest, WhatCannotHoldTheBooksIsReportedAndLeftAlone) {
    QDir().mkpath(QFileInfo(documents).path());
    QFile file(documents);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_THROW(choose(plain), store::StoreError);

    QFile::remove(documents);
    QDir().mkpath(documents);
    file.setFileName(shop.chopped(1));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("notes");
    file.close();
    EXPECT_THROW(choose(plain), store::StoreError);
    EXPECT_EQ(entries(documents), QStringList{app::kDocumentsFolderName});
    EXPECT_EQ(QFileInfo(shop.chopped(1)).size(), 5);
}

TEST(ShippedFilesTest, BesideTheProgramFirstThenInTheInstalledTreeAroundIt) {
    QTemporaryDir root;
    const QString bin = root.filePath("usr/bin");
    QDir().mkpath(bin);
    const auto place = [&](const QString& path) {
        QDir().mkpath(QFileInfo(root.filePath(path)).path());
        QFile file(root.filePath(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return root.filePath(path);
    };
    const QString helper = place("usr/libexec/tavelo/convert-legacy");
    const QString manual = place("usr/share/tavelo/manual/index.html");
    EXPECT_EQ(ui::shippedFile(bin, "convert-legacy", ui::Shipped::Helper), helper);
    EXPECT_EQ(ui::shippedFile(bin, "manual/index.html", ui::Shipped::Data), manual);
    EXPECT_EQ(ui::shippedFile(bin, "manual/index.html", ui::Shipped::Helper), QString());
    const QString portable = place("usr/bin/manual/index.html");
    EXPECT_EQ(ui::shippedFile(bin, "manual/index.html", ui::Shipped::Data), portable);
}
