#include "Package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>
#include <pugixml.hpp>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <thread>

#include "Formulas.h"
#include "RowScanner.h"
#include "Segments.h"
#include "XmlPullParser.h"
#include "XmlText.h"
#include "store/AtomicFile.h"
#include "store/ReadProgress.h"

namespace store::xlsx {

namespace {

// Small parts are read whole into a DOM; more than this is no workbook of ours.
constexpr size_t kMaxDomPartBytes = size_t(64) << 20;

// The open segment: rewritten by each append until it holds this much, then frozen. Small
// enough to deflate in a few milliseconds, large enough that a fresh segment's cold start
// costs nothing worth measuring in size.
constexpr size_t kOpenSegmentBytes = size_t(256) << 10;
// Frozen rows are deflated in pieces of this much text: small enough that a reader holds
// one whole while the next is inflated, large enough that the cold start of each costs
// nothing worth measuring in size.
constexpr size_t kPieceBytes = size_t(1) << 20;
// Segments read alone on open: more is no open segment written here.
constexpr uint64_t kMaxOpenRead = uint64_t(64) << 20;
// Of the frozen rows, as many as this much of their text holds are read on open.
constexpr size_t kPeekBytes = size_t(16) << 10;

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "</Types>";

constexpr const char* kRootRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/>"
    "</Relationships>";

constexpr const char* kWorkbook =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<bookViews><workbookView/></bookViews>"
    "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
    "</workbook>";

constexpr const char* kWorkbookRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>"
    "</Relationships>";

// One font (宋体 11, the usual face of a Chinese spreadsheet) and the required defaults.
constexpr const char* kStyles =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"宋体\"/><family val=\"3\"/><charset "
    "val=\"134\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
    "patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
    "borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
    "xfId=\"0\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string percentDecode(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() &&
            std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out.push_back(char(std::strtol(std::string(s.substr(i + 1, 2)).c_str(), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// A relationship target relative to the part that holds it, as a zip entry name.
std::string resolveTarget(std::string_view sourcePart, std::string_view target) {
    std::string path;
    if (!target.empty() && target.front() == '/') {
        path = std::string(target.substr(1));
    } else {
        const size_t slash = sourcePart.rfind('/');
        path = (slash == std::string_view::npos ? std::string()
                                                : std::string(sourcePart.substr(0, slash + 1))) +
               std::string(target);
    }
    path = percentDecode(path);
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string seg = path.substr(start, slash - start);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = slash + 1;
    }
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty())
            out += '/';
        out += p;
    }
    return out;
}

std::string relsPartFor(std::string_view part) {
    const size_t slash = part.rfind('/');
    if (slash == std::string_view::npos)
        return "_rels/" + std::string(part) + ".rels";
    return std::string(part.substr(0, slash + 1)) + "_rels/" + std::string(part.substr(slash + 1)) +
           ".rels";
}

struct Relationship {
    std::string type, target;
    bool external = false;
};

std::string readDomPart(ZipArchive& zip, size_t index) {
    std::string bytes = zip.readAll(index);
    if (bytes.size() > kMaxDomPartBytes)
        throw PackageError("部件 " + zip.entryName(index) + " 过大");
    return bytes;
}

void loadDom(pugi::xml_document& doc, const std::string& bytes, const std::string& part) {
    try {
        XmlPullParser::checkDocument(bytes);
    } catch (const XmlError& e) {
        throw PackageError("部件 " + part + " 的 XML 格式错误：" + e.what() + "（第 " +
                           std::to_string(e.offset()) + " 字节）");
    }
    const auto result =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        throw PackageError("部件 " + part + " 的 XML 格式错误：" + result.description() + "（第 " +
                           std::to_string(result.offset) + " 字节）");
    }
}

std::vector<std::pair<std::string, Relationship>> readRels(ZipArchive& zip,
                                                           const std::string& relsPart,
                                                           const std::string& sourcePart) {
    std::vector<std::pair<std::string, Relationship>> rels;
    const auto index = zip.find(relsPart);
    if (!index)
        return rels;
    const std::string bytes = readDomPart(zip, *index);
    pugi::xml_document doc;
    loadDom(doc, bytes, relsPart);
    for (pugi::xml_node r : doc.document_element().children()) {
        if (localName(r.name()) != "Relationship")
            continue;
        Relationship rel;
        rel.type = r.attribute("Type").as_string();
        rel.external = std::string_view(r.attribute("TargetMode").as_string()) == "External";
        rel.target = rel.external ? r.attribute("Target").as_string()
                                  : resolveTarget(sourcePart, r.attribute("Target").as_string());
        rels.emplace_back(r.attribute("Id").as_string(), rel);
    }
    return rels;
}

// Runs a streaming read of a part, naming the part in XML errors. The worksheet's read is
// the long one, and says how far it has come.
template <class Read>
void streamPart(ZipArchive& zip, size_t index, Read read, bool reportsProgress = false) {
    auto entry = zip.openEntry(index);
    XmlPullParser parser([&](char* buf, size_t cap) {
        const size_t n = entry->read(buf, cap);
        if (reportsProgress)
            reportSheetRead(n == 0 ? entry->size() : entry->done(), entry->size());
        return n;
    });
    try {
        read(parser);
    } catch (const XmlError& e) {
        throw PackageError("部件 " + zip.entryName(index) + " 的 XML 格式错误：" + e.what() +
                           "（第 " + std::to_string(e.offset()) + " 字节）");
    }
}

}  // namespace

DeflateChoice defaultDeflate() {
    // Deflating the sheet is most of a save. On the 40.8 MB sheet of a 100,000-record
    // journal (bench/, BM_DeflateSheet, median of 3): libdeflate level 1 takes 111 ms for
    // 6.02 MB, level 3 184 ms for 5.88 MB, level 6 419 ms for 5.07 MB; zlib through
    // libzip 181 ms at level 1 and 662 ms at level 6 (5.28 MB). A posting saves two books
    // while the shop keeper waits: the fastest setting costs 2 % in size over level 3.
    return {DeflateCodec::Libdeflate, 1};
}

std::unique_ptr<WorkbookData> WorkbookData::load(std::unique_ptr<ZipArchive> archive) {
    auto d = std::make_unique<WorkbookData>();
    ZipArchive& zip = *archive;

    // Carried over unread, but another program reads it: refused like any other part when
    // it is not plain XML (a DOCTYPE, nesting beyond the limit).
    if (const auto types = zip.find("[Content_Types].xml")) {
        pugi::xml_document doc;
        loadDom(doc, readDomPart(zip, *types), "[Content_Types].xml");
    }
    std::string workbookPart;
    for (const auto& [id, rel] : readRels(zip, "_rels/.rels", "")) {
        if (!rel.external && endsWith(rel.type, "/officeDocument")) {
            workbookPart = rel.target;
            break;
        }
    }
    if (workbookPart.empty())
        workbookPart = "xl/workbook.xml";
    const auto workbookIndex = zip.find(workbookPart);
    if (!workbookIndex)
        throw PackageError("找不到工作簿部件（不是电子表格文件）");

    pugi::xml_document workbook;
    loadDom(workbook, readDomPart(zip, *workbookIndex), workbookPart);
    const pugi::xml_node root = workbook.document_element();
    if (localName(root.name()) != "workbook")
        throw PackageError("工作簿部件的格式不对");
    const pugi::xml_node pr = childNamed(root, "workbookPr");
    d->date1904 = pr.attribute("date1904").as_bool(false);

    const auto rels =
        readRels(zip, relsPartFor(zip.entryName(*workbookIndex)), zip.entryName(*workbookIndex));
    auto relById = [&](std::string_view id) -> const Relationship* {
        for (const auto& [rid, rel] : rels) {
            if (rid == id)
                return &rel;
        }
        return nullptr;
    };

    // The first worksheet in workbook order; chart sheets do not count.
    std::string sheetTarget;
    for (pugi::xml_node s : childNamed(root, "sheets").children()) {
        if (localName(s.name()) != "sheet")
            continue;
        std::string_view rid;
        for (pugi::xml_attribute a : s.attributes()) {
            const std::string_view n(a.name());
            if (n.size() > 3 && endsWith(n, ":id"))
                rid = a.value();
        }
        const Relationship* rel = relById(rid);
        // Taking the next sheet instead would post onto the wrong one.
        if (rel == nullptr || rel->external) {
            throw PackageError("工作表“" + std::string(s.attribute("name").as_string()) +
                               "”的关系缺失，找不到它的部件");
        }
        if (endsWith(rel->type, "/worksheet")) {
            sheetTarget = rel->target;
            break;
        }
    }
    if (sheetTarget.empty())
        throw PackageError("工作簿中没有工作表");
    const auto sheetIndex = zip.find(sheetTarget);
    if (!sheetIndex)
        throw PackageError("缺少工作表部件 " + sheetTarget);
    d->sheetPart = zip.entryName(*sheetIndex);
    d->workbookPart = zip.entryName(*workbookIndex);
    if (const auto i = zip.find(relsPartFor(d->workbookPart)))
        d->workbookRelsPart = zip.entryName(*i);

    for (const auto& [rid, rel] : rels) {
        if (rel.external)
            continue;
        if (endsWith(rel.type, "/worksheet") || endsWith(rel.type, "/calcChain")) {
            const auto i = zip.find(rel.target);
            if (!i || *i == *sheetIndex)
                continue;
            if (endsWith(rel.type, "/calcChain"))
                d->calcChainPart = zip.entryName(*i);
            else
                d->otherSheetParts.push_back(zip.entryName(*i));
        } else if (endsWith(rel.type, "/styles")) {
            if (const auto i = zip.find(rel.target)) {
                const std::string bytes = readDomPart(zip, *i);
                try {
                    d->styles.read(bytes);
                } catch (const XmlError& e) {
                    throw PackageError("部件 " + rel.target + " 的 XML 格式错误：" + e.what());
                }
            }
        } else if (endsWith(rel.type, "/sharedStrings")) {
            if (const auto i = zip.find(rel.target)) {
                streamPart(zip, *i, [&](XmlPullParser& p) { d->sharedStrings.read(p); });
            }
        }
    }

    d->sheetIndex = *sheetIndex;
    if (!d->readOpenSegment(zip)) {
        streamPart(
            zip, *sheetIndex,
            [&](XmlPullParser& p) { readSheet(p, d->model, d->layout, d->readLimits()); }, true);
    }
    d->archive = std::move(archive);
    return d;
}

SheetReadLimits WorkbookData::readLimits() const {
    SheetReadLimits limits;
    limits.sharedStrings = sharedStrings.size();
    limits.strings = &sharedStrings;
    return limits;
}

bool WorkbookData::readOpenSegment(ZipArchive& zip) {
    // Anything amiss, and the sheet is read whole, which says what is wrong with it.
    try {
        const ZipArchive::EntryFacts facts = zip.facts(sheetIndex, SegmentIndex::kExtraFieldId);
        const std::optional<SegmentIndex> index = SegmentIndex::parse(facts.extra);
        if (!facts.deflated || !index)
            return false;
        // The lengths first: check sums of lengths another program never wrote cost
        // time for nothing.
        uint64_t packed = 0, raw = 0;
        for (const Segment& s : index->parts) {
            if (s.packed > facts.packed - packed || s.raw > facts.size - raw)
                return false;
            packed += s.packed;
            raw += s.raw;
        }
        if (packed != facts.packed || raw != facts.size || index->whole().crc != facts.crc)
            return false;
        using P = SegmentIndex::Part;
        std::string text;
        for (const P part : {P::Head, P::Dimension, P::Body, P::Frozen, P::Open, P::Tail}) {
            const Segment& s = index->parts[part];
            if (part == P::Frozen) {
                // Its first rows too (the captions, mostly), as far as a few KiB hold whole
                // rows: every row ends with "row>", which no text can hold unescaped.
                std::string first =
                    inflatePrefix(zip.readPacked(sheetIndex, index->offset(part),
                                                 std::min<uint64_t>(s.packed, kPeekBytes)),
                                  kPeekBytes);
                const size_t end = first.rfind("row>");
                text.append(first, 0, end == std::string::npos ? 0 : end + 4);
                continue;
            }
            if (s.raw > kMaxOpenRead || s.packed > kMaxOpenRead)
                return false;
            text += inflateSegment(zip.readPacked(sheetIndex, index->offset(part), s.packed), s.raw,
                                   s.crc);
        }
        SheetModel rows;
        SheetLayout around;
        size_t at = 0;
        XmlPullParser parser([&](char* buf, size_t cap) {
            const size_t n = text.copy(buf, cap, at);
            at += n;
            return n;
        });
        readSheet(parser, rows, around, readLimits());
        // The open segment holds the last row, after every frozen one.
        if (rows.rows.empty() ? index->parts[P::Frozen].raw != 0
                              : rows.rows.back().index <= index->lastFrozenRow)
            return false;
        peekedThrough = 0;
        for (const Row& r : rows.rows) {
            if (r.index <= index->lastFrozenRow)
                peekedThrough = r.index;
        }
        model = std::move(rows);
        layout = std::move(around);
        segments = index;
        lazy = true;
        appendable = true;
        loadedLastRow = model.rows.empty() ? 0 : model.rows.back().index;
        openRowsChanged = false;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void WorkbookData::materialize() {
    if (!lazy)
        return;
    if (scanningFrozen)
        throw std::logic_error("a scan's visit read a column it did not ask for");
    SheetModel whole;
    SheetLayout unused;
    streamPart(
        *archive, sheetIndex, [&](XmlPullParser& p) { readSheet(p, whole, unused, readLimits()); },
        true);
    // What the open segment held may have changed since; the rows after the frozen ones
    // are this model's.
    const uint32_t frozen = segments->lastFrozenRow;
    whole.rows.erase(std::find_if(whole.rows.begin(), whole.rows.end(),
                                  [&](const Row& r) { return r.index > frozen; }),
                     whole.rows.end());
    for (auto it = whole.formulas.begin(); it != whole.formulas.end();)
        it = (it->first >> 16) > frozen ? whole.formulas.erase(it) : std::next(it);
    whole.adoptRows(model, frozen);
    model = std::move(whole);
    lazy = false;
}

namespace {

// The frozen rows inflated a piece at a time, in a thread of its own, into the scanner.
void scanFrozen(ZipArchive& zip, size_t entry, const SegmentIndex& index, RowScanner& scanner,
                uint32_t firstRow, const RowScanner::Visit& visit) {
    inflateFrozen(zip, entry, index,
                  [&](std::string_view text) { scanner.feed(text, firstRow, visit); });
    scanner.finish();
}

}  // namespace

void WorkbookData::scanRows(uint32_t firstRow, const std::vector<uint32_t>& columns,
                            const RowVisit& visit) {
    if (lazy) {
        struct Scanned : ScannedRow {
            const RowScanner* scanner;
            const std::vector<RowScanner::Value>* values;
            size_t size() const override { return values->size(); }
            uint32_t col(size_t i) const override { return (*values)[i].col; }
            Cell cell(size_t i, std::string& text) const override {
                return scanner->decode((*values)[i], text);
            }
        } scanned;
        try {
            RowScanner scanner(layout.prefix, columns, sharedStrings.size());
            scanned.scanner = &scanner;
            scanningFrozen = true;
            const std::unique_ptr<bool, void (*)(bool*)> ending(&scanningFrozen,
                                                                [](bool* on) { *on = false; });
            scanFrozen(*archive, sheetIndex, *segments, scanner, firstRow,
                       [&](uint32_t row, const std::vector<RowScanner::Value>& values) {
                           scanned.values = &values;
                           visit(row, scanned);
                           firstRow = row + 1;
                       });
        } catch (const RowScanner::NotOurRows&) {
            // Rows another way of writing made: they are read as any sheet's are, and the
            // visit goes on after the last row it saw.
            materialize();
        }
    }
    struct InModel : ScannedRow {
        const SheetModel* model;
        std::vector<const Cell*> cells;
        size_t size() const override { return cells.size(); }
        uint32_t col(size_t i) const override { return cells[i]->col; }
        Cell cell(size_t i, std::string& text) const override {
            text.assign(model->textOf(*cells[i]));
            return *cells[i];
        }
    } inModel;
    inModel.model = &model;
    for (const Row& r : model.rows) {
        if (r.index < firstRow || r.cells.empty() || (lazy && r.index <= segments->lastFrozenRow))
            continue;
        inModel.cells.clear();
        for (const Cell& c : r.cells) {
            if (std::binary_search(columns.begin(), columns.end(), uint32_t(c.col)))
                inModel.cells.push_back(&c);
        }
        visit(r.index, inModel);
    }
}

void WorkbookData::changing(uint32_t row) {
    if (!segments || !appendable)
        return;
    if (row == 0 || row <= segments->lastFrozenRow) {
        materialize();
        appendable = false;
    } else if (row <= loadedLastRow) {
        openRowsChanged = true;
    }
}

std::unique_ptr<WorkbookData> WorkbookData::createNew() {
    auto d = std::make_unique<WorkbookData>();
    d->sheetPart = "xl/worksheets/sheet1.xml";
    d->newParts = {
        {"[Content_Types].xml", kContentTypes},
        {"_rels/.rels", kRootRels},
        {"xl/workbook.xml", kWorkbook},
        {"xl/_rels/workbook.xml.rels", kWorkbookRels},
        {"xl/styles.xml", kStyles},
        {d->sheetPart, ""},
    };
    d->styles.read(kStyles);
    d->layout = SheetLayout::empty();
    return d;
}

namespace {

// Deflates a new segment onto the part's pieces.
Segment packNew(PackedPart& part, std::string_view raw, bool last, int level) {
    std::string packed = deflateSegment(raw, last, level);
    const Segment segment{packed.size(), raw.size(), crc32Of(raw)};
    part.pieces.push_back({std::move(packed), std::nullopt, 0, 0});
    return segment;
}

// Frozen rows, most of a sheet written whole, are deflated two pieces at a time.
Segment packFrozen(PackedPart& part, std::string_view raw, std::vector<Piece>& pieces) {
    const size_t count = (raw.size() + kPieceBytes - 1) / kPieceBytes;
    std::vector<std::string> packed(count);
    std::vector<Segment> segments(count);
    std::atomic<size_t> next{0};
    const auto deflatePieces = [&](std::exception_ptr& failure) {
        try {
            for (size_t i = next++; i < count; i = next++) {
                const std::string_view text = raw.substr(i * kPieceBytes, kPieceBytes);
                packed[i] = deflateSegment(text, false, 1);
                segments[i] = {packed[i].size(), text.size(), crc32Of(text)};
            }
        } catch (...) {
            next = count;
            failure = std::current_exception();
        }
    };
    std::exception_ptr theirs, ours;
    std::optional<std::thread> other;
    if (count > 1)
        other.emplace(deflatePieces, std::ref(theirs));
    deflatePieces(ours);
    if (other)
        other->join();
    for (const std::exception_ptr& failure : {ours, theirs}) {
        if (failure)
            std::rethrow_exception(failure);
    }
    Segment all;
    for (size_t i = 0; i < count; ++i) {
        all = joined(all, segments[i]);
        pieces.push_back({uint32_t(segments[i].packed), uint32_t(segments[i].raw)});
        part.pieces.push_back({std::move(packed[i]), std::nullopt, 0, 0});
    }
    return all;
}

}  // namespace

OutputPart WorkbookData::sheetOutput(uint32_t cachedThrough) const {
    using P = SegmentIndex::Part;
    SegmentIndex index;
    PackedPart part;
    CellBounds frozenBounds;
    if (segments && appendable) {
        // The rows before the open segment, and everything around the rows, are copied as
        // they are packed in the source; the dimension and the open rows are new. An open
        // segment that has grown past its size, and whose rows are as they were read, joins
        // the frozen ones, and so do new rows beyond that size.
        const SegmentIndex& old = *segments;
        index = old;
        const auto copy = [&](P which) {
            part.pieces.push_back({{}, sheetIndex, old.offset(which), old.parts[which].packed});
        };
        frozenBounds = {old.minRow, old.maxRow, old.minCol, old.maxCol};
        CellBounds all = frozenBounds;
        all.add(CellBounds::of(model));
        copy(P::Head);
        index.parts[P::Dimension] = packNew(part, dimensionElement(layout, all), false, 6);
        copy(P::Body);
        copy(P::Frozen);
        const bool freeze = !openRowsChanged && old.parts[P::Open].raw >= kOpenSegmentBytes;
        if (freeze) {
            copy(P::Open);
            const Segment& open = old.parts[P::Open];
            index.addFrozen(open, {{uint32_t(open.packed), uint32_t(open.raw)}});
            index.lastFrozenRow = loadedLastRow;
        }
        const RowsText rows =
            writeRows(model, layout, index.lastFrozenRow + 1, cachedThrough, kOpenSegmentBytes);
        const std::string_view text(rows.text);
        if (rows.openFrom > 0) {
            std::vector<Piece> pieces;
            const Segment added = packFrozen(part, text.substr(0, rows.openFrom), pieces);
            index.addFrozen(added, pieces);
            index.lastFrozenRow = rows.lastFrozenRow;
        }
        frozenBounds.add(CellBounds::of(model, index.lastFrozenRow));
        index.parts[P::Open] = packNew(part, text.substr(rows.openFrom), false, 6);
        copy(P::Tail);
    } else {
        const SheetText text = writeSheetText(model, layout, cachedThrough, kOpenSegmentBytes);
        const std::string_view rows(text.rows.text);
        index.parts[P::Head] = packNew(part, text.head, false, 6);
        index.parts[P::Dimension] = packNew(part, text.dimension, false, 6);
        index.parts[P::Body] = packNew(part, text.body, false, 6);
        std::vector<Piece> pieces;
        const Segment frozen = packFrozen(part, rows.substr(0, text.rows.openFrom), pieces);
        index.addFrozen(frozen, pieces);
        index.parts[P::Open] = packNew(part, rows.substr(text.rows.openFrom), false, 6);
        index.parts[P::Tail] = packNew(part, text.tail, true, 6);
        index.lastFrozenRow = text.rows.lastFrozenRow;
        frozenBounds = CellBounds::of(model, index.lastFrozenRow);
    }
    index.minRow = frozenBounds.minRow;
    index.maxRow = frozenBounds.maxRow;
    index.minCol = frozenBounds.minCol;
    index.maxCol = frozenBounds.maxCol;
    const Segment all = index.whole();
    part.size = all.raw;
    part.crc = all.crc;
    part.extraId = SegmentIndex::kExtraFieldId;
    part.extra = index.serialize();
    return {sheetPart, std::nullopt, {}, std::move(part)};
}

std::vector<OutputPart> WorkbookData::outputParts() const {
    std::vector<OutputPart> parts;
    if (!archive) {
        for (const auto& [name, bytes] : newParts) {
            if (name == sheetPart)
                parts.push_back(sheetOutput(UINT32_MAX));
            else
                parts.push_back({name, std::nullopt, bytes, std::nullopt});
        }
        return parts;
    }
    const auto rewritten = formulaParts();
    for (size_t i = 0; i < archive->entryCount(); ++i) {
        const std::string& name = archive->entryName(i);
        const auto found = rewritten.find(name);
        if (name == sheetPart) {
            parts.push_back(sheetOutput(ownColumns));
        } else if (found == rewritten.end()) {
            parts.push_back({name, i, {}, std::nullopt});
        } else if (found->second) {
            parts.push_back({name, std::nullopt, *found->second, std::nullopt});
        }
    }
    return parts;
}

std::map<std::string, std::optional<std::string>> WorkbookData::formulaParts() const {
    std::map<std::string, std::optional<std::string>> out;
    // Each part is rewritten from the source, naming the part when it cannot be read.
    const auto rewrite = [&](const std::string& name, const auto& change) {
        const auto i = archive->find(name);
        if (!i)
            return false;
        try {
            if (auto bytes = change(archive->readAll(*i))) {
                out[archive->entryName(*i)] = std::move(*bytes);
                return true;
            }
        } catch (const XmlError& e) {
            throw PackageError("部件 " + name + " 的 XML 格式错误：" + e.what());
        }
        return false;
    };
    // Other sheets that refer to sheet 1 would show their old results: without them,
    // every spreadsheet program computes the formulas again when it opens the book.
    bool formulas = formulasRemoved || !model.formulas.empty();
    for (const std::string& name : otherSheetParts)
        formulas |= rewrite(name, [](const std::string& xml) { return withoutCachedResults(xml); });
    if (!formulas)
        return out;
    rewrite(workbookPart, [](const std::string& xml) {
        return std::optional<std::string>(withFullCalcOnLoad(xml));
    });
    // A calculation chain that names a cell without a formula is an error to some programs;
    // they all rebuild a missing one.
    if (formulasRemoved && !calcChainPart.empty()) {
        out[calcChainPart] = std::nullopt;
        rewrite("[Content_Types].xml", [&](const std::string& xml) {
            return std::optional<std::string>(
                withoutElements(xml, "Override", "PartName", "/" + calcChainPart));
        });
        rewrite(workbookRelsPart, [](const std::string& xml) {
            return std::optional<std::string>(
                withoutElements(xml, "Relationship", "Type", "/calcChain"));
        });
    }
    return out;
}

void WorkbookData::writeAtomically(const std::string& path) {
    const bool appending = segments && appendable;
    std::optional<SegmentIndex> written;
    replaceAtomically(path, [&](const std::string& tmp) {
        std::vector<OutputPart> parts = outputParts();
        for (const OutputPart& part : parts) {
            if (part.packed && part.name == sheetPart)
                written = SegmentIndex::parse(part.packed->extra);
        }
        writeZip(tmp, archive.get(), parts, deflate);
    });
    if (!appending || !written)
        return;
    // The book now stands on the file it wrote, and the next save copies from there; rows
    // that were never read stay unread. A file that is not what was written (replaced at
    // once by somebody else) is left alone, and the book stays on its source.
    try {
        auto file = ZipArchive::openFile(path);
        const auto index = file->find(sheetPart);
        if (!index ||
            file->facts(*index, SegmentIndex::kExtraFieldId).extra != written->serialize())
            return;
        if (lazy) {
            SheetModel open;
            open.adoptRows(model, 0, peekedThrough);
            open.adoptRows(model, written->lastFrozenRow);
            model = std::move(open);
        }
        archive = std::move(file);
        sheetIndex = *index;
        segments = written;
        loadedLastRow = model.rows.empty() ? 0 : model.rows.back().index;
        openRowsChanged = false;
    } catch (const std::exception&) {
    }
}

std::string WorkbookData::toBytes() const {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string path = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/book-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
        throw PackageError(std::string("无法创建临时文件：") + systemErrorText(errno));
    ::close(fd);
    try {
        writeZip(path, archive.get(), outputParts(), deflate);
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ::unlink(path.c_str());
    return bytes;
}

}  // namespace store::xlsx
