#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace store::xlsx {

class XmlPullParser;

// The workbook's shared string table, read only: a save never rewrites it, and cells
// that referred to it keep their index (and so their rich-text formatting).
class SharedStrings {
public:
    void read(XmlPullParser& parser);
    size_t size() const { return m_items.size(); }
    std::string_view at(size_t i) const {
        return {m_pool.data() + m_items[i].first, m_items[i].second};
    }
    // Whether item i is valid UTF-8; only a cell that uses a malformed item is refused.
    bool wellFormed(size_t i) const;

private:
    std::string m_pool;
    std::vector<std::pair<uint32_t, uint32_t>> m_items;
    std::vector<uint32_t> m_malformed;  // ascending
};

// Collects the text of a string item (<si> or <is>): plain <t>, and the <t> of every
// rich-text run, leaving out phonetic runs. The parser stands on the item's start tag.
void readStringItem(XmlPullParser& parser, std::string& out);

// Spreadsheet texts escape characters XML cannot hold as _xHHHH_.
void unescapeOoxml(std::string& text);
void appendEscapedText(std::string& out, std::string_view text, bool attribute = false);

}  // namespace store::xlsx
