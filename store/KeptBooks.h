#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "BookSource.h"
#include "Workbook.h"

namespace store {

// The parsed cells of the data books, kept while their files are unchanged: a scanner
// fetching one code a second, or a search run twice, should not read 100,000 rows from
// disk each time.
//
// A file counts as unchanged while its device, inode, size, modification and change times
// (to the nanosecond) are those it had when it was read; that is checked at every open, so a book
// changed by any program is read afresh. The program's own saves hand their cells back
// (refresh), and the file they wrote then matches. At most `capacity` books are kept, the
// least recently opened going first.
//
// Books opened here share cells until one of them changes (see Workbook). Meant for the
// one thread that runs the windows.
class KeptBooks : public BookSource {
public:
    // Only books whose file name is one of `fileNames` are kept.
    explicit KeptBooks(QStringList fileNames, int capacity = 3);
    ~KeptBooks() override;

    bool keeps(const QString& path) const override;
    // The book at `path`, from memory when its file is unchanged since it was kept;
    // otherwise read (and kept) as Workbook::open reads it.
    Workbook open(const QString& path) override;
    // After a save of the book opened from `path`: `saved` is what the file at
    // saved.path() now holds. A save as another name that is then renamed over `path`
    // (a commit) refreshes again once renamed: the rename moves the change time.
    void refresh(const QString& path, const Workbook& saved) override;

    // How many times a book was read from disk (tests and benchmarks).
    int reads() const;

private:
    struct FileIdentity;
    struct Entry;
    static std::optional<FileIdentity> identityOf(const QString& path);
    std::vector<std::unique_ptr<Entry>>::iterator findEntry(const QString& path);
    void keep(const QString& path, const FileIdentity& identity, const Workbook& book);

    const QStringList m_names;
    const size_t m_capacity;
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Entry>> m_entries;  // most recently opened first
    int m_reads = 0;
};

}  // namespace store
