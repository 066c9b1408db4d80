#include "SheetSettings.h"

#include <pugixml.hpp>

#include <cmath>
#include <sstream>

#include "XmlPullParser.h"
#include "XmlText.h"

namespace store::xlsx {

namespace {

// Column widths are stored in units of the default font's widest digit plus padding:
// 7 px digits and 5 px of padding for the usual 11 pt face.
constexpr double kDigitPx = 7.0;
constexpr double kPaddingPx = 5.0;

double charactersToFileWidth(double chars) {
    return std::trunc((chars * kDigitPx + kPaddingPx) / kDigitPx * 256.0) / 256.0;
}

double fileWidthToCharacters(double width) {
    const double chars = (width * kDigitPx - kPaddingPx) / kDigitPx;
    return chars <= 0 ? 0 : std::round(chars * 100.0) / 100.0;
}

// The element parsed on its own; an empty document when the sheet has none.
pugi::xml_node parseElement(const SheetLayout& layout, const std::string& local,
                            pugi::xml_document& doc) {
    const int i = layout.find(local);
    if (i < 0)
        return {};
    const std::string& raw = layout.elements[size_t(i)].raw;
    const auto result =
        doc.load_buffer(raw.data(), raw.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
                        pugi::encoding_utf8);
    if (!result)
        throw XmlError(result.description(), size_t(result.offset));
    return doc.document_element();
}

// Edits an element in place, creating it in schema order when the sheet has none.
template <class Edit>
void editElement(SheetLayout& layout, const std::string& local, Edit edit) {
    pugi::xml_document doc;
    pugi::xml_node root = parseElement(layout, local, doc);
    const bool created = !root;
    if (created)
        root = doc.append_child(layout.qualified(local).c_str());
    edit(root);
    std::ostringstream os;
    root.print(os, "", pugi::format_raw | pugi::format_no_declaration);
    if (created) {
        const size_t at = layout.insertPosition(local);
        layout.elements.insert(layout.elements.begin() + long(at), {local, os.str()});
    } else {
        layout.elements[size_t(layout.find(local))].raw = os.str();
    }
}

std::string qualify(pugi::xml_node sibling, const char* local) {
    const std::string_view name(sibling.name());
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string(local)
                                           : std::string(name.substr(0, colon + 1)) + local;
}

double attributeOr(pugi::xml_node n, const char* name, double fallback) {
    const pugi::xml_attribute a = n.attribute(name);
    return a ? a.as_double(fallback) : fallback;
}

}  // namespace

std::optional<double> columnWidth(const SheetLayout& layout, uint32_t col) {
    pugi::xml_document doc;
    const pugi::xml_node cols = parseElement(layout, "cols", doc);
    std::optional<double> width;
    for (pugi::xml_node c : cols.children()) {
        if (localName(c.name()) != "col")
            continue;
        const uint32_t min = c.attribute("min").as_uint(), max = c.attribute("max").as_uint();
        if (col >= min && col <= max && c.attribute("width")) {
            width = fileWidthToCharacters(c.attribute("width").as_double());
        }
    }
    return width;
}

double defaultColumnWidth(const SheetLayout& layout) {
    pugi::xml_document doc;
    const pugi::xml_node f = parseElement(layout, "sheetFormatPr", doc);
    if (f && f.attribute("defaultColWidth")) {
        return fileWidthToCharacters(f.attribute("defaultColWidth").as_double());
    }
    if (f && f.attribute("baseColWidth"))
        return f.attribute("baseColWidth").as_double() + 0.43;
    return 8.43;
}

double defaultRowHeight(const SheetLayout& layout) {
    pugi::xml_document doc;
    const pugi::xml_node f = parseElement(layout, "sheetFormatPr", doc);
    const double h = attributeOr(f, "defaultRowHeight", 15.0);
    return h > 0 && h < 410 ? h : 15.0;
}

void setColumnWidth(SheetLayout& layout, uint32_t col, double characters) {
    const double width = charactersToFileWidth(characters);
    editElement(layout, "cols", [&](pugi::xml_node cols) {
        const std::string colName = qualify(cols, "col");
        pugi::xml_node insertBefore;
        for (pugi::xml_node c = cols.first_child(); c; c = c.next_sibling()) {
            if (localName(c.name()) != "col")
                continue;
            const uint32_t min = c.attribute("min").as_uint(), max = c.attribute("max").as_uint();
            if (col > max)
                continue;
            if (col < min) {
                insertBefore = c;
                break;
            }
            // Split a range so that only this column changes.
            if (min < col) {
                pugi::xml_node before = cols.insert_copy_before(c, c);
                before.attribute("max").set_value(col - 1);
            }
            if (col < max) {
                pugi::xml_node after = cols.insert_copy_after(c, c);
                after.attribute("min").set_value(col + 1);
            }
            c.attribute("min").set_value(col);
            c.attribute("max").set_value(col);
            if (!c.attribute("width"))
                c.append_attribute("width");
            c.attribute("width").set_value(width);
            if (!c.attribute("customWidth"))
                c.append_attribute("customWidth");
            c.attribute("customWidth").set_value("1");
            return;
        }
        pugi::xml_node c = insertBefore ? cols.insert_child_before(colName.c_str(), insertBefore)
                                        : cols.append_child(colName.c_str());
        c.append_attribute("min").set_value(col);
        c.append_attribute("max").set_value(col);
        c.append_attribute("width").set_value(width);
        c.append_attribute("customWidth").set_value("1");
    });
}

HeaderSections splitHeaderCodes(const std::string& codes) {
    HeaderSections s;
    std::string* current = &s.center;
    for (size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == '&' && i + 1 < codes.size()) {
            const char c = codes[i + 1];
            if (c == 'L' || c == 'C' || c == 'R') {
                current = c == 'L' ? &s.left : (c == 'C' ? &s.center : &s.right);
                ++i;
                continue;
            }
            if (c == '&') {
                *current += "&&";
                ++i;
                continue;
            }
        }
        *current += codes[i];
    }
    return s;
}

std::string joinHeaderCodes(const HeaderSections& s) {
    std::string out;
    if (!s.left.empty())
        out += "&L" + s.left;
    if (!s.center.empty())
        out += "&C" + s.center;
    if (!s.right.empty())
        out += "&R" + s.right;
    return out;
}

HeaderSections headerSections(const SheetLayout& layout, bool footer) {
    pugi::xml_document doc;
    const pugi::xml_node hf = parseElement(layout, "headerFooter", doc);
    return splitHeaderCodes(childNamed(hf, footer ? "oddFooter" : "oddHeader").text().as_string());
}

void setCenterSection(SheetLayout& layout, bool footer, const std::string& plainText) {
    editElement(layout, "headerFooter", [&](pugi::xml_node hf) {
        const char* local = footer ? "oddFooter" : "oddHeader";
        pugi::xml_node n = childNamed(hf, local);
        if (!n) {
            const std::string name = qualify(hf, local);
            const pugi::xml_node oddHeader = childNamed(hf, "oddHeader");
            if (footer && oddHeader) {
                n = hf.insert_child_after(name.c_str(), oddHeader);
            } else {
                n = hf.prepend_child(name.c_str());
            }
        }
        HeaderSections s = splitHeaderCodes(n.text().as_string());
        s.center.clear();
        for (size_t i = 0; i < plainText.size(); ++i) {
            const auto c = static_cast<unsigned char>(plainText[i]);
            // A header has no escape for what XML cannot hold (controls, U+FFFE, U+FFFF),
            // and none of it could be printed: left out.
            if (c < 0x20)
                continue;
            if (nonCharacterAt(plainText, i)) {
                i += 2;
                continue;
            }
            s.center += char(c);
            if (c == '&')
                s.center += '&';
        }
        n.text().set(joinHeaderCodes(s).c_str());
    });
}

bool printGridLines(const SheetLayout& layout) {
    pugi::xml_document doc;
    const pugi::xml_node po = parseElement(layout, "printOptions", doc);
    return po.attribute("gridLines").as_bool(false);
}

void setPrintGridLines(SheetLayout& layout, bool on) {
    editElement(layout, "printOptions", [&](pugi::xml_node po) {
        if (!po.attribute("gridLines"))
            po.append_attribute("gridLines");
        po.attribute("gridLines").set_value(on ? "1" : "0");
    });
}

PageSettings pageSettings(const SheetLayout& layout) {
    PageSettings p;
    pugi::xml_document marginsDoc, setupDoc;
    const pugi::xml_node m = parseElement(layout, "pageMargins", marginsDoc);
    if (m) {
        p.left = attributeOr(m, "left", p.left);
        p.right = attributeOr(m, "right", p.right);
        p.top = attributeOr(m, "top", p.top);
        p.bottom = attributeOr(m, "bottom", p.bottom);
        p.header = attributeOr(m, "header", p.header);
        p.footer = attributeOr(m, "footer", p.footer);
    }
    const pugi::xml_node s = parseElement(layout, "pageSetup", setupDoc);
    if (s) {
        p.landscape = std::string_view(s.attribute("orientation").as_string()) == "landscape";
        p.paperSize = s.attribute("paperSize").as_int(p.paperSize);
    }
    return p;
}

}  // namespace store::xlsx
