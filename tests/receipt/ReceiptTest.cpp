// A till receipt as the printer gets it: the ESC/POS job read back by a decoder of its own,
// which knows only the commands a till printer would see, and what the receipt counts.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "ledger/Documents.h"
#include "ledger/Receipt.h"
#include "receipt/ReceiptDrawing.h"
#include "receipt/ReceiptPrinter.h"

namespace {

struct Decoded {
    QImage image;
    int bands = 0;
};

// ESC @, then GS v 0 bands of one width and at most 255 rows, then ESC d 4 and GS V 1, and
// nothing else; the bands' rows make the image, a set bit a black dot.
Decoded decode(const QByteArray& job) {
    const auto at = [&job](qsizetype i) { return int(uchar(job.at(i))); };
    EXPECT_TRUE(job.startsWith(QByteArray("\x1b\x40", 2))) << "the job does not start with ESC @";
    qsizetype pos = 2;
    int width = -1;
    QList<QByteArray> rows;
    Decoded decoded;
    while (pos + 8 <= job.size() && job.mid(pos, 4) == QByteArray("\x1d\x76\x30\x00", 4)) {
        const int x = at(pos + 4) | at(pos + 5) << 8;
        const int y = at(pos + 6) | at(pos + 7) << 8;
        pos += 8;
        EXPECT_TRUE(y >= 1 && y <= 255) << "a band of " << y << " rows";
        EXPECT_TRUE(width < 0 || x == width) << "bands of different widths";
        if (pos + qsizetype(x) * y > job.size()) {
            ADD_FAILURE() << "a band runs past the end of the job";
            return decoded;
        }
        width = x;
        for (int r = 0; r < y; ++r)
            rows << job.mid(pos + qsizetype(r) * x, x);
        pos += qsizetype(x) * y;
        ++decoded.bands;
    }
    EXPECT_EQ(job.mid(pos).toHex(' '), QByteArray("1b 64 04 1d 56 01"))
        << "expected the feed and the cut after the last band";
    decoded.image = QImage(std::max(width, 0) * 8, int(rows.size()), QImage::Format_Mono);
    decoded.image.setColor(0, qRgb(255, 255, 255));
    decoded.image.setColor(1, qRgb(0, 0, 0));
    for (int r = 0; r < rows.size(); ++r) {
        for (int x = 0; x < decoded.image.width(); ++x)
            decoded.image.setPixel(x, r, (uchar(rows[r].at(x / 8)) >> (7 - x % 8)) & 1);
    }
    return decoded;
}

// The longest run of rows without a black dot: paper fed for nothing.
int longestBlankRun(const QImage& image) {
    int longest = 0, run = 0;
    for (int y = 0; y < image.height(); ++y) {
        bool blank = true;
        for (int x = 0; x < image.width() && blank; ++x)
            blank = image.pixelIndex(x, y) == 0;
        run = blank ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

ledger::SaleLine line(const QString& name, double qty, double price, const QString& remark = {}) {
    ledger::SaleLine sale;
    sale.name = name;
    sale.qty = qty;
    sale.price = price;
    sale.amount = qty * price;
    sale.customer = QStringLiteral("张三");
    sale.remark = remark;
    return sale;
}

}  // namespace

TEST(Receipt, ReturnsAreToldByTheDocumentAndWithoutOneByARemarkOfJustThat) {
    const QList<ledger::SaleLine> lines{
        line(QStringLiteral("可口可乐"), 3, 3.5, QStringLiteral("七天可退货")),
        line(QStringLiteral("毛巾"), 1, 2, QStringLiteral(" 退货 ")),
        line(QStringLiteral("散装糖"), 0.1, 10)};
    const auto byRemark = [](const ledger::SaleLine& l) {
        return ledger::isReturnRecord(nullptr, l.remark);
    };
    const ledger::Receipt sale = ledger::makeReceipt(lines, byRemark, {});
    EXPECT_EQ(sale.customer, QStringLiteral("张三"));
    EXPECT_FALSE(sale.lines[0].isReturn);
    EXPECT_TRUE(sale.lines[1].isReturn);
    EXPECT_EQ(sale.lines[1].quantity, QStringLiteral("-1"));
    EXPECT_EQ(sale.lines[1].price, QStringLiteral("2"));
    EXPECT_EQ(sale.lines[1].amount, QStringLiteral("-2.00"));
    EXPECT_EQ(sale.quantity, QStringLiteral("2.1"));
    EXPECT_EQ(sale.total, QStringLiteral("9.50"));

    ledger::DocumentRecord goodsBack;
    goodsBack.kind = ledger::Posting::GoodsReturn;
    const ledger::Receipt back = ledger::makeReceipt(
        lines,
        [&](const ledger::SaleLine& l) { return ledger::isReturnRecord(&goodsBack, l.remark); },
        {});
    EXPECT_EQ(back.quantity, QStringLiteral("-4.1"));
    EXPECT_EQ(back.total, QStringLiteral("-13.50"));
}

TEST(ReceiptJob, CarriesTheDrawnReceiptDotForDotOnBothPapers) {
    QList<ledger::SaleLine> lines{
        line(QStringLiteral("康师傅红烧牛肉面五连包特价家庭装加量不加价经典口味限量版"), 2, 4.5),
        line(QStringLiteral("毛巾"), 1, 2, QStringLiteral("退货"))};
    // Enough lines for several bands.
    for (int i = 0; i < 10; ++i)
        lines << line(QStringLiteral("矿泉水%1").arg(i), i + 1, 1.5);
    // A copy, so that its header lines are carried too.
    const ledger::Receipt receipt = ledger::makeReceipt(
        lines, [](const ledger::SaleLine& l) { return ledger::isReturnRecord(nullptr, l.remark); },
        {.shop = QStringLiteral("小店"),
         .contact = QStringLiteral("电话 8812345"),
         .time = QDateTime(QDate(2011, 5, 3), QTime(14, 30)),
         .number = QStringLiteral("XS20110503-0001"),
         .copy = ledger::ReceiptCopy::Reprint});
    QTemporaryDir target;
    receipt::ReceiptPrinter printer;
    printer.setPrintTarget(target.path());
    for (const int paper : {58, 80}) {
        SCOPED_TRACE(paper);
        receipt::Setup setup;
        setup.printer = QStringLiteral("Till");
        setup.paperMm = paper;
        printer.print(receipt, setup);
        QFile file(printer.lastOutputFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const Decoded job = decode(file.readAll());
        const QImage drawn = receipt::ReceiptDrawing(receipt, receipt::printDots(paper)).raster();
        EXPECT_EQ(job.image.width(), paper == 58 ? 384 : 576);
        EXPECT_GE(job.bands, 3);
        EXPECT_TRUE(job.image == drawn) << "the job's dots differ from the drawn receipt";
        EXPECT_GT(drawn.height(), 400);
        // The widest gap is the one around a rule, well under two lines of text.
        EXPECT_LT(longestBlankRun(job.image), 40);
    }
    EXPECT_TRUE(QFile::exists(target.filePath(QStringLiteral("receipt-002.bin"))));
}

// A character beyond the first plane (Extension B) prints its own glyph: were it missing
// from every face, both names would print the same empty box.
TEST(ReceiptJob, RareCharactersPrintTheirOwnGlyphs) {
    const auto drawn = [](const QString& name) {
        const ledger::Receipt receipt = ledger::makeReceipt(
            {line(name, 1, 1.5)}, [](const ledger::SaleLine&) { return false; },
            {.shop = QStringLiteral("小店"), .contact = {}, .time = {}, .number = {}});
        return receipt::ReceiptDrawing(receipt, receipt::printDots(58)).raster();
    };
    EXPECT_FALSE(drawn(QStringLiteral("\U00020000号")) == drawn(QStringLiteral("\U00020001号")));
}
