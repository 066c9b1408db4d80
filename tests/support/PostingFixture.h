#pragma once

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <memory>
#include <utility>

#include "store/DataBooks.h"
#include "store/Workbook.h"
#include "support/AnsweringPrompt.h"
#include "support/BookWatch.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

// A posting window over a program folder of its own: the item 1001 (10 in stock at an
// average cost of 5, worth 50) and seven records in the window's journal, every server
// watched through `hooks`, every question answered Yes.
template <typename Window>
class PostingFixture : public ::testing::Test {
protected:
    void start(store::Book journalBook, const char* gridName) {
        using store::CellValue;
        store::writeInitialBooks(dir.path());
        store::Workbook inventory = store::Workbook::open(path(store::Book::Inventory));
        const QList<CellValue> item{
            CellValue::fromNumber(1001), CellValue::fromText("可口可乐"), CellValue::fromText("瓶"),
            CellValue::fromNumber(10),   CellValue::fromNumber(5),        CellValue::fromNumber(50),
            CellValue::fromNumber(3),    CellValue::fromText("甲厂"),     CellValue::fromNumber(5)};
        for (int c = 0; c < item.size(); ++c)
            inventory.setCell(2, c + 1, item[c]);
        inventory.save();
        store::Workbook journal = store::Workbook::open(path(journalBook));
        for (int r = 2; r <= 8; ++r) {
            journal.setCell(r, 1, CellValue::fromNumber(900));
            journal.setCell(r, 2, CellValue::fromText("旧货"));
        }
        journal.save();

        context = {dir.path() + '/', &prompt, &clock, [this] {
                       return std::make_unique<BookWatch>(store::workbookServerFactory()(), hooks);
                   }};
        window = std::make_unique<Window>(context, nullptr);
        grid = window->template findChild<ui::StringGrid*>(gridName);
        status = window->template findChild<ui::PanelStatusBar*>("StatusBar1");
    }

    QString path(store::Book b) const { return store::bookPath(dir.path(), b); }
    int rows(store::Book b) const { return store::Workbook::open(path(b)).usedRowCount(); }
    QByteArray digest(store::Book b) const {
        QFile file(path(b));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    // Three lines of the item, made by "增加数据" and each given the cells (column, text).
    void typeThreeLines(const QList<std::pair<int, QString>>& cells) {
        window->template findChild<QLineEdit*>("Edit2")->setText("1001");
        window->SpeedButton1Click();
        for (int line = 1; line <= 3; ++line) {
            if (line > 1)
                window->SpeedButton2Click();  // adds a line below the valid one
            window->SpeedButton2Click();      // fills it from the preview
            for (const auto& [col, text] : cells)
                grid->setCell(col, line, text);
        }
        ASSERT_EQ(grid->rowCount(), 4);
    }

    QTemporaryDir dir;
    AnsweringPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    BookWatch::Hooks hooks;
    ui::AppContext context;
    std::unique_ptr<Window> window;
    ui::StringGrid* grid = nullptr;
    ui::PanelStatusBar* status = nullptr;
};
