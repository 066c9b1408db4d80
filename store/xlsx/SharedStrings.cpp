#include "SharedStrings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "XmlPullParser.h"
#include "XmlText.h"

namespace store::xlsx {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads "_xHHHH_" at text[i]; returns the code unit or -1.
int escapedUnit(std::string_view text, size_t i) {
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') {
        return -1;
    }
    int v = 0;
    for (size_t k = i + 2; k < i + 6; ++k) {
        const int h = hexValue(text[k]);
        if (h < 0)
            return -1;
        v = v * 16 + h;
    }
    return v;
}

bool looksLikeEscapeStart(std::string_view text, size_t i) {
    if (i + 6 > text.size() || text[i + 1] != 'x')
        return false;
    for (size_t k = i + 2; k < i + 6; ++k) {
        if (hexValue(text[k]) < 0)
            return false;
    }
    return true;
}

}  // namespace

void unescapeOoxml(std::string& text) {
    if (text.find("_x") == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const int unit = escapedUnit(text, i);
        if (unit < 0) {
            out.push_back(text[i++]);
            continue;
        }
        i += 7;
        unsigned cp = unsigned(unit);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            const int low = escapedUnit(text, i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + unsigned(low - 0xDC00);
                i += 7;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    text.swap(out);
}

void appendEscapedText(std::string& out, std::string_view text, bool attribute) {
    size_t plain = 0;
    auto flush = [&](size_t i) {
        out.append(text.data() + plain, i - plain);
        plain = i + 1;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '&':
                flush(i);
                out += "&amp;";
                break;
            case '<':
                flush(i);
                out += "&lt;";
                break;
            case '>':
                flush(i);
                out += "&gt;";
                break;
            case '"':
                if (attribute) {
                    flush(i);
                    out += "&quot;";
                }
                break;
            case '_':
                // A literal "_xHHHH" must not read back as an escape, even when the
                // character after it is itself escaped into something starting with "_".
                if (!attribute && looksLikeEscapeStart(text, i)) {
                    flush(i);
                    out += "_x005F_";
                }
                break;
            case 0xEF:
                // U+FFFE and U+FFFF are no XML characters either: another program would
                // refuse the part, or drop the row.
                if (const unsigned nonCharacter = nonCharacterAt(text, i)) {
                    flush(i);
                    out += attribute ? " " : (nonCharacter == 0xFFFF ? "_xFFFF_" : "_xFFFE_");
                    i += 2;
                    plain = i + 1;
                }
                break;
            default:
                if (c < 0x20 && c != '\t' && c != '\n') {
                    flush(i);
                    if (c == '\r') {
                        out += "&#13;";  // a bare CR would come back as LF
                    } else if (attribute) {
                        out += ' ';
                    } else {
                        char buf[8];
                        std::snprintf(buf, sizeof buf, "_x%04X_", c);
                        out += buf;
                    }
                }
                break;
        }
    }
    out.append(text.data() + plain, text.size() - plain);
}

void readStringItem(XmlPullParser& parser, std::string& out) {
    using Event = XmlPullParser::Event;
    const int itemDepth = parser.depth();
    if (parser.isEmptyElement()) {
        parser.next();
        return;
    }
    int phoneticDepth = 0;  // inside <rPh> or <phoneticPr>: not part of the text
    bool inText = false;
    for (;;) {
        const Event ev = parser.next();
        if (ev == Event::StartElement) {
            const auto name = parser.localName();
            if (phoneticDepth == 0 && (name == "rPh" || name == "phoneticPr")) {
                phoneticDepth = parser.depth();
            } else if (phoneticDepth == 0 && name == "t") {
                inText = !parser.isEmptyElement();
            }
        } else if (ev == Event::Text) {
            if (inText && phoneticDepth == 0)
                out.append(parser.text());
        } else if (ev == Event::EndElement) {
            if (parser.depth() == itemDepth)
                break;
            if (parser.depth() == phoneticDepth) {
                phoneticDepth = 0;
            } else if (parser.localName() == "t") {
                inText = false;
            }
        } else {
            throw XmlError("unexpected end of document", parser.offset());
        }
    }
    unescapeOoxml(out);
}

bool SharedStrings::wellFormed(size_t i) const {
    return !std::binary_search(m_malformed.begin(), m_malformed.end(), uint32_t(i));
}

void SharedStrings::read(XmlPullParser& parser) {
    using Event = XmlPullParser::Event;
    std::string item;
    for (;;) {
        const Event ev = parser.next();
        if (ev == Event::EndDocument)
            break;
        if (ev == Event::StartElement && parser.depth() == 2 && parser.localName() == "si") {
            item.clear();
            readStringItem(parser, item);
            if (m_pool.size() + item.size() > std::numeric_limits<uint32_t>::max()) {
                throw XmlError("shared strings too large", parser.offset());
            }
            if (!isValidUtf8(item))
                m_malformed.push_back(uint32_t(m_items.size()));
            m_items.emplace_back(uint32_t(m_pool.size()), uint32_t(item.size()));
            m_pool += item;
        }
    }
}

}  // namespace store::xlsx
