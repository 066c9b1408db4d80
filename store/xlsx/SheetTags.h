#pragma once

#include <string>

namespace store::xlsx {

// The tags of the rows this engine writes, with the worksheet's namespace prefix: made once
// per save by the writer, and once per scan by the reader that knows no other way of
// writing them (RowScanner).
struct SheetTags {
    explicit SheetTags(const std::string& prefix) {
        const std::string p = prefix.empty() ? std::string() : prefix + ":";
        openV = "<" + p + "v>";
        closeV = "</" + p + "v>";
        openIs = "<" + p + "is><" + p + "t>";
        openIsPreserve = "<" + p + "is><" + p + "t xml:space=\"preserve\">";
        closeIs = "</" + p + "t></" + p + "is>";
        openC = "<" + p + "c r=\"";
        closeC = "</" + p + "c>";
        openRow = "<" + p + "row r=\"";
        closeRow = "</" + p + "row>";
        openSheetData = "<" + p + "sheetData>";
        closeSheetData = "</" + p + "sheetData>";
        emptySheetData = "<" + p + "sheetData/>";
        dimension = "<" + p + "dimension ref=\"";
    }
    std::string openV, closeV, openIs, openIsPreserve, closeIs, openC, closeC, openRow, closeRow,
        openSheetData, closeSheetData, emptySheetData, dimension;
};

}  // namespace store::xlsx
