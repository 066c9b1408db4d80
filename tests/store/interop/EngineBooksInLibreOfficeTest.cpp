// Books our engine writes, opened by LibreOffice: what the shop keeper sees when a data
// book or an exported list is opened in a spreadsheet program.

#include <gtest/gtest.h>

#include <QFile>

#include "../FormulaBook.h"
#include "InteropSupport.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

using namespace interop;
using store::CellValue;
using store::Workbook;

namespace {

CellValue num(double v) {
    return CellValue::fromNumber(v);
}
CellValue txt(const QString& v) {
    return CellValue::fromText(v);
}

void writeRow(Workbook& wb, int row, const std::vector<CellValue>& values) {
    for (size_t c = 0; c < values.size(); ++c)
        wb.setCell(row, int(c) + 1, values[c]);
}

const QStringList kCaptions{"商品编号", "商品名称", "单位",     "卖出数量", "卖出价格",
                            "卖出金额", "库存均价", "客户名称", "销售日期", "备注"};

std::vector<CellValue> captionRow() {
    std::vector<CellValue> row;
    for (const QString& c : kCaptions)
        row.push_back(txt(c));
    return row;
}

const char* const kCaptionLine =
    "'商品编号'|'商品名称'|'单位'|'卖出数量'|'卖出价格'|'卖出金额'|"
    "'库存均价'|'客户名称'|'销售日期'|'备注'";

}  // namespace

class EngineBooksInLibreOffice : public BooksMadeOnce<EngineBooksInLibreOffice> {
protected:
    static void SetUpTestSuite() {
        scratch = std::make_unique<Scratch>();
        ASSERT_TRUE(soffice::available()) << "LibreOffice (soffice) is needed for these tests";
        ASSERT_TRUE(
            run(python(), {interopSourceDir() + "/make_openpyxl_books.py", scratch->path("py")}));
        try {
            writeBooks();
        } catch (const store::StoreError& e) {
            FAIL() << "engine: " << e.what();
        }
        const QStringList books{scratch->path("fresh.xlsx"),     scratch->path("cleared.xlsx"),
                                scratch->path("tvchuku.dat"),    scratch->path("saveas.xlsx"),
                                scratch->path("oneword.xlsx"),   scratch->path("frompy.xlsx"),
                                scratch->path("reordered.xlsx"), scratch->path("formulas.xlsx"),
                                scratch->path("appended.xlsx")};
        ASSERT_TRUE(soffice::toCsvAllSheets(books, scratch->path("csv")));
        ASSERT_TRUE(soffice::toFods({scratch->path("fresh.xlsx")}, scratch->path("fods")));
        ready = true;
    }

    static void writeBooks() {
        // A stock-out journal as the program writes it, with the awkward values the
        // program meets: money with binary-inexact decimals, a code past 2^32, texts
        // that need escaping or keep their blanks, and texts that only look like numbers.
        Workbook fresh = Workbook::createNew();
        writeRow(fresh, 1, captionRow());
        writeRow(fresh, 2,
                 {num(1001),
                  txt("可口可乐330ml"),
                  txt("瓶"),
                  num(12),
                  num(98.35),
                  num(1230.5),
                  num(0.1),
                  txt("张三Tom"),
                  txt("2011-05-03"),
                  {}});
        writeRow(fresh, 3,
                 {num(123456789012345), txt("A&B <雪碧> \"2L\""), txt("箱"), num(-2.5), num(0),
                  num(0.001), num(2.675), txt("  两头空格  "), txt("2011-12-31"), txt("退货")});
        writeRow(fresh, 4,
                 {txt("007"), txt("第三行"), txt("个"), txt("12.5"), num(1e15), num(-0.0),
                  num(33.33), txt("李四"), txt("2012-02-29"), txt("备注\n两行")});
        fresh.setColumnWidth(1, 8);
        fresh.setColumnWidth(2, 20);
        fresh.setColumnWidth(9, 12);
        fresh.setCenterHeader("出货清单  2011-05-03");
        fresh.setCenterFooter("A&B商店 电话:0571-123");
        fresh.setPrintGridLines(true);
        fresh.saveAs(scratch->path("fresh.xlsx"));

        // The report book's way of working: write a grid, then empty whole columns.
        Workbook cleared = Workbook::createNew();
        for (int r = 1; r <= 3; ++r) {
            for (int c = 1; c <= 12; ++c) {
                cleared.setCell(r, c, txt(QString("r%1c%2").arg(r).arg(c)));
            }
        }
        cleared.clearColumn(2);
        cleared.clearColumn(12);
        cleared.setCell(2, 2, txt("补写"));
        cleared.saveAs(scratch->path("cleared.xlsx"));

        // A data book under its own name, appended to and saved in place.
        QFile::copy(scratch->path("fresh.xlsx"), scratch->path("tvchuku.dat"));
        Workbook journal = Workbook::open(scratch->path("tvchuku.dat"));
        const int next = journal.usedRowCount() + 1;
        writeRow(journal, next,
                 {num(1002), txt("雪碧2L"), txt("瓶"), num(1), num(5.5), num(5.5), num(4.2),
                  txt("王五"), txt("2011-05-04"), txt("退货")});
        journal.save();

        // Save-as hands the book to the new file: a later save goes there too.
        Workbook copy = Workbook::open(scratch->path("tvchuku.dat"));
        copy.setCell(2, 10, txt("改过"));
        copy.saveAs(scratch->path("saveas.xlsx"));
        copy.setCell(3, 10, txt("再改"));
        copy.save();

        // openpyxl's dialect (absolute part names, no XML declaration) saved back by us.
        Workbook frompy = Workbook::open(scratch->path("py/openpyxl_journal.xlsx"));
        writeRow(frompy, frompy.usedRowCount() + 1, {num(1004), txt("康师傅Master面"), txt("袋")});
        frompy.saveAs(scratch->path("frompy.xlsx"));
        // Sheet 1 is the first one listed, which here lives in the second part.
        Workbook reordered = Workbook::open(scratch->path("py/openpyxl_reordered.xlsx"));
        reordered.setCell(3, 1, num(2002));
        reordered.saveAs(scratch->path("reordered.xlsx"));

        // A stock-in of two lines onto a book with formulas of the shop keeper's: the
        // stock value filled down from row 2, which the first line overwrites, a column of
        // their own past the program's ten, and a second sheet that sums the quantities.
        Workbook formulas =
            Workbook::openBytes(testbooks::zipParts(formulabook::parts()), "tvkucun.dat");
        formulabook::postRow(formulas, 2, 11, 2.5);
        formulabook::postRow(formulas, 3, 40.5, 2);
        formulas.saveAs(scratch->path("formulas.xlsx"));

        // A journal that postings appended to, round after round, each reopening it: its
        // earlier rows copied as they were packed, the open ones moved into them once full.
        Workbook big = Workbook::open(scratch->path("fresh.xlsx"));
        for (int row = 5; row <= 3000; ++row)
            writeRow(big, row,
                     {num(row), txt(QString("商品%1").arg(row)), txt("瓶"), num(row % 9)});
        big.saveAs(scratch->path("appended.xlsx"));
        for (int round = 0, row = 3001; round < 3; ++round) {
            Workbook again = Workbook::open(scratch->path("appended.xlsx"));
            for (const int end = row + 300; row < end; ++row)
                writeRow(again, row, {num(row), txt(QString("追加%1").arg(row)), txt("箱")});
            again.save();
        }

        // The smallest book: a single text.
        Workbook one = Workbook::createNew();
        one.setCell(1, 1, txt("库存清单"));
        one.saveAs(scratch->path("oneword.xlsx"));
    }

    static std::vector<QString> csvLines(const QString& base, const QString& sheet) {
        std::vector<QString> lines;
        for (const auto& r : readCsv(scratch->path("csv/" + base + "-" + sheet + ".csv"))) {
            lines.push_back(describe(r));
        }
        return lines;
    }

    static std::vector<QString> csvLines(const QString& base) {
        const QStringList files = csvSheetFiles(scratch->path("csv"), base);
        EXPECT_EQ(files.size(), 1) << base.toStdString() << " should have one sheet";
        std::vector<QString> lines;
        if (files.isEmpty())
            return lines;
        for (const auto& row : readCsv(files.front()))
            lines.push_back(describe(row));
        return lines;
    }
};

TEST_F(EngineBooksInLibreOffice, NewBookShowsNumbersAsNumbersAndTextsAsTexts) {
    const std::vector<QString> lines = csvLines("fresh");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], kCaptionLine);
    EXPECT_EQ(lines[1], "1001|'可口可乐330ml'|'瓶'|12|98.35|1230.5|0.1|'张三Tom'|'2011-05-03'|");
    EXPECT_EQ(lines[2],
              "123456789012345|'A&B <雪碧> \"2L\"'|'箱'|-2.5|0|0.001|2.675|'  两头空格  '|"
              "'2011-12-31'|'退货'");
    EXPECT_EQ(
        lines[3],
        "'007'|'第三行'|'个'|'12.5'|1000000000000000|0|33.33|'李四'|'2012-02-29'|'备注\n两行'");
}

TEST_F(EngineBooksInLibreOffice, DateTextsStayTextsAndNumbersKeepTheirValue) {
    auto doc = FodsDocument::load(scratch->path("fods/fresh.fods"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->cell(0, 2, 9).valueType, "string");
    EXPECT_EQ(doc->cell(0, 2, 9).value, "2011-05-03");
    EXPECT_EQ(doc->cell(0, 4, 1).valueType, "string") << "\"007\" was written as a text";
    EXPECT_EQ(doc->cell(0, 2, 5).valueType, "float");
    EXPECT_EQ(doc->cell(0, 2, 5).value, "98.35");
    EXPECT_EQ(doc->cell(0, 3, 1).value, "123456789012345");
    EXPECT_EQ(doc->cell(0, 4, 5).value, "1000000000000000");
}

TEST_F(EngineBooksInLibreOffice, ColumnWidthsHeaderFooterAndGridLinesReachThePage) {
    auto doc = FodsDocument::load(scratch->path("fods/fresh.fods"));
    ASSERT_TRUE(doc);
    const double w1 = doc->columnWidthCm(0, 1);
    const double w2 = doc->columnWidthCm(0, 2);
    const double w9 = doc->columnWidthCm(0, 9);
    ASSERT_GT(w1, 0);
    EXPECT_NEAR(w2 / w1, 20.0 / 8.0, 0.25) << w1 << " cm, " << w2 << " cm";
    EXPECT_NEAR(w9 / w1, 12.0 / 8.0, 0.15) << w1 << " cm, " << w9 << " cm";
    // A character of the default font is about 0.2 cm wide.
    EXPECT_NEAR(w2, 20 * 0.2, 1.2);

    EXPECT_EQ(doc->centerHeader(0), "出货清单  2011-05-03");
    EXPECT_EQ(doc->centerFooter(0), "A&B商店 电话:0571-123");
    EXPECT_TRUE(doc->printFlags(0).split(' ').contains("grid")) << doc->printFlags(0).toStdString();
}

TEST_F(EngineBooksInLibreOffice, EmptiedColumnsAreBlankWhileOthersKeepTheirValues) {
    const std::vector<QString> lines = csvLines("cleared");
    ASSERT_EQ(lines.size(), 3u);
    // Column 12 was the last one written; emptied, it leaves no trailing field.
    EXPECT_EQ(lines[0], "'r1c1'||'r1c3'|'r1c4'|'r1c5'|'r1c6'|'r1c7'|'r1c8'|'r1c9'|'r1c10'|'r1c11'");
    EXPECT_EQ(lines[1],
              "'r2c1'|'补写'|'r2c3'|'r2c4'|'r2c5'|'r2c6'|'r2c7'|'r2c8'|'r2c9'|'r2c10'|"
              "'r2c11'");
    EXPECT_EQ(lines[2], "'r3c1'||'r3c3'|'r3c4'|'r3c5'|'r3c6'|'r3c7'|'r3c8'|'r3c9'|'r3c10'|'r3c11'");
}

TEST_F(EngineBooksInLibreOffice, DataBookSavedInPlaceShowsTheAppendedRecord) {
    const std::vector<QString> lines = csvLines("tvchuku");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], kCaptionLine);
    EXPECT_EQ(lines[1], "1001|'可口可乐330ml'|'瓶'|12|98.35|1230.5|0.1|'张三Tom'|'2011-05-03'|");
    EXPECT_EQ(lines[4], "1002|'雪碧2L'|'瓶'|1|5.5|5.5|4.2|'王五'|'2011-05-04'|'退货'");
}

TEST_F(EngineBooksInLibreOffice, SavedAsBookHoldsEveryLaterEditAndTheSourceNone) {
    const std::vector<QString> copy = csvLines("saveas");
    ASSERT_EQ(copy.size(), 5u);
    EXPECT_EQ(copy[1],
              "1001|'可口可乐330ml'|'瓶'|12|98.35|1230.5|0.1|'张三Tom'|'2011-05-03'|'改过'");
    EXPECT_TRUE(copy[2].endsWith("|'2011-12-31'|'再改'")) << copy[2].toStdString();
    EXPECT_EQ(copy[4], "1002|'雪碧2L'|'瓶'|1|5.5|5.5|4.2|'王五'|'2011-05-04'|'退货'");

    const std::vector<QString> source = csvLines("tvchuku");
    ASSERT_EQ(source.size(), 5u);
    EXPECT_TRUE(source[1].endsWith("|'2011-05-03'|")) << source[1].toStdString();
    EXPECT_TRUE(source[2].endsWith("|'退货'")) << source[2].toStdString();
}

TEST_F(EngineBooksInLibreOffice, BookWithOneTextOpens) {
    const std::vector<QString> lines = csvLines("oneword");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "'库存清单'");
}

TEST_F(EngineBooksInLibreOffice, AJournalAppendedToRoundAfterRoundReadsWholeElsewhere) {
    const std::vector<QString> lines = csvLines("appended");
    ASSERT_EQ(lines.size(), 3900u);
    EXPECT_EQ(lines[0], kCaptionLine);
    EXPECT_EQ(lines[2999], "3000|'商品3000'|'瓶'|3||||||");
    EXPECT_EQ(lines[3000], "3001|'追加3001'|'箱'|||||||");
    EXPECT_EQ(lines[3899], "3900|'追加3900'|'箱'|||||||");
    QByteArray out;
    ASSERT_TRUE(
        run(python(),
            {"-c",
             "import openpyxl, sys; ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]; "
             "print(ws.max_row, *[c.value for c in ws[3900]][:3])",
             scratch->path("appended.xlsx")},
            300, &out));
    EXPECT_EQ(QString::fromUtf8(out).trimmed(), "3900 3900 追加3900 箱");
}

TEST_F(EngineBooksInLibreOffice, OpenpyxlBookSavedByUsKeepsBothSheets) {
    const std::vector<QString> lines = csvLines("frompy", "出库");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "1001|'可口可乐330ml'|'瓶'|12|98.35|1230.5|0.1|'张三'|'2011-05-03'|");
    EXPECT_EQ(lines[4], "1004|'康师傅Master面'|'袋'|||||||");
    const std::vector<QString> other = csvLines("frompy", "其他");
    ASSERT_EQ(other.size(), 200u);
    EXPECT_EQ(other.front(), "'第二页'");
    EXPECT_EQ(other.back(), "7");
}

TEST_F(EngineBooksInLibreOffice, EditGoesToTheFirstListedSheetWhateverItsPartName) {
    const std::vector<QString> front = csvLines("reordered", "前面");
    ASSERT_EQ(front.size(), 3u);
    EXPECT_EQ(front[1], "2001|'第一张表'");
    EXPECT_EQ(front[2], "2002|");
    const std::vector<QString> back = csvLines("reordered", "后面");
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0], "'不该读到'");
}

TEST_F(EngineBooksInLibreOffice, FormulasOfTheShopKeeperShowTheNewFigures) {
    const std::vector<QString> stock = csvLines("formulas", "库存");
    ASSERT_EQ(stock.size(), 5u);
    // K, past the program's columns, computed afresh; F below the overwritten first cell
    // still a formula.
    EXPECT_EQ(stock[1], "1001|'饮料'|'瓶'|11|2.5|27.5|4|'甲厂'|5||27.5");
    EXPECT_EQ(stock[2], "1002|'饮料'|'瓶'|40.5|2|81|4|'甲厂'|5||81");
    EXPECT_EQ(stock[3], "1003|||30|2|60|||||60");
    EXPECT_EQ(stock[4], "1004|||40|2|80|||||80");
    EXPECT_EQ(csvLines("formulas", "汇总"), std::vector<QString>{"121.5"});
}
