// What the PDF text of a printout cannot show: the exact header and footer (blanks
// included), the cell each total lands in, the column widths and the grid lines, and that
// a failed export or printout leaves every file as it was.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "app/AppWindows.h"
#include "app/Unit_config.h"
#include "chuku/Unit_chuku.h"
#include "kucun/Unit_kucun.h"
#include "ruku/Unit_ruku.h"
#include "store/DataBooks.h"
#include "store/SheetPrinter.h"
#include "store/StoreError.h"
#include "store/Workbook.h"
#include "support/AnsweringPrompt.h"
#include "support/CountingServer.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/StringGrid.h"

namespace {

using store::Book;
using store::CellValue;
using store::Workbook;

// Keeps a copy of every book it is asked to print.
class CapturingPrinter : public store::SheetPrinter {
public:
    std::vector<Workbook> printed;
    void print(const Workbook& book) override {
        printed.push_back(Workbook::openBytes(book.toBytes(), book.displayName()));
    }
    void printDrawing(const Workbook& page, const Drawing&) override { print(page); }
};

// Answers Yes, and gives the save dialog the file name it was told.
class ExportPrompt : public AnsweringPrompt {
public:
    std::optional<QString> target;
    std::optional<QString> saveFileName(QWidget*, const ui::SaveFileRequest&) override {
        messages << "save";
        return target;
    }
};

// Saving under another name fails, as on a full disk, once the new file was begun.
class FailingSaveAs : public ForwardingServer {
public:
    using ForwardingServer::ForwardingServer;
    void saveAs(const QString&) override { throw store::StoreError("磁盘已满"); }
};

// The program's six windows over a folder of their own, printing into `printer`.
class Printouts : public ::testing::Test {
protected:
    void SetUp() override {
        store::writeInitialBooks(dir.path());
        context = {dir.path() + '/', &prompt, &clock, [this] {
                       ++servers;
                       auto real = store::workbookServerFactory(printer)();
                       if (failSaveAs)
                           return std::unique_ptr<store::SpreadsheetServer>(
                               std::make_unique<FailingSaveAs>(std::move(real)));
                       return std::unique_ptr<store::SpreadsheetServer>(
                           std::make_unique<CountingServer>(std::move(real), calls));
                   }};
        windows = std::make_unique<AppWindows>(context);
    }

    // Lines typed into a window's grid under its current captions.
    static void typeLines(ui::StringGrid& grid, const QList<QStringList>& lines) {
        grid.setRowCount(int(lines.size()) + 1);
        for (int r = 0; r < lines.size(); ++r)
            for (int c = 0; c < lines[r].size(); ++c)
                grid.setCell(c, r + 1, lines[r][c]);
    }
    QString path(Book b) const { return store::bookPath(dir.path(), b); }
    QByteArray bytes(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QString text(const Workbook& book, int row, int col) {
        return book.cell(row, col).displayText();
    }
    static QList<double> widths(const Workbook& book, int count) {
        QList<double> all;
        for (int c = 1; c <= count; ++c)
            all << book.columnWidth(c).value_or(-1);
        return all;
    }

    QTemporaryDir dir;
    ExportPrompt prompt;
    ui::FixedClock clock{QDate(2011, 5, 3)};
    std::shared_ptr<CapturingPrinter> printer = std::make_shared<CapturingPrinter>();
    CountingServer::Calls calls;
    int servers = 0;
    bool failSaveAs = false;
    ui::AppContext context;
    std::unique_ptr<AppWindows> windows;
};

TEST_F(Printouts, TheSalesBillHeadsThePageWithTheFirstLinesCustomerAndDate) {
    TForm_chuku& chuku = *windows->chuku();
    ui::StringGrid& grid = *chuku.findChild<ui::StringGrid*>("StringGrid_chuku");
    typeLines(grid,
              {{"1001", "可口可乐", "瓶", "8", "2.5", "20", "1.8", "甲店", "2011-05-03"},
               {"1002", "雪碧", "瓶", "5", "2.5", "12.5", "1.9", "乙店", "2011-05-04", "整箱"},
               {"110", "毛巾", "条", "1", "3", "3", "2", "甲店", "2011-05-04", "退货"}});
    chuku.SpeedButton7Click();

    ASSERT_EQ(printer->printed.size(), 1u);
    const Workbook& bill = printer->printed.front();
    EXPECT_EQ(bill.header().center, "销货清单/客户:甲店    2011-05-03");
    // Nothing typed in the settings dialog: the company name, a blank, the contact.
    EXPECT_EQ(bill.footer().center, " ");
    EXPECT_TRUE(bill.printGridLines());
    EXPECT_EQ(widths(bill, 7), (QList<double>{6, 18, 4, 8, 8, 8, 8}));
    const QStringList captions{"编号", "商品名称", "单位", "数量", "价格", "金额", "备注"};
    for (int c = 0; c < captions.size(); ++c)
        EXPECT_EQ(text(bill, 1, c + 1), captions[c]);
    EXPECT_EQ(text(bill, 3, 7), "整箱");
    EXPECT_EQ(text(bill, 3, 6), "12.5");
    EXPECT_EQ(text(bill, 4, 4), "-1");  // the return
    EXPECT_EQ(text(bill, 5, 6), "29.5");
    EXPECT_EQ(bill.usedRowCount(), 5);
    EXPECT_EQ(bill.usedColumnCount(), 7);
    EXPECT_EQ(chuku.findChild<ui::PanelStatusBar*>("StatusBar1")->panelText(3), "3");
}

TEST_F(Printouts, TheFooterIsWhatTheSettingsDialogHoldsNowSavedOrNot) {
    windows->config()->findChild<QLineEdit*>("Edit1")->setText("小店");
    windows->config()->findChild<QLineEdit*>("Edit2")->setText("电话 8812345");
    TForm_ruku& ruku = *windows->ruku();
    ui::StringGrid& grid = *ruku.findChild<ui::StringGrid*>("StringGrid_ruku");
    typeLines(grid, {{"1001", "可口可乐", "瓶", "50", "2", "100", "2", "甲厂"},
                     {"1002", "雪碧", "瓶", "10", "2.05", "20.5", "2", "乙厂"},
                     {"1003", "芬达", "瓶", "1", "3", "3", "3", "乙厂"}});
    ruku.SpeedButton9Click();

    ASSERT_EQ(printer->printed.size(), 1u);
    const Workbook& list = printer->printed.front();
    EXPECT_EQ(list.header().center, "进货清单  2011-05-03");
    EXPECT_EQ(list.footer().center, "小店 电话 8812345");
    EXPECT_EQ(widths(list, 7), (QList<double>{6, 16, 4, 7, 7, 7, 16}));
    EXPECT_EQ(text(list, 2, 7), "甲厂");
    EXPECT_EQ(text(list, 5, 6), "123.5");
    EXPECT_EQ(text(list, 5, 5), "");
    EXPECT_EQ(text(list, 5, 7), "");
}

TEST_F(Printouts, TheStockListPrintsCodeNameUnitQuantityAndCostOfTheEverythingView) {
    Workbook inventory = Workbook::open(path(Book::Inventory));
    const QList<CellValue> item{CellValue::fromNumber(1001), CellValue::fromText("可口可乐"),
                                CellValue::fromText("瓶"),   CellValue::fromNumber(24),
                                CellValue::fromNumber(2.5),  CellValue::fromNumber(60)};
    for (int c = 0; c < item.size(); ++c)
        inventory.setCell(2, c + 1, item[c]);
    inventory.save();
    TForm_kucun& kucun = *windows->kucun();
    kucun.findChild<QComboBox*>("ComboBox3")->setCurrentText("商品全部信息");
    kucun.findChild<QLineEdit*>("Edit1")->setText("1001");
    kucun.SpeedButton7Click();
    kucun.SpeedButton9Click();

    ASSERT_EQ(printer->printed.size(), 1u);
    const Workbook& list = printer->printed.front();
    EXPECT_EQ(list.header().center, "库存清单  2011-05-03");
    EXPECT_EQ(widths(list, 5), (QList<double>{6, 20, 4, 8, 8}));
    EXPECT_EQ(text(list, 1, 5), "库存均价");
    EXPECT_EQ(text(list, 2, 5), "2.5");
    EXPECT_EQ(list.usedColumnCount(), 5);
}

TEST_F(Printouts, ABillWithAnAmountThatIsNoNumberPrintsNothingAndClosesTheBook) {
    TForm_chuku& chuku = *windows->chuku();
    ui::StringGrid& grid = *chuku.findChild<ui::StringGrid*>("StringGrid_chuku");
    typeLines(grid, {{"1001", "可口可乐", "瓶", "8", "2.5", "20", "1.8", "甲店", "2011-05-03"},
                     {"1002", "雪碧", "瓶", "5", "2.5", "十二", "1.9", "甲店", "2011-05-03"}});
    const QByteArray report = bytes(path(Book::Report));
    chuku.SpeedButton7Click();

    EXPECT_TRUE(printer->printed.empty());
    EXPECT_EQ(calls.opens, 1);
    EXPECT_EQ(calls.closes, 1);
    EXPECT_EQ(calls.quits, 1);
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_TRUE(prompt.messages[1].startsWith("error: ")) << prompt.messages[1].toStdString();
    EXPECT_TRUE(prompt.messages[1].contains("十二")) << prompt.messages[1].toStdString();
    EXPECT_EQ(bytes(path(Book::Report)), report);
    EXPECT_EQ(chuku.findChild<ui::PanelStatusBar*>("StatusBar1")->panelText(3), "");
}

TEST_F(Printouts, AFailedExportLeavesTheOldFileAsItWas) {
    const QString target = dir.filePath("导出.xls");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the shop keeper's earlier export");
    }
    TForm_ruku& ruku = *windows->ruku();
    typeLines(*ruku.findChild<ui::StringGrid*>("StringGrid_ruku"),
              {{"1001", "可口可乐", "瓶", "50", "2", "100"}});
    prompt.target = target;
    failSaveAs = true;
    ruku.SpeedButton8Click();

    EXPECT_EQ(prompt.messages, (QStringList{"save", "error: 磁盘已满"}));
    EXPECT_EQ(bytes(target), "the shop keeper's earlier export");
    EXPECT_EQ(ruku.findChild<ui::PanelStatusBar*>("StatusBar1")->panelText(3), "");
}

TEST_F(Printouts, AnExportNeverReplacesOneOfTheProgramsOwnBooks) {
    TForm_kucun& kucun = *windows->kucun();
    ui::StringGrid& grid = *kucun.findChild<ui::StringGrid*>("StringGrid_kucun");
    typeLines(grid, {{"1001", "可口可乐"}});
    for (const Book book : {Book::Inventory, Book::Report}) {
        const QByteArray before = bytes(path(book));
        prompt.messages.clear();
        // Reached through another spelling of the same folder.
        prompt.target = dir.path() + "/./" + store::bookFileName(book);
        kucun.SpeedButton8Click();
        ASSERT_EQ(prompt.messages.size(), 2);
        EXPECT_EQ(prompt.messages[1], "error: 不能把数据导出到程序自己的数据文件 " +
                                          store::bookFileName(book) + "，请另选文件名");
        EXPECT_EQ(bytes(path(book)), before);
    }
    EXPECT_EQ(servers, 0);
}

}  // namespace
