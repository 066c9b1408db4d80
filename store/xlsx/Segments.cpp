#include "Segments.h"

#include <zlib.h>

#include <cstring>

#include "ZipArchive.h"

namespace store::xlsx {

namespace {

constexpr uint8_t kVersion = 1;
constexpr size_t kSegmentBytes = 8 + 8 + 4;
constexpr size_t kIndexBytes = 1 + size_t(SegmentIndex::kParts) * kSegmentBytes + size_t(5) * 4;

template <class T>
void put(std::string& out, T value) {
    for (size_t i = 0; i < sizeof(T); ++i)
        out += char((uint64_t(value) >> (8 * i)) & 0xFF);
}

template <class T>
T take(std::string_view& in) {
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        v |= uint64_t(uint8_t(in[i])) << (8 * i);
    in.remove_prefix(sizeof(T));
    return T(v);
}

// zlib takes lengths as uInt: larger inputs go through in pieces.
constexpr uint64_t kMaxPiece = uint64_t(1) << 30;

}  // namespace

uint64_t SegmentIndex::offset(Part part) const {
    uint64_t at = 0;
    for (int p = 0; p < part; ++p)
        at += parts[p].packed;
    return at;
}

Segment joined(const Segment& a, const Segment& b) {
    return {a.packed + b.packed, a.raw + b.raw, crc32Combine(a.crc, b.crc, b.raw)};
}

Segment SegmentIndex::whole() const {
    Segment all;
    for (const Segment& s : parts)
        all = joined(all, s);
    return all;
}

std::string SegmentIndex::serialize() const {
    std::string out;
    put<uint8_t>(out, kVersion);
    for (const Segment& s : parts) {
        put<uint64_t>(out, s.packed);
        put<uint64_t>(out, s.raw);
        put<uint32_t>(out, s.crc);
    }
    for (uint32_t v : {lastFrozenRow, minRow, maxRow, minCol, maxCol})
        put<uint32_t>(out, v);
    return out;
}

std::optional<SegmentIndex> SegmentIndex::parse(std::string_view in) {
    if (in.size() != kIndexBytes || uint8_t(in[0]) != kVersion)
        return std::nullopt;
    in.remove_prefix(1);
    SegmentIndex index;
    for (Segment& s : index.parts) {
        s.packed = take<uint64_t>(in);
        s.raw = take<uint64_t>(in);
        s.crc = take<uint32_t>(in);
    }
    index.lastFrozenRow = take<uint32_t>(in);
    index.minRow = take<uint32_t>(in);
    index.maxRow = take<uint32_t>(in);
    index.minCol = take<uint32_t>(in);
    index.maxCol = take<uint32_t>(in);
    return index;
}

std::string inflatePrefix(std::string_view packed, size_t limit) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        throw PackageError("内存不足");
    std::string out(limit, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = uInt(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_SYNC_FLUSH);
    inflateEnd(&z);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
        throw PackageError("压缩数据已损坏");
    out.resize(out.size() - z.avail_out);
    return out;
}

uint32_t crc32Of(std::string_view bytes) {
    uLong crc = crc32(0, nullptr, 0);
    while (!bytes.empty()) {
        const auto n = uInt(std::min<uint64_t>(bytes.size(), kMaxPiece));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), n);
        bytes.remove_prefix(n);
    }
    return uint32_t(crc);
}

uint32_t crc32Combine(uint32_t a, uint32_t b, uint64_t bLength) {
    return uint32_t(crc32_combine64(a, b, z_off64_t(bLength)));
}

std::string deflateSegment(std::string_view raw, bool last, int level) {
    if (raw.empty() && !last)
        return {};
    z_stream z{};
    // Raw deflate: the zip entry carries no zlib header.
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw PackageError("内存不足");
    std::string out;
    out.resize(deflateBound(&z, uLong(std::min<uint64_t>(raw.size(), kMaxPiece))) + 64);
    size_t used = 0;
    std::string_view rest = raw;
    int rc = Z_OK;
    do {
        const auto n = uInt(std::min<uint64_t>(rest.size(), kMaxPiece));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(rest.data()));
        z.avail_in = n;
        rest.remove_prefix(n);
        const int flush = !rest.empty() ? Z_NO_FLUSH : last ? Z_FINISH : Z_FULL_FLUSH;
        do {
            constexpr size_t kRoom = size_t(64) << 10;
            if (out.size() - used < kRoom)
                out.resize(out.size() * 2 + kRoom);
            z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            z.avail_out = uInt(std::min<size_t>(out.size() - used, kMaxPiece));
            const uInt before = z.avail_out;
            rc = deflate(&z, flush);
            used += before - z.avail_out;
            if (rc == Z_STREAM_ERROR) {
                deflateEnd(&z);
                throw PackageError("压缩数据时出错");
            }
        } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    } while (!rest.empty());
    deflateEnd(&z);
    out.resize(used);
    return out;
}

std::string inflateSegment(std::string_view packed, uint64_t size, uint32_t crc) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        throw PackageError("内存不足");
    std::string out(size + 1, '\0');  // one more: a segment that runs on is caught
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = uInt(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_SYNC_FLUSH);
    const bool whole = (rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR) && z.avail_in == 0 &&
                       z.total_out == size;
    inflateEnd(&z);
    out.resize(size);
    if (!whole || crc32Of(out) != crc)
        throw PackageError("压缩数据已损坏");
    return out;
}

}  // namespace store::xlsx
