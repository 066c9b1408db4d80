#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_file;

namespace store::xlsx {

// What went wrong inside the package, in words for the error box; the caller adds the
// book's name.
class PackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Limits that keep a hostile file from taking the machine down.
struct ZipLimits {
    uint64_t maxPartBytes = uint64_t(512) << 20;  // a full 1,048,576-row sheet fits
    uint64_t maxRatio = 250;                      // inflated : compressed, past 1 MiB
    uint64_t maxEntries = 10000;
};

enum class DeflateCodec { Zlib, Libdeflate };

struct DeflateChoice {
    DeflateCodec codec = DeflateCodec::Libdeflate;
    int level = 6;
};

// A read-only zip package, open for the life of a workbook so that a save can copy the
// parts it did not change straight from it, compressed bytes and all.
class ZipArchive {
public:
    static std::unique_ptr<ZipArchive> openFile(const std::string& path, ZipLimits limits = {});
    static std::unique_ptr<ZipArchive> openMemory(std::string bytes, ZipLimits limits = {});
    ~ZipArchive();

    size_t entryCount() const { return m_names.size(); }
    const std::string& entryName(size_t index) const { return m_names[index]; }
    // Exact name first, then ignoring case (part names are case-insensitive).
    std::optional<size_t> find(std::string_view name) const;

    std::string readAll(size_t index);

    // Streams an entry's inflated bytes, stopping with PackageError past the limits.
    class EntryReader {
    public:
        ~EntryReader();
        size_t read(char* buf, size_t cap);
        // Inflated bytes read so far, and the part's inflated size as the archive states it
        // (0 when it does not).
        uint64_t done() const { return m_total; }
        uint64_t size() const { return m_size; }

    private:
        friend class ZipArchive;
        EntryReader() = default;
        zip_file* m_file = nullptr;
        std::string m_name;
        uint64_t m_compressed = 0;
        uint64_t m_total = 0;
        uint64_t m_size = 0;
        ZipLimits m_limits;
    };
    std::unique_ptr<EntryReader> openEntry(size_t index);

    // What the central directory says of an entry: deflated or not, its sizes and CRC, and
    // the data of its extra field `extraId` (empty when it has none).
    struct EntryFacts {
        bool deflated = false;
        uint64_t packed = 0, size = 0;
        uint32_t crc = 0;
        std::string extra;
    };
    EntryFacts facts(size_t index, uint16_t extraId) const;
    // `length` bytes of an entry's compressed data from `from`, as they are in the file.
    std::string readPacked(size_t index, uint64_t from, uint64_t length);
    // The same handed on a piece (of at most a MiB) at a time.
    void streamPacked(size_t index, uint64_t from, uint64_t length,
                      const std::function<void(std::string_view)>& piece);

    zip* handle() const { return m_zip; }

private:
    ZipArchive() = default;
    void load();

    zip* m_zip = nullptr;
    std::string m_memory;
    ZipLimits m_limits;
    std::vector<std::string> m_names;
};

// Deflated data of a part to write, given in pieces: bytes deflated here, or a stretch of
// the compressed data of an entry of the source archive, copied as it is.
struct PackedPiece {
    std::string bytes;
    std::optional<size_t> sourceIndex;
    uint64_t from = 0, length = 0;
};
struct PackedPart {
    std::vector<PackedPiece> pieces;
    uint64_t size = 0;  // inflated
    uint32_t crc = 0;
    uint16_t extraId = 0;  // an extra field for the central directory, when not 0
    std::string extra;
};

// One part of the package to write: an entry copied unchanged from the source archive,
// data deflated already, or new bytes.
struct OutputPart {
    std::string name;
    std::optional<size_t> sourceIndex;  // copy from the source archive
    std::string data;                   // otherwise these bytes
    std::optional<PackedPart> packed;   // or these, deflated
};

// Writes a complete package to path (which must not be the source's own file), flushed
// to disk before it returns.
void writeZip(const std::string& path, const ZipArchive* source,
              const std::vector<OutputPart>& parts, DeflateChoice deflate);

namespace testing {
// Makes every following write of new part data fail half way, as a full disk would,
// until switched off again. For tests of what a failed save leaves behind.
void failWritesHalfWay(bool on);
}  // namespace testing

}  // namespace store::xlsx
