#include <gtest/gtest.h>

#include "TestBooks.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

using namespace store;
using testbooks::BookContent;
using testbooks::makeBook;
using testbooks::sheetXml;

namespace {

Workbook open(const BookContent& content) {
    return Workbook::openBytes(makeBook(content), "test.dat");
}

QString text(const Workbook& wb, int row, int col) {
    return wb.cell(row, col).displayText();
}

const char* kSharedStrings =
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"3\" "
    "uniqueCount=\"3\">"
    "<si><t>商品编号</t></si>"
    "<si><r><t>可口可乐</t></r><r><rPr><b/><sz val=\"11\"/></rPr><t xml:space=\"preserve\">330ml "
    "</t></r>"
    "<rPh sb=\"0\" eb=\"2\"><t>kekou</t></rPh><phoneticPr fontId=\"1\"/></si>"
    "<si><t>line_x000D_break _x005F_x0041_</t></si>"
    "<si><t></t></si>"
    "</sst>";

// Style 1: built-in short date; 2: custom Chinese date; 3: time only; 4: CJK date id 31;
// 5: a number format that mentions no day.
const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"3\"><numFmt numFmtId=\"164\" "
    "formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"[$-F400]h:mm:ss\\ AM/PM\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"&quot;day &quot;0.00\"/></numFmts>"
    "<cellXfs count=\"6\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
    "<xf numFmtId=\"165\"/><xf numFmtId=\"31\"/><xf numFmtId=\"166\"/></cellXfs></styleSheet>";

}  // namespace

TEST(WorkbookRead, SharedStringsJoinRunsAndLeaveOutPhonetics) {
    const Workbook wb = open(
        {sheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                  "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>"),
         kSharedStrings});
    EXPECT_EQ(text(wb, 1, 1), "商品编号");
    EXPECT_EQ(text(wb, 1, 2), "可口可乐330ml ");
    EXPECT_EQ(text(wb, 1, 3), "line\rbreak _x0041_");
    EXPECT_TRUE(wb.cell(1, 4).isEmpty());
    EXPECT_EQ(wb.usedColumnCount(), 3);
}

TEST(WorkbookRead, EveryKindOfCell) {
    const Workbook wb =
        open({sheetXml("<row r=\"2\">"
                       "<c r=\"A2\"><v>1001</v></c>"
                       "<c r=\"B2\" t=\"inlineStr\"><is><t>可口可乐330ml</t></is></c>"
                       "<c r=\"C2\" t=\"b\"><v>1</v></c>"
                       "<c r=\"D2\" t=\"e\"><v>#N/A</v></c>"
                       "<c r=\"E2\"><f>A2*2</f><v>2002</v></c>"
                       "<c r=\"F2\" t=\"str\"><f>B2&amp;\"!\"</f><v>可口可乐330ml!</v></c>"
                       "<c r=\"G2\" t=\"n\"><v> 2.5E1 </v></c>"
                       "<c r=\"H2\" t=\"d\"><v>2011-05-03T00:00:00</v></c>"
                       "<c r=\"I2\"><v></v></c>"
                       "<c r=\"J2\" t=\"inlineStr\"><is><r><t>甲</t></r><r><t>店</t></r></is></c>"
                       "</row>")});
    EXPECT_TRUE(wb.cell(2, 1).isNumber());
    EXPECT_EQ(wb.cell(2, 1).number, 1001);
    EXPECT_EQ(text(wb, 2, 2), "可口可乐330ml");
    EXPECT_EQ(text(wb, 2, 3), "TRUE");
    EXPECT_EQ(text(wb, 2, 4), "#N/A");
    EXPECT_EQ(wb.cell(2, 5).number, 2002);
    EXPECT_EQ(text(wb, 2, 6), "可口可乐330ml!");
    EXPECT_EQ(wb.cell(2, 7).number, 25);
    EXPECT_EQ(text(wb, 2, 8), "2011-05-03");
    EXPECT_TRUE(wb.cell(2, 9).isEmpty());
    EXPECT_EQ(text(wb, 2, 10), "甲店");
    EXPECT_TRUE(wb.cell(1, 1).isEmpty());
    EXPECT_TRUE(wb.cell(3, 1).isEmpty());
    EXPECT_EQ(wb.usedRowCount(), 2);
}

TEST(WorkbookRead, RowsAndCellsWithoutAddresses) {
    const Workbook wb =
        open({sheetXml("<row><c><v>1</v></c><c><v>2</v></c></row>"
                       "<row r=\"4\"><c r=\"C4\"><v>3</v></c><c><v>4</v></c></row>"
                       "<row><c><v>5</v></c></row>")});
    EXPECT_EQ(wb.cell(1, 1).number, 1);
    EXPECT_EQ(wb.cell(1, 2).number, 2);
    EXPECT_EQ(wb.cell(4, 3).number, 3);
    EXPECT_EQ(wb.cell(4, 4).number, 4);
    EXPECT_EQ(wb.cell(5, 1).number, 5);
    EXPECT_EQ(wb.usedRowCount(), 5);
}

TEST(WorkbookRead, DateFormattedNumbersReadAsTheirDay) {
    const std::string data =
        "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>40666</v></c><c r=\"B1\" s=\"2\"><v>40666.75</v></c>"
        "<c r=\"C1\" s=\"3\"><v>0.5</v></c><c r=\"D1\" s=\"4\"><v>40666</v></c><c r=\"E1\" "
        "s=\"5\"><v>40666</v></c>"
        "<c r=\"F1\" s=\"1\"><v>60</v></c><c r=\"G1\" s=\"1\"><v>61</v></c><c r=\"H1\" "
        "s=\"1\"><v>1</v></c>"
        "<c r=\"I1\" s=\"1\"><v>-3</v></c><c r=\"J1\" s=\"9\"><v>40666</v></c></row>";
    const Workbook wb = open({sheetXml(data), "", kStyles});
    EXPECT_EQ(text(wb, 1, 1), "2011-05-03");
    EXPECT_EQ(text(wb, 1, 2), "2011-05-03");  // a date and time is its day
    EXPECT_TRUE(wb.cell(1, 3).isNumber());    // a time of day is no date
    EXPECT_EQ(text(wb, 1, 4), "2011-05-03");
    EXPECT_TRUE(wb.cell(1, 5).isNumber());
    EXPECT_EQ(text(wb, 1, 6), "1900-02-29");  // the day the 1900 system invented
    EXPECT_EQ(text(wb, 1, 7), "1900-03-01");
    EXPECT_EQ(text(wb, 1, 8), "1900-01-01");
    EXPECT_TRUE(wb.cell(1, 9).isNumber());   // no calendar day
    EXPECT_TRUE(wb.cell(1, 10).isNumber());  // style index past the table

    const Workbook mac = open({sheetXml(data), "", kStyles, "<workbookPr date1904=\"1\"/>"});
    EXPECT_EQ(text(mac, 1, 1), "2015-05-04");
    EXPECT_EQ(text(mac, 1, 8), "1904-01-02");
}

TEST(WorkbookRead, UsedRangeCountsValuesNotFormatting) {
    const Workbook wb =
        open({sheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>商品编号</t></is></c></row>"
                       "<row r=\"2\"><c r=\"A2\"><v>7</v></c></row>"
                       "<row r=\"3\" ht=\"30\" customHeight=\"1\"><c r=\"A3\" s=\"1\"/></row>"
                       "<row r=\"9\"><c r=\"B9\" t=\"inlineStr\"><is><t></t></is></c></row>"),
              "", kStyles});
    EXPECT_EQ(wb.usedRowCount(), 2);
    const Workbook empty = open({sheetXml("")});
    EXPECT_EQ(empty.usedRowCount(), 1);
    EXPECT_EQ(empty.usedColumnCount(), 1);
}

TEST(WorkbookRead, FindsTheFirstWorksheetWhereverItLives) {
    // openpyxl's absolute targets, sheets listed out of file order, a chart sheet first,
    // and a prefixed namespace.
    testbooks::Parts parts = testbooks::bookParts({sheetXml("")});
    for (auto& [name, bytes] : parts) {
        if (name == "xl/workbook.xml") {
            bytes =
                "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships\"><sheets>"
                "<sheet name=\"Chart\" sheetId=\"3\" r:id=\"rId9\"/>"
                "<sheet name=\"First\" sheetId=\"2\" r:id=\"rId2\"/>"
                "<sheet name=\"Second\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
        } else if (name == "xl/_rels/workbook.xml.rels") {
            bytes =
                "<Relationships "
                "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "worksheet\" Target=\"/xl/worksheets/sheet1.xml\"/>"
                "<Relationship Id=\"rId2\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>"
                "<Relationship Id=\"rId9\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "chartsheet\" Target=\"chartsheets/sheet1.xml\"/>"
                "</Relationships>";
        } else if (name == "xl/worksheets/sheet1.xml") {
            bytes = sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
        }
    }
    parts.push_back(
        {"xl/worksheets/sheet2.xml",
         "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<x:sheetData><x:row r=\"1\"><x:c "
         "r=\"A1\"><x:v>2</x:v></x:c></x:row></x:sheetData></x:worksheet>"});
    parts.push_back({"xl/chartsheets/sheet1.xml", "<chartsheet/>"});
    const Workbook wb = Workbook::openBytes(testbooks::zipParts(parts), "t.dat");
    EXPECT_EQ(wb.cell(1, 1).number, 2);
}

TEST(WorkbookRead, PageSettingsAsTheBookHasThem) {
    const Workbook wb = open({sheetXml(
        "",
        "<printOptions gridLines=\"true\"/>"
        "<pageMargins left=\"0.5\" right=\"0.5\" top=\"1\" bottom=\"1\" header=\"0.4\" "
        "footer=\"0.4\"/>"
        "<pageSetup paperSize=\"1\" orientation=\"landscape\"/>"
        "<headerFooter><oddHeader>&amp;L左&amp;C库存清单&amp;&amp;表&amp;R&amp;P</oddHeader>"
        "<oddFooter>&amp;C公司</oddFooter></headerFooter>")});
    EXPECT_TRUE(wb.printGridLines());
    EXPECT_TRUE(wb.pageSetup().landscape);
    EXPECT_EQ(wb.pageSetup().paperSize, 1);
    EXPECT_EQ(wb.pageSetup().top, 1.0);
    EXPECT_EQ(wb.header().left, "左");
    EXPECT_EQ(wb.header().center, "库存清单&&表");
    EXPECT_EQ(wb.header().right, "&P");
    EXPECT_EQ(wb.footer().center, "公司");
    EXPECT_FALSE(wb.columnWidth(1).has_value());
    EXPECT_NEAR(wb.defaultColumnWidth(), 8.43, 0.01);

    const Workbook plain = open({sheetXml("")});
    EXPECT_FALSE(plain.printGridLines());
    EXPECT_FALSE(plain.pageSetup().landscape);
    EXPECT_EQ(plain.pageSetup().paperSize, 9);
    EXPECT_EQ(plain.header().center, "");
}
