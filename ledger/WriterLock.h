#pragma once

#include <QLockFile>
#include <QString>
#include <chrono>
#include <memory>

namespace ledger {

// One writer at a time for a program folder: a second window, a second copy of the
// program or a second till on a shared folder waits for the first to finish its whole
// read–change–write. The lock file records the holder's process, so a holder that crashed
// does not block anyone, nor one killed before it could write its process there.
// Readers never take it.
class WriterLock {
public:
    // How long a posting waits for another to finish before it gives up.
    static constexpr std::chrono::milliseconds kPatience{8000};

    // Waits up to `patience`; throws store::StoreError naming the holder when the lock
    // is still taken then, or cannot be taken at all.
    explicit WriterLock(const QString& programDir, std::chrono::milliseconds patience = kPatience);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // Takes the lock only if nobody holds it: null when somebody does.
    static std::unique_ptr<WriterLock> ifFree(const QString& programDir);

    static QString fileName() { return QStringLiteral(".tavelo.lock"); }

private:
    struct Free {};
    WriterLock(const QString& programDir, Free);

    QLockFile m_file;
};

}  // namespace ledger
