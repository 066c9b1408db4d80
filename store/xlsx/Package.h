#pragma once

#include <QString>
#include <memory>
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
class WorkbookData {
public:
    QString displayName;
    QString path;

    std::unique_ptr<ZipArchive> archive;                        // null for a new book
    std::vector<std::pair<std::string, std::string>> newParts;  // the parts of a new book
    std::string sheetPart;                                      // e.g. xl/worksheets/sheet1.xml

    SheetModel model;
    SheetLayout layout;
    SharedStrings sharedStrings;
    Styles styles;
    bool date1904 = false;
    bool modified = false;
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
};

}  // namespace store::xlsx
