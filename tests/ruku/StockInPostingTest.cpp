// The stock-in posting where the books fail under it, watched through the server.
#include <gtest/gtest.h>

#include "ruku/Unit_ruku.h"
#include "store/StoreError.h"
#include "support/PostingFixture.h"

using store::Workbook;

namespace {

class StockInPosting : public PostingFixture<TForm_ruku> {
protected:
    void SetUp() override {
        start(store::Book::StockIn, "StringGrid_ruku");
        hooks.watched = "tvruku.dat";
    }
    // Three purchases of one unit for 2.
    void typeThreeLines() { PostingFixture::typeThreeLines({{3, "1"}, {5, "2"}}); }
};

TEST_F(StockInPosting, TheJournalCountShowsTheRecordsBeforeThenAfter) {
    typeThreeLines();
    QString whileWriting;
    hooks.onFirstWrite = [&] { whileWriting = status->panelText(1); };
    window->SpeedButton4Click();

    EXPECT_EQ(whileWriting, "7");
    EXPECT_EQ(status->panelText(1), "10");
    EXPECT_EQ(rows(store::Book::StockIn), 11);
    EXPECT_EQ(Workbook::open(path(store::Book::StockIn)).cell(9, 6).number, 2);
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(prompt.messages, QStringList{"confirm: 确认开始进行采购入库操作吗？"});
}

TEST_F(StockInPosting, AJournalThatCannotBeWrittenLeavesBothBooksAsTheyWere) {
    typeThreeLines();
    const QByteArray inventory = digest(store::Book::Inventory);
    const QByteArray journal = digest(store::Book::StockIn);
    hooks.onSave = [] { throw store::StoreError("磁盘已满"); };
    window->SpeedButton4Click();

    EXPECT_EQ(digest(store::Book::Inventory), inventory);
    EXPECT_EQ(digest(store::Book::StockIn), journal);
    EXPECT_EQ(grid->rowCount(), 4);
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_EQ(
        prompt.messages[1],
        "error: 无法保存数据文件 tvruku.dat：磁盘已满\n没有入库任何数据，库存和入库记录都未改动。");
}

}  // namespace
