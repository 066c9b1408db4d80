#include "Styles.h"

#include <pugixml.hpp>

#include <cmath>
#include <cstdio>
#include <map>

#include "XmlPullParser.h"
#include "XmlText.h"

namespace store::xlsx {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += (m <= 2);
}

}  // namespace

bool Styles::isDateFormatId(uint32_t id) {
    // The built-in formats that show dates, including the ones East Asian spreadsheet
    // programs use (27-31, 36, 50-54, 57, 58); 18-21, 32-35, 45-47, 55, 56 are times.
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || id == 36 ||
           (id >= 50 && id <= 54) || id == 57 || id == 58;
}

bool Styles::isDateFormatCode(std::string_view code) {
    // Only the first section, without quoted text, escapes and [..] modifiers.
    bool quoted = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            continue;
        }
        switch (c) {
            case '"':
                quoted = true;
                break;
            case '\\':
            case '_':
            case '*':
                ++i;
                break;
            case '[': {
                const size_t close = code.find(']', i);
                if (close == std::string_view::npos)
                    return false;
                i = close;
                break;
            }
            case ';':
                return false;
            case 'y':
            case 'Y':
            case 'd':
            case 'D':
                return true;
            default:
                break;
        }
    }
    return false;
}

void Styles::read(std::string_view stylesXml) {
    XmlPullParser::checkDocument(stylesXml);
    pugi::xml_document doc;
    const auto result = doc.load_buffer(stylesXml.data(), stylesXml.size(), pugi::parse_default,
                                        pugi::encoding_utf8);
    if (!result)
        throw XmlError(result.description(), size_t(result.offset));
    const pugi::xml_node root = doc.document_element();
    std::map<uint32_t, bool> custom;
    for (pugi::xml_node f : childNamed(root, "numFmts").children()) {
        if (localName(f.name()) != "numFmt")
            continue;
        custom[f.attribute("numFmtId").as_uint()] =
            isDateFormatCode(f.attribute("formatCode").as_string());
    }
    for (pugi::xml_node xf : childNamed(root, "cellXfs").children()) {
        if (localName(xf.name()) != "xf")
            continue;
        const uint32_t id = xf.attribute("numFmtId").as_uint();
        const auto it = custom.find(id);
        m_date.push_back(it != custom.end() ? it->second : isDateFormatId(id));
    }
}

bool serialToIsoDate(double serial, bool date1904, std::string& out) {
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466)
        return false;
    auto day = int64_t(std::floor(serial));
    int64_t y;
    unsigned m, d;
    if (date1904) {
        civilFromDays(day - 24107, y, m, d);  // 1904-01-01 is day 0
    } else if (day == 60) {
        // The 1900 system counts a 29 February 1900 that never was.
        y = 1900, m = 2, d = 29;
    } else {
        if (day < 60)
            ++day;
        civilFromDays(day - 25569, y, m, d);  // 1899-12-30 is day 0 after the leap day
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    out = buf;
    return true;
}

}  // namespace store::xlsx
