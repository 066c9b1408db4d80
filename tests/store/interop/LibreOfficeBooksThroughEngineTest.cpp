// Books made in LibreOffice, changed and saved by our engine, then opened in LibreOffice
// again. The report book is supplied by the installation and may carry a letterhead
// sheet, column widths and cell formats; an export through it must keep them all.

#include <gtest/gtest.h>

#include <QFile>

#include "InteropSupport.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

using namespace interop;
using store::CellValue;
using store::Workbook;

namespace {

const QString kStyles = R"(
 <style:style style:name="coA" style:family="table-column"><style:table-column-properties style:column-width="1.2in"/></style:style>
 <style:style style:name="coB" style:family="table-column"><style:table-column-properties style:column-width="2.5in"/></style:style>
 <style:style style:name="coL" style:family="table-column"><style:table-column-properties style:column-width="1.8in"/></style:style>
 <style:style style:name="ceRed" style:family="table-cell"><style:text-properties fo:color="#ff0000"/></style:style>
 <style:style style:name="ceRedFill" style:family="table-cell">
  <style:table-cell-properties fo:background-color="#ffff00"/><style:text-properties fo:color="#ff0000"/>
 </style:style>
 <style:style style:name="ceMoneyFill" style:family="table-cell" style:data-style-name="N2">
  <style:table-cell-properties fo:background-color="#ccffcc"/>
 </style:style>
 <style:style style:name="ceMoney" style:family="table-cell" style:data-style-name="N2"/>
 <style:style style:name="ceDate" style:family="table-cell" style:data-style-name="NDate"/>
)";

// A number when it reads as one, else a text.
QString cell(const QString& value, const char* style = "") {
    bool isNumber = false;
    value.toDouble(&isNumber);
    return isNumber ? odsNumber(value, style) : odsText(value, style);
}

QString columns() {
    return R"(<table:table-column table:style-name="coA"/><table:table-column table:style-name="coB"/>)"
           R"(<table:table-column table:number-columns-repeated="9"/><table:table-column table:style-name="coL"/>)";
}

// The report book: a canvas with old content in columns 1 to 10, a note kept beside it
// in column 12, and a second sheet the program never touches.
QString reportBook() {
    QString first = R"(<table:table table:name="打印">)" + columns();
    first +=
        odsRow(cell("旧标题", "ceRed") + cell("旧内容") + odsSkip(9) + cell("保留", "ceRedFill"));
    first += odsRow(cell("1") + cell("3.14159", "ceMoneyFill") + odsSkip(9) + cell("7", "ceMoney"));
    first += "</table:table>\n";
    QString second = R"(<table:table table:name="备用">)";
    second += odsRow(cell("第二页") + cell("42.5"));
    second += odsRow(odsDate("2011-05-03", "ceDate") + cell("可口可乐330ml"));
    second += "</table:table>\n";
    return fods(kStyles, first + second);
}

// A stock-out journal set up by hand, with a formatted caption row and a summary sheet.
QString journalBook() {
    QString first = R"(<table:table table:name="出库">)" + columns();
    QString captions;
    for (const char* c : {"商品编号", "商品名称", "单位", "卖出数量", "卖出价格", "卖出金额",
                          "库存均价", "客户名称", "销售日期", "备注"}) {
        captions += cell(QString::fromUtf8(c), "ceRedFill");
    }
    first += odsRow(captions);
    first += odsRow(cell("1001") + cell("可口可乐330ml") + cell("瓶") + cell("2") +
                    cell("3.5", "ceMoney") + cell("7", "ceMoney") + cell("2.5") + cell("张三") +
                    cell("2011-05-03") + cell(""));
    first += "</table:table>\n";
    QString second = R"(<table:table table:name="汇总">)";
    second += odsRow(cell("合计") + cell("7", "ceMoneyFill"));
    second += "</table:table>\n";
    return fods(kStyles, first + second);
}

const QString kSheet1 = "xl/worksheets/sheet1.xml";

}  // namespace

class LibreOfficeBooksThroughEngine : public BooksMadeOnce<LibreOfficeBooksThroughEngine> {
protected:
    static void SetUpTestSuite() {
        scratch = std::make_unique<Scratch>();
        ASSERT_TRUE(soffice::available()) << "LibreOffice (soffice) is needed for these tests";
        ASSERT_TRUE(writeFile(scratch->path("report.fods"), reportBook().toUtf8()));
        ASSERT_TRUE(writeFile(scratch->path("journal.fods"), journalBook().toUtf8()));
        ASSERT_TRUE(soffice::toXlsx({scratch->path("report.fods"), scratch->path("journal.fods")},
                                    scratch->root()));
        try {
            engineWork();
        } catch (const store::StoreError& e) {
            FAIL() << "engine: " << e.what();
        }
        const QStringList all{scratch->path("report.xlsx"), scratch->path("export.xlsx"),
                              scratch->path("restyled.xlsx"), scratch->path("journal.xlsx"),
                              scratch->path("tvchuku.dat")};
        ASSERT_TRUE(soffice::toCsvAllSheets(all, scratch->path("csv")));
        ASSERT_TRUE(soffice::toFods(all, scratch->path("fods")));
        ready = true;
    }

    static void engineWork() {
        // An export: clear the canvas' columns, lay the grid out as text, save as.
        Workbook report = Workbook::open(scratch->path("report.xlsx"));
        for (int c = 1; c <= 10; ++c)
            report.clearColumn(c);
        const QStringList grid[] = {{"商品编号", "商品名称", "库存数量"},
                                    {"1001", "可口可乐330ml", "24"},
                                    {"1002", "雪碧", "0.5"}};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                report.setCell(r + 1, c + 1, CellValue::fromText(grid[r][c]));
            }
        }
        report.saveAs(scratch->path("export.xlsx"));

        // Writing into a formatted cell keeps its format.
        Workbook restyled = Workbook::open(scratch->path("report.xlsx"));
        restyled.setCell(2, 2, CellValue::fromNumber(2.5));
        restyled.saveAs(scratch->path("restyled.xlsx"));

        // A sale appended to the hand-made journal, saved in place.
        QFile::copy(scratch->path("journal.xlsx"), scratch->path("tvchuku.dat"));
        Workbook journal = Workbook::open(scratch->path("tvchuku.dat"));
        const int next = journal.usedRowCount() + 1;
        const CellValue sale[] = {CellValue::fromNumber(1002),       CellValue::fromText("雪碧2L"),
                                  CellValue::fromText("瓶"),         CellValue::fromNumber(1),
                                  CellValue::fromNumber(5.5),        CellValue::fromNumber(5.5),
                                  CellValue::fromNumber(4.2),        CellValue::fromText("李四"),
                                  CellValue::fromText("2011-05-04"), CellValue::fromText("退货")};
        for (int c = 0; c < 10; ++c)
            journal.setCell(next, c + 1, sale[c]);
        journal.save();
    }

    static QByteArray csv(const QString& base, const QString& sheet) {
        QFile f(scratch->path("csv/" + base + "-" + sheet + ".csv"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
        return f.readAll();
    }

    static std::vector<QString> csvLines(const QString& base, const QString& sheet) {
        std::vector<QString> lines;
        for (const auto& r : readCsv(scratch->path("csv/" + base + "-" + sheet + ".csv"))) {
            lines.push_back(describe(r));
        }
        return lines;
    }

    // Every part but sheet 1 must come through unchanged, as another program reads it.
    static void expectOtherPartsUnchanged(const QString& source, const QString& saved) {
        const QStringList before = zipEntries(scratch->path(source));
        const QStringList after = zipEntries(scratch->path(saved));
        ASSERT_FALSE(before.isEmpty());
        EXPECT_EQ(after, before);
        ASSERT_TRUE(before.contains(kSheet1));
        for (const QString& part : before) {
            if (part == kSheet1)
                continue;
            EXPECT_EQ(zipPart(scratch->path(saved), part), zipPart(scratch->path(source), part))
                << part.toStdString() << " changed";
        }
    }

    static void expectSameLook(const FodsCell& got, const FodsCell& want, const char* what) {
        EXPECT_EQ(got.color, want.color) << what;
        EXPECT_EQ(got.background, want.background) << what;
        EXPECT_EQ(got.decimalPlaces, want.decimalPlaces) << what;
    }
};

TEST_F(LibreOfficeBooksThroughEngine, ExportKeepsTheOtherSheetAndTheKeptColumn) {
    const auto lines = csvLines("export", "打印");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "'商品编号'|'商品名称'|'库存数量'|||||||||'保留'");
    EXPECT_EQ(lines[1], "'1001'|'可口可乐330ml'|'24'|||||||||7");
    EXPECT_EQ(lines[2], "'1002'|'雪碧'|'0.5'|||||||||");
    EXPECT_EQ(csv("export", "备用"), csv("report", "备用"));
    EXPECT_EQ(csvLines("export", "备用")[1], "2011-05-03|'可口可乐330ml'");
}

TEST_F(LibreOfficeBooksThroughEngine, ExportKeepsColumnWidthsAndFormatsBeyondTheCanvas) {
    auto source = FodsDocument::load(scratch->path("fods/report.fods"));
    auto saved = FodsDocument::load(scratch->path("fods/export.fods"));
    ASSERT_TRUE(source && saved);
    EXPECT_EQ(saved->sheetNames(), source->sheetNames());
    for (int c : {1, 2, 3, 12}) {
        EXPECT_NEAR(saved->columnWidthCm(0, c), source->columnWidthCm(0, c), 0.01)
            << "column " << c;
    }
    EXPECT_NEAR(source->columnWidthCm(0, 2), 2.5 * 2.54, 0.05) << "the book was not made as meant";

    const FodsCell kept = saved->cell(0, 1, 12);
    EXPECT_EQ(kept.value, "保留");
    EXPECT_EQ(kept.color, "#ff0000");
    EXPECT_EQ(kept.background, "#ffff00");
    EXPECT_EQ(saved->cell(0, 2, 12).decimalPlaces, 2);
    // Emptied columns lose their cell formats as well as their values.
    EXPECT_EQ(saved->cell(0, 1, 1).color, "");
    EXPECT_EQ(saved->cell(0, 2, 2).background, "");

    for (int r : {1, 2}) {
        expectSameLook(saved->cell(1, r, 1), source->cell(1, r, 1), "second sheet, column 1");
    }
}

TEST_F(LibreOfficeBooksThroughEngine, ExportCarriesEveryOtherPartByteForByte) {
    expectOtherPartsUnchanged("report.xlsx", "export.xlsx");
}

TEST_F(LibreOfficeBooksThroughEngine, WrittenCellKeepsItsFormat) {
    auto source = FodsDocument::load(scratch->path("fods/report.fods"));
    auto saved = FodsDocument::load(scratch->path("fods/restyled.fods"));
    ASSERT_TRUE(source && saved);
    const FodsCell b2 = saved->cell(0, 2, 2);
    EXPECT_EQ(b2.valueType, "float");
    EXPECT_EQ(b2.value, "2.5");
    EXPECT_EQ(b2.decimalPlaces, 2);
    EXPECT_EQ(b2.background, "#ccffcc");
    expectSameLook(saved->cell(0, 1, 1), source->cell(0, 1, 1), "untouched A1");
    EXPECT_EQ(saved->cell(0, 1, 1).color, "#ff0000");
    expectOtherPartsUnchanged("report.xlsx", "restyled.xlsx");
}

TEST_F(LibreOfficeBooksThroughEngine, SavedJournalReopensWithItsSheetsAndFormats) {
    const auto lines = csvLines("tvchuku", "出库");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "1001|'可口可乐330ml'|'瓶'|2|3.5|7|2.5|'张三'|'2011-05-03'|");
    EXPECT_EQ(lines[2], "1002|'雪碧2L'|'瓶'|1|5.5|5.5|4.2|'李四'|'2011-05-04'|'退货'");
    EXPECT_EQ(csv("tvchuku", "汇总"), csv("journal", "汇总"));

    auto source = FodsDocument::load(scratch->path("fods/journal.fods"));
    auto saved = FodsDocument::load(scratch->path("fods/tvchuku.fods"));
    ASSERT_TRUE(source && saved);
    EXPECT_EQ(saved->sheetNames(), source->sheetNames());
    for (int c = 1; c <= 10; ++c) {
        expectSameLook(saved->cell(0, 1, c), source->cell(0, 1, c), "caption row");
        EXPECT_NEAR(saved->columnWidthCm(0, c), source->columnWidthCm(0, c), 0.01)
            << "column " << c;
    }
    EXPECT_EQ(saved->cell(0, 1, 1).background, "#ffff00");
    EXPECT_EQ(saved->cell(0, 2, 5).decimalPlaces, 2);
    expectSameLook(saved->cell(1, 1, 2), source->cell(1, 1, 2), "summary sheet");
    expectOtherPartsUnchanged("journal.xlsx", "tvchuku.dat");
}
