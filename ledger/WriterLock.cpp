#include "ledger/WriterLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "store/StoreError.h"

namespace ledger {

namespace {

QString lockPath(const QString& programDir) {
    return QDir(programDir).filePath(WriterLock::fileName());
}

// A holder writes its process into the lock file a few microseconds after creating it;
// one that is still mute after this long was killed in between.
constexpr std::chrono::milliseconds kMuteHolderAge{1000};

// A holder killed between creating the lock file and writing into it leaves a file that
// names nobody, which QLockFile can never judge stale. Every live holder keeps a flock on
// its lock file, so a mute file that nobody flocks is abandoned. It is removed only while
// we hold its flock and while its name still leads to it: a second waiter that removed it
// first, and a new holder's fresh file, are left alone.
bool removeAbandonedMuteLock(QLockFile& file, const QString& path) {
    qint64 pid = 0;
    QString host, app;
    if (file.getLockInfo(&pid, &host, &app))
        return false;
    const QDateTime written = QFileInfo(path).lastModified();
    if (!written.isValid() ||
        written.msecsTo(QDateTime::currentDateTime()) < kMuteHolderAge.count())
        return false;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat held {
    }, named{};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
        ::stat(name.constData(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino && !file.getLockInfo(&pid, &host, &app))
        removed = ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
}

}  // namespace

WriterLock::WriterLock(const QString& programDir, Free) : m_file(lockPath(programDir)) {
    // A long save is not stale: only a holder that no longer runs is.
    m_file.setStaleLockTime(0);
}

WriterLock::WriterLock(const QString& programDir, std::chrono::milliseconds patience)
    : WriterLock(programDir, Free{}) {
    const QString path = lockPath(programDir);
    const QDeadlineTimer deadline(patience);
    constexpr std::chrono::milliseconds kLookAgain{250};
    for (;;) {
        const auto wait =
            std::min(kLookAgain, std::chrono::duration_cast<std::chrono::milliseconds>(
                                     deadline.remainingTimeAsDuration()));
        if (m_file.tryLock(wait))
            return;
        if (m_file.error() != QLockFile::LockFailedError || deadline.hasExpired())
            break;
        removeAbandonedMuteLock(m_file, path);
    }
    if (m_file.error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, app;
        m_file.getLockInfo(&pid, &host, &app);
        throw store::StoreError(
            QStringLiteral("另一个窗口或另一台收银机（主机 %1，进程 %2）正在保存数据，"
                           "等了 %3 秒还没有结束，请稍后再试")
                .arg(host.isEmpty() ? QStringLiteral("未知") : host)
                .arg(pid)
                .arg(patience.count() / 1000));
    }
    throw store::StoreError(
        QStringLiteral("无法在程序文件夹中建立锁文件 %1（没有写入权限或磁盘已满）")
            .arg(fileName()));
}

WriterLock::~WriterLock() {
    m_file.unlock();
}

std::unique_ptr<WriterLock> WriterLock::ifFree(const QString& programDir) {
    std::unique_ptr<WriterLock> lock(new WriterLock(programDir, Free{}));
    if (lock->m_file.tryLock(std::chrono::milliseconds(0)))
        return lock;
    if (removeAbandonedMuteLock(lock->m_file, lockPath(programDir)) &&
        lock->m_file.tryLock(std::chrono::milliseconds(0)))
        return lock;
    return nullptr;
}

}  // namespace ledger
