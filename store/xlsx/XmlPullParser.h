#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace store::xlsx {

// A small streaming XML reader for the large parts of a workbook (the sheet and its
// shared strings). A sheet of 100,000 rows is tens of megabytes of XML; reading it in
// chunks straight into compact cells keeps memory to a fraction of a DOM.
//
// It checks well-formedness as it goes (matching tags, quoted attributes, known entity
// and character references, one root) and refuses DOCTYPE declarations, so entity
// expansion attacks cannot happen. Errors are thrown as XmlError with the byte offset.
class XmlError : public std::runtime_error {
public:
    XmlError(const std::string& what, size_t offset) : std::runtime_error(what), m_offset(offset) {}
    size_t offset() const { return m_offset; }

private:
    size_t m_offset;
};

class XmlPullParser {
public:
    // Fills buf with up to cap bytes and returns how many; 0 means the end of input.
    using ReadFn = std::function<size_t(char* buf, size_t cap)>;

    enum class Event { StartElement, EndElement, Text, EndDocument };

    struct Attribute {
        std::string_view name;  // qualified, as written
        std::string_view rawValue;
    };

    explicit XmlPullParser(ReadFn read, size_t chunkSize = 1 << 18);
    // Parses a complete document held in memory.
    explicit XmlPullParser(std::string_view document);

    Event next();

    // Views stay valid until the next call to next().
    std::string_view qualifiedName() const { return m_name; }
    std::string_view localName() const;
    std::string_view prefix() const;
    bool isEmptyElement() const { return m_emptyElement; }
    const std::vector<Attribute>& attributes() const { return m_attrs; }
    // Raw value of the attribute with this local name, or nullptr when absent.
    const Attribute* attribute(std::string_view localName) const;
    // Attribute value with references decoded.
    std::string decodedValue(const Attribute& a) const;
    // Text content with references decoded (CDATA comes as its own Text event).
    std::string_view text();
    // The exact bytes of the current token: "<a x='1'>", "</a>", raw text, "<![CDATA[..]]>".
    // Empty for the end of an element that was written as <a/>.
    std::string_view raw() const { return m_raw; }
    int depth() const { return int(m_stack.size()); }
    size_t offset() const { return m_consumedBefore + m_pos; }

    static constexpr int kMaxDepth = 256;

    // Reads a whole document through: a part handed to a DOM parser meets the same rules
    // (no DOCTYPE, nesting at most kMaxDepth, well-formed). Throws XmlError.
    static void checkDocument(std::string_view document);

private:
    enum class Scan { Done, NeedMore };

    bool refill();
    Scan scanToken(Event& ev);
    Scan scanStartTag(Event& ev);
    Scan scanEndTag(Event& ev);
    Scan scanMarkup(bool& skipped, Event& ev);
    Scan scanText(Event& ev);
    [[noreturn]] void fail(const std::string& what, size_t at) const;
    void decodeInto(std::string& out, std::string_view raw, size_t at) const;

    ReadFn m_read;
    std::vector<char> m_buf;
    std::string_view m_doc;  // whole-document mode
    const char* m_data = nullptr;
    size_t m_pos = 0;
    size_t m_end = 0;
    size_t m_consumedBefore = 0;
    bool m_eof = false;
    size_t m_chunk;

    std::string_view m_name;
    std::string_view m_raw;
    std::string_view m_rawText;
    std::string m_textScratch;
    bool m_textDecoded = false;
    bool m_emptyElement = false;
    bool m_pendingEnd = false;
    bool m_popPending = false;
    bool m_seenRoot = false;
    bool m_rootClosed = false;
    bool m_started = false;
    std::vector<Attribute> m_attrs;
    std::string m_nameArena;                         // names of open elements
    std::vector<std::pair<size_t, size_t>> m_stack;  // offset, length into m_nameArena
};

}  // namespace store::xlsx
