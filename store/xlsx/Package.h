#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

    SheetModel model;
    SheetLayout layout;
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

    // Writes the whole package to path: a temporary file in the same folder, flushed,
    // then renamed over path. Throws PackageError; path is untouched on failure.
    void writeAtomically(const std::string& path) const;
    std::string toBytes() const;

private:
    std::vector<OutputPart> outputParts() const;
    // The parts other than sheet 1 that a save changes because the book holds formulas,
    // by name; nothing for a part the save leaves out (the calculation chain).
    std::map<std::string, std::optional<std::string>> formulaParts() const;
};

}  // namespace store::xlsx
