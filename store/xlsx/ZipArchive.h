#pragma once

#include <cstdint>
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

    zip* handle() const { return m_zip; }

private:
    ZipArchive() = default;
    void load();

    zip* m_zip = nullptr;
    std::string m_memory;
    ZipLimits m_limits;
    std::vector<std::string> m_names;
};

// One part of the package to write: either new bytes, or an entry copied unchanged from
// the source archive.
struct OutputPart {
    std::string name;
    std::optional<size_t> sourceIndex;  // copy from the source archive
    std::string data;                   // otherwise these bytes
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
