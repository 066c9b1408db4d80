// The stock-in posting where the books fail under it, watched through the server.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>

#include "ruku/Unit_ruku.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"
#include "store/Workbook.h"
#include "support/AnsweringPrompt.h"
#include "support/BookWatch.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

using store::CellValue;
using store::Workbook;

namespace {

CellValue num(double v) {
    return CellValue::fromNumber(v);
}
CellValue txt(const QString& v) {
    return CellValue::fromText(v);
}

class StockInPosting : public ::testing::Test {
protected:
    void SetUp() override {
        store::writeInitialBooks(dir.path());
        hooks.watched = "tvruku.dat";
        Workbook inventory = Workbook::open(path(store::Book::Inventory));
        const QList<CellValue> item{num(1001), txt("可口可乐"), txt("瓶"),   num(10), num(5),
                                    num(50),   num(3),          txt("甲厂"), num(5)};
        for (int c = 0; c < item.size(); ++c)
            inventory.setCell(2, c + 1, item[c]);
        inventory.save();
        Workbook journal = Workbook::open(path(store::Book::StockIn));
        for (int r = 2; r <= 8; ++r) {
            journal.setCell(r, 1, num(900));
            journal.setCell(r, 2, txt("旧货"));
        }
        journal.save();

        context = {dir.path() + '/', &prompt, &clock, [this] {
                       return std::make_unique<BookWatch>(store::workbookServerFactory()(), hooks);
                   }};
        window = std::make_unique<TForm_ruku>(context, nullptr);
        grid = window->findChild<ui::StringGrid*>("StringGrid_ruku");
        status = window->findChild<ui::PanelStatusBar*>("StatusBar1");
    }

    QString path(store::Book b) const { return store::bookPath(dir.path(), b); }
    int rows(store::Book b) const { return Workbook::open(path(b)).usedRowCount(); }

    // Three purchases of the item, typed over the lines that "增加数据" makes.
    void typeThreeLines() {
        window->findChild<QLineEdit*>("Edit2")->setText("1001");
        window->SpeedButton1Click();
        for (int line = 1; line <= 3; ++line) {
            if (line > 1)
                window->SpeedButton2Click();  // adds a line below the valid one
            window->SpeedButton2Click();      // fills it from the preview
            grid->setCell(3, line, "1");
            grid->setCell(5, line, "2");
        }
        ASSERT_EQ(grid->rowCount(), 4);
    }

    QTemporaryDir dir;
    AnsweringPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    BookWatch::Hooks hooks;
    ui::AppContext context;
    std::unique_ptr<TForm_ruku> window;
    ui::StringGrid* grid = nullptr;
    ui::PanelStatusBar* status = nullptr;
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
