#pragma once

#include <cstdint>
#include <functional>

namespace store {

// How far the reading of a book's worksheet has come, in percent (0–100). Reading a large
// journal takes seconds; the window waiting on it says how far it is, not that it hangs.
using ReadProgressFn = std::function<void(int percent)>;

// While one lives, the worksheets this thread reads report to its function, each percent
// once; the innermost scope hears them. A spreadsheet server's calls carry no callback,
// so the report travels beside them.
class ReadProgressScope {
public:
    explicit ReadProgressScope(ReadProgressFn report);
    ~ReadProgressScope();
    ReadProgressScope(const ReadProgressScope&) = delete;
    ReadProgressScope& operator=(const ReadProgressScope&) = delete;

private:
    ReadProgressFn m_report;
    ReadProgressScope* m_outer;
    int m_last = -1;

    friend void reportSheetRead(uint64_t done, uint64_t total);
};

// `done` of the sheet's `total` inflated bytes are read; total 0 when unknown.
void reportSheetRead(uint64_t done, uint64_t total);

}  // namespace store
