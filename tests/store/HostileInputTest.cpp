#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "TestBooks.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

using namespace store;
using testbooks::BookContent;
using testbooks::makeBook;
using testbooks::sheetXml;

namespace {

// The error text a broken book gives, or "" when it opened.
std::string openError(const QByteArray& bytes) {
    try {
        Workbook::openBytes(bytes, "tvkucun.dat");
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains("tvkucun.dat")) << e.message().toStdString();
        return e.message().toStdString();
    }
    return {};
}

std::string sheetError(const std::string& sheet, const std::string& sst = "") {
    return openError(makeBook({sheet, sst}));
}

testbooks::Parts without(testbooks::Parts parts, const std::string& name) {
    std::erase_if(parts, [&](const auto& p) { return p.first == name; });
    return parts;
}

}  // namespace

TEST(HostileInput, NotAWorkbookAtAll) {
    const QByteArray good = makeBook({sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")});
    EXPECT_NE(openError(QByteArray()), "");
    EXPECT_NE(openError("PK this is not really a zip"), "");
    EXPECT_NE(openError("商品编号,商品名称\n1001,可乐\n"), "");
    EXPECT_NE(openError(good.left(good.size() / 2)), "");  // truncated
    EXPECT_NE(openError(good.left(good.size() - 10)), "");
    QByteArray flipped = good;
    flipped[40] = char(flipped[40] ^ 0x55);  // inside the first part's data
    EXPECT_NE(openError(flipped), "");
    // Two entries of one name: libzip's "File already exists" said as what it means.
    testbooks::Parts parts = testbooks::bookParts({sheetXml("")});
    parts.push_back({"xl/aaaa.bin", "a"});
    parts.push_back({"xl/bbbb.bin", "b"});
    QByteArray twice = testbooks::zipParts(parts);
    twice.replace("xl/bbbb.bin", "xl/aaaa.bin");
    EXPECT_NE(openError(twice).find("zip 文件已损坏：有重名的条目"), std::string::npos)
        << openError(twice);
}

TEST(HostileInput, MissingPieces) {
    const testbooks::Parts parts = testbooks::bookParts({sheetXml("")});
    EXPECT_NE(openError(testbooks::zipParts(without(parts, "xl/worksheets/sheet1.xml")))
                  .find("sheet1.xml"),
              std::string::npos);
    EXPECT_NE(
        openError(testbooks::zipParts(without(without(parts, "xl/workbook.xml"), "_rels/.rels"))),
        "");
    testbooks::Parts noSheets = parts;
    for (auto& [name, bytes] : noSheets) {
        if (name == "xl/workbook.xml")
            bytes =
                "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>";
    }
    EXPECT_NE(openError(testbooks::zipParts(noSheets)), "");
    EXPECT_EQ(openError(testbooks::zipParts(without(parts, "[Content_Types].xml"))),
              "");  // readable anyway
}

TEST(HostileInput, MalformedXmlNamesThePart) {
    const std::string e = sheetError(
        "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></row></sheetData></worksheet>");
    EXPECT_NE(e.find("xl/worksheets/sheet1.xml"), std::string::npos) << e;
    EXPECT_NE(sheetError("<worksheet><sheetData>"), "");
    EXPECT_NE(sheetError("<!DOCTYPE lol [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                         "<worksheet><sheetData><row><c "
                         "t=\"inlineStr\"><is><t>&b;</t></is></c></row></sheetData></worksheet>"),
              "");
    std::string deep = "<worksheet><sheetData><row><c><v>";
    for (int i = 0; i < 400; ++i)
        deep += "<x>";
    EXPECT_NE(sheetError(deep), "");
    EXPECT_NE(openError(makeBook({sheetXml(""), "<sst><si><t>unclosed</si></sst>"})), "");

    // The parts read whole (workbook, relationships, styles) meet the same rules.
    std::string nested = "<styleSheet>";
    for (int i = 0; i < 300; ++i)
        nested += "<x>";
    for (int i = 0; i < 300; ++i)
        nested += "</x>";
    nested += "</styleSheet>";
    EXPECT_NE(openError(makeBook({sheetXml(""), "", nested})).find("styles.xml"),
              std::string::npos);
    EXPECT_NE(
        openError(makeBook({sheetXml(""), "", "<!DOCTYPE s [<!ENTITY a \"b\">]><styleSheet/>"}))
            .find("DOCTYPE"),
        std::string::npos);
    // The content types, carried over unread, too: another program reads them.
    for (const char* part : {"xl/workbook.xml", "[Content_Types].xml"}) {
        testbooks::Parts parts = testbooks::bookParts({sheetXml("")});
        for (auto& [name, bytes] : parts) {
            if (name == part)
                bytes = "<!DOCTYPE t [<!ENTITY a \"b\">]>" + bytes;
        }
        EXPECT_NE(openError(testbooks::zipParts(parts)).find(part), std::string::npos) << part;
    }
}

TEST(HostileInput, AFirstSheetWithoutItsPartIsNotSwappedForTheNext) {
    testbooks::Parts parts = testbooks::bookParts({sheetXml("")});
    for (auto& [name, bytes] : parts) {
        if (name == "xl/workbook.xml")
            bytes =
                "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                "<sheets><sheet name=\"库存\" sheetId=\"1\" r:id=\"rId9\"/>"
                "<sheet name=\"其他\" sheetId=\"2\" r:id=\"rId1\"/></sheets></workbook>";
    }
    EXPECT_NE(openError(testbooks::zipParts(parts)).find("库存"), std::string::npos);
}

TEST(HostileInput, AddressesBeyondTheSpreadsheetMaxima) {
    EXPECT_NE(sheetError(sheetXml("<row r=\"1048577\"><c><v>1</v></c></row>")).find("1048577"),
              std::string::npos);
    EXPECT_NE(sheetError(sheetXml("<row r=\"0\"/>")), "");
    EXPECT_NE(sheetError(sheetXml("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>")).find("16385"),
              std::string::npos);
    EXPECT_NE(sheetError(sheetXml("<row r=\"1\"><c r=\"A99999999999\"><v>1</v></c></row>")), "");
    EXPECT_NE(sheetError(sheetXml("<row r=\"-5\"/>")), "");
    EXPECT_EQ(sheetError(sheetXml("<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>")),
              "");

    Workbook wb = Workbook::createNew("tvruku.dat");
    for (auto [row, col] : {std::pair{0, 1}, {1, 0}, {1048577, 1}, {1, 16385}, {-1, -1}}) {
        try {
            wb.cell(row, col);
            FAIL() << row << "," << col;
        } catch (const StoreError& e) {
            EXPECT_TRUE(e.message().contains("tvruku.dat"));
        }
        EXPECT_THROW(wb.setCell(row, col, CellValue::fromNumber(1)), StoreError);
    }
    EXPECT_THROW(wb.clearColumn(0), StoreError);
    EXPECT_EQ(wb.usedRowCount(), 1);
}

TEST(HostileInput, CellsThatDoNotHoldWhatTheySay) {
    EXPECT_NE(sheetError(sheetXml("<row r=\"7\"><c r=\"B7\"><v>12abc</v></c></row>")).find("B7"),
              std::string::npos);
    EXPECT_NE(sheetError(sheetXml("<row r=\"1\"><c r=\"A1\"><v>1e999</v></c></row>")), "");
    EXPECT_NE(sheetError(sheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c></row>"),
                         "<sst><si><t>only one</t></si></sst>")
                  .find("A1"),
              std::string::npos);
    EXPECT_NE(sheetError(sheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>-1</v></c></row>")), "");
    EXPECT_NE(sheetError(sheetXml("<row r=\"1\"><c r=\"A1\" s=\"x\"><v>1</v></c></row>")), "");
    // Text that is no UTF-8 would be carried into the next save: refused, the cell named.
    EXPECT_NE(sheetError(sheetXml("<row r=\"3\"><c r=\"C3\" t=\"inlineStr\"><is><t>a\xC3(</t></is>"
                                  "</c></row>"))
                  .find("C3"),
              std::string::npos);
    EXPECT_NE(sheetError(sheetXml("<row r=\"2\"><c r=\"B2\" t=\"s\"><v>1</v></c></row>"),
                         "<sst><si><t>好</t></si><si><t>\xED\xA0\x80</t></si></sst>")
                  .find("B2"),
              std::string::npos);
    EXPECT_EQ(sheetError(sheetXml("<row r=\"2\"><c r=\"B2\" t=\"s\"><v>0</v></c></row>"),
                         "<sst><si><t>好</t></si><si><t>\xF4\x90\x80\x80</t></si></sst>"),
              "")
        << "an item no cell of sheet 1 uses is never written again";
}

TEST(HostileInput, ZipBombsAreRefused) {
    // 40 MB of blanks compress more than a thousand to one.
    const std::string e = sheetError(sheetXml("<row r=\"1\"/>" + std::string(40u << 20, ' ')));
    EXPECT_NE(e.find("sheet1.xml"), std::string::npos) << e;
}

TEST(HostileInput, AMissingFileIsAClearError) {
    QTemporaryDir dir;
    try {
        Workbook::open(dir.filePath("tvkucun.dat"));
        FAIL();
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains("tvkucun.dat"));
    }
    EXPECT_THROW(Workbook::open(dir.path()), StoreError);
}
