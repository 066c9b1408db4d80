#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "store/AtomicFile.h"
#include "store/DataBooks.h"
#include "ui/ErrorBox.h"

using ui::ErrorBox;

// A window's own words for an ordinary failure never stand in for the two boxes of their
// own, and an old book with nothing in the folder to convert is told in its own words.
TEST(ErrorBox, OnlyAnOrdinaryFailureTakesTheWindowsOwnBox) {
    QTemporaryDir folder;
    const ErrorBox posted{ErrorBox::Kind::Information, QStringLiteral("没有入库任何数据")};
    const auto boxFor = [&](const store::StoreError& failure) {
        return ui::errorBox(failure, folder.path() + QLatin1Char('/'), posted);
    };
    EXPECT_EQ(boxFor(store::AtomicFileError("磁盘已满")).text, posted.text);

    const ErrorBox server = boxFor(store::ServerUnavailable(QStringLiteral("无法启动")));
    EXPECT_EQ(server.kind, ErrorBox::Kind::Information);
    EXPECT_EQ(server.text, store::installServerMessage());

    const QString old = QStringLiteral("工作簿 a.xls：旧格式");
    const ErrorBox elsewhere = boxFor(store::OldFormatBook(old));
    EXPECT_EQ(elsewhere.kind, ErrorBox::Kind::Error);
    EXPECT_EQ(elsewhere.text, old);
}
