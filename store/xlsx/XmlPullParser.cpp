#include "XmlPullParser.h"

#include "XmlText.h"

#include <array>
#include <cstring>

namespace store::xlsx {

namespace {

// A single token (a tag or a run of text) larger than this is not a spreadsheet.
constexpr size_t kMaxTokenBytes = size_t(64) << 20;

constexpr std::array<unsigned char, 256> makeNameTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 'a'; c <= 'z'; ++c)
        t[size_t(c)] = 3;
    for (int c = 'A'; c <= 'Z'; ++c)
        t[size_t(c)] = 3;
    for (int c = 0x80; c <= 0xff; ++c)
        t[size_t(c)] = 3;
    t['_'] = 3;
    t[':'] = 3;
    for (int c = '0'; c <= '9'; ++c)
        t[size_t(c)] = 1;
    t['-'] = 1;
    t['.'] = 1;
    return t;
}
constexpr auto kName = makeNameTable();  // bit 1: name char, bit 2: name start char

inline bool isNameChar(char c) {
    return kName[static_cast<unsigned char>(c)] & 1;
}
inline bool isNameStart(char c) {
    return kName[static_cast<unsigned char>(c)] & 2;
}
inline bool isSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

XmlPullParser::XmlPullParser(ReadFn read, size_t chunkSize)
    : m_read(std::move(read)), m_chunk(chunkSize < 64 ? 64 : chunkSize) {
    m_buf.resize(m_chunk);
    m_data = m_buf.data();
}

XmlPullParser::XmlPullParser(std::string_view document) : m_doc(document), m_chunk(0) {
    m_data = document.data();
    m_end = document.size();
    m_eof = true;
}

void XmlPullParser::checkDocument(std::string_view document) {
    XmlPullParser parser(document);
    while (parser.next() != Event::EndDocument) {
    }
}

std::string_view XmlPullParser::localName() const {
    return xlsx::localName(m_name);
}

std::string_view XmlPullParser::prefix() const {
    const size_t colon = m_name.find(':');
    return colon == std::string_view::npos ? std::string_view() : m_name.substr(0, colon);
}

const XmlPullParser::Attribute* XmlPullParser::attribute(std::string_view local) const {
    for (const Attribute& a : m_attrs) {
        if (xlsx::localName(a.name) == local)
            return &a;
    }
    return nullptr;
}

std::string XmlPullParser::decodedValue(const Attribute& a) const {
    std::string out;
    decodeInto(out, a.rawValue, offset());
    return out;
}

std::string_view XmlPullParser::text() {
    if (!m_textDecoded) {
        m_textDecoded = true;
        if (std::memchr(m_rawText.data(), '&', m_rawText.size()) == nullptr) {
            return m_rawText;
        }
        m_textScratch.clear();
        decodeInto(m_textScratch, m_rawText, offset());
        m_rawText = m_textScratch;
    }
    return m_rawText;
}

void XmlPullParser::fail(const std::string& what, size_t at) const {
    throw XmlError(what, m_consumedBefore + at);
}

void XmlPullParser::decodeInto(std::string& out, std::string_view raw, size_t at) const {
    size_t i = 0;
    while (i < raw.size()) {
        const char* amp =
            static_cast<const char*>(std::memchr(raw.data() + i, '&', raw.size() - i));
        if (amp == nullptr) {
            out.append(raw.substr(i));
            break;
        }
        const size_t a = size_t(amp - raw.data());
        out.append(raw.substr(i, a - i));
        const size_t semi = raw.find(';', a);
        if (semi == std::string_view::npos || semi - a > 12) {
            throw XmlError("unterminated entity reference", at);
        }
        const std::string_view ref = raw.substr(a + 1, semi - a - 1);
        if (ref == "lt") {
            out.push_back('<');
        } else if (ref == "gt") {
            out.push_back('>');
        } else if (ref == "amp") {
            out.push_back('&');
        } else if (ref == "quot") {
            out.push_back('"');
        } else if (ref == "apos") {
            out.push_back('\'');
        } else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty())
                throw XmlError("bad character reference", at);
            unsigned long cp = 0;
            for (char c : digits) {
                unsigned d;
                if (c >= '0' && c <= '9') {
                    d = unsigned(c - '0');
                } else if (hex && c >= 'a' && c <= 'f') {
                    d = unsigned(c - 'a' + 10);
                } else if (hex && c >= 'A' && c <= 'F') {
                    d = unsigned(c - 'A' + 10);
                } else {
                    throw XmlError("bad character reference", at);
                }
                cp = cp * (hex ? 16 : 10) + d;
                if (cp > 0x10FFFF)
                    throw XmlError("character reference out of range", at);
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                throw XmlError("character reference out of range", at);
            }
            appendUtf8(out, unsigned(cp));
        } else {
            throw XmlError("unknown entity &" + std::string(ref) + ";", at);
        }
        i = semi + 1;
    }
}

bool XmlPullParser::refill() {
    if (m_eof)
        return false;
    // Keep the unfinished token, make room, read more.
    const size_t keep = m_end - m_pos;
    if (m_pos > 0) {
        std::memmove(m_buf.data(), m_buf.data() + m_pos, keep);
        m_consumedBefore += m_pos;
        m_pos = 0;
        m_end = keep;
    }
    if (m_end == m_buf.size()) {
        if (m_buf.size() >= kMaxTokenBytes)
            fail("XML token too large", m_pos);
        m_buf.resize(m_buf.size() * 2);
    }
    m_data = m_buf.data();
    const size_t got = m_read(m_buf.data() + m_end, m_buf.size() - m_end);
    if (got == 0) {
        m_eof = true;
    }
    m_end += got;
    return true;
}

XmlPullParser::Event XmlPullParser::next() {
    if (m_pendingEnd) {
        // The end of <a/>: same name, no bytes.
        m_pendingEnd = false;
        m_raw = {};
        m_attrs.clear();
        return Event::EndElement;
    }
    if (!m_stack.empty() && m_popPending) {
        m_nameArena.resize(m_stack.back().first);
        m_stack.pop_back();
        m_popPending = false;
        if (m_stack.empty())
            m_rootClosed = true;
    }
    for (;;) {
        Event ev;
        const Scan s = scanToken(ev);
        if (s == Scan::Done)
            return ev;
        if (!refill()) {
            // Whole-document mode: an unfinished token is malformed input.
            fail("unexpected end of document", m_pos);
        }
    }
}

XmlPullParser::Scan XmlPullParser::scanToken(Event& ev) {
    for (;;) {
        if (!m_started) {
            if (m_end - m_pos < 4 && !m_eof)
                return Scan::NeedMore;
            const auto* u = reinterpret_cast<const unsigned char*>(m_data + m_pos);
            const size_t n = m_end - m_pos;
            if (n >= 2 && ((u[0] == 0xFE && u[1] == 0xFF) || (u[0] == 0xFF && u[1] == 0xFE))) {
                fail("UTF-16 documents are not supported", m_pos);
            }
            if (n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF)
                m_pos += 3;
            m_started = true;
        }
        if (m_pos == m_end) {
            if (!m_eof)
                return Scan::NeedMore;
            if (!m_seenRoot)
                fail("no root element", m_pos);
            if (!m_stack.empty())
                fail("unexpected end of document", m_pos);
            ev = Event::EndDocument;
            m_raw = {};
            return Scan::Done;
        }
        if (m_data[m_pos] != '<')
            return scanText(ev);
        if (m_end - m_pos < 2) {
            if (!m_eof)
                return Scan::NeedMore;
            fail("unexpected end of document", m_pos);
        }
        const char c = m_data[m_pos + 1];
        if (c == '/')
            return scanEndTag(ev);
        if (c == '?' || c == '!') {
            bool skipped = false;
            const Scan s = scanMarkup(skipped, ev);
            if (s == Scan::NeedMore || !skipped)
                return s;
            continue;
        }
        return scanStartTag(ev);
    }
}

XmlPullParser::Scan XmlPullParser::scanText(Event& ev) {
    const size_t start = m_pos;
    const char* lt = static_cast<const char*>(std::memchr(m_data + start, '<', m_end - start));
    size_t stop;
    if (lt == nullptr) {
        if (!m_eof)
            return Scan::NeedMore;
        stop = m_end;
    } else {
        stop = size_t(lt - m_data);
    }
    const std::string_view raw(m_data + start, stop - start);
    m_pos = stop;
    if (m_stack.empty()) {
        for (char ch : raw) {
            if (!isSpace(ch))
                fail("text outside the root element", start);
        }
        return scanToken(ev);
    }
    m_raw = raw;
    m_rawText = raw;
    m_textDecoded = false;
    // Check references now so that errors point at the right place even if nobody
    // asks for the text.
    if (std::memchr(raw.data(), '&', raw.size()) != nullptr) {
        m_textScratch.clear();
        decodeInto(m_textScratch, raw, start);
        m_rawText = m_textScratch;
        m_textDecoded = true;
    }
    ev = Event::Text;
    return Scan::Done;
}

XmlPullParser::Scan XmlPullParser::scanMarkup(bool& skipped, Event& ev) {
    const size_t start = m_pos;
    const std::string_view rest(m_data + start, m_end - start);
    auto needOrFail = [&]() {
        if (!m_eof)
            return Scan::NeedMore;
        fail("unexpected end of document", start);
    };
    if (rest[1] == '?') {
        const size_t close = rest.find("?>", 2);
        if (close == std::string_view::npos)
            return needOrFail();
        const std::string_view body = rest.substr(2, close - 2);
        if (body.substr(0, 3) == "xml" && (body.size() == 3 || isSpace(body[3]))) {
            const size_t enc = body.find("encoding");
            if (enc != std::string_view::npos) {
                const size_t q = body.find_first_of("\"'", enc);
                if (q != std::string_view::npos) {
                    const size_t q2 = body.find(body[q], q + 1);
                    const std::string_view name = body.substr(q + 1, q2 - q - 1);
                    if (!equalsIgnoreCase(name, "utf-8") && !equalsIgnoreCase(name, "utf8")) {
                        fail("unsupported encoding " + std::string(name), start);
                    }
                }
            }
        }
        m_pos = start + close + 2;
        skipped = true;
        return Scan::Done;
    }
    // "<!"
    if (rest.size() < 9) {
        if (!m_eof)
            return Scan::NeedMore;
    }
    if (rest.substr(0, 4) == "<!--") {
        const size_t close = rest.find("-->", 4);
        if (close == std::string_view::npos)
            return needOrFail();
        m_pos = start + close + 3;
        skipped = true;
        return Scan::Done;
    }
    if (rest.substr(0, 9) == "<![CDATA[") {
        if (m_stack.empty())
            fail("CDATA outside the root element", start);
        const size_t close = rest.find("]]>", 9);
        if (close == std::string_view::npos)
            return needOrFail();
        m_raw = rest.substr(0, close + 3);
        m_rawText = rest.substr(9, close - 9);
        m_textDecoded = true;
        m_pos = start + close + 3;
        ev = Event::Text;
        return Scan::Done;
    }
    if (rest.substr(0, 9) == "<!DOCTYPE")
        fail("DOCTYPE declarations are not allowed", start);
    fail("malformed markup", start);
}

XmlPullParser::Scan XmlPullParser::scanStartTag(Event& ev) {
    const size_t start = m_pos;
    if (m_rootClosed)
        fail("content after the root element", start);
    size_t p = start + 1;
    const size_t end = m_end;
    if (!isNameStart(m_data[p]))
        fail("malformed start tag", start);
    while (p < end && isNameChar(m_data[p]))
        ++p;
    if (p == end)
        return m_eof ? (fail("unexpected end of document", start), Scan::Done) : Scan::NeedMore;
    const std::string_view name(m_data + start + 1, p - start - 1);
    m_attrs.clear();
    bool empty = false;
    for (;;) {
        const size_t before = p;
        while (p < end && isSpace(m_data[p]))
            ++p;
        if (p == end)
            break;
        const char c = m_data[p];
        if (c == '>') {
            ++p;
            goto done;
        }
        if (c == '/') {
            if (p + 1 == end)
                break;
            if (m_data[p + 1] != '>')
                fail("malformed start tag", start);
            p += 2;
            empty = true;
            goto done;
        }
        if (p == before || !isNameStart(c))
            fail("malformed attribute", start);
        const size_t nameStart = p;
        while (p < end && isNameChar(m_data[p]))
            ++p;
        const size_t nameEnd = p;
        while (p < end && isSpace(m_data[p]))
            ++p;
        if (p == end)
            break;
        if (m_data[p] != '=')
            fail("malformed attribute", start);
        ++p;
        while (p < end && isSpace(m_data[p]))
            ++p;
        if (p == end)
            break;
        const char q = m_data[p];
        if (q != '"' && q != '\'')
            fail("attribute value without quotes", start);
        const char* close = static_cast<const char*>(std::memchr(m_data + p + 1, q, end - p - 1));
        if (close == nullptr)
            break;
        const std::string_view value(m_data + p + 1, size_t(close - (m_data + p + 1)));
        if (std::memchr(value.data(), '<', value.size()) != nullptr) {
            fail("'<' in attribute value", start);
        }
        const std::string_view attrName(m_data + nameStart, nameEnd - nameStart);
        for (const Attribute& a : m_attrs) {
            if (a.name == attrName)
                fail("duplicate attribute", start);
        }
        if (std::memchr(value.data(), '&', value.size()) != nullptr) {
            std::string scratch;
            decodeInto(scratch, value, start);
        }
        m_attrs.push_back({attrName, value});
        p = size_t(close - m_data) + 1;
    }
    if (!m_eof)
        return Scan::NeedMore;
    fail("unexpected end of document", start);

done:
    if (int(m_stack.size()) >= kMaxDepth)
        fail("elements nested too deeply", start);
    m_stack.emplace_back(m_nameArena.size(), name.size());
    m_nameArena.append(name);
    m_seenRoot = true;
    m_name = name;
    m_raw = std::string_view(m_data + start, p - start);
    m_emptyElement = empty;
    m_pendingEnd = empty;
    m_popPending = true;
    m_pos = p;
    ev = Event::StartElement;
    if (!empty)
        m_popPending = false;
    return Scan::Done;
}

XmlPullParser::Scan XmlPullParser::scanEndTag(Event& ev) {
    const size_t start = m_pos;
    const char* gt = static_cast<const char*>(std::memchr(m_data + start, '>', m_end - start));
    if (gt == nullptr) {
        if (!m_eof)
            return Scan::NeedMore;
        fail("unexpected end of document", start);
    }
    size_t p = start + 2;
    const size_t close = size_t(gt - m_data);
    const size_t nameStart = p;
    while (p < close && isNameChar(m_data[p]))
        ++p;
    const std::string_view name(m_data + nameStart, p - nameStart);
    while (p < close && isSpace(m_data[p]))
        ++p;
    if (p != close || name.empty())
        fail("malformed end tag", start);
    if (m_stack.empty())
        fail("end tag without a start tag", start);
    const auto [off, len] = m_stack.back();
    if (std::string_view(m_nameArena).substr(off, len) != name) {
        fail("end tag </" + std::string(name) + "> does not match its start tag", start);
    }
    m_name = name;
    m_raw = std::string_view(m_data + start, close + 1 - start);
    m_attrs.clear();
    m_pos = close + 1;
    m_popPending = true;
    ev = Event::EndElement;
    return Scan::Done;
}

}  // namespace store::xlsx
