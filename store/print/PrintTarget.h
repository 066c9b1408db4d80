#pragma once

#include <QString>

namespace store::print {

// Claims the next free "<stem>-NNN.<suffix>" in the print target folder `dir` (created
// when missing) by creating it empty, and returns its path. Throws store::StoreError when
// the folder or the file cannot be made.
QString reserveNumberedFile(const QString& dir, const QString& stem, const QString& suffix);

// A failed print-out must not leave a half-written file that looks like a print.
class FileGuard {
public:
    explicit FileGuard(QString path) : m_path(std::move(path)) {}
    ~FileGuard();
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

}  // namespace store::print
