#include <gtest/gtest.h>

#include <algorithm>

#include "store/xlsx/XmlPullParser.h"

using store::xlsx::XmlError;
using store::xlsx::XmlPullParser;
using Event = XmlPullParser::Event;

namespace {

// The document as a flat trace: "<name a=v>", "</name>", "'text'".
std::string trace(XmlPullParser& p) {
    std::string out;
    for (;;) {
        const Event ev = p.next();
        if (ev == Event::EndDocument)
            return out;
        if (ev == Event::StartElement) {
            out += "<" + std::string(p.qualifiedName());
            for (const auto& a : p.attributes())
                out += " " + std::string(a.name) + "=" + p.decodedValue(a);
            out += ">";
        } else if (ev == Event::EndElement) {
            out += "</" + std::string(p.qualifiedName()) + ">";
        } else {
            out += "'" + std::string(p.text()) + "'";
        }
    }
}

std::string traceWhole(std::string_view doc) {
    XmlPullParser p(doc);
    return trace(p);
}

// The same document fed in pieces of a few bytes into a tiny buffer.
std::string tracePieces(std::string_view doc, size_t piece) {
    size_t pos = 0;
    XmlPullParser p(
        [&](char* buf, size_t cap) {
            const size_t n = std::min({cap, doc.size() - pos, piece});
            std::copy_n(doc.data() + pos, n, buf);
            pos += n;
            return n;
        },
        64);
    return trace(p);
}

}  // namespace

TEST(XmlPullParser, ReadsElementsAttributesAndText) {
    const std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- made by hand -->"
        "<a x='1' y=\"&lt;2&gt;\"><b/>可口&amp;可乐<![CDATA[<raw>]]><c>&#x53EF;&#21487;</c></a>\n";
    const std::string expected = "<a x=1 y=<2>><b></b>'可口&可乐''<raw>'<c>'可可'</c></a>";
    EXPECT_EQ(traceWhole(doc), expected);
    for (size_t piece : {1, 2, 3, 7, 13, 64}) {
        EXPECT_EQ(tracePieces(doc, piece), expected) << "pieces of " << piece;
    }
}

TEST(XmlPullParser, TokensLargerThanTheBufferGrowIt) {
    std::string big(100000, 'x');
    const std::string doc = "<a long=\"" + big + "\">" + big + "</a>";
    EXPECT_EQ(tracePieces(doc, 4096), "<a long=" + big + ">'" + big + "'</a>");
}

TEST(XmlPullParser, KeepsRawTokensAndPrefixes) {
    XmlPullParser p(std::string_view("<x:root xmlns:x='u'><x:c r=\"A1\" /></x:root>"));
    ASSERT_EQ(p.next(), Event::StartElement);
    EXPECT_EQ(p.localName(), "root");
    EXPECT_EQ(p.prefix(), "x");
    EXPECT_EQ(p.raw(), "<x:root xmlns:x='u'>");
    ASSERT_EQ(p.next(), Event::StartElement);
    EXPECT_TRUE(p.isEmptyElement());
    EXPECT_EQ(p.depth(), 2);
    ASSERT_NE(p.attribute("r"), nullptr);
    EXPECT_EQ(p.attribute("r")->rawValue, "A1");
    ASSERT_EQ(p.next(), Event::EndElement);
    EXPECT_EQ(p.depth(), 2);
    EXPECT_EQ(p.raw(), "");
    ASSERT_EQ(p.next(), Event::EndElement);
    EXPECT_EQ(p.depth(), 1);
    EXPECT_EQ(p.next(), Event::EndDocument);
}

TEST(XmlPullParser, RefusesMalformedAndHostileDocuments) {
    const std::vector<std::string> bad = {
        "",
        "   ",
        "<a>",
        "<a></b>",
        "<a><b></a></b>",
        "<a x=1/>",
        "<a x='1' x='2'/>",
        "<a x='<'/>",
        "<a>&foo;</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a>&#x110000;</a>",
        "<a>&amp</a>",
        "<a/><b/>",
        "text<a/>",
        "<a/>trailing",
        "<!DOCTYPE a [<!ENTITY e \"eeeeeeeeee\">]><a>&e;</a>",
        "<?xml version='1.0' encoding='GBK'?><a/>",
        "\xFF\xFE<\0a\0/\0>\0",
        "<a><!-- unterminated </a>",
        "<a><![CDATA[never closed</a>",
        "</a>",
        "<1a/>",
        std::string(300, '<'),
    };
    for (const std::string& doc : bad) {
        EXPECT_THROW(traceWhole(doc), XmlError) << doc;
        EXPECT_THROW(tracePieces(doc, 3), XmlError) << doc;
    }
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<a>";
    EXPECT_THROW(traceWhole(deep), XmlError);
}

TEST(XmlPullParser, ErrorsCarryTheirOffset) {
    try {
        traceWhole("<root><a></b></root>");
        FAIL();
    } catch (const XmlError& e) {
        EXPECT_EQ(e.offset(), 9u);
    }
}
