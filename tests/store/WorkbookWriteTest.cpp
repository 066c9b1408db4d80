#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>

#include "TestBooks.h"
#include "store/AtomicFile.h"
#include "store/StoreError.h"
#include "store/Workbook.h"
#include "store/xlsx/RowScanner.h"
#include "store/xlsx/Segments.h"
#include "store/xlsx/ZipArchive.h"

using namespace store;
using testbooks::makeBook;
using testbooks::sheetXml;

namespace {

Workbook reopen(const Workbook& wb) {
    return Workbook::openBytes(wb.toBytes(), "again.dat");
}

std::string sheetOf(const Workbook& wb) {
    return testbooks::unzipParts(wb.toBytes()).at("xl/worksheets/sheet1.xml");
}

// A book as another program would leave it: shared strings, styles, a second sheet,
// sheet elements the program never touches, a picture part.
testbooks::Parts foreignBook() {
    testbooks::Parts parts = testbooks::bookParts(
        {sheetXml("<row r=\"1\" spans=\"1:3\" ht=\"24\" customHeight=\"1\">"
                  "<c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\" t=\"s\"><v>1</v></c>"
                  "<c r=\"C1\"><f>1+1</f><v>2</v></c></row>"
                  "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>1001</v></c><c r=\"B2\" s=\"1\" "
                  "t=\"s\"><v>1</v></c></row>",
                  "<mergeCells count=\"1\"><mergeCell ref=\"D1:E1\"/></mergeCells>"
                  "<conditionalFormatting sqref=\"A2\"><cfRule type=\"cellIs\" priority=\"1\" "
                  "operator=\"lessThan\">"
                  "<formula>5</formula></cfRule></conditionalFormatting>"
                  "<pageMargins left=\"0.5\" right=\"0.5\" top=\"0.5\" bottom=\"0.5\" "
                  "header=\"0.2\" footer=\"0.2\"/>"
                  "<headerFooter><oddHeader>&amp;L左边&amp;R右边</oddHeader></headerFooter>"
                  "<extLst><ext uri=\"{x}\"><keep>me</keep></ext></extLst>"),
         "<sst "
         "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>商品编号</t></"
         "si>"
         "<si><r><t>可口</t></r><r><rPr><b/></rPr><t>可乐</t></r></si></sst>",
         "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"0\" fontId=\"0\" "
         "applyFont=\"1\"/></cellXfs></styleSheet>"});
    parts.push_back(
        {"xl/worksheets/sheet2.xml", sheetXml("<row r=\"1\"><c r=\"A1\"><v>42</v></c></row>")});
    static constexpr char kPng[] = "\x89PNG\r\n\x1a\n\0\0binary";
    parts.push_back({"xl/media/image1.png", std::string(kPng, sizeof kPng - 1)});
    return parts;
}

}  // namespace

TEST(WorkbookWrite, ValuesReadBackAsWritten) {
    Workbook wb = Workbook::createNew();
    wb.setCell(1, 1, CellValue::fromText("商品编号"));
    wb.setCell(2, 1, CellValue::fromNumber(1001));
    wb.setCell(2, 2, CellValue::fromText("可口可乐330ml"));
    wb.setCell(2, 4, CellValue::fromNumber(98.35));
    wb.setCell(2, 5, CellValue::fromNumber(1230.5));
    wb.setCell(2, 6, CellValue::fromNumber(0.1 + 0.2));
    wb.setCell(2, 9, CellValue::fromText("2011-05-03"));
    wb.setCell(2, 10, CellValue::fromText(" <&>\"'\t\r\n\x01 _x0041_ "));
    wb.setCell(100000, 16384, CellValue::fromNumber(-7));

    const Workbook back = reopen(wb);
    EXPECT_EQ(back.cell(1, 1).text, "商品编号");
    EXPECT_EQ(back.cell(2, 1).number, 1001);
    EXPECT_EQ(back.cell(2, 2).text, "可口可乐330ml");
    EXPECT_EQ(back.cell(2, 4).number, 98.35);
    EXPECT_EQ(back.cell(2, 6).number, 0.1 + 0.2);
    EXPECT_EQ(back.cell(2, 9).text, "2011-05-03");
    EXPECT_EQ(back.cell(2, 10).text, " <&>\"'\t\r\n\x01 _x0041_ ");
    EXPECT_EQ(back.cell(100000, 16384).number, -7);
    EXPECT_EQ(back.usedRowCount(), 100000);

    const std::string xml = sheetOf(wb);
    EXPECT_NE(xml.find("<v>98.35</v>"), std::string::npos);
    EXPECT_NE(xml.find("<v>1230.5</v>"), std::string::npos);
    EXPECT_NE(xml.find("<dimension ref=\"A1:XFD100000\"/>"), std::string::npos);
}

TEST(WorkbookWrite, WhatXmlCannotHoldIsEscapedOrRefused) {
    // U+FFFE and U+FFFF pasted into a remark: raw, other programs refuse the whole sheet.
    const QString remark = QStringLiteral("甲") + QChar(0xFFFE) + QStringLiteral("乙") +
                           QChar(0xFFFF) + QStringLiteral("丙");
    Workbook wb = Workbook::createNew();
    wb.setCell(1, 1, CellValue::fromText(remark));
    EXPECT_EQ(reopen(wb).cell(1, 1).text, remark);
    const std::string xml = sheetOf(wb);
    EXPECT_NE(xml.find("甲_xFFFE_乙_xFFFF_丙"), std::string::npos) << xml;
    // An overflow is no number another program can read: never stored.
    for (double bad : {std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_THROW(wb.setCell(2, 1, CellValue::fromNumber(bad)), StoreError);
    EXPECT_EQ(wb.usedRowCount(), 1);
}

TEST(WorkbookWrite, EscapesNeverReadBackAsSomethingElse) {
    // A literal "_x000D" right before a character that itself needs escaping once came
    // back as a carriage return.
    const QString tricky = QString::fromUtf8("a_x000D\x01 _x005F_ _xABCD _x12");
    Workbook wb = Workbook::createNew();
    wb.setCell(1, 1, CellValue::fromText(tricky));
    const Workbook once = reopen(wb);
    EXPECT_EQ(once.cell(1, 1).text, tricky);
    EXPECT_EQ(sheetOf(reopen(once)), sheetOf(once));
}

TEST(WorkbookWrite, WritingEmptyClearsAndCellsKeepTheirStyle) {
    Workbook wb = Workbook::openBytes(testbooks::zipParts(foreignBook()), "f.dat");
    wb.setCell(2, 1, CellValue::fromNumber(2002));        // styled number cell
    wb.setCell(1, 3, CellValue::fromText("不再是公式"));  // formula cell
    wb.setCell(2, 2, CellValue());                        // styled text cell emptied
    const std::string xml = sheetOf(wb);
    EXPECT_NE(xml.find("<c r=\"A2\" s=\"1\"><v>2002</v></c>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<c r=\"B2\" s=\"1\"/>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("<f>"), std::string::npos) << xml;
    const Workbook back = reopen(wb);
    EXPECT_TRUE(back.cell(2, 2).isEmpty());
    EXPECT_EQ(back.cell(1, 3).text, "不再是公式");
    EXPECT_EQ(back.usedRowCount(), 2);
}

TEST(WorkbookWrite, SaveKeepsEveryOtherPartAndSheetElement) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tvkucun.dat");
    const QByteArray original = testbooks::zipParts(foreignBook());
    testbooks::writeFile(path, original);

    Workbook wb = Workbook::open(path);
    wb.setCell(3, 1, CellValue::fromNumber(1002));
    wb.setCell(3, 2, CellValue::fromText("雪碧"));
    wb.save();

    const auto before = testbooks::unzipParts(original);
    const auto after = testbooks::unzipParts(testbooks::readFile(path));
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [name, bytes] : before) {
        if (name == "xl/worksheets/sheet1.xml")
            continue;
        std::string expected = bytes;
        // Sheet 1 holds a formula: the workbook asks to be computed afresh when opened.
        if (name == "xl/workbook.xml")
            expected.insert(expected.rfind("</workbook>"), "<calcPr fullCalcOnLoad=\"1\"/>");
        EXPECT_EQ(after.at(name), expected) << name;
    }
    const std::string xml = after.at("xl/worksheets/sheet1.xml");
    for (const char* kept :
         {"<mergeCells count=\"1\"><mergeCell ref=\"D1:E1\"/></mergeCells>", "<formula>5</formula>",
          "<extLst><ext uri=\"{x}\"><keep>me</keep></ext></extLst>",
          "<row r=\"1\" ht=\"24\" customHeight=\"1\">", "<c r=\"B1\" s=\"1\" t=\"s\"><v>1</v></c>",
          "<f>1+1</f><v>2</v>"}) {
        EXPECT_NE(xml.find(kept), std::string::npos) << kept << "\n" << xml;
    }
    const Workbook back = Workbook::open(path);
    EXPECT_EQ(back.cell(2, 2).text, "可口可乐");
    EXPECT_EQ(back.cell(3, 2).text, "雪碧");
    EXPECT_EQ(back.usedRowCount(), 3);
}

TEST(WorkbookWrite, PageSettingsGoWhereTheFormatKeepsThem) {
    Workbook wb = Workbook::openBytes(testbooks::zipParts(foreignBook()), "f.dat");
    wb.setColumnWidth(2, 18);
    wb.setCenterHeader("销货清单/客户:甲店    2011-05-03");
    wb.setCenterFooter("A&B 商店 电话");
    wb.setPrintGridLines(true);
    const Workbook back = reopen(wb);
    EXPECT_EQ(back.columnWidth(2), 18.0);
    EXPECT_FALSE(back.columnWidth(1).has_value());
    EXPECT_EQ(back.header().center, "销货清单/客户:甲店    2011-05-03");
    EXPECT_EQ(back.header().left, "左边");
    EXPECT_EQ(back.header().right, "右边");
    EXPECT_EQ(back.footer().center, "A&&B 商店 电话");
    EXPECT_TRUE(back.printGridLines());
    EXPECT_EQ(back.pageSetup().left, 0.5);

    // The elements stay in the order spreadsheet programs insist on.
    const std::string xml = sheetOf(wb);
    const size_t cols = xml.find("<cols>"), data = xml.find("<sheetData>"),
                 merge = xml.find("<mergeCells"), print = xml.find("<printOptions"),
                 margins = xml.find("<pageMargins"), header = xml.find("<headerFooter>"),
                 ext = xml.find("<extLst>");
    EXPECT_LT(cols, data);
    EXPECT_LT(merge, print);
    EXPECT_LT(print, margins);
    EXPECT_LT(margins, header);
    EXPECT_LT(header, ext);
}

TEST(WorkbookWrite, ColumnWidthChangesOnlyItsColumn) {
    Workbook wb = Workbook::openBytes(makeBook({sheetXml("", "")}), "w.dat");
    wb.setColumnWidth(3, 8);
    wb.setColumnWidth(1, 6);
    wb.setColumnWidth(3, 4);
    EXPECT_EQ(wb.columnWidth(1), 6.0);
    EXPECT_FALSE(wb.columnWidth(2).has_value());
    EXPECT_EQ(wb.columnWidth(3), 4.0);

    // A range of columns from elsewhere is split around the changed one.
    Workbook ranged = Workbook::openBytes(
        makeBook({"<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                  "<cols><col min=\"1\" max=\"5\" width=\"20.7109375\" style=\"3\" "
                  "customWidth=\"1\"/></cols>"
                  "<sheetData/></worksheet>"}),
        "r.dat");
    ranged.setColumnWidth(3, 10);
    for (int c : {1, 2, 4, 5})
        EXPECT_EQ(ranged.columnWidth(c), 20.0) << c;
    EXPECT_EQ(ranged.columnWidth(3), 10.0);
    EXPECT_NE(sheetOf(ranged).find("<col min=\"4\" max=\"5\" width=\"20.7109375\" style=\"3\""),
              std::string::npos);
    EXPECT_THROW(ranged.setColumnWidth(1, -1), StoreError);
}

TEST(WorkbookWrite, ClearColumnEmptiesTheWholeColumn) {
    Workbook wb = Workbook::createNew();
    for (int r = 1; r <= 5; ++r) {
        for (int c = 1; c <= 12; ++c)
            wb.setCell(r, c, CellValue::fromText(QString("r%1c%2").arg(r).arg(c)));
    }
    for (int c = 1; c <= 10; ++c)
        wb.clearColumn(c);
    const Workbook back = reopen(wb);
    for (int r = 1; r <= 5; ++r) {
        for (int c = 1; c <= 10; ++c)
            EXPECT_TRUE(back.cell(r, c).isEmpty());
        EXPECT_EQ(back.cell(r, 11).text, QString("r%1c11").arg(r));
    }
    EXPECT_EQ(back.usedColumnCount(), 12);
}

TEST(WorkbookWrite, PrefixedSheetsStayPrefixed) {
    Workbook wb = Workbook::openBytes(
        makeBook(
            {"<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
             "<x:sheetData><x:row r=\"1\"><x:c "
             "r=\"A1\"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>"}),
        "p.dat");
    wb.setCell(1, 2, CellValue::fromText("文本"));
    wb.setColumnWidth(1, 9);
    const std::string xml = sheetOf(wb);
    EXPECT_NE(xml.find("<x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t>文本</x:t></x:is></x:c>"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<x:cols><x:col "), std::string::npos) << xml;
    EXPECT_EQ(reopen(wb).cell(1, 2).text, "文本");
}

class AtomicSave : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath("tvchuku.dat");
        Workbook wb = Workbook::createNew();
        wb.setCell(1, 1, CellValue::fromText("商品编号"));
        wb.saveAs(path);
        original = testbooks::readFile(path);
    }
    void TearDown() override { xlsx::testing::failWritesHalfWay(false); }
    QStringList leftovers() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
    QString path;
    QByteArray original;
};

TEST_F(AtomicSave, AFailedSaveLeavesTheOldBookAsItWas) {
    Workbook wb = Workbook::open(path);
    for (int r = 2; r < 2000; ++r)
        wb.setCell(r, 2, CellValue::fromText(QString("第%1行").arg(r)));
    xlsx::testing::failWritesHalfWay(true);
    try {
        wb.save();
        FAIL();
    } catch (const StoreError& e) {
        // The cause in the shop keeper's words, the system's after it.
        EXPECT_TRUE(e.message().contains("磁盘已满（No space left on device）"))
            << e.message().toStdString();
    }
    EXPECT_EQ(testbooks::readFile(path), original);
    EXPECT_EQ(leftovers(), QStringList{"tvchuku.dat"});

    // The book is still whole in memory and saves once the disk works again.
    xlsx::testing::failWritesHalfWay(false);
    wb.save();
    EXPECT_EQ(Workbook::open(path).cell(1999, 2).text, "第1999行");
    EXPECT_EQ(leftovers(), QStringList{"tvchuku.dat"});
}

TEST_F(AtomicSave, SaveAsElsewhereFailsCleanly) {
    Workbook wb = Workbook::open(path);
    const QString missing = dir.filePath("no-such-folder/out.xls");
    try {
        wb.saveAs(missing);
        FAIL();
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains("no-such-folder")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("文件或文件夹不存在")) << e.message().toStdString();
    }
    xlsx::testing::failWritesHalfWay(true);
    const QString other = dir.filePath("out.xls");
    testbooks::writeFile(other, "the user's old export");
    EXPECT_THROW(wb.saveAs(other), StoreError);
    EXPECT_EQ(testbooks::readFile(other), "the user's old export");
    EXPECT_EQ(testbooks::readFile(path), original);
}

TEST_F(AtomicSave, SaveAsLeavesTheSourceAndKeepsPermissions) {
    ::chmod(QFile::encodeName(path).constData(), 0640);
    Workbook wb = Workbook::open(path);
    wb.setCell(2, 1, CellValue::fromNumber(5));
    const QString exported = dir.filePath("export.xls");
    wb.saveAs(exported);
    EXPECT_EQ(testbooks::readFile(path), original);
    EXPECT_EQ(Workbook::open(exported).cell(2, 1).number, 5);
    EXPECT_EQ(wb.path(), QFileInfo(exported).absoluteFilePath());

    Workbook again = Workbook::open(path);
    again.setCell(3, 1, CellValue::fromNumber(6));
    again.save();
    struct stat st;
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(AtomicSave, ABookKeepsItsOwnerWhoeverSavesIt) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another owner";
    const QByteArray local = QFile::encodeName(path);
    ASSERT_EQ(::chown(local.constData(), 65534, 65534), 0);
    Workbook wb = Workbook::open(path);
    wb.setCell(2, 1, CellValue::fromNumber(1));
    wb.save();
    struct stat st;
    ASSERT_EQ(::stat(local.constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(AtomicSave, ScrapOfAKilledSaveGoesButNotThatOfARunningOne) {
    const auto touch = [this](const QString& name) {
        testbooks::writeFile(dir.filePath(name), "x");
    };
    for (const char* name : {".tvchuku.dat.tmp-Ab12Cd", ".tvchuku.dat.tmp-Ab12Cd.new",
                             ".tvchuku.dat.tmp-Zz99Yy", ".tvchuku.dat.tmp-Zz99Yy.new", ".hidden"})
        touch(name);
    // Another save holds its lock, as a second copy of the program would.
    const int held = ::open(QFile::encodeName(dir.filePath(".tvchuku.dat.tmp-Zz99Yy")), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(store::removeLeftoverSaves(dir.path()), 2);
    ::close(held);
    EXPECT_EQ(leftovers(), (QStringList{".hidden", ".tvchuku.dat.tmp-Zz99Yy",
                                        ".tvchuku.dat.tmp-Zz99Yy.new", "tvchuku.dat"}));
}

namespace {

QList<CellValue> appendedRecord(int n) {
    return {CellValue::fromNumber(1000 + n), CellValue::fromText(QString("商品%1").arg(n)),
            CellValue::fromText("瓶"),       CellValue::fromNumber(n % 7 + 0.25),
            CellValue::fromNumber(2.5),      CellValue{},
            CellValue::fromText("张三"),     CellValue::fromText("2011-05-03")};
}

std::string withoutDimension(std::string xml) {
    const size_t at = xml.find("<dimension ");
    return at == std::string::npos ? xml : xml.erase(at, xml.find("/>", at) + 2 - at);
}

}  // namespace

// A posting's save copies what the journal held and writes the records it adds: the
// earlier rows and every other part stay byte for byte, round after round, whether the
// open rows move into the frozen ones, were changed, or a frozen row was.
TEST(WorkbookAppend, AddedRowsLeaveEveryEarlierByteAndReadBackWithTheRest) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tvchuku.dat");
    Workbook expected = Workbook::openBytes(testbooks::zipParts(foreignBook()), "f.dat");
    for (int n = 3; n < 3000; ++n)
        expected.setRow(n, appendedRecord(n));
    expected.saveAs(path);
    auto parts = testbooks::unzipParts(testbooks::readFile(path));
    int next = 3000;
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        Workbook book = Workbook::open(path);
        ASSERT_EQ(book.usedRowCount(), next - 1);
        if (round == 2) {  // an open row changed
            book.setCell(next - 1, 6, CellValue::fromText("改"));
            expected.setCell(next - 1, 6, CellValue::fromText("改"));
        }
        for (const int end = next + 300; next < end; ++next) {
            book.setRow(next, appendedRecord(next));
            expected.setRow(next, appendedRecord(next));
        }
        if (round == 4) {  // a frozen one
            book.setCell(4, 2, CellValue::fromText("旧"));
            expected.setCell(4, 2, CellValue::fromText("旧"));
        }
        book.save();
        const auto now = testbooks::unzipParts(testbooks::readFile(path));
        const std::string was = withoutDimension(parts.at("xl/worksheets/sheet1.xml"));
        const std::string is = withoutDimension(now.at("xl/worksheets/sheet1.xml"));
        const size_t rowsEnd = was.find("</sheetData>");
        if (round != 2 && round != 4) {
            EXPECT_EQ(is.substr(0, rowsEnd), was.substr(0, rowsEnd));
            EXPECT_EQ(is.substr(is.find("</sheetData>")), was.substr(rowsEnd));
        }
        for (const auto& [name, bytes] : parts) {
            if (name != "xl/worksheets/sheet1.xml") {
                EXPECT_EQ(now.at(name), bytes) << name;
            }
        }
        parts = now;
    }
    // A scan of a few columns reads the packed rows as cell() reads them.
    int scanned = 1;
    Workbook::open(path).scanColumns(1, {6, 2}, [&](int row, const ColumnValues& values) {
        EXPECT_EQ(row, scanned++);
        EXPECT_TRUE(values.at(0).identical(expected.cell(row, 6))) << row;
        EXPECT_TRUE(values.at(1).identical(expected.cell(row, 2))) << row;
    });
    EXPECT_EQ(scanned, next);
    const Workbook back = Workbook::open(path);
    ASSERT_EQ(back.usedRowCount(), expected.usedRowCount());
    for (int row = 1; row < next; ++row) {
        for (int col = 1; col <= 8; ++col)
            ASSERT_TRUE(back.cell(row, col).identical(expected.cell(row, col)))
                << row << "," << col << ": " << back.cell(row, col).displayText().toStdString();
    }
}

// A byte gone wrong in the packed rows is told, whichever piece it is in, and a visit that
// fails ends the scan: the thread inflating the pieces stops with either.
TEST(WorkbookAppend, ADamagedPieceOfRowsIsToldNotRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tvchuku.dat");
    Workbook book = Workbook::createNew();
    for (int n = 2; n < 9000; ++n)
        book.setRow(n, appendedRecord(n));
    book.saveAs(path);
    const QByteArray bytes = testbooks::readFile(path);
    const auto scan = [&](const std::function<void()>& each) {
        Workbook::open(path).scanColumns(1, {2}, [&](int, const ColumnValues&) { each(); });
    };
    for (const double at : {0.2, 0.5, 0.7}) {
        QByteArray damaged = bytes;
        damaged[qsizetype(double(damaged.size()) * at)] ^= 0x55;
        testbooks::writeFile(path, damaged);
        EXPECT_THROW(scan([] {}), StoreError) << at;
    }
    testbooks::writeFile(path, bytes);
    int seen = 0;
    EXPECT_THROW(scan([&] {
                     if (++seen == 5000)
                         throw StoreError(QStringLiteral("停"));
                 }),
                 StoreError);
    EXPECT_EQ(seen, 5000);
}

// The rows reach the scanner in whatever pieces the inflating makes: cut anywhere, even
// inside a tag, they read as the whole text does, and none of this engine's cells is
// taken for another program's.
TEST(RowScannerTest, RowsCutAnywhereReadAsWhole) {
    Workbook book = Workbook::openBytes(testbooks::zipParts(foreignBook()), "f.dat");
    for (int n = 3; n < 40; ++n)
        book.setRow(n, appendedRecord(n));
    book.setCell(5, 2, CellValue::fromText(" 前后有空格 "));
    book.setCell(6, 2, CellValue::fromText("a<b>&\"c'"));
    book.setCell(7, 2, CellValue::fromText(""));
    book.setCell(2, 1, CellValue());  // a styled blank
    const std::string xml = testbooks::unzipParts(book.toBytes()).at("xl/worksheets/sheet1.xml");
    const size_t from = xml.find("<sheetData>") + 11;
    const std::string rows = xml.substr(from, xml.find("</sheetData>") - from);
    const auto scan = [&](size_t cut) {
        store::xlsx::RowScanner scanner("", {1, 2, 3, 4, 5, 6, 7, 8}, 2);
        std::string seen;
        const auto visit = [&](uint32_t row,
                               const std::vector<store::xlsx::RowScanner::Value>& cells) {
            for (const auto& v : cells) {
                std::string text;
                scanner.decode(v, text);
                seen += std::to_string(row) + ":" + std::to_string(v.col) + "=" +
                        std::string(v.raw) + "|" + text + ";";
            }
        };
        for (size_t at = 0; at < rows.size(); at += cut)
            scanner.feed(std::string_view(rows).substr(at, cut), 1, visit);
        scanner.finish();
        return seen;
    };
    const std::string whole = scan(rows.size());
    EXPECT_NE(whole.find("5:2= 前后有空格 | 前后有空格 ;"), std::string::npos) << whole;
    EXPECT_NE(whole.find("|a<b>&\"c'"), std::string::npos) << whole;
    EXPECT_NE(whole.find("1:3=2|"), std::string::npos) << whole;  // a formula's result
    for (const size_t cut : {1, 2, 3, 5, 7, 13, 64})
        EXPECT_EQ(scan(cut), whole) << cut;
}

// Years of postings add a piece each: the list stays bounded by joining neighbours, and
// still adds up to the frozen rows, which is all a reader trusts it by.
TEST(RowScannerTest, PiecesStayFewAndAddUpAfterEveryFreeze) {
    using store::xlsx::SegmentIndex;
    SegmentIndex index;
    for (uint32_t i = 1; i <= 3 * SegmentIndex::kMaxPieces; ++i)
        index.addFrozen({i, 2 * i, i}, {{i, 2 * i}});
    ASSERT_LE(index.pieces.size(), SegmentIndex::kMaxPieces);
    uint64_t packed = 0, raw = 0;
    for (const auto& piece : index.pieces) {
        packed += piece.packed;
        raw += piece.raw;
    }
    EXPECT_EQ(packed, index.parts[SegmentIndex::Frozen].packed);
    EXPECT_EQ(raw, index.parts[SegmentIndex::Frozen].raw);
    const auto back = SegmentIndex::parse(index.serialize());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pieces.size(), index.pieces.size());
    std::string wrong = index.serialize();
    wrong[wrong.size() - 1] ^= 1;  // a piece that no longer adds up
    EXPECT_FALSE(SegmentIndex::parse(wrong));
}
