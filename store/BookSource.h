#pragma once

#include <QString>

namespace store {

class Workbook;

// Where the workbook server finds the books it does not read from their files as they
// stand: the data books kept in memory while unchanged (KeptBooks), or the tables of the
// database engine. Every other book is opened from its file.
class BookSource {
public:
    virtual ~BookSource() = default;

    virtual bool keeps(const QString& path) const = 0;
    // The book at `path` as it now stands.
    virtual Workbook open(const QString& path) = 0;
    // After a save of the book opened from `path`: `saved` is what was written.
    virtual void refresh(const QString& path, const Workbook& saved) = 0;
};

}  // namespace store
