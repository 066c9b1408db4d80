// The sale and return postings where the books fail under them, watched through the server.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "chuku/Unit_chuku.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"
#include "store/Workbook.h"
#include "support/AnsweringPrompt.h"
#include "support/BookWatch.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

using store::Book;
using store::CellValue;
using store::Workbook;
namespace Inv = store::InventoryCol;

namespace {

class StockOutPosting : public ::testing::Test {
protected:
    void SetUp() override {
        store::writeInitialBooks(dir.path());
        Workbook inventory = Workbook::open(path(Book::Inventory));
        inventory.setCell(2, Inv::ItemCode, CellValue::fromNumber(1001));
        inventory.setCell(2, Inv::ItemName, CellValue::fromText("可口可乐"));
        inventory.setCell(2, Inv::Unit, CellValue::fromText("瓶"));
        inventory.setCell(2, Inv::StockQty, CellValue::fromNumber(10));
        inventory.setCell(2, Inv::AvgCost, CellValue::fromNumber(2.5));
        inventory.setCell(2, Inv::StockValue, CellValue::fromNumber(25));
        inventory.save();
        Workbook journal = Workbook::open(path(Book::StockOut));
        for (int r = 2; r <= 8; ++r) {
            journal.setCell(r, 1, CellValue::fromNumber(900));
            journal.setCell(r, 2, CellValue::fromText("旧货"));
        }
        journal.save();

        context = {dir.path() + '/', &prompt, &clock, [this] {
                       return std::make_unique<BookWatch>(store::workbookServerFactory()(), hooks);
                   }};
        window = std::make_unique<TForm_chuku>(context, nullptr);
        grid = window->findChild<ui::StringGrid*>("StringGrid_chuku");
        status = window->findChild<ui::PanelStatusBar*>("StatusBar1");
    }

    QString path(Book b) const { return store::bookPath(dir.path(), b); }
    QByteArray digest(Book b) const {
        QFile file(path(b));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    // Three sales of one unit of the item, typed over the lines that "增加数据" makes.
    void typeThreeLines() {
        window->findChild<QLineEdit*>("Edit2")->setText("1001");
        window->SpeedButton1Click();
        for (int line = 1; line <= 3; ++line) {
            if (line > 1)
                window->SpeedButton2Click();  // adds an empty line below the valid one
            window->SpeedButton2Click();      // fills it from the preview
            grid->setCell(3, line, "1");
            grid->setCell(7, line, "张三");
        }
        ASSERT_EQ(grid->rowCount(), 4);
    }

    void expectLinesKept() {
        EXPECT_EQ(grid->rowCount(), 4);
        for (int line = 1; line <= 3; ++line) {
            EXPECT_EQ(grid->cell(0, line), "1001") << line;
            EXPECT_EQ(grid->cell(3, line), "1") << line;
        }
    }

    QTemporaryDir dir;
    AnsweringPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    BookWatch::Hooks hooks;
    ui::AppContext context;
    std::unique_ptr<TForm_chuku> window;
    ui::StringGrid* grid = nullptr;
    ui::PanelStatusBar* status = nullptr;
};

TEST_F(StockOutPosting, TheJournalIsStoredFirstAndThePanelsFollowThePasses) {
    typeThreeLines();
    QString journalCountWhileWriting, lineCountAtInventorySave;
    hooks.watched = "tvchuku.dat";
    hooks.onFirstWrite = [&] { journalCountWhileWriting = status->panelText(1); };
    window->SpeedButton4Click();
    hooks.watched = "tvkucun.dat";  // the inventory save is watched from here on

    EXPECT_EQ(hooks.saved, (QStringList{"tvchuku.dat", "tvkucun.dat"}));
    EXPECT_EQ(journalCountWhileWriting, "7");
    EXPECT_EQ(status->panelText(1), "10");
    EXPECT_EQ(status->panelText(3), "0");
    EXPECT_EQ(Workbook::open(path(Book::StockOut)).usedRowCount(), 11);
    Workbook inventory = Workbook::open(path(Book::Inventory));
    EXPECT_EQ(inventory.cell(2, Inv::StockQty).number, 7);
    EXPECT_EQ(inventory.cell(2, Inv::StockValue).number, 17.5);
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
    EXPECT_EQ(prompt.messages[1], "error: 磁盘已满\n没有出库任何数据，库存和出库记录都未改动。");
}

TEST_F(StockOutPosting, AnInventoryThatCannotBeSavedKeepsTheLinesAndSaysWhichBookHasThem) {
    typeThreeLines();
    const QByteArray inventory = digest(Book::Inventory);
    hooks.watched = "tvkucun.dat";
    hooks.onSave = [] { throw store::StoreError("磁盘已满"); };
    window->SpeedButton5Click();

    // The journal holds the returns; the stock does not; the lines are all still there.
    Workbook journal = Workbook::open(path(Book::StockOut));
    EXPECT_EQ(journal.usedRowCount(), 11);
    EXPECT_EQ(journal.cell(11, 10).text, "退货");
    EXPECT_EQ(digest(Book::Inventory), inventory);
    expectLinesKept();
    EXPECT_EQ(status->panelText(1), "10");
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_TRUE(prompt.messages[1].startsWith("error: 出库记录已经保存，但库存没有更新：磁盘已满"))
        << prompt.messages[1].toStdString();
    EXPECT_TRUE(prompt.messages[1].contains("请不要再次退货返库"));
}

}  // namespace
