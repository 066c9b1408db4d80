// The sale and return postings where the books fail under them, watched through the server.
#include <gtest/gtest.h>

#include <QDir>

#include "chuku/Unit_chuku.h"
#include "ruku/Unit_ruku.h"
#include "store/StoreError.h"
#include "support/PostingFixture.h"

using store::Book;
using store::Workbook;
namespace Inv = store::InventoryCol;

namespace {

class StockOutPosting : public PostingFixture<TForm_chuku> {
protected:
    void SetUp() override { start(Book::StockOut, "StringGrid_chuku"); }
    // Three sales (or returns) of one unit, to a customer.
    void typeThreeLines() { PostingFixture::typeThreeLines({{3, "1"}, {7, "张三"}}); }

    void expectLinesKept() {
        EXPECT_EQ(grid->rowCount(), 4);
        for (int line = 1; line <= 3; ++line) {
            EXPECT_EQ(grid->cell(0, line), "1001") << line;
            EXPECT_EQ(grid->cell(3, line), "1") << line;
        }
    }
};

TEST_F(StockOutPosting, TheBooksAreWrittenInOneCommitAndThePanelsFollowThePasses) {
    typeThreeLines();
    QString journalCountWhileWriting;
    hooks.watched = "tvchuku.dat";
    hooks.onFirstWrite = [&] { journalCountWhileWriting = status->panelText(1); };
    window->SpeedButton4Click();

    EXPECT_EQ(hooks.saved, (QStringList{"tvkucun.dat", "tvchuku.dat", "tvdanju.dat"}));
    EXPECT_EQ(journalCountWhileWriting, "7");
    EXPECT_EQ(status->panelText(1), "10");
    EXPECT_EQ(status->panelText(3), "0");
    EXPECT_EQ(Workbook::open(path(Book::StockOut)).usedRowCount(), 11);
    Workbook inventory = Workbook::open(path(Book::Inventory));
    EXPECT_EQ(inventory.cell(2, Inv::StockQty).number, 7);
    EXPECT_EQ(inventory.cell(2, Inv::StockValue).number, 35);
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(prompt.messages, QStringList{"confirm: 确认开始进行销售出库操作吗？"});
}

TEST_F(StockOutPosting, DuringTheInventoryPassTheLineCountIsTheGridRowCount) {
    typeThreeLines();
    QString lineCount;
    hooks.watched = "tvkucun.dat";
    hooks.onSave = [&] { lineCount = status->panelText(3); };
    window->SpeedButton5Click();

    EXPECT_EQ(lineCount, "4");
    EXPECT_EQ(status->panelText(3), "0");
    EXPECT_EQ(Workbook::open(path(Book::Inventory)).cell(2, Inv::StockQty).number, 13);
}

TEST_F(StockOutPosting, AJournalThatCannotBeSavedLeavesBothBooksAsTheyWere) {
    typeThreeLines();
    const QByteArray inventory = digest(Book::Inventory), journal = digest(Book::StockOut);
    hooks.watched = "tvchuku.dat";
    hooks.onSave = [] { throw store::StoreError("磁盘已满"); };
    window->SpeedButton4Click();

    EXPECT_EQ(digest(Book::Inventory), inventory);
    EXPECT_EQ(digest(Book::StockOut), journal);
    expectLinesKept();
    EXPECT_EQ(status->panelText(1), "7");
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_EQ(prompt.messages[1],
              "error: 无法保存数据文件 "
              "tvchuku.dat：磁盘已满\n没有出库任何数据，库存和出库记录都未改动。");
}

TEST_F(StockOutPosting, AnInventoryThatCannotBeWrittenLeavesBothBooksAsTheyWere) {
    typeThreeLines();
    const QByteArray inventory = digest(Book::Inventory), journal = digest(Book::StockOut);
    hooks.watched = "tvkucun.dat";
    hooks.onSave = [] { throw store::StoreError("磁盘已满"); };
    window->SpeedButton5Click();

    EXPECT_EQ(digest(Book::Inventory), inventory);
    EXPECT_EQ(digest(Book::StockOut), journal);
    expectLinesKept();
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_EQ(prompt.messages[1],
              "error: 无法保存数据文件 "
              "tvkucun.dat：磁盘已满\n没有退货返库任何数据，库存和出库记录都未改动。");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(".commit"),
              QStringList());
}

// A line cell taken from an inventory column the preview does not show would stay empty
// without a word: both windows' tables must take only what their previews show.
TEST(EntryTables, LinesAndScansTakeOnlyColumnsThePreviewShows) {
    for (const entry::EntryTable* table : {&TForm_ruku::columns(), &TForm_chuku::columns()}) {
        for (const entry::EntryColumn& column : table->lineColumns) {
            if (column.source.kind == entry::LineSource::Inventory) {
                EXPECT_GE(table->previewIndexOf(column.source.inventoryCol), 0)
                    << column.caption.toStdString();
            }
        }
        EXPECT_GE(table->previewIndexOf(table->scan.priceInventoryCol), 0)
            << table->journalRecords.toStdString();
    }
}

}  // namespace
