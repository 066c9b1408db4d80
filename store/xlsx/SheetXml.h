#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "SheetModel.h"

namespace store::xlsx {

class XmlPullParser;

// A cell or row the engine cannot accept, described for the error box.
class SheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Everything of a worksheet's XML but its cells, kept as written so that a save changes
// only what the program changed.
struct SheetLayout {
    std::string rootStart;  // "<worksheet xmlns=...>" as written
    std::string rootName;   // qualified
    std::string prefix;     // namespace prefix of the root, usually empty
    struct Element {
        std::string local;  // local name
        std::string raw;    // exact XML; unused for sheetData, regenerated on save
    };
    std::vector<Element> elements;  // the root's children in document order

    // The element's index, or -1.
    int find(const std::string& local) const;
    // Where an element of this name goes so that the children stay in schema order.
    size_t insertPosition(const std::string& local) const;
    std::string qualified(const std::string& local) const;
    static SheetLayout empty();
};

class SharedStrings;

struct SheetReadLimits {
    size_t sharedStrings = 0;  // number of shared strings: a cell's index must be below
    const SharedStrings* strings = nullptr;  // the table itself, for the items' encoding
};

void readSheet(XmlPullParser& parser, SheetModel& model, SheetLayout& layout,
               const SheetReadLimits& limits);
// Formula cells right of column `cachedThrough` are written without their cached result,
// so that other programs compute them afresh; the program reads only the columns up to it.
std::string writeSheet(const SheetModel& model, const SheetLayout& layout,
                       uint32_t cachedThrough = UINT32_MAX);

}  // namespace store::xlsx
