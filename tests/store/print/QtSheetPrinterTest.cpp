#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "PdfProbe.h"
#include "store/StoreError.h"
#include "store/Workbook.h"
#include "store/print/QtSheetPrinter.h"
#include "store/print/SheetLayout.h"

using store::CellValue;
using store::QtSheetPrinter;
using store::StoreError;
using store::Workbook;

namespace {

CellValue text(const QString& s) {
    return CellValue::fromText(s);
}
CellValue number(double v) {
    return CellValue::fromNumber(v);
}

// A purchase list as the stock-in window lays it out: captions, `items` lines, widths.
Workbook purchaseList(int items) {
    Workbook book = Workbook::createNew(QStringLiteral("tvbaocun.dat"));
    const QStringList captions{"编号", "商品名称", "单位", "数量", "价格", "金额", "供货厂商"};
    const double widths[] = {6, 16, 4, 7, 7, 7, 16};
    for (int c = 0; c < captions.size(); ++c) {
        book.setCell(1, c + 1, text(captions[c]));
        book.setColumnWidth(c + 1, widths[c]);
    }
    for (int i = 1; i <= items; ++i) {
        book.setCell(i + 1, 1, text(QStringLiteral("B%1").arg(i, 4, 10, QLatin1Char('0'))));
        book.setCell(i + 1, 2, text(QStringLiteral("螺丝刀%1号").arg(i)));
        book.setCell(i + 1, 3, text(QStringLiteral("把")));
        book.setCell(i + 1, 4, number(i));
        book.setCell(i + 1, 5, number(2.5));
        book.setCell(i + 1, 6, number(i * 2.5));
        book.setCell(i + 1, 7, text(QStringLiteral("东方五金")));
    }
    book.setCenterHeader(QStringLiteral("进货清单  2011-05-03"));
    book.setCenterFooter(QStringLiteral("好运商店 电话12345678"));
    book.setPrintGridLines(true);
    return book;
}

// Rows that fit on an A4 page between the default top and bottom margins.
int rowsPerPage(const Workbook& book) {
    return int((841.89 - 2 * 0.75 * 72) / book.defaultRowHeight());
}

bool has(const QString& haystack, const QString& pattern) {
    return QRegularExpression(pattern).match(haystack).hasMatch();
}

// Image rows (or columns) crossed by a dark run at least `length` pixels long, with
// neighbouring rows of one anti-aliased line counted once.
int longLines(const QImage& img, bool horizontal, int length) {
    const int outer = horizontal ? img.height() : img.width();
    const int inner = horizontal ? img.width() : img.height();
    int lines = 0;
    bool previous = false;
    for (int a = 0; a < outer; ++a) {
        int run = 0, best = 0;
        for (int b = 0; b < inner; ++b) {
            const int x = horizontal ? b : a, y = horizontal ? a : b;
            run = qGray(img.pixel(x, y)) < 160 ? run + 1 : 0;
            best = std::max(best, run);
        }
        const bool line = best >= length;
        if (line && !previous)
            ++lines;
        previous = line;
    }
    return lines;
}

// Dark pixels inside a rectangle given in points, on an image rendered at `dpi`.
QRect inkBox(const QImage& img, const QRectF& points, int dpi) {
    const double k = dpi / 72.0;
    const QRect area(QPoint(int(std::ceil(points.left() * k)), int(std::ceil(points.top() * k))),
                     QPoint(int(points.right() * k) - 1, int(points.bottom() * k) - 1));
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(img.pixel(x, y)) < 160)
                box |= QRect(x, y, 1, 1);
    return box;
}

// The book after replacing pieces of its package's XML, pairs of raw text: how tests get
// settings into a book that the Workbook API does not write.
Workbook rewritten(const Workbook& book, const QStringList& replacements) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.xlsx")),
                  out = dir.filePath(QStringLiteral("out.xlsx"));
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(book.toBytes()) < 0) {
        ADD_FAILURE() << "cannot write " << qPrintable(in);
        return Workbook::createNew();
    }
    f.close();
    const char* script = R"(
import sys, zipfile
src, dst, pairs = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
    for info in zin.infolist():
        data = zin.read(info.filename)
        for old, new in zip(pairs[::2], pairs[1::2]):
            data = data.replace(old.encode(), new.encode())
        zout.writestr(info, data)
)";
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral("-c"), QString::fromUtf8(script), in, out} + replacements);
    p.waitForFinished(30000);
    QFile result(out);
    EXPECT_TRUE(p.exitCode() == 0 && result.open(QIODevice::ReadOnly)) << "cannot rewrite the book";
    return Workbook::openBytes(result.readAll(), QStringLiteral("tvbaocun.dat"));
}

// The book with header and footer in raw header codes, as a spreadsheet program stores
// them (the Workbook API sets plain text only).
Workbook withHeaderCodes(Workbook book, const char* header, const char* footer) {
    book.setCenterHeader(QStringLiteral("@@HEADER@@"));
    book.setCenterFooter(QStringLiteral("@@FOOTER@@"));
    const auto xml = [](const char* codes) { return QString::fromUtf8(codes).toHtmlEscaped(); };
    return rewritten(book, {QStringLiteral("&amp;C@@HEADER@@"), xml(header),
                            QStringLiteral("&amp;C@@FOOTER@@"), xml(footer)});
}

class QtSheetPrinterTest : public ::testing::Test {
protected:
    // The machine's own printers must never decide a test.
    QtSheetPrinter printer{[] { return std::unique_ptr<QPrinter>(); }};
    QTemporaryDir tmp;

    QString target() const { return tmp.filePath(QStringLiteral("prints")); }
    QString print(const Workbook& book) {
        printer.setPrintTarget(target());
        printer.print(book);
        return printer.lastOutputFile();
    }
    QStringList printed() const {
        return QDir(target()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }
};

}  // namespace

TEST_F(QtSheetPrinterTest, LongListRepeatsHeaderAndFooterOnEveryPage) {
    const int items = 119;
    const Workbook book = purchaseList(items);
    const QString pdf = print(book);

    const int perPage = rowsPerPage(book);
    const int pages = (items + 1 + perPage - 1) / perPage;
    ASSERT_GE(pages, 3);
    ASSERT_EQ(pdfprobe::pageCount(pdf), pages);
    EXPECT_NEAR(pdfprobe::pageSize(pdf).width(), 595.3, 0.5);
    EXPECT_NEAR(pdfprobe::pageSize(pdf).height(), 841.9, 0.5);

    for (int p = 1; p <= pages; ++p) {
        const QString page = pdfprobe::text(pdf, p);
        EXPECT_TRUE(has(page, "进货清单\\s+2011-05-03")) << "page " << p << "\n"
                                                         << qPrintable(page);
        EXPECT_TRUE(has(page, "好运商店\\s+电话12345678")) << "page " << p;
        // The first and last line of each page, and nothing of the next page.
        const int first = (p - 1) * perPage + 1, last = std::min(p * perPage, items + 1);
        const auto code = [](int row) {
            return QStringLiteral("B%1").arg(row - 1, 4, 10, QChar('0'));
        };
        if (first > 1) {
            EXPECT_TRUE(page.contains(code(first))) << "page " << p;
        }
        EXPECT_TRUE(page.contains(code(last))) << "page " << p;
        if (last <= items) {
            EXPECT_FALSE(page.contains(code(last + 1))) << "page " << p;
        }
    }
    const QString first = pdfprobe::text(pdf, 1);
    EXPECT_TRUE(has(first, "编号\\s+商品名称\\s+单位\\s+数量\\s+价格\\s+金额\\s+供货厂商"))
        << qPrintable(first);
    EXPECT_TRUE(has(first, "B0001\\s+螺丝刀1号\\s+把\\s+1\\s+2\\.5\\s+2\\.5\\s+东方五金"));
}

TEST_F(QtSheetPrinterTest, ColumnsTooWideForOnePageContinueOnFurtherPagesDownThenOver) {
    Workbook book = Workbook::createNew();
    const int rows = rowsPerPage(book) + 5;
    for (int c = 1; c <= 6; ++c) {
        book.setColumnWidth(c, 30);  // about 160 points: three columns a page
        for (int r = 1; r <= rows; ++r)
            book.setCell(r, c, text(QStringLiteral("R%1C%2").arg(r).arg(c)));
    }
    const QString pdf = print(book);
    ASSERT_EQ(pdfprobe::pageCount(pdf), 4);
    const QString lastRow = QStringLiteral("R%1C").arg(rows);
    EXPECT_TRUE(pdfprobe::text(pdf, 1).contains("R1C3"));
    EXPECT_FALSE(pdfprobe::text(pdf, 1).contains("R1C4"));
    EXPECT_TRUE(pdfprobe::text(pdf, 2).contains(lastRow + "1"));
    EXPECT_TRUE(pdfprobe::text(pdf, 3).contains("R1C4"));
    EXPECT_TRUE(pdfprobe::text(pdf, 3).contains("R1C6"));
    EXPECT_TRUE(pdfprobe::text(pdf, 4).contains(lastRow + "6"));
}

TEST_F(QtSheetPrinterTest, HeaderCodesArePrintedPerPage) {
    Workbook book = Workbook::createNew();
    const int rows = 2 * rowsPerPage(book) + 1;
    for (int r = 1; r <= rows; ++r)
        book.setCell(r, 1, number(r));
    book = withHeaderCodes(std::move(book), "&L&\"宋体,常规\"&12左&C第&P页/共&N页&R&F",
                           "&C甲&&乙 &&P&B");
    const QString pdf = print(book);
    ASSERT_EQ(pdfprobe::pageCount(pdf), 3);
    for (int p = 1; p <= 3; ++p) {
        const QString page = pdfprobe::text(pdf, p);
        EXPECT_TRUE(has(page, QStringLiteral("左\\s+第%1页/共3页\\s+tvbaocun\\.dat").arg(p)))
            << qPrintable(page);
        EXPECT_TRUE(has(page, "甲&乙\\s+&P\\s*$")) << qPrintable(page);
    }
}

TEST_F(QtSheetPrinterTest, HeaderSetAsTextPrintsItsAmpersandsAsTyped) {
    Workbook book = Workbook::createNew();
    book.setCenterHeader(QStringLiteral("销货清单/客户:A&B商店    2011-05-03"));
    book.setCenterFooter(QStringLiteral("&P"));
    const QString page = pdfprobe::text(print(book), 1);
    EXPECT_TRUE(has(page, "销货清单/客户:A&B商店\\s+2011-05-03")) << qPrintable(page);
    EXPECT_TRUE(has(page, "&P")) << qPrintable(page);
}

TEST_F(QtSheetPrinterTest, PaperOrientationAndMarginsComeFromTheBook) {
    Workbook book = Workbook::createNew();
    for (int r = 1; r <= 40; ++r)
        book.setCell(r, 1, text(QStringLiteral("第%1行").arg(r)));
    book.setCenterHeader(QStringLiteral("横向"));
    book =
        rewritten(book, {QStringLiteral("<pageMargins left=\"0.7\""),
                         QStringLiteral("<pageMargins left=\"2\""), QStringLiteral("<headerFooter"),
                         QStringLiteral("<pageSetup paperSize=\"1\" orientation=\"landscape\"/>"
                                        "<headerFooter")});
    ASSERT_TRUE(book.pageSetup().landscape);
    const QString pdf = print(book);
    EXPECT_NEAR(pdfprobe::pageSize(pdf).width(), 792, 0.5);
    EXPECT_NEAR(pdfprobe::pageSize(pdf).height(), 612, 0.5);
    const int perPage = int((612 - 2 * 0.75 * 72) / book.defaultRowHeight());
    EXPECT_EQ(pdfprobe::pageCount(pdf), (40 + perPage - 1) / perPage);
    EXPECT_TRUE(pdfprobe::text(pdf, 2).contains(QStringLiteral("第40行")));

    const int dpi = 72;
    const QImage img = pdfprobe::render(pdf, 1, dpi);
    const QRect ink = inkBox(img, QRectF(0, 40, 792, 500), dpi);  // below the header
    EXPECT_GE(ink.left(), 143);
    EXPECT_LE(ink.left(), 147);
}

TEST_F(QtSheetPrinterTest, EmptySheetPrintsOnePageWithHeaderAndFooter) {
    Workbook book = Workbook::createNew();
    book.setCenterHeader(QStringLiteral("库存清单  2011-05-03"));
    book.setCenterFooter(QStringLiteral(" "));
    const QString pdf = print(book);
    ASSERT_EQ(pdfprobe::pageCount(pdf), 1);
    EXPECT_TRUE(has(pdfprobe::text(pdf, 1), "库存清单\\s+2011-05-03"));
}

TEST_F(QtSheetPrinterTest, GridLinesArePrintedOnlyWhenAskedFor) {
    Workbook book = Workbook::createNew();
    for (int c = 1; c <= 3; ++c) {
        book.setColumnWidth(c, 20);
        for (int r = 1; r <= 5; ++r)
            book.setCell(r, c, text(QStringLiteral("格%1").arg(r * 10 + c)));
    }
    const int dpi = 100;
    const double tableWidth = 3 * store::print::columnWidthPoints(20) * dpi / 72.0;
    const int minLine = int(tableWidth * 0.9);
    const int minColumnLine = int(5 * book.defaultRowHeight() * dpi / 72.0 * 0.9);

    book.setPrintGridLines(true);
    const QImage on = pdfprobe::render(print(book), 1, dpi);
    EXPECT_EQ(longLines(on, true, minLine), 6);         // above, between and below 5 rows
    EXPECT_EQ(longLines(on, false, minColumnLine), 4);  // around and between 3 columns

    book.setPrintGridLines(false);
    const QImage off = pdfprobe::render(print(book), 1, dpi);
    EXPECT_EQ(longLines(off, true, minLine / 3), 0);
    EXPECT_EQ(longLines(off, false, minColumnLine / 2), 0);
}

TEST_F(QtSheetPrinterTest, TextStaysInItsCellAndNumbersSitRight) {
    Workbook book = Workbook::createNew();
    book.setColumnWidth(1, 4);
    book.setColumnWidth(2, 10);
    book.setColumnWidth(3, 20);
    book.setCell(1, 1, text(QStringLiteral("很长很长很长的商品名称")));
    book.setCell(1, 3, number(12345));
    book.setCell(2, 3, text(QStringLiteral("甲乙")));
    const int dpi = 100;
    const QImage img = pdfprobe::render(print(book), 1, dpi);

    const auto layout = store::print::SheetLayout::fromWorkbook(book);
    const auto page = layout.page(0);
    const auto cell = [&](int r, int c) { return layout.cellRect(page, r, c); };
    EXPECT_FALSE(inkBox(img, cell(1, 1), dpi).isEmpty());
    EXPECT_TRUE(inkBox(img, cell(1, 2).adjusted(0.5, 0, -0.5, 0), dpi).isEmpty())
        << "text ran into the empty cell beside it";
    const double middle = cell(1, 3).center().x() * dpi / 72.0;
    const QRect num = inkBox(img, cell(1, 3), dpi), txt = inkBox(img, cell(2, 3), dpi);
    ASSERT_FALSE(num.isEmpty());
    ASSERT_FALSE(txt.isEmpty());
    EXPECT_GT(num.left(), middle);
    EXPECT_LT(txt.right(), middle);
}

TEST_F(QtSheetPrinterTest, NumberTooWideForItsCellShowsHashesNotPartOfTheNumber) {
    Workbook book = Workbook::createNew();
    book.setColumnWidth(1, 3);
    book.setCell(1, 1, number(123456789));
    book.setCell(1, 2, number(77));
    const QString page = pdfprobe::text(print(book), 1);
    EXPECT_TRUE(page.contains(QStringLiteral("##"))) << qPrintable(page);
    EXPECT_FALSE(has(page, "[1-9]{3}")) << qPrintable(page);
    EXPECT_TRUE(page.contains(QStringLiteral("77")));
}

TEST_F(QtSheetPrinterTest, EveryPrintOutGetsANewFileAndNoneIsOverwritten) {
    const Workbook book = purchaseList(2);
    EXPECT_TRUE(print(book).endsWith(QStringLiteral("/print-001.pdf")));  // folder is made
    EXPECT_TRUE(print(book).endsWith(QStringLiteral("/print-002.pdf")));

    QFile kept(QDir(target()).filePath(QStringLiteral("print-007.pdf")));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("not ours");
    kept.close();
    EXPECT_TRUE(print(book).endsWith(QStringLiteral("/print-008.pdf")));
    EXPECT_EQ(printed(),
              QStringList({"print-001.pdf", "print-002.pdf", "print-007.pdf", "print-008.pdf"}));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("not ours"));
}

TEST_F(QtSheetPrinterTest, UnusableTargetFolderIsAnError) {
    QFile blocker(target());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    EXPECT_THROW(print(purchaseList(1)), StoreError);
}

TEST(QtSheetPrinterPaper, WithoutADefaultPrinterNothingIsPrinted) {
    int asked = 0;
    QtSheetPrinter printer([&] {
        ++asked;
        return std::unique_ptr<QPrinter>();
    });
    try {
        printer.print(purchaseList(1));
        FAIL() << "printed without a printer";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("没有可用的打印机")))
            << qPrintable(e.message());
    }
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(printer.lastOutputFile().isEmpty());
}

TEST(QtSheetPrinterPaper, DefaultPrinterGetsTheSamePrintOut) {
    QTemporaryDir tmp;
    const QString paper = tmp.filePath(QStringLiteral("queue.pdf"));
    QtSheetPrinter printer([&] {
        // Stands in for the system queue; print() must set its page up on its own.
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(paper);
        p->setPageSize(QPageSize(QPageSize::Letter));
        p->setPageOrientation(QPageLayout::Landscape);
        return p;
    });
    printer.print(purchaseList(3));
    ASSERT_TRUE(QFile::exists(paper));
    EXPECT_NEAR(pdfprobe::pageSize(paper).width(), 595.3, 0.5);
    EXPECT_TRUE(has(pdfprobe::text(paper, 1), "进货清单\\s+2011-05-03"));
    EXPECT_TRUE(pdfprobe::text(paper, 1).contains(QStringLiteral("螺丝刀3号")));
}

TEST(QtSheetPrinterPaper, PrinterThatCannotStartIsAnError) {
    QtSheetPrinter printer([] {
        auto p = std::make_unique<QPrinter>();
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(QStringLiteral("/nonexistent-folder/x/queue.pdf"));
        return p;
    });
    try {
        printer.print(purchaseList(1));
        FAIL() << "no error";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("无法开始打印")))
            << qPrintable(e.message());
    }
}
