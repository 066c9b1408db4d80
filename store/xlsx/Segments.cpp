#include "Segments.h"

#include <libdeflate.h>
#include <zlib.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include "ZipArchive.h"

namespace store::xlsx {

namespace {

// Version 1 had no pieces; it is still read.
constexpr uint8_t kVersion = 2;
constexpr size_t kSegmentBytes = 8 + 8 + 4;
constexpr size_t kFirstVersionBytes =
    1 + size_t(SegmentIndex::kParts) * kSegmentBytes + size_t(5) * 4;
constexpr size_t kPieceBytes = 4 + 4;

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
    put<uint32_t>(out, uint32_t(pieces.size()));
    for (const Piece& piece : pieces) {
        put<uint32_t>(out, piece.packed);
        put<uint32_t>(out, piece.raw);
    }
    return out;
}

void SegmentIndex::addFrozen(const Segment& added, const std::vector<Piece>& its) {
    Segment& frozen = parts[Frozen];
    constexpr uint64_t kMost = std::numeric_limits<uint32_t>::max();
    // Frozen rows of a first-version book are one piece, when they fit in one.
    const bool listed = frozen.raw == 0 || !pieces.empty();
    if (!listed && frozen.packed <= kMost && frozen.raw <= kMost)
        pieces.push_back({uint32_t(frozen.packed), uint32_t(frozen.raw)});
    const bool known = frozen.raw == 0 || !pieces.empty();
    frozen = joined(frozen, added);
    if (!known)
        return;
    for (const Piece& piece : its) {
        if (piece.raw > 0)
            pieces.push_back(piece);
    }
    while (pieces.size() > kMaxPieces) {
        std::vector<Piece> fewer;
        for (size_t i = 0; i < pieces.size(); i += 2) {
            Piece both = pieces[i];
            if (i + 1 < pieces.size()) {
                if (uint64_t(both.packed) + pieces[i + 1].packed > kMost ||
                    uint64_t(both.raw) + pieces[i + 1].raw > kMost) {
                    pieces.clear();  // one piece, read as a stream
                    return;
                }
                both.packed += pieces[i + 1].packed;
                both.raw += pieces[i + 1].raw;
            }
            fewer.push_back(both);
        }
        pieces = std::move(fewer);
    }
}

std::optional<SegmentIndex> SegmentIndex::parse(std::string_view in) {
    if (in.size() < kFirstVersionBytes || uint8_t(in[0]) == 0 || uint8_t(in[0]) > kVersion)
        return std::nullopt;
    const uint8_t version = uint8_t(in[0]);
    if (version == 1 && in.size() != kFirstVersionBytes)
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
    if (version == 1)
        return index;
    if (in.size() < 4)
        return std::nullopt;
    const uint32_t count = take<uint32_t>(in);
    if (count > SegmentIndex::kMaxPieces || in.size() != size_t(count) * kPieceBytes)
        return std::nullopt;
    uint64_t packed = 0, raw = 0;
    for (uint32_t i = 0; i < count; ++i) {
        Piece piece;
        piece.packed = take<uint32_t>(in);
        piece.raw = take<uint32_t>(in);
        packed += piece.packed;
        raw += piece.raw;
        index.pieces.push_back(piece);
    }
    const Segment& frozen = index.parts[Frozen];
    if (count > 0 && (packed != frozen.packed || raw != frozen.raw))
        return std::nullopt;
    return index;
}

namespace {

// A piece up to this size is inflated whole by libdeflate, twice as fast as zlib's stream on
// a sheet; a larger one (the frozen rows of a first-version book) goes through zlib a MiB
// at a time.
constexpr uint64_t kWholePiece = uint64_t(16) << 20;
constexpr size_t kStreamed = size_t(1) << 20;
// Inflated texts waiting for the reader: enough that neither thread waits on the other's
// uneven pieces, few enough that the memory stays a few MiB.
constexpr size_t kWaiting = 3;

// Inflated text on its way from the inflating thread to the reader, and the buffers the
// reader is done with on their way back.
class Handover {
public:
    // False once the reader has given up.
    bool put(std::string text) {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [&] { return m_ready.size() < kWaiting || m_cancelled; });
        if (m_cancelled)
            return false;
        m_ready.push_back(std::move(text));
        m_filled.notify_one();
        return true;
    }
    std::string spare() {
        const std::lock_guard lock(m_mutex);
        if (m_spares.empty())
            return {};
        std::string text = std::move(m_spares.back());
        m_spares.pop_back();
        return text;
    }
    // False at the end, or at once when the inflating failed.
    bool take(std::string& text) {
        std::unique_lock lock(m_mutex);
        m_filled.wait(lock, [&] { return !m_ready.empty() || m_done; });
        if (m_failure || m_ready.empty())
            return false;
        text = std::move(m_ready.front());
        m_ready.pop_front();
        m_room.notify_one();
        return true;
    }
    void giveBack(std::string text) {
        const std::lock_guard lock(m_mutex);
        if (m_spares.size() < kWaiting)
            m_spares.push_back(std::move(text));
    }
    void finish(std::exception_ptr failure) {
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_failure = std::move(failure);
        m_filled.notify_one();
    }
    void cancel() {
        const std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_room.notify_one();
    }
    void rethrow() const {
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_room, m_filled;
    std::deque<std::string> m_ready;
    std::vector<std::string> m_spares;
    bool m_done = false, m_cancelled = false;
    std::exception_ptr m_failure;
};

[[noreturn]] void corrupt() {
    throw PackageError("压缩数据已损坏");
}

// A piece of zlib's stream, inflated a MiB at a time.
bool inflateStreamed(ZipArchive& zip, size_t entry, uint64_t at, uint64_t packed, uint64_t raw,
                     uint32_t& crc, Handover& out) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        throw PackageError("内存不足");
    const std::unique_ptr<z_stream, int (*)(z_stream*)> ending(&z, inflateEnd);
    uint64_t total = 0;
    bool going = true;
    zip.streamPacked(entry, at, packed, [&](std::string_view in) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = uInt(in.size());
        while (going && z.avail_in > 0) {
            std::string text = out.spare();
            text.resize(kStreamed);
            z.next_out = reinterpret_cast<Bytef*>(text.data());
            z.avail_out = uInt(text.size());
            const int rc = inflate(&z, Z_SYNC_FLUSH);
            if (rc != Z_OK && rc != Z_BUF_ERROR)
                corrupt();
            text.resize(text.size() - z.avail_out);
            total += text.size();
            if (total > raw)
                corrupt();
            crc = crc32Combine(crc, crc32Of(text), text.size());
            going = out.put(std::move(text));
        }
    });
    if (going && total != raw)
        corrupt();
    return going;
}

void inflatePieces(ZipArchive& zip, size_t entry, const SegmentIndex& index, Handover& out) {
    const Segment& frozen = index.parts[SegmentIndex::Frozen];
    std::vector<std::pair<uint64_t, uint64_t>> pieces;  // packed, raw
    for (const Piece& piece : index.pieces)
        pieces.emplace_back(piece.packed, piece.raw);
    if (pieces.empty() && frozen.raw > 0)
        pieces.emplace_back(frozen.packed, frozen.raw);
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!inflater)
        throw PackageError("内存不足");
    uint64_t at = index.offset(SegmentIndex::Frozen);
    uint32_t crc = 0;
    for (const auto& [packed, raw] : pieces) {
        if (raw > kWholePiece) {
            if (!inflateStreamed(zip, entry, at, packed, raw, crc, out))
                return;
        } else {
            // A piece ends on a full flush, not on a last block, which libdeflate wants:
            // an empty stored block marked last closes it.
            std::string in = zip.readPacked(entry, at, packed);
            in.append("\x01\x00\x00\xff\xff", 5);
            std::string text = out.spare();
            text.resize(raw);
            size_t used = 0, made = 0;
            if (libdeflate_deflate_decompress_ex(inflater.get(), in.data(), in.size(), text.data(),
                                                 text.size(), &used, &made) != LIBDEFLATE_SUCCESS ||
                used != in.size() || made != raw)
                corrupt();
            crc = crc32Combine(crc, libdeflate_crc32(0, text.data(), text.size()), raw);
            if (!out.put(std::move(text)))
                return;
        }
        at += packed;
    }
    if (crc != frozen.crc)
        corrupt();
}

}  // namespace

void inflateFrozen(ZipArchive& zip, size_t entry, const SegmentIndex& index,
                   const std::function<void(std::string_view)>& take) {
    Handover handover;
    std::thread inflating([&] {
        try {
            inflatePieces(zip, entry, index, handover);
            handover.finish(nullptr);
        } catch (...) {
            handover.finish(std::current_exception());
        }
    });
    try {
        std::string text;
        while (handover.take(text)) {
            take(text);
            handover.giveBack(std::move(text));
        }
    } catch (...) {
        handover.cancel();
        inflating.join();
        throw;
    }
    inflating.join();
    handover.rethrow();
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
