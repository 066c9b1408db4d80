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

TEST_F(StockInPosting, AJournalThatCannotBeSavedKeepsTheLinesAndSaysWhatHappened) {
    typeThreeLines();
    hooks.onSave = [] { throw store::StoreError("磁盘已满"); };
    window->SpeedButton4Click();

    // The inventory holds the goods; the journal does not; the lines are all still there.
    Workbook inventory = Workbook::open(path(store::Book::Inventory));
    EXPECT_EQ(inventory.cell(2, store::InventoryCol::StockQty).number, 13);
    EXPECT_EQ(inventory.cell(2, store::InventoryCol::StockValue).number, 56);
    EXPECT_EQ(rows(store::Book::StockIn), 8);
    EXPECT_EQ(grid->rowCount(), 4);
    for (int line = 1; line <= 3; ++line)
        EXPECT_EQ(grid->cell(0, line), "1001") << line;
    EXPECT_EQ(status->panelText(1), "7");
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_TRUE(prompt.messages[1].startsWith("error: 库存已经更新，但入库记录没有保存：磁盘已满"))
        << prompt.messages[1].toStdString();
    EXPECT_TRUE(prompt.messages[1].contains("请不要再次入库"));
}

}  // namespace
