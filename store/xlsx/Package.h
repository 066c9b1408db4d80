#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Segments.h"
#include "SharedStrings.h"
#include "SheetModel.h"
#include "SheetXml.h"
#include "Styles.h"
#include "ZipArchive.h"

namespace store::xlsx {

// The codec and level a save deflates the sheet with (see the deflate benchmark).
DeflateChoice defaultDeflate();

// A workbook package: the first worksheet read into cells, every other part left in the
// source archive to be copied unchanged on save.
//
// Books that stay unchanged share one of these (see store::KeptBooks); a copy shares the
// source archive, which only ever serves reads.
class WorkbookData {
public:
    std::shared_ptr<ZipArchive> archive;                        // null for a new book
    std::vector<std::pair<std::string, std::string>> newParts;  // the parts of a new book
    std::string sheetPart;                                      // e.g. xl/worksheets/sheet1.xml

    // The parts a save touches when the book holds formulas (see Formulas.h).
    std::string workbookPart, workbookRelsPart, calcChainPart;
    std::vector<std::string> otherSheetParts;

    size_t sheetIndex = 0;  // of the sheet part in the archive

    // The cells of sheet 1. While `lazy`, only the rows of the part's open segment and the
    // rows added after them (see Segments.h): the frozen rows stay packed in the source
    // until something needs them (materialize()). While `appendable`, nothing at or before
    // the frozen rows has changed, and a save copies them from the source as they are.
    SheetModel model;
    SheetLayout layout;
    std::optional<SegmentIndex> segments;  // the source's, when sound
    bool lazy = false;
    bool appendable = false;
    uint32_t loadedLastRow = 0;    // the last row of the open segment as read
    uint32_t peekedThrough = 0;    // the first frozen rows, to this one, are read while lazy
    bool openRowsChanged = false;  // a row read from it was changed since
    // Before a change of `row` (0: of something around the rows): what it takes from the
    // ways above.
    void changing(uint32_t row);
    SharedStrings sharedStrings;
    Styles styles;
    bool date1904 = false;
    bool modified = false;
    // A formula cell of sheet 1 was overwritten or emptied: the calculation chain may name it.
    bool formulasRemoved = false;
    // The columns of sheet 1 the program reads: their formula results stay cached.
    uint32_t ownColumns = 10;
    DeflateChoice deflate = defaultDeflate();

    // Reads the package; throws PackageError, SheetError or XmlError.
    static std::unique_ptr<WorkbookData> load(std::unique_ptr<ZipArchive> archive);
    static std::unique_ptr<WorkbookData> createNew();

    // Reads the frozen rows too; the book's content is the same after.
    void materialize();

    // Visits the cells of `columns` (ascending) that hold something, of every row from
    // `firstRow` on that has cells, in row order; the frozen rows of a lazy book are
    // scanned where they lie packed, not read into the model, and a cell is decoded only
    // when asked for. While the frozen rows are scanned, the archive is being read in
    // another thread: a visit that reads a cell of a column not asked for is a fault.
    class ScannedRow {
    public:
        virtual ~ScannedRow() = default;
        virtual size_t size() const = 0;
        virtual uint32_t col(size_t i) const = 0;
        // `text` takes the text of the kinds that have one.
        virtual Cell cell(size_t i, std::string& text) const = 0;
    };
    using RowVisit = std::function<void(uint32_t row, const ScannedRow& cells)>;
    void scanRows(uint32_t firstRow, const std::vector<uint32_t>& columns, const RowVisit& visit);

    // Writes the whole package to path: a temporary file in the same folder, flushed,
    // then renamed over path. Throws PackageError; path is untouched on failure. A book
    // saved by appending then stands on the file written, so that the next save copies
    // its rows from there.
    void writeAtomically(const std::string& path);
    std::string toBytes() const;

private:
    bool scanningFrozen = false;
    SheetReadLimits readLimits() const;
    // Reads only the open segment and what surrounds the rows, when the sheet part has a
    // sound index; false when it must be read whole.
    bool readOpenSegment(ZipArchive& zip);
    OutputPart sheetOutput(uint32_t cachedThrough) const;
    std::vector<OutputPart> outputParts() const;
    // The parts other than sheet 1 that a save changes because the book holds formulas,
    // by name; nothing for a part the save leaves out (the calculation chain).
    std::map<std::string, std::optional<std::string>> formulaParts() const;
};

}  // namespace store::xlsx
