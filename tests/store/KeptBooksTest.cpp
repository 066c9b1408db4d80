#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

#include "TestBooks.h"
#include "store/DataBooks.h"
#include "store/KeptBooks.h"
#include "store/Workbook.h"

using namespace store;

namespace {

class Kept : public ::testing::Test {
protected:
    void SetUp() override { writeInitialBooks(dir.path()); }
    QString path(Book b) const { return bookPath(dir.path(), b); }
    QString cellOf(const QString& file, int row, int col) {
        return kept.open(file).cell(row, col).displayText();
    }

    QTemporaryDir dir;
    KeptBooks kept{
        {bookFileName(Book::Inventory), bookFileName(Book::StockIn), bookFileName(Book::StockOut)},
        2};
};

void setModified(const QString& file, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
}

TEST_F(Kept, AnUnchangedBookIsReadOnceAndAChangeInOneCopyShowsInNoOther) {
    const QString inventory = path(Book::Inventory);
    Workbook first = kept.open(inventory);
    first.setCell(2, 1, CellValue::fromNumber(5));
    EXPECT_EQ(cellOf(inventory, 2, 1), "");
    EXPECT_EQ(kept.reads(), 1);

    // Two kept at most: the book opened least recently is the one read again.
    cellOf(path(Book::StockIn), 1, 1);
    cellOf(path(Book::StockOut), 1, 1);
    cellOf(path(Book::StockOut), 1, 1);
    EXPECT_EQ(kept.reads(), 3);
    cellOf(inventory, 1, 1);
    EXPECT_EQ(kept.reads(), 4);
    EXPECT_FALSE(kept.keeps(path(Book::Report)));
}

TEST_F(Kept, ABookRewrittenInPlaceAtTheSameSizeWithItsModificationTimePutBackIsReadAfresh) {
    // Two books of one size that differ in one cell.
    auto bookWith = [](int n) {
        Workbook wb = Workbook::createNew();
        wb.setCell(1, 1, CellValue::fromNumber(n));
        return wb.toBytes();
    };
    const QByteArray one = bookWith(1);
    int other = 2;
    while (bookWith(other).size() != one.size() && other < 9)
        ++other;
    ASSERT_EQ(bookWith(other).size(), one.size());

    const QString inventory = path(Book::Inventory);
    testbooks::writeFile(inventory, one);
    setModified(inventory, 1765000000, 100000000);
    EXPECT_EQ(cellOf(inventory, 1, 1), "1");

    QFile file(inventory);  // the same inode, as a program saving in place leaves it
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(bookWith(other));
    file.close();
    setModified(inventory, 1765000000, 100000000);  // as touch -d puts it back
    EXPECT_EQ(cellOf(inventory, 1, 1), QString::number(other));
    EXPECT_EQ(kept.reads(), 2);
}

TEST_F(Kept, TheProgramsOwnCommitIsFoundWithoutAReadAndSavesAgainAfterTheOldFileIsGone) {
    const QString inventory = path(Book::Inventory);
    auto servers = workbookServerFactory(nullptr, std::shared_ptr<KeptBooks>(&kept, [](auto*) {}));
    for (int n = 1; n <= 2; ++n) {
        // As a posting commits: saved beside the book, then renamed over it, so the file the
        // kept cells came from is gone when they are saved the second time.
        auto server = servers();
        server->openWorkbook(inventory);
        server->setCell(n + 1, 1, CellValue::fromNumber(n));
        const QString fresh = dir.filePath(QStringLiteral(".fresh"));
        server->saveAs(fresh);
        ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(),
                           QFile::encodeName(inventory).constData()),
                  0);
        server->savedCopyMovedTo(inventory);
    }
    EXPECT_EQ(kept.reads(), 1);
    EXPECT_EQ(cellOf(inventory, 3, 1), "2");
    EXPECT_EQ(kept.reads(), 1);
    const Workbook fromDisk = Workbook::open(inventory);
    EXPECT_EQ(fromDisk.cell(2, 1).displayText(), "1");
    EXPECT_EQ(fromDisk.columnWidth(2), Workbook::open(path(Book::StockIn)).columnWidth(2));
}

}  // namespace
