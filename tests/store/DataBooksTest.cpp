#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "TestBooks.h"
#include "store/DataBooks.h"
#include "store/Numbers.h"
#include "store/StoreError.h"
#include "store/Workbook.h"
#include "support/ForwardingServer.h"

using namespace store;

namespace {

// Records what the passes do to the server, around the real one.
struct Journal {
    QStringList calls;
};

class RecordingServer : public ForwardingServer {
public:
    RecordingServer(std::unique_ptr<SpreadsheetServer> real, Journal& j)
        : ForwardingServer(std::move(real)), m_j(j) {}
    void openWorkbook(const QString& p) override {
        m_j.calls << "open";
        ForwardingServer::openWorkbook(p);
    }
    void activateSheet(int i) override {
        m_j.calls << "activate";
        ForwardingServer::activateSheet(i);
    }
    void save() override {
        m_j.calls << "save";
        ForwardingServer::save();
    }
    void closeWorkbooks() override {
        m_j.calls << "close";
        ForwardingServer::closeWorkbooks();
    }
    void quit() override {
        m_j.calls << "quit";
        ForwardingServer::quit();
    }

private:
    Journal& m_j;
};

class DataBooks : public ::testing::Test {
protected:
    void SetUp() override {
        writeInitialBooks(dir.path());
        factory = [this] {
            return std::make_unique<RecordingServer>(workbookServerFactory()(), journal);
        };
    }
    QString path(Book b) const { return bookPath(dir.path(), b); }

    // Inventory rows below the caption row: code cells as given.
    void inventory(const QList<CellValue>& codes) {
        Workbook wb = Workbook::open(path(Book::Inventory));
        int r = 2;
        for (const CellValue& code : codes) {
            wb.setCell(r, 1, code);
            wb.setCell(r, 2, CellValue::fromText(QString("item%1").arg(r)));
            ++r;
        }
        wb.save();
    }

    QTemporaryDir dir;
    Journal journal;
    ServerFactory factory;
};

}  // namespace

TEST_F(DataBooks, InitialBooksHaveTheirCaptionsAndAreNeverReplaced) {
    EXPECT_EQ(bookPath("/opt/shop/", Book::StockOut), "/opt/shop/tvchuku.dat");
    EXPECT_EQ(bookPath("/opt/shop", Book::Report), "/opt/shop/tvbaocun.dat");
    for (Book b : {Book::Inventory, Book::StockIn, Book::StockOut}) {
        const Workbook wb = Workbook::open(path(b));
        const QStringList captions = bookCaptions(b);
        ASSERT_EQ(captions.size(), kBookColumns);
        for (int c = 1; c <= kBookColumns; ++c)
            EXPECT_EQ(wb.cell(1, c).text, captions[c - 1]);
        EXPECT_EQ(wb.usedRowCount(), 1);
    }
    EXPECT_EQ(bookCaptions(Book::StockOut)[7], "客户名称");
    const Workbook report = Workbook::open(path(Book::Report));
    EXPECT_EQ(report.usedRowCount(), 1);
    EXPECT_TRUE(report.cell(1, 1).isEmpty());

    // A shop's own data survives a second installation.
    inventory({CellValue::fromNumber(1001)});
    const QByteArray books = testbooks::readFile(path(Book::Inventory));
    QFile::remove(path(Book::StockIn));
    EXPECT_EQ(writeInitialBooks(dir.path()), QStringList{"tvruku.dat"});
    EXPECT_EQ(testbooks::readFile(path(Book::Inventory)), books);
    EXPECT_TRUE(writeInitialBooks(dir.path()).isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 6);
    EXPECT_THROW(writeInitialBooks(dir.filePath("missing")), StoreError);
}

TEST_F(DataBooks, APassAlwaysClosesAndQuits) {
    {
        BookPass pass(factory, path(Book::Inventory));
        EXPECT_EQ(pass.usedRowCount(), 1);
    }
    EXPECT_EQ(journal.calls, (QStringList{"open", "activate", "close", "quit"}));

    journal.calls.clear();
    try {
        BookPass pass(factory, path(Book::Inventory));
        pass.value(0, 1);
        FAIL();
    } catch (const StoreError&) {
    }
    EXPECT_EQ(journal.calls, (QStringList{"open", "activate", "close", "quit"}));

    const ServerFactory none = []() -> std::unique_ptr<SpreadsheetServer> {
        throw ServerUnavailable(installServerMessage());
    };
    try {
        BookPass pass(none, path(Book::Inventory));
        FAIL();
    } catch (const ServerUnavailable& e) {
        EXPECT_EQ(e.message(), "请先安装Excel电子表格软件");
    }
}

TEST_F(DataBooks, NumericLookupFindsTheLastEqualCode) {
    inventory({CellValue::fromNumber(1001), CellValue::fromNumber(12), CellValue::fromText("1001"),
               CellValue::fromNumber(7)});
    BookPass pass(factory, path(Book::Inventory));
    EXPECT_EQ(pass.findItemByNumber(1001), 4);  // the text "1001" counts, and it is lower
    EXPECT_EQ(pass.findItemByNumber(12.0), 3);
    EXPECT_EQ(pass.findItemByNumber(13), 0);
}

TEST_F(DataBooks, CodeLookupReadsTheTypedCodeAsANumber) {
    // An EAN-13 and a UPC-A code as a stock-in stores them, their leading zeros gone.
    inventory({CellValue::fromNumber(1001), CellValue::fromNumber(2.5), CellValue::fromNumber(1001),
               CellValue::fromNumber(12345678912), CellValue::fromNumber(12345678905)});
    BookPass pass(factory, path(Book::Inventory));
    for (const char* hit : {"1001", "1001.0", "01001", " 1001"})
        EXPECT_EQ(pass.findItemByCode(hit), 4) << hit;
    EXPECT_EQ(pass.findItemByCode("2.5"), 3);
    EXPECT_EQ(pass.findItemByCode("0012345678912"), 5);
    EXPECT_EQ(pass.findItemByCode("012345678905"), 6);
    EXPECT_EQ(pass.findItemByCode("0012345678913"), 0);
}

TEST(ItemCodes, ThirteenAndTwelveDigitCodesAreExactInADouble) {
    EXPECT_EQ(formatGeneral(*parseDecimal(std::string_view("0012345678912"))), "12345678912");
    EXPECT_TRUE(sameItemCode("012345678905", "12345678905"));
    // One apart in the last digit of the largest EAN-13 is another item.
    EXPECT_FALSE(sameItemCode("9999999999999", "9999999999998"));
}

TEST_F(DataBooks, LookupStopsAtACodeThatIsNoNumber) {
    inventory(
        {CellValue::fromNumber(1001), CellValue::fromText("可乐"), CellValue::fromNumber(1002)});
    BookPass pass(factory, path(Book::Inventory));
    EXPECT_THROW(pass.findItemByCode("1002"), StoreError);
    // A typed code that is no number is matched as a text, and no cell stands in its way.
    EXPECT_EQ(pass.findItemByCode("可乐"), 3);
    try {
        pass.findItemByNumber(1002);
        FAIL();
    } catch (const StoreError& e) {
        EXPECT_EQ(e.message(), "工作簿 tvkucun.dat 第 3 行第 1 列：“可乐”不是有效的数字");
    }
}

TEST_F(DataBooks, AnEmptyCodeRowInsideTheUsedRangeIsAnError) {
    {
        Workbook wb = Workbook::open(path(Book::Inventory));
        wb.setCell(2, 1, CellValue::fromNumber(1001));
        wb.setCell(3, 2, CellValue::fromText("名字没有编号"));
        wb.save();
    }
    BookPass pass(factory, path(Book::Inventory));
    EXPECT_THROW(pass.findItemByNumber(1001), StoreError);
    EXPECT_EQ(pass.findItemByCode("1001"), 2);
}

TEST_F(DataBooks, NumbersInBooksAreReadWithTheirPlace) {
    {
        Workbook wb = Workbook::open(path(Book::Inventory));
        wb.setCell(2, InventoryCol::StockQty, CellValue::fromText("12"));
        wb.setCell(2, InventoryCol::AvgCost, CellValue::fromText("十二"));
        wb.save();
    }
    BookPass pass(factory, path(Book::Inventory));
    EXPECT_EQ(pass.number(2, InventoryCol::StockQty), 12.0);
    EXPECT_EQ(pass.number(2, InventoryCol::StockValue), 0.0);
    EXPECT_THROW(pass.requireNumber(2, InventoryCol::StockValue), StoreError);
    try {
        pass.number(2, InventoryCol::AvgCost);
        FAIL();
    } catch (const StoreError& e) {
        EXPECT_EQ(e.message(), "工作簿 tvkucun.dat 第 2 行第 5 列：“十二”不是有效的数字");
    }
}

TEST_F(DataBooks, AppendedRowsGoBelowTheLastAndLastAfterSaving) {
    const QString journalPath = path(Book::StockOut);
    for (int batch = 0; batch < 2; ++batch) {
        BookPass pass(factory, journalPath);
        const int n = pass.usedRowCount();
        for (int k = 1; k <= 2; ++k) {
            pass.writeRow(
                n + k,
                {CellValue::fromNumber(1000 + batch * 10 + k), CellValue::fromText("可口可乐330ml"),
                 CellValue::fromText("瓶"), CellValue::fromNumber(2), CellValue::fromNumber(3.5),
                 CellValue::fromNumber(7), CellValue::fromNumber(2.1), CellValue::fromText("甲店"),
                 CellValue::fromText("2011-05-03"), CellValue::fromText("")});
        }
        pass.save();
    }
    const Workbook wb = Workbook::open(journalPath);
    EXPECT_EQ(wb.usedRowCount(), 5);
    EXPECT_EQ(wb.cell(2, 1).number, 1001);
    EXPECT_EQ(wb.cell(5, 1).number, 1012);
    EXPECT_EQ(wb.cell(5, StockOutCol::OutDate).text, "2011-05-03");
    EXPECT_TRUE(wb.cell(5, StockOutCol::Remark).isEmpty());
    EXPECT_EQ(wb.cell(1, 1).text, "商品编号");
}

TEST_F(DataBooks, PrintingWithoutAPrinterIsAClearError) {
    BookPass pass(factory, path(Book::Report));
    EXPECT_THROW(pass->printOut(), StoreError);
    EXPECT_THROW(pass->activateSheet(2), StoreError);
}
