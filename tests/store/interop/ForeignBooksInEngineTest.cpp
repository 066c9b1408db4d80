// Books that other programs saved, read by our engine: the shop keeper may set up or
// repair a data book in a spreadsheet program, and the program must read it as shown.

#include <gtest/gtest.h>

#include "InteropSupport.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

using namespace interop;
using store::Workbook;

namespace {

// A journal typed into a spreadsheet program: the dates are recognised as dates on
// import, and names that mix Chinese and Latin letters are split into rich-text runs.
const char* const kCsvJournal =
    "商品编号,商品名称,单位,进货数量,进货价格,进货金额,库存均价,供货厂商,进货日期,备注\n"
    "1001,可口可乐330ml,瓶,24,2.5,60,0,Coca公司,2011-05-03,\n"
    "1002,Sprite雪碧2L,箱,0.1,98.35,9.835,1230.5,百事Pepsi,2011-12-31,第一批\n"
    "1003,矿泉水,瓶,1e3,-1,-1000,0,农夫,2000-02-29,\n";

QString styledBook() {
    const QString styles = R"(
 <style:style style:name="ceHead" style:family="table-cell">
  <style:table-cell-properties fo:background-color="#ffff00"/>
  <style:text-properties fo:color="#ff0000"/>
 </style:style>
 <style:style style:name="ceMoney" style:family="table-cell" style:data-style-name="N2"/>
 <style:style style:name="ceDate" style:family="table-cell" style:data-style-name="NDate"/>
)";
    auto head = [](const char* t) { return odsText(t, "ceHead"); };
    auto str = [](const char* t) { return odsText(t); };
    auto flt = [](const char* v, const char* style = "") { return odsNumber(v, style); };
    auto date = [](const char* d) { return odsDate(d, "ceDate"); };
    const QString boolean =
        R"(<table:table-cell office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p></table:table-cell>)";
    auto row = odsRow;

    QString first = R"(<table:table table:name="库存">)";
    first += row(head("商品编号") + head("商品名称") + head("单位") + head("库存数量") +
                 head("库存均价") + head("库存金额") + head("入库日期") + head("已盘点"));
    first +=
        row(flt("1001") + str("可口可乐330ml") + str("瓶") + flt("24") + flt("2.5", "ceMoney") +
            odsFormula("[.D2]*[.E2]", "60") + date("2011-05-03") + boolean);
    first +=
        row(flt("1002") + str("Sprite雪碧") + str("箱") + flt("0.1") + flt("98.345", "ceMoney") +
            odsFormula("[.D3]*[.E3]", "9.8345") + date("1999-12-31") + str(""));
    // Blank rows, then a row that holds formatting and nothing else.
    first +=
        R"(<table:table-row table:number-rows-repeated="3"><table:table-cell/></table:table-row>)";
    first += row(odsStyledBlank("ceHead") + odsStyledBlank("ceMoney"));
    first += "</table:table>\n";

    QString second = R"(<table:table table:name="备注">)";
    for (int r = 1; r <= 12; ++r)
        second += row(str("第二页") + flt("42.5"));
    second += "</table:table>\n";
    return fods(styles, first + second);
}

}  // namespace

class ForeignBooksInEngine : public BooksMadeOnce<ForeignBooksInEngine> {
protected:
    // The openpyxl cases form a suite of their own; the books are made once for both.
    static void SetUpTestSuite() {
        if (scratch)
            return;
        scratch = std::make_unique<Scratch>();
        ASSERT_TRUE(soffice::available()) << "LibreOffice (soffice) is needed for these tests";
        ASSERT_TRUE(writeFile(scratch->path("lo_journal.csv"), kCsvJournal));
        ASSERT_TRUE(writeFile(scratch->path("lo_styled.fods"), styledBook().toUtf8()));
        ASSERT_TRUE(soffice::toXlsx({scratch->path("lo_journal.csv")}, scratch->path("lo"),
                                    "Text - txt - csv (StarCalc):44,34,76,1"));
        ASSERT_TRUE(soffice::toXlsx({scratch->path("lo_styled.fods")}, scratch->path("lo")));
        ASSERT_TRUE(
            run(python(), {interopSourceDir() + "/make_openpyxl_books.py", scratch->path("py")}));
        ready = true;
    }

    // The openpyxl suite below uses the same books: they go when the program ends.
    static void TearDownTestSuite() {}

    static std::optional<Workbook> open(const QString& name) {
        try {
            return Workbook::open(scratch->path(name));
        } catch (const store::StoreError& e) {
            ADD_FAILURE() << name.toStdString() << ": " << e.what();
            return std::nullopt;
        }
    }

    static std::vector<std::string> row(const Workbook& wb, int r, int columns = 10) {
        std::vector<std::string> out;
        for (int c = 1; c <= columns; ++c)
            out.push_back(show(wb.cell(r, c)));
        return out;
    }
};

using Row = std::vector<std::string>;

TEST_F(ForeignBooksInEngine, LibreOfficeJournalReadsAsTyped) {
    // The book really is in LibreOffice's dialect: shared strings, split into runs.
    const QByteArray sst = zipPart(scratch->path("lo/lo_journal.xlsx"), "xl/sharedStrings.xml");
    ASSERT_TRUE(sst.contains("<r>")) << "LibreOffice no longer writes rich-text runs here";

    auto wb = open("lo/lo_journal.xlsx");
    ASSERT_TRUE(wb);
    EXPECT_EQ(wb->usedRowCount(), 4);
    EXPECT_EQ(wb->usedColumnCount(), 10);
    EXPECT_EQ(row(*wb, 1), (Row{"t:商品编号", "t:商品名称", "t:单位", "t:进货数量", "t:进货价格",
                                "t:进货金额", "t:库存均价", "t:供货厂商", "t:进货日期", "t:备注"}));
    EXPECT_EQ(row(*wb, 2), (Row{"n:1001", "t:可口可乐330ml", "t:瓶", "n:24", "n:2.5", "n:60", "n:0",
                                "t:Coca公司", "t:2011-05-03", "empty"}));
    EXPECT_EQ(row(*wb, 3), (Row{"n:1002", "t:Sprite雪碧2L", "t:箱", "n:0.1", "n:98.35", "n:9.835",
                                "n:1230.5", "t:百事Pepsi", "t:2011-12-31", "t:第一批"}));
    EXPECT_EQ(row(*wb, 4), (Row{"n:1003", "t:矿泉水", "t:瓶", "n:1000", "n:-1", "n:-1000", "n:0",
                                "t:农夫", "t:2000-02-29", "empty"}));
    EXPECT_EQ(show(wb->cell(5, 1)), "empty");
}

TEST_F(ForeignBooksInEngine, LibreOfficeStyledBookReadsItsFirstSheetOnly) {
    auto wb = open("lo/lo_styled.xlsx");
    ASSERT_TRUE(wb);
    // The formatted row 7 holds no value, and the longer second sheet is not ours.
    EXPECT_EQ(wb->usedRowCount(), 3);
    EXPECT_EQ(wb->usedColumnCount(), 8);
    EXPECT_EQ(row(*wb, 1, 8), (Row{"t:商品编号", "t:商品名称", "t:单位", "t:库存数量", "t:库存均价",
                                   "t:库存金额", "t:入库日期", "t:已盘点"}));
    // A formula reads as its last result; "0.00" shows two decimals but stores them all;
    // LibreOffice stores a logical TRUE as the number 1.
    EXPECT_EQ(row(*wb, 2, 8), (Row{"n:1001", "t:可口可乐330ml", "t:瓶", "n:24", "n:2.5", "n:60",
                                   "t:2011-05-03", "n:1"}));
    EXPECT_EQ(row(*wb, 3, 8), (Row{"n:1002", "t:Sprite雪碧", "t:箱", "n:0.1", "n:98.345",
                                   "n:9.8345", "t:1999-12-31", "empty"}));
    EXPECT_EQ(row(*wb, 7, 2), (Row{"empty", "empty"}));
}

class OpenpyxlJournal : public ForeignBooksInEngine,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(OpenpyxlJournal, ReadsInlineStringsAndDatesOfEitherDateSystem) {
    const QString name = QString("py/") + GetParam();
    const QByteArray sheet = zipPart(scratch->path(name), "xl/worksheets/sheet1.xml");
    ASSERT_TRUE(sheet.contains("t=\"inlineStr\"")) << "openpyxl no longer writes inline strings";
    ASSERT_FALSE(sheet.startsWith("<?xml"));

    auto wb = open(name);
    ASSERT_TRUE(wb);
    EXPECT_EQ(wb->usedRowCount(), 4) << "the second sheet reaches row 200";
    EXPECT_EQ(wb->usedColumnCount(), 10);
    EXPECT_EQ(row(*wb, 2), (Row{"n:1001", "t:可口可乐330ml", "t:瓶", "n:12", "n:98.35", "n:1230.5",
                                "n:0.1", "t:张三", "t:2011-05-03", "empty"}));
    EXPECT_EQ(row(*wb, 3), (Row{"n:1002", "t:雪碧 2L", "t:瓶", "n:1", "n:2.5", "n:2.5", "n:2",
                                "t:李四", "t:2011-05-04", "t:退货"}));
    // Just before midnight is still the same day.
    EXPECT_EQ(row(*wb, 4), (Row{"n:1003", "t:<特价>&\"酒\"", "t:箱", "n:-1", "n:0", "n:0", "n:0",
                                "t:王五", "t:2011-05-05", "t:  两头空格  "}));
}

INSTANTIATE_TEST_SUITE_P(ForeignBooksInEngine, OpenpyxlJournal,
                         ::testing::Values("openpyxl_journal.xlsx", "openpyxl_1904.xlsx"),
                         [](const auto& test) {
                             return std::string(test.param).find("1904") != std::string::npos
                                        ? std::string("Date1904")
                                        : std::string("Date1900");
                         });

TEST_F(ForeignBooksInEngine, FirstSheetIsTheFirstListedNotTheFirstPart) {
    const QByteArray rels =
        zipPart(scratch->path("py/openpyxl_reordered.xlsx"), "xl/_rels/workbook.xml.rels");
    ASSERT_TRUE(rels.contains("Target=\"/xl/worksheets/")) << "targets are no longer absolute";

    auto wb = open("py/openpyxl_reordered.xlsx");
    ASSERT_TRUE(wb);
    EXPECT_EQ(wb->usedRowCount(), 2);
    EXPECT_EQ(row(*wb, 2, 2), (Row{"n:2001", "t:第一张表"}));
}
