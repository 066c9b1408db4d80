// What a scenario cannot see of the journal search: that it never writes the journal or
// leaves it open, and the grid without a server.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "ruku/Unit_ruku.h"
#include "support/CountingServer.h"
#include "support/PostingFixture.h"

using store::Book;

namespace {

class StockInSearch : public PostingFixture<TForm_ruku> {
protected:
    void SetUp() override { start(Book::StockIn, "StringGrid_ruku"); }

    // The window again, over servers from `servers`.
    void reopen(store::ServerFactory servers) {
        context.servers = std::move(servers);
        window = std::make_unique<TForm_ruku>(context, nullptr);
        grid = window->findChild<ui::StringGrid*>("StringGrid_ruku");
        status = window->findChild<ui::PanelStatusBar*>("StatusBar1");
    }
    void search(const QString& field, const QString& condition, const QString& text) {
        window->findChild<QComboBox*>("ComboBox1")->setCurrentText(field);
        window->findChild<QComboBox*>("ComboBox2")->setCurrentText(condition);
        window->findChild<QLineEdit*>("Edit3")->setText(text);
        window->SpeedButton7Click();
    }
};

TEST_F(StockInSearch, EverySearchClosesTheJournalAndNoneWritesIt) {
    CountingServer::Calls calls;
    reopen([&calls] {
        return std::make_unique<CountingServer>(store::workbookServerFactory()(), calls);
    });
    const QByteArray before = digest(Book::StockIn);
    search("商品名称", "包含", "旧");
    EXPECT_EQ(status->panelText(3), "7");
    search("商品编号", "等于", "A01");  // refused before the journal is opened
    search("进货日期", "等于", "2011-05-03");
    window->findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    search("商品编号", "等于", "900");  // records without a date are not today's

    EXPECT_EQ(prompt.messages.filter("error: ").size(), 0)
        << prompt.messages.join('\n').toStdString();
    EXPECT_EQ(calls, CountingServer::Calls::readOnly(3));
    EXPECT_EQ(digest(Book::StockIn), before);

    // The row copy outside a search has no journal to copy from.
    grid->setCell(0, 1, "留下");
    window->findChild<QPushButton*>("Button1")->click();
    EXPECT_EQ(grid->cell(0, 1), "留下");
}

TEST_F(StockInSearch, WithoutAServerTheLinesGiveWayToAnEmptyResultShape) {
    reopen([] { return std::unique_ptr<store::SpreadsheetServer>(); });
    grid->setRowCount(4);
    for (int line = 1; line <= 3; ++line)
        grid->cells().setRow(line, {"1001", "可口可乐", "瓶", "1", "5", "5"});

    search("商品编号", "等于", "900");
    EXPECT_EQ(prompt.messages, QStringList{"info: 请先安装Excel电子表格软件"});
    ASSERT_EQ(grid->colCount(), 10);
    ASSERT_EQ(grid->rowCount(), 2);
    const int widths[] = {100, 260, 100, 100, 100, 100, 100, 300, 100, 100};
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(grid->columnWidth(c), widths[c]) << c;
        EXPECT_EQ(grid->cell(c, 0), QString()) << c;
        EXPECT_EQ(grid->cell(c, 1), QString()) << c;
    }
    EXPECT_EQ(status->panelText(1), QString());
}

}  // namespace
