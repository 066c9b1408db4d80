#include "legacy/OldBook.h"

#include <freexl.h>
#include <QFile>

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "legacy/BiffStream.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

namespace legacy {

namespace {

// Old books of a small shop are a few megabytes; anything near this is no shop book.
constexpr qint64 kMaxFileSize = qint64(1) << 30;
constexpr int kCellsNamed = 10;

QString encryptedText() {
    return QStringLiteral(
        "文件设有密码保护（已加密），无法读取。请先在电子表格程序中取消密码并保存，再转换");
}

QString freexlError(int code) {
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return QStringLiteral("文件不存在或无法打开");
        case FREEXL_INSUFFICIENT_MEMORY:
            return QStringLiteral("内存不足");
        case FREEXL_CFBF_READ_ERROR:
        case FREEXL_CFBF_SEEK_ERROR:
            return QStringLiteral("读取失败，文件可能被截断");
        case FREEXL_INVALID_CHARACTER:
        case FREEXL_UNSUPPORTED_CHARSET:
            return QStringLiteral("文件中的文字编码无法识别");
        default:
            return QStringLiteral("文件已损坏，无法读取（错误码 %1）").arg(code);
    }
}

struct FreeXl {
    const void* handle = nullptr;
    ~FreeXl() {
        if (handle)
            freexl_close(handle);
    }
};

uint64_t key(int row, int col) {
    return uint64_t(uint32_t(row)) << 16 | uint32_t(col);
}

store::CellValue fromFreeXl(const FreeXL_CellValue& cell) {
    switch (cell.type) {
        case FREEXL_CELL_INT:
            return store::CellValue::fromNumber(cell.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return store::CellValue::fromNumber(cell.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:  // already "yyyy-mm-dd"
        case FREEXL_CELL_TIME:  // "hh:mm:ss": a time alone names no day to keep
            return store::CellValue::fromText(QString::fromUtf8(cell.value.text_value));
        case FREEXL_CELL_DATETIME:
            // "yyyy-mm-dd hh:mm:ss": its day, as a date cell of a new-format book reads,
            // so that the day's search finds the record.
            return store::CellValue::fromText(QString::fromUtf8(cell.value.text_value).left(10));
        default:
            return {};
    }
}

qsizetype countCells(const void* handle, unsigned int sheet, const QString& name) {
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (const int rc = freexl_select_active_worksheet(handle, (unsigned short)sheet);
        rc != FREEXL_OK)
        refuseBook(name, freexlError(rc));
    if (const int rc = freexl_worksheet_dimensions(handle, &rows, &columns); rc != FREEXL_OK)
        refuseBook(name, freexlError(rc));
    qsizetype n = 0;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned int c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, (unsigned short)c, &cell) == FREEXL_OK &&
                cell.type != FREEXL_CELL_NULL)
                ++n;
        }
    }
    return n;
}

}  // namespace

void refuseBook(const QString& name, const QString& why) {
    throw store::StoreError(QStringLiteral("工作簿 %1：%2").arg(name, why));
}

QString cellName(int row, int col) {
    QString letters;
    for (int c = col; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

QString OldBook::description() const {
    const QString format =
        version == 5 ? QStringLiteral("Excel 5.0/95 格式") : QStringLiteral("Excel 97–2003 格式");
    const QString encoding = codePage == 1200  ? QStringLiteral("UTF-16")
                             : codePage == 936 ? QStringLiteral("GBK（代码页 936）")
                                               : QStringLiteral("代码页 %1").arg(codePage);
    return QStringLiteral("%1，文字编码 %2").arg(format, encoding);
}

OldBook readOldBook(const QString& path, const QString& name,
                    const std::function<void(int percent)>& rowsRead) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuseBook(name, QStringLiteral("无法打开（%1）").arg(file.errorString()));
    if (file.size() > kMaxFileSize)
        refuseBook(name, QStringLiteral("文件过大，不像是数据文件"));
    const QByteArray bytes = file.readAll();
    const auto tooOld = [&name](const QString& format) {
        refuseBook(name, QStringLiteral("是 %1的文件，无法转换。请先用电子表格程序另存为 "
                                        "Excel 97–2003 格式，再转换")
                             .arg(format));
    };
    if (const QString bare = store::Workbook::bareStreamFormat(bytes.left(8)); !bare.isEmpty())
        tooOld(bare);

    OldBook book;
    BiffFacts facts;
    try {
        facts = scanWorkbookStream(workbookStream(bytes));
    } catch (const BiffError& e) {
        refuseBook(name, QString::fromStdString(e.what()));
    }
    if (facts.encrypted)
        refuseBook(name, encryptedText());
    if (facts.version == 0)
        tooOld(QStringLiteral("Excel 4.0 或更早格式"));
    book.version = facts.version;

    FreeXl xl;
    if (const int rc = freexl_open(QFile::encodeName(path).constData(), &xl.handle);
        rc != FREEXL_OK)
        refuseBook(name, freexlError(rc));
    unsigned int info = 0;
    if (freexl_get_info(xl.handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        refuseBook(name, encryptedText());
    if (freexl_get_info(xl.handle, FREEXL_BIFF_CODEPAGE, &info) == FREEXL_OK)
        book.codePage = int(info == FREEXL_BIFF_UTF16LE ? 1200 : info);
    unsigned int sheets = 0;
    if (freexl_get_info(xl.handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        refuseBook(name, QStringLiteral("文件中没有工作表"));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (const int rc = freexl_select_active_worksheet(xl.handle, 0); rc != FREEXL_OK)
        refuseBook(name, freexlError(rc));
    if (const int rc = freexl_worksheet_dimensions(xl.handle, &rows, &columns); rc != FREEXL_OK)
        refuseBook(name, freexlError(rc));

    // The cell reader leaves formula cells empty; their stored results fill them.
    std::unordered_map<uint64_t, const FormulaResult*> formulas;
    for (const FormulaResult& f : facts.formulas)
        formulas[key(f.row, f.col)] = &f;
    QStringList unknown;
    int unknownCount = 0;
    const auto place = [&](int row, int col, const store::CellValue& value) {
        if (!value.isEmpty())
            book.cells.push_back({row + 1, col + 1, value});
    };
    const auto placeFormula = [&](const FormulaResult& f) {
        if (f.value)
            place(f.row, f.col, *f.value);
        else if (++unknownCount <= kCellsNamed)
            unknown << cellName(f.row + 1, f.col + 1);
    };
    int told = -1;
    for (unsigned int r = 0; r < rows; ++r) {
        if (const int percent = int(qint64(r) * 100 / rows); rowsRead && percent != told)
            rowsRead(told = percent);
        for (unsigned int c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (const int rc = freexl_get_cell_value(xl.handle, r, (unsigned short)c, &cell);
                rc != FREEXL_OK)
                refuseBook(name, freexlError(rc));
            if (cell.type != FREEXL_CELL_NULL) {
                place(int(r), int(c), fromFreeXl(cell));
                continue;
            }
            if (const auto f = formulas.find(key(int(r), int(c))); f != formulas.end())
                placeFormula(*f->second);
        }
    }
    // A formula the sheet's declared size leaves out is still a cell of the book.
    bool outside = false;
    for (const FormulaResult& f : facts.formulas) {
        if (unsigned(f.row) >= rows || unsigned(f.col) >= columns) {
            placeFormula(f);
            outside = true;
        }
    }
    for (unsigned int sheet = 1; sheet < sheets; ++sheet) {
        if (const qsizetype n = countCells(xl.handle, sheet, name); n > 0) {
            const char* sheetName = nullptr;
            freexl_get_worksheet_name(xl.handle, (unsigned short)sheet, &sheetName);
            book.otherSheets << QStringLiteral("%1（%2 个单元格）")
                                    .arg(sheetName
                                             ? QString::fromUtf8(sheetName)
                                             : QStringLiteral("第 %1 个工作表").arg(sheet + 1))
                                    .arg(n);
        }
    }
    if (outside)
        std::stable_sort(book.cells.begin(), book.cells.end(),
                         [](const OldCell& a, const OldCell& b) {
                             return a.row != b.row ? a.row < b.row : a.col < b.col;
                         });
    if (unknownCount > 0)
        refuseBook(name,
                   QStringLiteral("有 %1 个公式单元格（%2%3）没有保存计算结果，为免把它们当作空白"
                                  "导入，没有转换。请先用电子表格程序打开这个文件并保存一次，"
                                  "或把这些公式换成数值，然后再转换")
                       .arg(unknownCount)
                       .arg(unknown.join(QStringLiteral("、")),
                            unknownCount > kCellsNamed ? QStringLiteral("等") : QString()));
    return book;
}

}  // namespace legacy
