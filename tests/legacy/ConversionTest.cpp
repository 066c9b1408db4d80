#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "legacy/Conversion.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

namespace {

const QString kScripts = QStringLiteral(TAVELO_OLD_BOOKS);

// Runs one of the scripts that make old-format books; they are part of the tests.
void make(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, arguments);
    ASSERT_TRUE(p.waitForFinished(120000) && p.exitCode() == 0) << qPrintable(program);
}
void xlwt(const QStringList& arguments) {
    make(QStringLiteral("/usr/bin/python3"),
         QStringList{kScripts + "/make_old_books.py"} + arguments);
}

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList files(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString text(const store::Workbook& book, int row, int col) {
    return book.cell(row, col).displayText();
}

class OldBooks : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    // Converts a book that must be refused, and checks that nothing was written.
    QString refused(const QString& name) {
        const QByteArray before = bytes(path(name));
        const QStringList was = files(dir.path());
        const legacy::Outcome outcome = legacy::convertBook(path(name));
        EXPECT_EQ(outcome.result, legacy::Outcome::Refused) << qPrintable(name);
        EXPECT_EQ(bytes(path(name)), before) << qPrintable(name);
        EXPECT_EQ(files(dir.path()), was) << qPrintable(name);
        return outcome.text;
    }
};

TEST_F(OldBooks, ShopBooksCarryEveryKindOfCellAndKeepTheOriginals) {
    xlwt({QStringLiteral("shop"), dir.path()});
    QMap<QString, QByteArray> originals;
    for (const QString& name : files(dir.path()))
        originals[name] = bytes(path(name));
    for (const QString& name : originals.keys()) {
        QStringList steps;  // each step once, at its first report, and at its end
        const auto heard = [&steps](const QString& step, int percent) {
            if (steps.isEmpty() || !steps.last().startsWith(step) || percent == 100)
                steps << QStringLiteral("%1 %2").arg(step).arg(percent);
        };
        ASSERT_EQ(legacy::convertBook(path(name), heard).result, legacy::Outcome::Converted)
            << qPrintable(name);
        EXPECT_EQ(steps, QStringList({"读取 0", "写入 -1", "核对 100"})) << qPrintable(name);
    }
    for (const QString& name : originals.keys())
        EXPECT_EQ(bytes(path(store::keptOldBookName(name))), originals[name]) << qPrintable(name);
    EXPECT_EQ(files(dir.path()).size(), 8);  // nothing left over beside books and originals

    const store::Workbook stock = store::Workbook::open(path("tvkucun.dat"));
    EXPECT_EQ(text(stock, 1, 10), "备注");
    EXPECT_TRUE(stock.cell(4, 1).identical(store::CellValue::fromNumber(6901234567892)));
    EXPECT_EQ(text(stock, 4, 2), "𠀀号矿泉水550ml");  // beyond UTF-16's first plane
    EXPECT_EQ(text(stock, 5, 2), "㐀记酱油500ml");
    EXPECT_TRUE(stock.cell(2, 5).identical(store::CellValue::fromNumber(2.35)));
    EXPECT_TRUE(stock.cell(6, 4).identical(store::CellValue::fromNumber(-3)));
    EXPECT_TRUE(stock.cell(5, 3).isEmpty());  // left out in the old book
    EXPECT_TRUE(stock.cell(7, 8).isEmpty());  // a blank cell there
    const store::Workbook journal = store::Workbook::open(path("tvruku.dat"));
    EXPECT_TRUE(journal.cell(2, 9).identical(store::CellValue::fromText("2011-05-03")));
    EXPECT_TRUE(journal.cell(3, 9).identical(store::CellValue::fromText("2011-05-04")));  // 14:30

    EXPECT_EQ(legacy::convertBook(path("tvkucun.dat")).result, legacy::Outcome::NotOld);
}

TEST_F(OldBooks, CodePageTextsStringsAcrossContinuationsAndStoredFormulaResults) {
    make(QStringLiteral("perl"), {kScripts + "/biff5.pl", path("gbk.dat")});
    xlwt({QStringLiteral("strings"), path("strings.dat"), QStringLiteral("--split-pair")});
    xlwt({QStringLiteral("lo-formulas"), path("lo.dat")});
    for (const char* name : {"gbk.dat", "strings.dat", "lo.dat"})
        ASSERT_EQ(legacy::convertBook(path(name)).result, legacy::Outcome::Converted) << name;

    const store::Workbook gbk = store::Workbook::open(path("gbk.dat"));
    EXPECT_EQ(text(gbk, 2, 2), "可口可乐330ml");
    EXPECT_EQ(text(gbk, 3, 8), "文具批发乙");
    const store::Workbook strings = store::Workbook::open(path("strings.dat"));
    EXPECT_EQ(strings.usedRowCount(), 5001);
    EXPECT_EQ(text(strings, 244, 1), "批次二二二二𠀀42号号");  // its halves in two records
    const store::Workbook lo = store::Workbook::open(path("lo.dat"));
    EXPECT_TRUE(lo.cell(3, 1).identical(store::CellValue::fromNumber(42)));
    EXPECT_EQ(text(lo, 3, 2), "abcd");
}

TEST_F(OldBooks, FormulasWithoutResultsEncryptedAndDamagedFilesAreRefused) {
    xlwt({QStringLiteral("formulas"), path("formulas.dat")});
    EXPECT_TRUE(refused("formulas.dat").contains("（D3、E3、D4）没有保存计算结果"));

    make(QStringLiteral("perl"), {kScripts + "/biff5.pl", path("xor.dat"), "--filepass"});
    make(QStringLiteral("perl"), {kScripts + "/biff5.pl", path("rc4.dat"), "--biff8-filepass"});
    for (const char* name : {"xor.dat", "rc4.dat"})
        EXPECT_TRUE(refused(name).contains("密码")) << name;

    QTemporaryDir good;
    xlwt({QStringLiteral("shop"), good.path()});
    make(QStringLiteral("/usr/bin/python3"),
         {kScripts + "/hostile.py", good.filePath("tvkucun.dat"), dir.path()});
    for (const char* name : {"truncated.dat", "loop.dat", "selfloop.dat", "badsector.dat",
                             "hugesize.dat", "hugefat.dat"})
        EXPECT_TRUE(refused(name).startsWith(QStringLiteral("工作簿 %1：").arg(name))) << name;
    EXPECT_TRUE(refused("sstcount.dat").contains("共享字符串表（SST）声明有 2147483647 个字符串"));
    EXPECT_TRUE(
        refused("sstlong.dat").contains("共享字符串表（SST）第 1 个字符串声明有 65535 个字符"));
}

// A book of Excel 4.0, a bare workbook stream that spreadsheet programs still open, is
// refused by its name; a text export or an empty file under a book's name is told for
// what it is, not as a broken archive.
TEST_F(OldBooks, OlderAndForeignFilesAreToldForWhatTheyAre) {
    const auto write = [this](const char* name, const QByteArray& content) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    };
    // BOF of a BIFF4 worksheet, a label, a number and EOF.
    write("tvchuku.dat", QByteArray::fromHex("0904060000001000000004020b0000000000000003004974"
                                             "6d03020e000100000000000000000000488f400a000000"));
    EXPECT_TRUE(refused("tvchuku.dat").contains("是 Excel 4.0 格式的文件，无法转换"));
    write("tvruku.dat", "商品编号,商品名称\n1001,可口可乐\n");
    write("tvkucun.dat", "");
    for (const auto& [name, kind] : {std::pair{"tvruku.dat", "这是一个文本文件（CSV）"},
                                     std::pair{"tvkucun.dat", "文件是空的"}}) {
        try {
            store::Workbook::open(path(name));
            ADD_FAILURE() << name << " was opened";
        } catch (const store::StoreError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(kind))) << e.message().toStdString();
        }
    }
}

TEST_F(OldBooks, AnOriginalKeptByAStoppedConversionIsTakenAnyOtherIsNeverReplaced) {
    xlwt({QStringLiteral("shop"), dir.path()});
    // Stopped after keeping the original, before replacing the book.
    ASSERT_TRUE(QFile::link(path("tvruku.dat"), path("tvruku.dat.old.xls")) ||
                QFile::copy(path("tvruku.dat"), path("tvruku.dat.old.xls")));
    EXPECT_EQ(legacy::convertBook(path("tvruku.dat")).result, legacy::Outcome::Converted);

    QFile other(path("tvkucun.dat.old.xls"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly) && other.write("another file") > 0);
    other.close();
    EXPECT_TRUE(refused("tvkucun.dat").contains("已经有一个 tvkucun.dat.old.xls"));
}

TEST_F(OldBooks, AReaderThatCrashesEndsOnlyTheConverterAndWritesNothing) {
    ASSERT_TRUE(QFile::copy(kScripts + "/files/reader-crash.xls", path("tvchuku.dat")));
    const QByteArray before = bytes(path("tvchuku.dat"));
    QProcess converter;
    converter.start(QStringLiteral(TAVELO_CONVERT_LEGACY), {dir.path()});
    ASSERT_TRUE(converter.waitForFinished(60000));
    EXPECT_EQ(converter.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(bytes(path("tvchuku.dat")), before);
    EXPECT_FALSE(files(dir.path()).join(' ').contains("convert"));
}

}  // namespace
