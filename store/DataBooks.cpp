#include "DataBooks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <unistd.h>

#include <cerrno>

#include "AtomicFile.h"
#include "KeptBooks.h"
#include "Numbers.h"
#include "StoreError.h"
#include "ValueRules.h"
#include "Workbook.h"

namespace store {

QString bookFileName(Book book) {
    return QString::fromLatin1(layoutOf(book).fileName);
}

QString bookTitle(Book book) {
    return QString::fromUtf8(layoutOf(book).title);
}

QString backupFileName(Book book) {
    return QString::fromLatin1(layoutOf(book).backupName);
}

bool sameItemCode(const QString& a, const QString& b) {
    const std::optional<double> x = parseDecimal(a), y = parseDecimal(b);
    return x && y ? *x == *y : a == b;
}

std::shared_ptr<KeptBooks> keptDataBooks() {
    QStringList names;
    for (Book book : kDataBooks)
        names << bookFileName(book);
    return std::make_shared<KeptBooks>(names);
}

QString bookPath(const QString& programDir, Book book) {
    return QDir(programDir).filePath(bookFileName(book));
}

QStringList oldFormatBooks(const QString& programDir) {
    QStringList old;
    for (Book book : kAllBooks) {
        if (Workbook::isOldFormat(bookPath(programDir, book)))
            old << bookPath(programDir, book);
    }
    return old;
}

QString keptOldBookName(const QString& bookFileName) {
    return bookFileName + QStringLiteral(".old.xls");
}

QStringList bookCaptions(Book book) {
    QStringList captions;
    for (const BookColumn& column : layoutOf(book).columns)
        captions << QString::fromUtf8(column.caption);
    return captions;
}

QString columnCaption(Book book, int col) {
    const auto columns = layoutOf(book).columns;
    return col >= 1 && col <= std::ssize(columns) ? QString::fromUtf8(columns[col - 1].caption)
                                                  : QString();
}

QString installServerMessage() {
    return QStringLiteral("请先安装Excel电子表格软件");
}

BookPass::BookPass(const ServerFactory& factory, const QString& path)
    : m_name(QFileInfo(path).fileName()) {
    m_server = factory();
    if (!m_server)
        throw ServerUnavailable(installServerMessage());
    m_server->openWorkbook(path);
    m_server->activateSheet(1);
}

BookPass::~BookPass() {
    if (!m_server)
        return;
    // Closing never asks and quitting always ends the server, even after an error.
    try {
        m_server->closeWorkbooks();
    } catch (...) {
    }
    try {
        m_server->quit();
    } catch (...) {
    }
}

StoreError BookPass::cellError(int row, int col, const QString& detail) const {
    return StoreError(
        QStringLiteral("工作簿 %1 第 %2 行第 %3 列：%4").arg(m_name).arg(row).arg(col).arg(detail));
}

int BookPass::usedRowCount() {
    return m_server->usedRowCount();
}

CellValue BookPass::value(int row, int col) {
    if (row == m_scanning.row && m_scanning.values) {
        if (const qsizetype k = m_scanning.columns->indexOf(col); k >= 0)
            return m_scanning.values->at(k);
    }
    return m_server->cell(row, col);
}

void BookPass::scanRows(const QList<int>& columns, const std::function<void(int row)>& visit) {
    struct Done {
        Scanning& scanning;
        ~Done() { scanning = {}; }
    } done{m_scanning};
    m_scanning.columns = &columns;
    m_server->scanColumns(2, columns, [&](int row, const ColumnValues& values) {
        m_scanning.row = row;
        m_scanning.values = &values;
        visit(row);
    });
}

double BookPass::number(int row, int col) {
    const CellValue v = value(row, col);
    try {
        return readNumber(v);
    } catch (const StoreError& e) {
        throw cellError(row, col, e.message());
    }
}

double BookPass::requireNumber(int row, int col) {
    const CellValue v = value(row, col);
    try {
        return store::requireNumber(v);
    } catch (const StoreError& e) {
        throw cellError(row, col, e.message());
    }
}

bool BookPass::meets(int row, int col, Condition condition, const QString& text) {
    return valueMeets(value(row, col), condition, text);
}

bool BookPass::less(int row, int a, int b) {
    return valueBelow(value(row, a), value(row, b));
}

int BookPass::findItemByNumber(double code) {
    const int n = usedRowCount();
    const CellValue wanted = CellValue::fromNumber(code);
    int found = 0;
    for (int r = 2; r <= n; ++r) {
        const CellValue v = value(r, InventoryCol::ItemCode);
        bool same;
        try {
            same = valueEquals(v, wanted);
        } catch (const StoreError& e) {
            throw cellError(r, InventoryCol::ItemCode, e.message());
        }
        if (same)
            found = r;
    }
    return found;
}

int BookPass::findItemByCode(const QString& code) {
    const std::optional<double> wanted = parseDecimal(code);
    const int n = usedRowCount();
    int found = 0;
    for (int r = 2; r <= n; ++r) {
        if (wanted ? number(r, InventoryCol::ItemCode) == *wanted
                   : value(r, InventoryCol::ItemCode).displayText() == code)
            found = r;
    }
    return found;
}

void BookPass::writeRow(int row, const QList<CellValue>& values) {
    for (int c = 0; c < values.size(); ++c)
        m_server->setCell(row, c + 1, values[c]);
}

void BookPass::save() {
    m_server->save();
}

namespace {

// Moves tmp to target only if target does not exist: link() refuses to replace.
bool linkNoReplace(const QString& tmp, const QString& target) {
    const QByteArray from = QFile::encodeName(tmp), to = QFile::encodeName(target);
    const int rc = ::link(from.constData(), to.constData());
    const int saved = errno;
    ::unlink(from.constData());
    if (rc == 0)
        return true;
    if (saved == EEXIST)
        return false;
    throw StoreError(QStringLiteral("无法写入 %1：%2")
                         .arg(target, QString::fromStdString(systemErrorText(saved))));
}

}  // namespace

Workbook initialBook(Book book) {
    Workbook wb = Workbook::createNew(bookFileName(book));
    for (const BookColumn& column : layoutOf(book).columns) {
        wb.setCell(1, column.number, CellValue::fromText(QString::fromUtf8(column.caption)));
        wb.setColumnWidth(column.number, column.bookWidth);
    }
    return wb;
}

QStringList writeInitialBooks(const QString& dir) {
    QStringList written;
    if (!QFileInfo(dir).isDir())
        throw StoreError(QStringLiteral("文件夹 %1 不存在").arg(dir));
    for (Book book : kAllBooks) {
        const QString target = bookPath(dir, book);
        if (QFileInfo::exists(target))
            continue;
        Workbook wb = initialBook(book);
        const QString tmp = QDir(dir).filePath(QStringLiteral(".%1.new").arg(bookFileName(book)));
        wb.saveAs(tmp);
        if (linkNoReplace(tmp, target))
            written << bookFileName(book);
    }
    return written;
}

}  // namespace store
