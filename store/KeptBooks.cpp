#include "KeptBooks.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>

#include "xlsx/Package.h"

namespace store {

// What tells one version of a file from another without reading it.
struct KeptBooks::FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    // An edit in place can put the modification time back (touch -d); the change time
    // only the kernel sets.
    timespec changed{};

    static bool same(const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    }
    bool operator==(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               same(modified, o.modified) && same(changed, o.changed);
    }
};

std::optional<KeptBooks::FileIdentity> KeptBooks::identityOf(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

struct KeptBooks::Entry {
    QString path;  // absolute
    FileIdentity identity;
    std::shared_ptr<xlsx::WorkbookData> data;
};

KeptBooks::KeptBooks(QStringList fileNames, int capacity)
    : m_names(std::move(fileNames)), m_capacity(size_t(std::max(capacity, 1))) {}

KeptBooks::~KeptBooks() = default;

bool KeptBooks::keeps(const QString& path) const {
    return m_names.contains(QFileInfo(path).fileName());
}

std::vector<std::unique_ptr<KeptBooks::Entry>>::iterator KeptBooks::findEntry(const QString& path) {
    return std::find_if(m_entries.begin(), m_entries.end(),
                        [&](const auto& e) { return e->path == path; });
}

Workbook KeptBooks::open(const QString& path) {
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    // Taken before the read: a change while it reads then only costs a needless read later.
    const std::optional<FileIdentity> now = identityOf(absolute);
    {
        std::lock_guard lock(m_mutex);
        const auto found = findEntry(absolute);
        if (found != m_entries.end()) {
            if (now && (*found)->identity == *now) {
                std::rotate(m_entries.begin(), found, found + 1);
                return Workbook(m_entries.front()->data, info.fileName(), absolute);
            }
            m_entries.erase(found);
        }
        ++m_reads;
    }
    Workbook book = Workbook::open(absolute);
    if (now) {
        std::lock_guard lock(m_mutex);
        keep(absolute, *now, book);
    }
    return book;
}

void KeptBooks::refresh(const QString& path, const Workbook& saved) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const std::optional<FileIdentity> written = identityOf(saved.path());
    std::lock_guard lock(m_mutex);
    if (const auto found = findEntry(absolute); found != m_entries.end())
        m_entries.erase(found);
    if (written && !saved.isModified())
        keep(absolute, *written, saved);
}

void KeptBooks::keep(const QString& path, const FileIdentity& identity, const Workbook& book) {
    if (const auto found = findEntry(path); found != m_entries.end())
        m_entries.erase(found);
    m_entries.insert(m_entries.begin(), std::make_unique<Entry>(Entry{path, identity, book.d}));
    if (m_entries.size() > m_capacity)
        m_entries.resize(m_capacity);
}

int KeptBooks::reads() const {
    std::lock_guard lock(m_mutex);
    return m_reads;
}

}  // namespace store
