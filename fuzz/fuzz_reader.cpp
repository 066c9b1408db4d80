// Input starting with "PK" is read as a whole workbook; anything else is fed to the
// sheet, shared-string and style readers as XML. A sheet that reads must also write,
// read back the same, and read the same whether it arrives whole or in small pieces.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/StoreError.h"
#include "store/Workbook.h"
#include "store/xlsx/SharedStrings.h"
#include "store/xlsx/SheetXml.h"
#include "store/xlsx/Styles.h"
#include "store/xlsx/XmlPullParser.h"

using namespace store::xlsx;

namespace {

bool readSheetFrom(XmlPullParser& parser, std::string& written) {
    SheetModel model;
    SheetLayout layout;
    SheetReadLimits limits;
    limits.sharedStrings = 16;
    try {
        readSheet(parser, model, layout, limits);
    } catch (const XmlError&) {
        return false;
    } catch (const SheetError&) {
        return false;
    }
    written = writeSheet(model, layout);
    return true;
}

void fuzzXml(std::string_view xml) {
    std::string whole, pieces;
    XmlPullParser wholeParser(xml);
    const bool ok = readSheetFrom(wholeParser, whole);

    size_t pos = 0;
    XmlPullParser pieceParser(
        [&](char* buf, size_t cap) {
            const size_t n = std::min({cap, xml.size() - pos, size_t(13)});
            std::copy_n(xml.data() + pos, n, buf);
            pos += n;
            return n;
        },
        64);
    const bool okPieces = readSheetFrom(pieceParser, pieces);
    // Size limits may differ between the two modes only for giant tokens, which a
    // fuzzer input cannot reach.
    if (ok != okPieces || whole != pieces)
        std::abort();

    if (ok) {
        std::string again;
        XmlPullParser reread(whole);
        if (!readSheetFrom(reread, again))
            std::abort();
        if (again != whole)
            std::abort();
    }

    try {
        XmlPullParser p(xml);
        SharedStrings sst;
        sst.read(p);
    } catch (const XmlError&) {
    }
    try {
        Styles styles;
        styles.read(xml);
    } catch (const XmlError&) {
    }
}

void fuzzPackage(const uint8_t* data, size_t size) {
    try {
        store::Workbook wb = store::Workbook::openBytes(
            QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
            QStringLiteral("fuzz"));
        const int rows = std::min(wb.usedRowCount(), 200);
        const int cols = std::min(wb.usedColumnCount(), 50);
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= cols; ++c)
                wb.cell(r, c).displayText();
        }
        wb.header();
        wb.pageSetup();
        wb.columnWidth(1);
    } catch (const store::StoreError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
        fuzzPackage(data, size);
    } else {
        fuzzXml(std::string_view(reinterpret_cast<const char*>(data), size));
    }
    return 0;
}
