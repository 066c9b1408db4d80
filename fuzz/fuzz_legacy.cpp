// libFuzzer target for our part of reading books in the older binary format: the
// compound file as the container library hands out its workbook stream, and the records
// of that stream. The cell reader beneath (FreeXL) is left out: a fault in it ends the
// converter's own process, never the program, and a test shows that with a file on
// which it crashes.
#include <QByteArray>
#include <cstdint>

#include "legacy/BiffStream.h"

namespace {

void scan(const QByteArray& stream) {
    try {
        legacy::scanWorkbookStream(stream);
    } catch (const legacy::BiffError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // The input as a whole file, and as a bare stream, so that the record walk is
    // reached even where the container would have refused the mutation.
    try {
        scan(legacy::workbookStream(bytes));
    } catch (const legacy::BiffError&) {
    }
    scan(bytes);
    return 0;
}
