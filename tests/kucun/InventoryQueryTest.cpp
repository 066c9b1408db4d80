// What a scenario cannot see of the inventory window: that no operation ever writes the
// book or leaves it open, and what happens without a server.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "kucun/Unit_kucun.h"
#include "store/KeptBooks.h"
#include "store/Workbook.h"
#include "support/AnsweringPrompt.h"
#include "support/CountingServer.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

using store::CellValue;

namespace {

using Calls = CountingServer::Calls;

class InventoryWindow : public ::testing::Test {
protected:
    void SetUp() override {
        store::writeInitialBooks(dir.path());
        store::Workbook book = store::Workbook::open(bookPath());
        // Item 12 is short (3 of 5); the third item lacks its alarm level, so it is not.
        putRow(book, 2, CellValue::fromNumber(12), "毛巾", 3, CellValue::fromNumber(5));
        putRow(book, 3, CellValue::fromText("A01"), "抹布", 9, CellValue::fromNumber(5));
        putRow(book, 4, CellValue::fromNumber(13), "拖把", 1, CellValue());
        book.save();
        before = digest();
    }

    static void putRow(store::Workbook& book, int row, const CellValue& code, const char* name,
                       double qty, const CellValue& alarm) {
        book.setCell(row, 1, code);
        book.setCell(row, 2, CellValue::fromText(name));
        book.setCell(row, 4, CellValue::fromNumber(qty));
        book.setCell(row, 9, alarm);
    }

    void open(store::ServerFactory servers) {
        context = {dir.path() + '/', &prompt, &clock, std::move(servers)};
        window = std::make_unique<TForm_kucun>(context, nullptr);
        grid = window->findChild<ui::StringGrid*>("StringGrid_kucun");
        status = window->findChild<ui::PanelStatusBar*>("StatusBar1");
    }
    void openCounting() {
        open([this] {
            return std::make_unique<CountingServer>(store::workbookServerFactory()(), calls);
        });
    }
    void query(const QString& field, const QString& condition, const QString& text) {
        window->findChild<QComboBox*>("ComboBox1")->setCurrentText(field);
        window->findChild<QComboBox*>("ComboBox2")->setCurrentText(condition);
        window->findChild<QLineEdit*>("Edit1")->setText(text);
        window->SpeedButton7Click();
    }
    void expectResetGrid() {
        EXPECT_EQ(grid->colCount(), 10);
        ASSERT_EQ(grid->rowCount(), 2);
        for (int c = 0; c < 10; ++c) {
            EXPECT_EQ(grid->cell(c, 0), QString()) << c;
            EXPECT_EQ(grid->cell(c, 1), QString()) << c;
        }
    }

    QString bookPath() const { return store::bookPath(dir.path(), store::Book::Inventory); }
    QByteArray digest() const {
        QFile file(bookPath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    QTemporaryDir dir;
    QByteArray before;
    AnsweringPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    Calls calls;
    ui::AppContext context;
    std::unique_ptr<TForm_kucun> window;
    ui::StringGrid* grid = nullptr;
    ui::PanelStatusBar* status = nullptr;
};

TEST_F(InventoryWindow, EveryPassClosesTheBookAndNoneWritesIt) {
    openCounting();
    query("商品名称", "包含", "巾");
    EXPECT_EQ(grid->cell(1, 1), "毛巾");
    query("商品编号", "等于", "A01");  // letters against codes: refused, no book opened
    query("商品编号", "包含", "1");
    window->SpeedButton11Click();
    EXPECT_EQ(grid->cell(0, 1), "12");
    EXPECT_EQ(grid->rowCount(), 2);

    EXPECT_EQ(prompt.messages.filter("error: ").size(), 0)
        << prompt.messages.join('\n').toStdString();
    EXPECT_EQ(calls, CountingServer::Calls::readOnly(3));
    EXPECT_EQ(digest(), before);
}

TEST_F(InventoryWindow, ASecondQueryOfTheUnchangedBookDoesNotReadItAndAChangedOneIsReadAgain) {
    const auto kept = store::keptDataBooks();
    open(store::workbookServerFactory(nullptr, kept));
    query("商品名称", "包含", "巾");
    query("商品名称", "包含", "巾");
    EXPECT_EQ(kept->reads(), 1);
    store::Workbook book = store::Workbook::open(bookPath());  // another program's save
    book.setCell(2, 2, CellValue::fromText("浴巾"));
    book.save();
    query("商品名称", "包含", "巾");
    EXPECT_EQ(kept->reads(), 2);
    EXPECT_EQ(grid->cell(1, 1), "浴巾");
}

TEST_F(InventoryWindow, WithoutAServerTheGridIsLeftResetAndThePanelsKeepTheirCounts) {
    openCounting();
    query("商品编号", "等于", "12");
    ASSERT_EQ(status->panelText(3), "1");
    context.servers = [] { return std::unique_ptr<store::SpreadsheetServer>(); };
    window = std::make_unique<TForm_kucun>(context, nullptr);
    grid = window->findChild<ui::StringGrid*>("StringGrid_kucun");
    status = window->findChild<ui::PanelStatusBar*>("StatusBar1");
    prompt.messages.clear();

    query("商品编号", "等于", "12");
    expectResetGrid();
    window->SpeedButton11Click();
    expectResetGrid();
    EXPECT_EQ(prompt.messages, (QStringList{"info: 请先安装Excel电子表格软件",
                                            "confirm: 确认检索库存量低于预设报警值商品吗？",
                                            "info: 请先安装Excel电子表格软件"}));
    EXPECT_EQ(status->panelText(1), QString());
    EXPECT_EQ(status->panelText(3), QString());
}

}  // namespace
