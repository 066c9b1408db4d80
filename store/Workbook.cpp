#include "Workbook.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cmath>

#include "AtomicFile.h"
#include "StoreError.h"
#include "xlsx/Formulas.h"
#include "xlsx/Package.h"
#include "xlsx/SheetSettings.h"
#include "xlsx/XmlPullParser.h"

namespace store {

using xlsx::Cell;
using xlsx::CellKind;
using xlsx::WorkbookData;

namespace {

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

[[noreturn]] void failBook(const QString& name, const QString& detail) {
    throw StoreError(QStringLiteral("工作簿 %1：%2").arg(name, detail));
}

// Runs f, turning the engine's internal errors into a StoreError naming the book.
template <class F>
auto guarded(const QString& name, F f) -> decltype(f()) {
    try {
        return f();
    } catch (const AtomicFileError& e) {
        // The file layer names the file; the shop keeper knows it as the book.
        failBook(name, e.message());
    } catch (const StoreError&) {
        throw;
    } catch (const xlsx::XmlError& e) {
        failBook(name, QStringLiteral("XML 格式错误：%1（第 %2 字节）")
                           .arg(QString::fromUtf8(e.what()))
                           .arg(qulonglong(e.offset())));
    } catch (const std::bad_alloc&) {
        failBook(name, QStringLiteral("内存不足"));
    } catch (const std::exception& e) {
        failBook(name, QString::fromUtf8(e.what()));
    }
}

constexpr char kCompoundSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

uint16_t u16At(const QByteArray& bytes, qsizetype at) {
    return uint16_t(uchar(bytes[at]) | uchar(bytes[at + 1]) << 8);
}

// What a file that is no workbook at all looks like, in the shop keeper's words: most
// often a text export or an empty file saved under the book's name. Empty where it may
// be a damaged workbook, for the reader's own message to stand.
QString foreignFileKind(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(4096);
    if (head.isEmpty())
        return QStringLiteral("文件是空的（0 字节），不是工作簿。请从备份中恢复这个文件");
    if (head.startsWith("PK"))
        return {};
    QString text;
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        // "Unicode text" as spreadsheet programs save it.
        QStringDecoder utf16(QStringDecoder::Utf16);
        text = utf16.decode(head);
    } else {
        for (const char c : head) {
            if (uchar(c) < 0x20 && !QByteArrayView("\t\n\r\f\x1b").contains(c))
                return {};
        }
        text = QString::fromUtf8(head);
    }
    const QString start = text.trimmed().left(512).toLower();
    QString kind;
    if (start.startsWith(u'<'))
        kind = start.contains(QLatin1String("<html")) || start.contains(QLatin1String("<table"))
                   ? QStringLiteral("网页文件（HTML）")
                   : QStringLiteral("XML 文本文件");
    else if (const QString firstLine = text.section(u'\n', 0, 0);
             firstLine.contains(u',') || firstLine.contains(u'\t') || firstLine.contains(u';'))
        kind = QStringLiteral("文本文件（CSV）");
    else
        kind = QStringLiteral("文本文件");
    return QStringLiteral(
               "这是一个%1，不是电子表格工作簿。如果它是从电子表格程序导出的，请用电子表格"
               "程序打开它，另存为 Excel 工作簿（.xlsx），再改回原来的文件名")
        .arg(kind);
}

}  // namespace

Workbook::Workbook(std::shared_ptr<WorkbookData> data, QString displayName, QString path)
    : d(std::move(data)), m_name(std::move(displayName)), m_path(std::move(path)) {}
Workbook::Workbook(Workbook&&) noexcept = default;

Workbook Workbook::share() const {
    return Workbook(d, m_name, m_path);
}

Workbook Workbook::detached(const QString& displayName) const {
    return Workbook(d, displayName, QString());
}
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

WorkbookData& Workbook::own() {
    if (d.use_count() > 1)
        d = guarded(m_name, [&] { return std::make_shared<WorkbookData>(*d); });
    return *d;
}

void Workbook::needRow(int row) const {
    if (d->lazy && uint32_t(row) <= d->segments->lastFrozenRow && uint32_t(row) > d->peekedThrough)
        guarded(m_name, [&] { d->materialize(); });
}

WorkbookData& Workbook::wholeSheet() {
    own();
    // A change around the rows is saved whole.
    guarded(m_name, [&] { d->changing(0); });
    return *d;
}

Workbook Workbook::open(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.exists())
        failBook(name, QStringLiteral("文件不存在"));
    if (!info.isFile())
        failBook(name, QStringLiteral("不是文件"));
    if (isOldFormat(path))
        throw OldFormatBook(
            QStringLiteral(
                "工作簿 %1：是旧格式（Excel 97–2003 或更早）的电子表格文件，需要先转换为新格式")
                .arg(name));
    try {
        return guarded(name, [&] {
            return Workbook(WorkbookData::load(xlsx::ZipArchive::openFile(localPath(path))), name,
                            info.absoluteFilePath());
        });
    } catch (const StoreError&) {
        if (const QString kind = foreignFileKind(path); !kind.isEmpty())
            failBook(name, kind);
        throw;
    }
}

bool Workbook::isOldFormat(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    return head == QByteArray::fromRawData(kCompoundSignature, 8) ||
           !bareStreamFormat(head).isEmpty();
}

QString Workbook::bareStreamFormat(const QByteArray& head) {
    if (head.size() < 8)
        return {};
    // The BOF record that starts the stream: its length, then the kind of sheet it opens
    // (workbook globals, worksheet, chart, macro sheet, or a 4.0 workbook).
    const uint16_t length = u16At(head, 2), type = u16At(head, 6);
    if (length < 4 || length > 20 ||
        (type != 0x0005 && type != 0x0006 && type != 0x0010 && type != 0x0020 && type != 0x0040 &&
         type != 0x0100))
        return {};
    switch (u16At(head, 0)) {
        case 0x0009:
            return QStringLiteral("Excel 2.x 格式");
        case 0x0209:
            return QStringLiteral("Excel 3.0 格式");
        case 0x0409:
            return QStringLiteral("Excel 4.0 格式");
        case 0x0809:
            return QStringLiteral("Excel 5.0 或更新格式（不带复合文件外壳）");
        default:
            return {};
    }
}

Workbook Workbook::openBytes(const QByteArray& bytes, const QString& displayName) {
    return guarded(displayName, [&] {
        return Workbook(WorkbookData::load(xlsx::ZipArchive::openMemory(
                            std::string(bytes.constData(), size_t(bytes.size())))),
                        displayName, QString());
    });
}

Workbook Workbook::createNew(const QString& displayName) {
    std::shared_ptr<WorkbookData> d = WorkbookData::createNew();
    d->modified = true;
    return Workbook(std::move(d), displayName, QString());
}

QString Workbook::displayName() const {
    return m_name;
}
QString Workbook::path() const {
    return m_path;
}

void Workbook::fileMovedTo(const QString& path) {
    const QFileInfo info(path);
    m_path = info.absoluteFilePath();
    m_name = info.fileName();
}

static void checkAddress(const QString& name, int row, int col) {
    if (row < 1 || row > Workbook::kMaxRows) {
        failBook(name, QStringLiteral("行号 %1 超出电子表格的范围（1 至 %2）")
                           .arg(row)
                           .arg(Workbook::kMaxRows));
    }
    if (col < 1 || col > Workbook::kMaxColumns) {
        failBook(name, QStringLiteral("列号 %1 超出电子表格的范围（1 至 %2）")
                           .arg(col)
                           .arg(Workbook::kMaxColumns));
    }
}

// Whether a cell holds something a reader would call a value.
static bool holdsValue(const WorkbookData& d, const Cell& c) {
    switch (c.kind) {
        case CellKind::Blank:
            return false;
        case CellKind::Shared:
            return !d.sharedStrings.at(c.index).empty();
        case CellKind::Inline:
            return c.str.len > 0;
        default:
            return true;
    }
}

int Workbook::usedRowCount() const {
    // The open rows of a book read lazily come last: one that holds a value answers.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto it = d->model.rows.rbegin(); it != d->model.rows.rend(); ++it) {
            if (d->lazy && it->index <= d->segments->lastFrozenRow)
                break;
            for (const Cell& c : it->cells) {
                if (holdsValue(*d, c))
                    return int(it->index);
            }
        }
        if (!d->lazy)
            return 1;
        guarded(m_name, [&] { d->materialize(); });
    }
    return 1;
}

int Workbook::usedColumnCount() const {
    guarded(m_name, [&] { d->materialize(); });
    uint32_t last = 1;
    for (const auto& row : d->model.rows) {
        for (auto it = row.cells.rbegin(); it != row.cells.rend(); ++it) {
            if (it->col <= last)
                break;
            if (holdsValue(*d, *it)) {
                last = it->col;
                break;
            }
        }
    }
    return int(last);
}

// What a cell reads as; `text` is the text of the kinds that have one.
static CellValue valueOf(const WorkbookData& d, const Cell& c, std::string_view text) {
    switch (c.kind) {
        case CellKind::Number: {
            if (d.styles.isDate(c.style)) {
                std::string day;
                if (xlsx::serialToIsoDate(c.num, d.date1904, day))
                    return CellValue::fromText(fromUtf8(day));
            }
            return CellValue::fromNumber(c.num);
        }
        case CellKind::Shared:
            return CellValue::fromText(fromUtf8(d.sharedStrings.at(c.index)));
        case CellKind::Inline:
        case CellKind::Error:
            return CellValue::fromText(fromUtf8(text));
        case CellKind::IsoDate:
            // "2011-05-03T00:00:00" is the day 2011-05-03.
            return CellValue::fromText(fromUtf8(
                text.size() >= 10 && text[4] == '-' && text[7] == '-' ? text.substr(0, 10) : text));
        case CellKind::Bool:
            return CellValue::fromText(c.num != 0 ? QStringLiteral("TRUE")
                                                  : QStringLiteral("FALSE"));
        case CellKind::Blank:
            break;
    }
    return {};
}

CellValue Workbook::cell(int row, int col) const {
    checkAddress(m_name, row, col);
    needRow(row);
    const Cell* c = d->model.find(uint32_t(row), uint32_t(col));
    return c == nullptr ? CellValue() : valueOf(*d, *c, d->model.textOf(*c));
}

void Workbook::scanColumns(
    int firstRow, const QList<int>& columns,
    const std::function<void(int row, const ColumnValues& values)>& visit) const {
    std::vector<uint32_t> wanted;
    for (const int col : columns) {
        checkAddress(m_name, 1, col);
        wanted.push_back(uint32_t(col));
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    struct Values : ColumnValues {
        const WorkbookData* d;
        const QList<int>* columns;
        const xlsx::WorkbookData::ScannedRow* cells;
        mutable std::string text;  // kept: most texts of a row are longer than its buffer
        CellValue at(qsizetype k) const override {
            const auto col = uint32_t((*columns)[k]);
            for (size_t i = 0; i < cells->size(); ++i) {
                if (cells->col(i) == col) {
                    text.clear();
                    const Cell c = cells->cell(i, text);
                    return valueOf(*d, c, text);
                }
            }
            return {};
        }
    } values;
    values.d = d.get();
    values.columns = &columns;
    guarded(m_name, [&] {
        d->scanRows(uint32_t(std::max(firstRow, 1)), wanted,
                    [&](uint32_t row, const xlsx::WorkbookData::ScannedRow& cells) {
                        values.cells = &cells;
                        visit(int(row), values);
                    });
    });
}

void Workbook::setCell(int row, int col, const CellValue& value) {
    checkAddress(m_name, row, col);
    // "inf" or "nan" in a sheet makes every other program refuse the whole book.
    if (value.isNumber() && !std::isfinite(value.number)) {
        failBook(m_name, QStringLiteral("第 %1 行第 %2 列：%3 不是有限的数字，不能写入")
                             .arg(row)
                             .arg(col)
                             .arg(QString::number(value.number)));
    }
    guarded(m_name, [&] {
        own();
        const auto r = uint32_t(row), c = uint32_t(col);
        d->changing(r);
        // A shared formula's group may reach into the frozen rows.
        if (const Cell* existing = d->model.find(r, c); existing && existing->hasFormula)
            d->changing(0);
        auto& model = d->model;
        if (const Cell* existing = model.find(r, c); existing && existing->hasFormula) {
            xlsx::keepSharedGroup(model, r, c);
            d->formulasRemoved = true;
        }
        if (value.isEmpty()) {
            const Cell* existing = model.find(r, c);
            if (existing != nullptr) {
                if (existing->style == 0) {
                    model.erase(r, c);
                } else {
                    Cell& cell = model.obtain(r, c);
                    cell.kind = CellKind::Blank;
                    cell.hasFormula = 0;
                    model.formulas.erase(xlsx::SheetModel::key(r, c));
                }
            }
        } else {
            Cell& cell = model.obtain(r, c);
            if (cell.hasFormula) {
                cell.hasFormula = 0;
                model.formulas.erase(xlsx::SheetModel::key(r, c));
            }
            if (value.isNumber()) {
                cell.kind = CellKind::Number;
                cell.num = value.number;
            } else {
                const QByteArray utf8 = value.text.toUtf8();
                const std::string_view text(utf8.constData(), size_t(utf8.size()));
                cell.kind = CellKind::Inline;
                cell.str.off = model.addText(text);
                cell.str.len = uint32_t(text.size());
            }
        }
        d->modified = true;
    });
}

void Workbook::setRow(int row, const QList<CellValue>& values) {
    const bool any =
        std::any_of(values.begin(), values.end(), [](const CellValue& v) { return !v.isEmpty(); });
    if (any) {
        checkAddress(m_name, row, int(values.size()));
        own();
        guarded(m_name, [&] { d->changing(uint32_t(row)); });
        d->model.reserve(uint32_t(row), size_t(values.size()));
    }
    for (int c = 0; c < values.size(); ++c)
        setCell(row, c + 1, values[c]);
}

void Workbook::clearColumn(int col) {
    checkAddress(m_name, 1, col);
    wholeSheet();
    for (auto& row : d->model.rows) {
        auto& cells = row.cells;
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            if (it->col == col) {
                cells.erase(it);
                break;
            }
            if (it->col > col)
                break;
        }
        const uint64_t key = xlsx::SheetModel::key(row.index, uint32_t(col));
        if (d->model.formulas.count(key)) {
            xlsx::keepSharedGroup(d->model, row.index, uint32_t(col));
            d->model.formulas.erase(key);
            d->formulasRemoved = true;
        }
    }
    d->modified = true;
}

std::optional<double> Workbook::columnWidth(int col) const {
    checkAddress(m_name, 1, col);
    return guarded(m_name, [&] { return xlsx::columnWidth(d->layout, uint32_t(col)); });
}

double Workbook::defaultColumnWidth() const {
    return guarded(m_name, [&] { return xlsx::defaultColumnWidth(d->layout); });
}

void Workbook::setColumnWidth(int col, double characters) {
    checkAddress(m_name, 1, col);
    if (!(characters >= 0 && characters <= 255)) {
        failBook(m_name, QStringLiteral("列宽 %1 超出范围（0 至 255）").arg(characters));
    }
    guarded(m_name, [&] { xlsx::setColumnWidth(wholeSheet().layout, uint32_t(col), characters); });
    d->modified = true;
}

double Workbook::defaultRowHeight() const {
    return guarded(m_name, [&] { return xlsx::defaultRowHeight(d->layout); });
}

static HeaderFooterText toText(const xlsx::HeaderSections& s) {
    return {fromUtf8(s.left), fromUtf8(s.center), fromUtf8(s.right)};
}

HeaderFooterText Workbook::header() const {
    return guarded(m_name, [&] { return toText(xlsx::headerSections(d->layout, false)); });
}

HeaderFooterText Workbook::footer() const {
    return guarded(m_name, [&] { return toText(xlsx::headerSections(d->layout, true)); });
}

void Workbook::setCenterHeader(const QString& text) {
    guarded(m_name,
            [&] { xlsx::setCenterSection(wholeSheet().layout, false, text.toStdString()); });
    d->modified = true;
}

void Workbook::setCenterFooter(const QString& text) {
    guarded(m_name, [&] { xlsx::setCenterSection(wholeSheet().layout, true, text.toStdString()); });
    d->modified = true;
}

bool Workbook::printGridLines() const {
    return guarded(m_name, [&] { return xlsx::printGridLines(d->layout); });
}

void Workbook::setPrintGridLines(bool on) {
    guarded(m_name, [&] { xlsx::setPrintGridLines(wholeSheet().layout, on); });
    d->modified = true;
}

PageSetup Workbook::pageSetup() const {
    const auto p = guarded(m_name, [&] { return xlsx::pageSettings(d->layout); });
    PageSetup s;
    s.landscape = p.landscape;
    s.paperSize = p.paperSize;
    s.left = p.left;
    s.right = p.right;
    s.top = p.top;
    s.bottom = p.bottom;
    s.header = p.header;
    s.footer = p.footer;
    return s;
}

bool Workbook::isModified() const {
    return d->modified;
}

void Workbook::save() {
    if (m_path.isEmpty())
        failBook(m_name, QStringLiteral("还没有保存过，没有文件名"));
    guarded(m_name, [&] { d->writeAtomically(localPath(m_path)); });
    // Only a changed book has the flag set, and a changed book owns its cells.
    if (d->modified)
        own().modified = false;
}

void Workbook::saveAs(const QString& path) {
    const QFileInfo info(path);
    guarded(m_name, [&] {
        try {
            d->writeAtomically(localPath(info.absoluteFilePath()));
        } catch (const std::exception& e) {
            throw xlsx::PackageError("无法另存为 " + info.absoluteFilePath().toStdString() + "：" +
                                     e.what());
        }
    });
    m_path = info.absoluteFilePath();
    m_name = info.fileName();
    if (d->modified)
        own().modified = false;
}

QByteArray Workbook::toBytes() const {
    return guarded(m_name, [&] {
        const std::string bytes = d->toBytes();
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    });
}

}  // namespace store
