#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store::xlsx {

class ZipArchive;

// A sheet part deflated as independent segments, one after the other in the one stream: each
// but the last ends on a byte boundary with a full flush, so that any of them can be inflated
// alone, or replaced, and the bytes of the others copied as they are. A posting that adds
// rows rewrites only the dimension and the open segment (the last rows); the earlier rows
// stay in the frozen segment, whose compressed bytes it copies.
//
// The index of the segments travels with the part, in an extra field of its entry in the
// zip's central directory, which other programs skip. It is trusted only when its lengths
// and check sums add up to the entry's own; a book rewritten by another program has none.
struct Segment {
    uint64_t packed = 0;  // compressed bytes
    uint64_t raw = 0;     // inflated bytes
    uint32_t crc = 0;     // CRC-32 of the inflated bytes
};

// A stretch of the frozen rows deflated on its own, ending on a full flush.
struct Piece {
    uint32_t packed = 0, raw = 0;
};

struct SegmentIndex {
    static constexpr uint16_t kExtraFieldId = 0x7674;  // "tv"
    // Head: up to the dimension element; Body: after it, to the opening sheetData tag;
    // Frozen and Open: the rows; Tail: the closing sheetData tag and the rest.
    enum Part { Head, Dimension, Body, Frozen, Open, Tail, kParts };
    std::array<Segment, kParts> parts{};
    uint32_t lastFrozenRow = 0;  // the rows up to this index are in Frozen
    // The rectangle of the frozen rows' cells (for the dimension); rows 0 when none.
    uint32_t minRow = 0, maxRow = 0, minCol = 0, maxCol = 0;
    // The frozen rows in the pieces they were deflated in, which add up to the segment: a
    // reader inflates them one at a time beside its scan of the one before. None in a book
    // of the first version, whose frozen rows are one piece.
    std::vector<Piece> pieces;
    // At most this many are kept; beyond, neighbours are joined (a run of whole pieces is
    // itself a piece).
    static constexpr size_t kMaxPieces = 4096;
    // Rows deflated as `added`, in `its` pieces, join the frozen ones.
    void addFrozen(const Segment& added, const std::vector<Piece>& its);

    uint64_t offset(Part part) const;  // of the compressed bytes, in the part's data
    Segment whole() const;
    std::string serialize() const;
    // Nothing for bytes that are no index of this version.
    static std::optional<SegmentIndex> parse(std::string_view bytes);
};

// One segment, deflated (raw deflate, zlib); a segment that is not `last` ends with a full
// flush, and empty input makes no bytes.
std::string deflateSegment(std::string_view raw, bool last, int level);
// Hands on the frozen rows of a sheet part, inflated a piece at a time in a thread of its
// own, to `take` on the calling thread, in order, each as it comes, while the next is
// inflated; throws PackageError when they are not what the index says. `take` may throw,
// which ends the inflating.
void inflateFrozen(ZipArchive& zip, size_t entry, const SegmentIndex& index,
                   const std::function<void(std::string_view)>& take);

// Inflates one segment alone; throws PackageError unless it gives exactly `size` bytes with
// the CRC `crc`.
std::string inflateSegment(std::string_view packed, uint64_t size, uint32_t crc);

// The first bytes a segment inflates to, at most `limit` of them.
std::string inflatePrefix(std::string_view packed, size_t limit);

uint32_t crc32Of(std::string_view bytes);
// The CRC-32 of a followed by b, from theirs.
uint32_t crc32Combine(uint32_t a, uint32_t b, uint64_t bLength);
// A segment made of `a` followed by `b`.
Segment joined(const Segment& a, const Segment& b);

}  // namespace store::xlsx
