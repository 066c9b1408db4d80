#include "legacy/BiffStream.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>
#include <QStringDecoder>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "store/Numbers.h"
#include "store/xlsx/Styles.h"

namespace legacy {

namespace {

enum : uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kXf = 0x00E0,
    kString = 0x0207,
    kFormat = 0x041E,
    kBof = 0x0809,
};

struct Record {
    uint16_t id = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

uint16_t u16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t u32(const uint8_t* p) {
    return uint32_t(u16(p)) | uint32_t(u16(p + 2)) << 16;
}

// Walks the records of the stream from a position; every length is checked against the
// end, so a forged length cannot reach outside the stream.
class Records {
public:
    Records(const QByteArray& stream, size_t pos)
        : m_begin(reinterpret_cast<const uint8_t*>(stream.constData())),
          m_size(size_t(stream.size())),
          m_pos(pos) {
        if (pos > m_size)
            throw BiffError("工作表的位置超出了文件末尾");
    }
    bool next(Record& r) {
        if (m_pos == m_size)
            return false;
        if (m_size - m_pos < 4)
            throw BiffError("记录不完整，文件可能被截断");
        r.id = u16(m_begin + m_pos);
        r.size = u16(m_begin + m_pos + 2);
        if (m_size - m_pos - 4 < r.size)
            throw BiffError("记录长度超出了文件末尾，文件可能被截断");
        r.data = m_begin + m_pos + 4;
        m_pos += 4 + r.size;
        return true;
    }
    // Whether a record follows and has this id.
    bool nextIs(uint16_t id) const { return m_size - m_pos >= 4 && u16(m_begin + m_pos) == id; }

private:
    const uint8_t* m_begin;
    size_t m_size;
    size_t m_pos;
};

void need(const Record& r, size_t size) {
    if (r.size < size)
        throw BiffError("记录比规定的短，文件已损坏");
}

QString decodeBytes(const uint8_t* p, size_t n, int codePage) {
    const QByteArray bytes(reinterpret_cast<const char*>(p), qsizetype(n));
    // GB18030 reads every GBK text and more; the Western default covers the rest of the
    // code pages a shop book is likely to declare.
    QByteArray name = codePage == 936   ? QByteArray("GB18030")
                      : codePage == 950 ? QByteArray("Big5")
                      : codePage == 932 ? QByteArray("Shift_JIS")
                      : codePage == 0   ? QByteArray("windows-1252")
                                        : "windows-" + QByteArray::number(codePage);
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        throw BiffError("文件声明的代码页 " + std::to_string(codePage) + " 无法识别");
    return decoder.decode(bytes);
}

// The text of a STRING record, which may go on in CONTINUE records; in the binary format
// of the 97–2003 kind, each piece says again whether its characters take one byte or two.
QString readStringRecord(const Record& first, Records& records, const BiffFacts& facts) {
    need(first, 2);
    size_t remaining = u16(first.data);
    if (facts.version == 5) {
        if (first.size - 2 < remaining)
            throw BiffError("公式结果的文字超出了记录");
        return decodeBytes(first.data + 2, remaining, facts.codePage);
    }
    QString text;
    const uint8_t* p = first.data + 2;
    size_t left = first.size - 2;
    while (remaining > 0) {
        if (left < 1)
            throw BiffError("公式结果的文字不完整");
        const bool wide = *p & 1;
        ++p, --left;
        const size_t width = wide ? 2 : 1;
        const size_t chars = std::min(remaining, left / width);
        for (size_t i = 0; i < chars; ++i)
            text.append(QChar(wide ? u16(p + 2 * i) : p[i]));
        remaining -= chars;
        if (remaining == 0)
            break;
        Record more;
        if (!records.next(more) || more.id != kContinue)
            throw BiffError("公式结果的文字不完整");
        p = more.data, left = more.size;
    }
    return text;
}

std::string readFormatCode(const Record& r, int version, int codePage) {
    if (version == 5) {
        need(r, 3);
        const size_t n = r.data[2];
        if (r.size - 3 < n)
            throw BiffError("数字格式记录已损坏");
        return decodeBytes(r.data + 3, n, codePage).toStdString();
    }
    need(r, 5);
    const size_t n = u16(r.data + 2);
    const bool wide = r.data[4] & 1;
    if (r.size - 5 < n * (wide ? 2 : 1))
        return {};  // a format that goes on in a CONTINUE record is no date format we know
    QString code;
    for (size_t i = 0; i < n; ++i)
        code.append(QChar(wide ? u16(r.data + 5 + 2 * i) : r.data[5 + i]));
    return code.toStdString();
}

// The shared string table of the 97–2003 kind, walked string by string across its CONTINUE
// records as the cell reader walks it, so that a table whose counts or lengths run past its
// end is told as the damage it is, and where, before the cell reader stumbles on it.
void checkSharedStrings(const std::vector<Record>& pieces) {
    const auto damaged = [](const std::string& what) {
        throw BiffError("文件已损坏：共享字符串表（SST）" + what);
    };
    if (pieces[0].size < 8)
        damaged("记录不完整");
    const uint32_t unique = u32(pieces[0].data + 4);
    size_t bytes = 0;
    for (const Record& piece : pieces)
        bytes += piece.size;
    // Every string takes at least its length and its flags.
    if (unique > (bytes - 8) / 3)
        damaged("声明有 " + std::to_string(unique) + " 个字符串，表中放不下这么多");
    size_t index = 0, pos = 8;
    const auto nextPiece = [&](uint32_t string, const char* part) {
        if (++index == pieces.size())
            damaged("第 " + std::to_string(string + 1) + " 个字符串的" + part + "超出了表的末尾");
        pos = 0;
    };
    // Skips n bytes that may go on in the next pieces.
    const auto skip = [&](uint32_t string, size_t n) {
        while (n > pieces[index].size - pos) {
            n -= pieces[index].size - pos;
            nextPiece(string, "格式信息");
        }
        pos += n;
    };
    for (uint32_t k = 0; k < unique; ++k) {
        if (pos == pieces[index].size)
            nextPiece(k, "开头");
        // The length, the flags and what they announce stay in one piece.
        const auto headerNeeds = [&](size_t n) {
            if (pieces[index].size - pos < n)
                damaged("第 " + std::to_string(k + 1) + " 个字符串的开头不完整");
        };
        headerNeeds(3);
        const uint8_t* p = pieces[index].data + pos;
        const uint16_t chars = u16(p);
        uint8_t flags = p[2];
        pos += 3;
        size_t runs = 0, extra = 0;
        if (flags & 0x08) {
            headerNeeds(2);
            runs = u16(pieces[index].data + pos);
            pos += 2;
        }
        if (flags & 0x04) {
            headerNeeds(4);
            extra = u32(pieces[index].data + pos);
            pos += 4;
        }
        // The characters; a piece that goes on says again whether they take one byte or two.
        size_t left = chars;
        while (true) {
            const size_t width = flags & 0x01 ? 2 : 1;
            const size_t take = std::min(left, (pieces[index].size - pos) / width);
            pos += take * width;
            left -= take;
            if (left == 0)
                break;
            if (index + 1 == pieces.size())
                damaged("第 " + std::to_string(k + 1) + " 个字符串声明有 " + std::to_string(chars) +
                        " 个字符，超出了表的末尾");
            nextPiece(k, "文字");
            if (pieces[index].size == 0)
                damaged("第 " + std::to_string(k + 1) + " 个字符串不完整");
            flags = pieces[index].data[0];
            pos = 1;
        }
        skip(k, runs * 4 + extra);
    }
}

struct Globals {
    std::vector<bool> dateXf;
    bool date1904 = false;
    std::optional<uint32_t> firstSheet;
};

Globals readGlobals(Records& records, BiffFacts& facts) {
    Globals g;
    std::set<uint16_t> dateFormats;
    std::vector<uint16_t> xfFormats;
    Record r;
    while (records.next(r) && r.id != kEof) {
        switch (r.id) {
            case kFilePass:
                facts.encrypted = true;
                return g;  // nothing after it can be read without the password
            case kCodePage:
                need(r, 2);
                facts.codePage = u16(r.data);
                break;
            case kDateMode:
                need(r, 2);
                g.date1904 = u16(r.data) == 1;
                break;
            case kFormat:
                need(r, 2);
                if (store::xlsx::Styles::isDateFormatCode(
                        readFormatCode(r, facts.version, facts.codePage)))
                    dateFormats.insert(u16(r.data));
                break;
            case kXf:
                need(r, 4);
                xfFormats.push_back(u16(r.data + 2));
                break;
            case kSst:
                if (facts.version == 8) {
                    std::vector<Record> pieces{r};
                    for (Record more; records.nextIs(kContinue) && records.next(more);)
                        pieces.push_back(more);
                    checkSharedStrings(pieces);
                }
                break;
            case kBoundSheet:
                // The first sheet that is a worksheet, as the cell reader picks it.
                need(r, 6);
                if (!g.firstSheet && r.data[5] == 0)
                    g.firstSheet = u32(r.data);
                break;
        }
    }
    for (uint16_t format : xfFormats)
        g.dateXf.push_back(dateFormats.count(format) ||
                           store::xlsx::Styles::isDateFormatId(format));
    return g;
}

std::optional<store::CellValue> storedResult(const Record& r, Records& records, const Globals& g,
                                             const BiffFacts& facts) {
    const uint8_t* result = r.data + 6;
    if (u16(result + 6) != 0xFFFF) {
        double number;
        std::memcpy(&number, result, 8);
        const uint16_t xf = u16(r.data + 4);
        std::string day;
        if (xf < g.dateXf.size() && g.dateXf[xf] &&
            store::xlsx::serialToIsoDate(number, g.date1904, day))
            return store::CellValue::fromText(QString::fromStdString(day));
        return store::CellValue::fromNumber(number);
    }
    switch (result[0]) {
        case 0: {
            // The text follows in a STRING record, after any shared or array formula.
            Record s;
            while (records.next(s) && s.id != kString) {
                if (s.id == kFormula || s.id == kEof)
                    throw BiffError("公式的文字结果缺失，文件已损坏");
            }
            if (s.id != kString)
                throw BiffError("公式的文字结果缺失，文件已损坏");
            return store::CellValue::fromText(readStringRecord(s, records, facts));
        }
        case 1:
            return store::CellValue::fromText(result[2] ? QStringLiteral("TRUE")
                                                        : QStringLiteral("FALSE"));
        case 2: {
            static const std::pair<int, const char*> kErrors[] = {
                {0x00, "#NULL!"}, {0x07, "#DIV/0!"}, {0x0F, "#VALUE!"}, {0x17, "#REF!"},
                {0x1D, "#NAME?"}, {0x24, "#NUM!"},   {0x2A, "#N/A"}};
            for (const auto& [code, text] : kErrors) {
                if (result[2] == code)
                    return store::CellValue::fromText(QString::fromLatin1(text));
            }
            return store::CellValue::fromText(QStringLiteral("#N/A"));
        }
        default:
            // An empty text is what writers that never calculate store for every formula.
            return std::nullopt;
    }
}

}  // namespace

BiffFacts scanWorkbookStream(const QByteArray& stream) {
    BiffFacts facts;
    Records records(stream, 0);
    Record bof;
    if (!records.next(bof) || bof.id != kBof || bof.size < 4)
        return facts;  // Excel 2.x–4.0 keep a single sheet and other record numbers
    const uint16_t version = u16(bof.data);
    if (version != 0x0500 && version != 0x0600)
        return facts;
    facts.version = version == 0x0600 ? 8 : 5;
    const Globals g = readGlobals(records, facts);
    if (facts.encrypted || !g.firstSheet)
        return facts;

    Records sheet(stream, *g.firstSheet);
    Record r;
    if (!sheet.next(r) || r.id != kBof)
        throw BiffError("第一个工作表的起始位置不对，文件已损坏");
    // Charts inside a sheet bring their own BOF…EOF; only the sheet's own records count.
    int depth = 1;
    while (depth > 0 && sheet.next(r)) {
        if (r.id == kBof)
            ++depth;
        else if (r.id == kEof)
            --depth;
        else if (r.id == kFormula && depth == 1) {
            need(r, 20);
            facts.formulas.push_back(
                {u16(r.data), u16(r.data + 2), storedResult(r, sheet, g, facts)});
        }
    }
    return facts;
}

QByteArray workbookStream(const QByteArray& compoundFile) {
    struct Unref {
        void operator()(gpointer p) const { g_object_unref(p); }
    };
    using Input = std::unique_ptr<GsfInput, Unref>;
    using Infile = std::unique_ptr<GsfInfile, Unref>;
    gsf_init();
    // Its warnings about a damaged file would reach the shop keeper's summary as noise;
    // the failure itself comes back as an error and is told in words.
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);

    Input memory(gsf_input_memory_new(reinterpret_cast<const guint8*>(compoundFile.constData()),
                                      gsf_off_t(compoundFile.size()), FALSE));
    GError* error = nullptr;
    Infile ole(gsf_infile_msole_new(memory.get(), &error));
    if (!ole) {
        const std::string why = error ? error->message : "";
        g_clear_error(&error);
        throw BiffError("复合文件结构已损坏（" + why + "）");
    }
    Input stream;
    for (int i = 0; i < gsf_infile_num_children(ole.get()) && !stream; ++i) {
        const QString name = QString::fromUtf8(gsf_infile_name_by_index(ole.get(), i));
        if (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)
            stream.reset(gsf_infile_child_by_index(ole.get(), i));
    }
    if (!stream)
        throw BiffError("文件中没有电子表格数据");
    // A stream cannot be longer than the file that holds it, whatever its entry declares.
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > compoundFile.size())
        throw BiffError("数据流声明的长度超出了文件大小，文件已损坏");
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0 &&
        !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8*>(bytes.data())))
        throw BiffError("数据流读取失败，文件已损坏或被截断");
    return bytes;
}

}  // namespace legacy
