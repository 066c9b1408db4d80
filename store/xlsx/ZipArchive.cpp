#include "ZipArchive.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>
#include <zip.h>

#include "store/AtomicFile.h"

#include <atomic>
#include <cstring>
#include <ctime>

namespace store::xlsx {

namespace {

std::atomic<bool> g_failWritesHalfWay{false};

// libzip's error in the shop keeper's words; where the system said why (a full disk, no
// permission), that cause comes after it.
std::string zipErrorText(const zip_error_t& error) {
    const int code = zip_error_code_zip(&error);
    std::string text;
    switch (code) {
        case ZIP_ER_NOZIP:
            text = "不是 zip 格式的文件";
            break;
        case ZIP_ER_INCONS:
        case ZIP_ER_MULTIDISK:
            text = "zip 结构不完整或已损坏";
            break;
        case ZIP_ER_EXISTS:
            // Only a damaged (or forged) archive names one entry twice.
            text = "zip 文件已损坏：有重名的条目";
            break;
        case ZIP_ER_CRC:
            text = "数据校验（CRC）失败，文件已损坏";
            break;
        case ZIP_ER_ZLIB:
        case ZIP_ER_COMPRESSED_DATA:
            text = "压缩数据已损坏";
            break;
        case ZIP_ER_COMPNOTSUPP:
            text = "使用了不支持的压缩方式";
            break;
        case ZIP_ER_ENCRNOTSUPP:
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
            text = "文件已加密";
            break;
        case ZIP_ER_READ:
        case ZIP_ER_EOF:
        case ZIP_ER_SEEK:
        case ZIP_ER_TELL:
            text = "读取失败或文件被截断";
            break;
        case ZIP_ER_WRITE:
        case ZIP_ER_CLOSE:
            text = "写入失败";
            break;
        case ZIP_ER_OPEN:
        case ZIP_ER_NOENT:
            text = "无法打开文件";
            break;
        case ZIP_ER_TMPOPEN:
            text = "无法创建临时文件";
            break;
        case ZIP_ER_MEMORY:
            text = "内存不足";
            break;
        default: {
            zip_error_t e;
            zip_error_init_with_code(&e, code);
            text = std::string("zip 文件处理出错（") + zip_error_strerror(&e) + "）";
            zip_error_fini(&e);
            break;
        }
    }
    if (zip_error_system_type(&error) == ZIP_ET_SYS && zip_error_code_system(&error) != 0)
        text += "：" + systemErrorText(zip_error_code_system(&error));
    return text;
}

std::string zipErrorText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string text = zipErrorText(e);
    zip_error_fini(&e);
    return text;
}

std::string archiveErrorText(zip_t* z) {
    return zipErrorText(*zip_get_error(z));
}

// A zip source that hands libzip data we deflated ourselves, so libzip stores it as is:
// pieces of new bytes, and stretches of an entry's compressed data in the source archive.
struct Precompressed {
    std::vector<PackedPiece> pieces;
    zip_t* source = nullptr;
    uint64_t packed = 0;  // all the pieces' bytes
    uint64_t size = 0;
    uint32_t crc = 0;
    size_t piece = 0;      // the piece being read
    uint64_t inPiece = 0;  // bytes of it read
    uint64_t pos = 0;
    zip_file_t* file = nullptr;  // the source entry being copied from
    std::optional<size_t> fileIndex;
    uint64_t filePos = 0;
    time_t mtime = 0;
    bool failHalfWay = false;
    zip_error_t error;

    void closeFile() {
        if (file != nullptr)
            zip_fclose(file);
        file = nullptr;
    }
    // The source entry's compressed data, positioned at `from`.
    bool seekSource(size_t index, uint64_t from) {
        if (file != nullptr && fileIndex == index && filePos == from)
            return true;
        if (file == nullptr || fileIndex != index || filePos > from) {
            closeFile();
            file = zip_fopen_index(source, index, ZIP_FL_COMPRESSED);
            if (file == nullptr)
                return false;
            fileIndex = index;
            filePos = 0;
        }
        if (from > filePos && zip_fseek(file, zip_int64_t(from), SEEK_SET) == 0) {
            filePos = from;
            return true;
        }
        char skip[1 << 14];
        while (filePos < from) {
            const zip_int64_t n =
                zip_fread(file, skip, std::min<uint64_t>(sizeof skip, from - filePos));
            if (n <= 0)
                return false;
            filePos += uint64_t(n);
        }
        return true;
    }
    zip_int64_t read(char* out, uint64_t len) {
        uint64_t done = 0;
        while (done < len && piece < pieces.size()) {
            const PackedPiece& p = pieces[piece];
            const uint64_t left = (p.sourceIndex ? p.length : p.bytes.size()) - inPiece;
            if (left == 0) {
                ++piece;
                inPiece = 0;
                continue;
            }
            const uint64_t want = std::min(left, len - done);
            if (!p.sourceIndex) {
                std::memcpy(out + done, p.bytes.data() + inPiece, want);
                inPiece += want;
                done += want;
                continue;
            }
            if (!seekSource(*p.sourceIndex, p.from + inPiece)) {
                zip_error_set(&error, ZIP_ER_READ, 0);
                return -1;
            }
            const zip_int64_t n = zip_fread(file, out + done, want);
            if (n <= 0) {
                zip_error_set(&error, ZIP_ER_READ, 0);
                return -1;
            }
            filePos += uint64_t(n);
            inPiece += uint64_t(n);
            done += uint64_t(n);
        }
        pos += done;
        return zip_int64_t(done);
    }
};

zip_int64_t precompressedCallback(void* userdata, void* data, zip_uint64_t len,
                                  zip_source_cmd_t cmd) {
    auto* p = static_cast<Precompressed*>(userdata);
    switch (cmd) {
        case ZIP_SOURCE_OPEN:
            p->pos = 0;
            p->piece = 0;
            p->inPiece = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            if (p->failHalfWay && p->pos >= p->packed / 2) {
                zip_error_set(&p->error, ZIP_ER_WRITE, ENOSPC);
                return -1;
            }
            return p->read(static_cast<char*>(data), len);
        }
        case ZIP_SOURCE_CLOSE:
            p->closeFile();
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                        ZIP_STAT_MTIME | ZIP_STAT_ENCRYPTION_METHOD;
            st->size = p->size;
            st->comp_size = p->packed;
            st->comp_method = ZIP_CM_DEFLATE;
            st->encryption_method = ZIP_EM_NONE;
            st->crc = p->crc;
            st->mtime = p->mtime;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&p->error, data, len);
        case ZIP_SOURCE_FREE:
            p->closeFile();
            zip_error_fini(&p->error);
            delete p;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            return -1;
    }
}

zip_source_t* precompressedSource(Precompressed* p) {
    p->mtime = time(nullptr);
    p->failHalfWay = g_failWritesHalfWay;
    zip_error_init(&p->error);
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_function_create(precompressedCallback, p, &err);
    zip_error_fini(&err);
    if (src == nullptr) {
        zip_error_fini(&p->error);
        delete p;
        throw PackageError("内存不足");
    }
    return src;
}

zip_source_t* packedSource(const PackedPart& part, zip_t* source) {
    auto* p = new Precompressed;
    p->pieces = part.pieces;
    p->source = source;
    for (const PackedPiece& piece : part.pieces)
        p->packed += piece.sourceIndex ? piece.length : piece.bytes.size();
    p->size = part.size;
    p->crc = part.crc;
    return precompressedSource(p);
}

zip_source_t* libdeflateSource(const std::string& bytes, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    if (c == nullptr)
        throw PackageError("内存不足");
    std::string compressed(libdeflate_deflate_compress_bound(c, bytes.size()), '\0');
    const size_t n = libdeflate_deflate_compress(c, bytes.data(), bytes.size(), compressed.data(),
                                                 compressed.size());
    libdeflate_free_compressor(c);
    compressed.resize(n);
    auto* p = new Precompressed;
    p->packed = n;
    p->pieces.push_back({std::move(compressed), std::nullopt, 0, 0});
    p->size = bytes.size();
    p->crc = libdeflate_crc32(0, bytes.data(), bytes.size());
    return precompressedSource(p);
}

}  // namespace

namespace {

// An archive over the source that `makeSource` creates, read only and checked; on failure
// libzip's error with the system's reason (no permission, a missing file), which the
// plain zip_open() drops.
template <class MakeSource>
zip_t* openChecked(MakeSource makeSource) {
    zip_error_t err;
    zip_error_init(&err);
    zip_t* z = nullptr;
    if (zip_source_t* src = makeSource(&err)) {
        z = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &err);
        if (z == nullptr)
            zip_source_free(src);
    }
    const std::string failure = z == nullptr ? zipErrorText(err) : std::string();
    zip_error_fini(&err);
    if (z == nullptr)
        throw PackageError(failure);
    return z;
}

}  // namespace

std::unique_ptr<ZipArchive> ZipArchive::openFile(const std::string& path, ZipLimits limits) {
    std::unique_ptr<ZipArchive> a(new ZipArchive);
    a->m_limits = limits;
    a->m_zip = openChecked(
        [&](zip_error_t* err) { return zip_source_file_create(path.c_str(), 0, -1, err); });
    a->load();
    return a;
}

std::unique_ptr<ZipArchive> ZipArchive::openMemory(std::string bytes, ZipLimits limits) {
    std::unique_ptr<ZipArchive> a(new ZipArchive);
    a->m_limits = limits;
    a->m_memory = std::move(bytes);
    a->m_zip = openChecked([&](zip_error_t* err) {
        return zip_source_buffer_create(a->m_memory.data(), a->m_memory.size(), 0, err);
    });
    a->load();
    return a;
}

void ZipArchive::load() {
    const zip_int64_t n = zip_get_num_entries(m_zip, 0);
    if (n < 0 || uint64_t(n) > m_limits.maxEntries)
        throw PackageError("zip 中的条目过多");
    m_names.reserve(size_t(n));
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* name = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        m_names.emplace_back(name ? name : "");
    }
}

ZipArchive::~ZipArchive() {
    if (m_zip != nullptr)
        zip_discard(m_zip);
}

std::optional<size_t> ZipArchive::find(std::string_view name) const {
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == name)
            return i;
    }
    for (size_t i = 0; i < m_names.size(); ++i) {
        const std::string& n = m_names[i];
        if (n.size() != name.size())
            continue;
        bool same = true;
        for (size_t k = 0; k < n.size() && same; ++k) {
            same = std::tolower(static_cast<unsigned char>(n[k])) ==
                   std::tolower(static_cast<unsigned char>(name[k]));
        }
        if (same)
            return i;
    }
    return std::nullopt;
}

std::unique_ptr<ZipArchive::EntryReader> ZipArchive::openEntry(size_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, index, 0, &st) != 0)
        throw PackageError(archiveErrorText(m_zip));
    if ((st.valid & ZIP_STAT_SIZE) && st.size > m_limits.maxPartBytes) {
        throw PackageError("部件 " + m_names[index] + " 过大");
    }
    std::unique_ptr<EntryReader> r(new EntryReader);
    r->m_name = m_names[index];
    r->m_limits = m_limits;
    r->m_compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
    r->m_size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    r->m_file = zip_fopen_index(m_zip, index, 0);
    if (r->m_file == nullptr)
        throw PackageError(archiveErrorText(m_zip));
    return r;
}

ZipArchive::EntryReader::~EntryReader() {
    if (m_file != nullptr)
        zip_fclose(m_file);
}

size_t ZipArchive::EntryReader::read(char* buf, size_t cap) {
    const zip_int64_t n = zip_fread(m_file, buf, cap);
    if (n < 0)
        throw PackageError(zipErrorText(*zip_file_get_error(m_file)));
    m_total += uint64_t(n);
    if (m_total > m_limits.maxPartBytes)
        throw PackageError("部件 " + m_name + " 过大");
    if (m_total > (uint64_t(1) << 20) && m_total > m_limits.maxRatio * (m_compressed + 1)) {
        throw PackageError("部件 " + m_name + " 的压缩比异常（疑似压缩炸弹）");
    }
    return size_t(n);
}

std::string ZipArchive::readAll(size_t index) {
    auto r = openEntry(index);
    std::string out;
    char buf[1 << 16];
    for (;;) {
        const size_t n = r->read(buf, sizeof buf);
        if (n == 0)
            break;
        out.append(buf, n);
    }
    return out;
}

ZipArchive::EntryFacts ZipArchive::facts(size_t index, uint16_t extraId) const {
    EntryFacts f;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, index, 0, &st) != 0)
        throw PackageError(archiveErrorText(m_zip));
    const zip_uint64_t need =
        ZIP_STAT_COMP_METHOD | ZIP_STAT_COMP_SIZE | ZIP_STAT_SIZE | ZIP_STAT_CRC;
    if ((st.valid & need) != need)
        return f;
    f.deflated = st.comp_method == ZIP_CM_DEFLATE &&
                 (!(st.valid & ZIP_STAT_ENCRYPTION_METHOD) || st.encryption_method == ZIP_EM_NONE);
    f.packed = st.comp_size;
    f.size = st.size;
    f.crc = st.crc;
    zip_uint16_t length = 0;
    if (const zip_uint8_t* data =
            zip_file_extra_field_get_by_id(m_zip, index, extraId, 0, &length, ZIP_FL_CENTRAL))
        f.extra.assign(reinterpret_cast<const char*>(data), length);
    return f;
}

std::string ZipArchive::readPacked(size_t index, uint64_t from, uint64_t length) {
    std::string out;
    out.reserve(length);
    streamPacked(index, from, length, [&](std::string_view piece) { out.append(piece); });
    return out;
}

void ZipArchive::streamPacked(size_t index, uint64_t from, uint64_t length,
                              const std::function<void(std::string_view)>& piece) {
    Precompressed reader;
    reader.source = m_zip;
    reader.pieces.push_back({{}, index, from, length});
    std::string buffer(std::min<uint64_t>(length, uint64_t(1) << 20), '\0');
    try {
        for (uint64_t left = length; left > 0;) {
            const zip_int64_t n =
                reader.read(buffer.data(), std::min<uint64_t>(left, buffer.size()));
            if (n <= 0)
                throw PackageError("读取失败或文件被截断");
            left -= uint64_t(n);
            piece(std::string_view(buffer.data(), size_t(n)));
        }
    } catch (...) {
        reader.closeFile();
        throw;
    }
    reader.closeFile();
}

void writeZip(const std::string& path, const ZipArchive* source,
              const std::vector<OutputPart>& parts, DeflateChoice deflate) {
    int code = 0;
    zip_t* out = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (out == nullptr)
        throw PackageError("无法创建文件：" + zipErrorText(code));
    auto failWith = [&](const std::string& what) {
        zip_discard(out);
        ::unlink(path.c_str());
        throw PackageError(what);
    };
    for (const OutputPart& part : parts) {
        zip_source_t* src = nullptr;
        if (part.packed) {
            try {
                src = packedSource(*part.packed, source ? source->handle() : nullptr);
            } catch (const PackageError& e) {
                failWith(e.what());
            }
        } else if (part.sourceIndex) {
            src = zip_source_zip(out, source->handle(), *part.sourceIndex, 0, 0, 0);
        } else if (deflate.codec == DeflateCodec::Libdeflate || g_failWritesHalfWay) {
            try {
                src = libdeflateSource(part.data, deflate.level);
            } catch (const PackageError& e) {
                failWith(e.what());
            }
        } else {
            src = zip_source_buffer(out, part.data.data(), part.data.size(), 0);
        }
        if (src == nullptr)
            failWith("无法写入文件：" + archiveErrorText(out));
        const zip_int64_t idx = zip_file_add(out, part.name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (idx < 0) {
            zip_source_free(src);
            failWith("无法写入文件：" + archiveErrorText(out));
        }
        if (part.packed && part.packed->extraId != 0 &&
            zip_file_extra_field_set(
                out, zip_uint64_t(idx), part.packed->extraId, ZIP_EXTRA_FIELD_NEW,
                reinterpret_cast<const zip_uint8_t*>(part.packed->extra.data()),
                zip_uint16_t(part.packed->extra.size()), ZIP_FL_CENTRAL) != 0) {
            failWith("无法写入文件：" + archiveErrorText(out));
        }
        if (!part.sourceIndex && !part.packed && deflate.codec == DeflateCodec::Zlib) {
            zip_set_file_compression(out, zip_uint64_t(idx), ZIP_CM_DEFLATE,
                                     zip_uint32_t(deflate.level));
        }
        if (part.sourceIndex) {
            zip_uint8_t opsys = 0;
            zip_uint32_t attrs = 0;
            if (zip_file_get_external_attributes(source->handle(), *part.sourceIndex, 0, &opsys,
                                                 &attrs) == 0) {
                zip_file_set_external_attributes(out, zip_uint64_t(idx), 0, opsys, attrs);
            }
        }
    }
    if (zip_close(out) != 0)
        failWith("无法写入文件：" + archiveErrorText(out));
    try {
        store::flushToDisk(path);
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
}

namespace testing {
void failWritesHalfWay(bool on) {
    g_failWritesHalfWay = on;
}
}  // namespace testing

}  // namespace store::xlsx
