#include "legacy/Conversion.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <map>
#include <optional>

#include "legacy/OldBook.h"
#include "store/AtomicFile.h"
#include "store/DataBooks.h"
#include "store/Numbers.h"
#include "store/ReadProgress.h"
#include "store/Workbook.h"

namespace legacy {

namespace {

constexpr int kTextSamples = 5;
constexpr int kSampleLength = 24;
const QString kCodeCaption = QStringLiteral("商品编号");

std::string local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// What the summary shows of a book, taken from the new book as the program reads it.
struct Figures {
    int rows = 0;
    qsizetype cells = 0;
    std::map<int, double> sums;      // by column, over the columns that hold numbers
    std::optional<qsizetype> items;  // distinct item codes, which are counted, not added up
    QStringList texts;
    QStringList sumTexts;
};

QString shortened(const QString& text) {
    return text.size() > kSampleLength ? text.left(kSampleLength) + QStringLiteral("…") : text;
}

Figures readBack(const QString& fresh, const OldBook& old, const QString& name) {
    const store::Workbook wb = store::Workbook::open(fresh);
    for (const OldCell& cell : old.cells) {
        const store::CellValue back = wb.cell(cell.row, cell.col);
        if (!back.identical(cell.value))
            refuseBook(name, QStringLiteral("新文件读回核对不一致：单元格 %1 原为“%2”，读回为“%3”。"
                                            "原文件没有改动")
                                 .arg(cellName(cell.row, cell.col), cell.value.displayText(),
                                      back.displayText()));
    }
    Figures f;
    QStringList texts;
    f.rows = wb.usedRowCount();
    const int columns = wb.usedColumnCount();
    // Every data book keeps its item codes in column 1 under this caption.
    const bool hasCodes = wb.cell(1, 1).displayText() == kCodeCaption;
    QSet<QString> codes;
    for (int r = 1; r <= f.rows; ++r) {
        for (int c = 1; c <= columns; ++c) {
            const store::CellValue v = wb.cell(r, c);
            if (v.isEmpty())
                continue;
            ++f.cells;
            if (c == 1 && hasCodes && r > 1)
                codes.insert(v.displayText());
            else if (v.isNumber())
                f.sums[c] += v.number;
            else
                texts << v.text;
        }
    }
    const int expectedRows = old.cells.empty() ? 1 : old.cells.back().row;
    if (f.cells != qsizetype(old.cells.size()) || f.rows != expectedRows)
        refuseBook(name,
                   QStringLiteral("新文件读回核对不一致：原有 %1 行 %2 个单元格，读回 %3 行 %4 个。"
                                  "原文件没有改动")
                       .arg(expectedRows)
                       .arg(old.cells.size())
                       .arg(f.rows)
                       .arg(f.cells));
    for (int i = 0; i < kTextSamples && i < texts.size(); ++i) {
        const qsizetype at = texts.size() == 1 ? 0 : i * (texts.size() - 1) / (kTextSamples - 1);
        const QString sample = QStringLiteral("“%1”").arg(shortened(texts[at]));
        if (!f.texts.contains(sample))
            f.texts << sample;
    }
    if (hasCodes)
        f.items = codes.size();
    for (const auto& [col, sum] : f.sums) {
        const store::CellValue caption = wb.cell(1, col);
        const QString label = caption.isText()
                                  ? caption.text
                                  : QStringLiteral("%1 列").arg(cellName(1, col).chopped(1));
        // A long column's sum carries the binary dust of its additions; no shop figure has
        // more than six decimals.
        f.sumTexts << QStringLiteral("%1 %2").arg(
            label, store::formatGeneral(store::roundMillionths(sum)));
    }
    return f;
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    if (::stat(local(a).c_str(), &sa) == 0 && ::stat(local(b).c_str(), &sb) == 0 &&
        sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return true;
    QFile fa(a), fb(b);
    return fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly) && fa.size() == fb.size() &&
           fa.readAll() == fb.readAll();
}

// A second name for the original, or a copy where the disk has no second names. One
// that a stopped conversion already made is taken as it is; any other is never replaced.
void keepOriginal(const QString& real, const QString& kept, const QString& name) {
    if (QFileInfo::exists(kept)) {
        if (!sameFile(real, kept))
            refuseBook(name,
                       QStringLiteral("已经有一个 %1，内容与现在的文件不同；为免覆盖它，没有转换。"
                                      "请先把它移到别处")
                           .arg(QFileInfo(kept).fileName()));
        return;
    }
    if (::link(local(real).c_str(), local(kept).c_str()) != 0)
        store::copyFileAtomically(real, kept);
    store::flushFolder(local(QFileInfo(kept).absolutePath()));
}

QString summary(const QString& name, const OldBook& old, const Figures& f, const QString& kept) {
    QStringList lines;
    lines << QStringLiteral("%1：已转换为新格式（原为 %2）").arg(name, old.description())
          << QStringLiteral("    用本程序读回核对，与原文件逐格相同：%1 行，%2 个单元格")
                 .arg(f.rows)
                 .arg(f.cells);
    if (f.items)
        lines << QStringLiteral("    商品：%1 种（按%2计）").arg(*f.items).arg(kCodeCaption);
    lines << QStringLiteral("    数值列合计：%1")
                 .arg(f.sumTexts.isEmpty() ? QStringLiteral("（没有数值）")
                                           : f.sumTexts.join(QStringLiteral("；")))
          << QStringLiteral("    文字抽样：%1")
                 .arg(f.texts.isEmpty() ? QStringLiteral("（没有文字）")
                                        : f.texts.join(QStringLiteral("、")));
    if (!old.otherSheets.isEmpty())
        lines << QStringLiteral(
                     "    本程序只使用第一个工作表；其他工作表没有转换，仍完整地保存在原文件中：%1")
                     .arg(old.otherSheets.join(QStringLiteral("、")));
    if (name == store::bookFileName(store::Book::Report))
        lines << QStringLiteral(
                     "    旧文件的页面设置（纸张、方向、页边距）无法读取，已用默认设置；如原来另有"
                     "设置，请用电子表格程序打开 %1 重新设置")
                     .arg(name);
    lines << QStringLiteral("    原文件原样保留为 %1").arg(QFileInfo(kept).fileName());
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

Outcome convertBook(const QString& path, const ConversionProgress& progress) {
    const auto tell = [&progress](const QString& step, int percent) {
        if (progress)
            progress(step, percent);
    };
    const QString name = QFileInfo(path).fileName();
    const QString real = QString::fromStdString(store::resolvedPath(local(path)));
    const QFileInfo info(real);
    const QString dir = info.absolutePath();
    const QString fresh =
        QDir(dir).filePath(QStringLiteral(".%1.convert-new").arg(info.fileName()));
    const QString kept = QDir(dir).filePath(store::keptOldBookName(info.fileName()));
    try {
        if (!info.exists())
            refuseBook(name, QStringLiteral("文件不存在"));
        if (!store::Workbook::isOldFormat(real))
            return {Outcome::NotOld, QStringLiteral("%1：不是旧格式的文件，不需要转换").arg(name)};
        const QDateTime modified = info.lastModified();
        const qint64 size = info.size();

        tell(QStringLiteral("读取"), 0);
        const OldBook old =
            readOldBook(real, name, [&](int percent) { tell(QStringLiteral("读取"), percent); });
        tell(QStringLiteral("写入"), -1);
        store::Workbook book = store::Workbook::createNew(name);
        for (const OldCell& cell : old.cells)
            book.setCell(cell.row, cell.col, cell.value);
        book.saveAs(fresh);
        const store::ReadProgressScope checking(
            [&](int percent) { tell(QStringLiteral("核对"), percent); });
        const Figures figures = readBack(fresh, old, name);

        const QFileInfo now(real);
        if (now.lastModified() != modified || now.size() != size)
            refuseBook(
                name, QStringLiteral("在转换期间被其他程序改动了，没有替换。请关闭其他程序后再试"));
        keepOriginal(real, kept, name);
        store::adoptAttributes(local(fresh), local(real));
        if (::rename(local(fresh).c_str(), local(real).c_str()) != 0)
            refuseBook(name, QStringLiteral("无法用新文件替换：%1")
                                 .arg(QString::fromStdString(store::systemErrorText(errno))));
        store::flushFolder(local(dir));
        return {Outcome::Converted, summary(name, old, figures, kept)};
    } catch (const store::AtomicFileError& failure) {
        // Names a file, not the book; every other failure names the book itself.
        QFile::remove(fresh);
        return {Outcome::Refused, QStringLiteral("工作簿 %1：%2").arg(name, failure.message())};
    } catch (const store::StoreError& failure) {
        QFile::remove(fresh);
        return {Outcome::Refused, failure.message()};
    } catch (const std::bad_alloc&) {
        QFile::remove(fresh);
        return {Outcome::Refused, QStringLiteral("工作簿 %1：内存不足").arg(name)};
    }
}

}  // namespace legacy
