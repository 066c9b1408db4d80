#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace store::xlsx {

// Which cell styles show numbers as dates: a spreadsheet program stores a date typed
// into a cell as a day number with a date format, and the program must read it back
// as the same "yyyy-mm-dd" text it writes itself.
class Styles {
public:
    void read(std::string_view stylesXml);
    bool isDate(uint32_t style) const { return style < m_date.size() && m_date[style]; }

    static bool isDateFormatId(uint32_t id);
    static bool isDateFormatCode(std::string_view code);

private:
    std::vector<bool> m_date;
};

// Day number to "yyyy-mm-dd" in the 1900 or the 1904 date system; false when the
// number is no day a calendar can show.
bool serialToIsoDate(double serial, bool date1904, std::string& out);

}  // namespace store::xlsx
