#include "ledger/WriterLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <algorithm>

#include "store/AtomicFile.h"
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
//
// QLockFile takes a second lock, NAME.rmlock, while it removes a stale one; a process
// killed right there leaves that one mute, and every other process would then wait the
// 30 seconds QLockFile gives it before judging it stale. The same rule holds for it.
bool removeAbandonedMuteLock(const QString& path) {
    const QLockFile named(path);
    qint64 pid = 0;
    QString host, app;
    if (named.getLockInfo(&pid, &host, &app))
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
    }, now{};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
        ::stat(name.constData(), &now) == 0 && held.st_dev == now.st_dev &&
        held.st_ino == now.st_ino && !named.getLockInfo(&pid, &host, &app))
        removed = ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
}

bool isMute(const QString& path) {
    qint64 pid = 0;
    QString host, app;
    return QFileInfo::exists(path) && !QLockFile(path).getLockInfo(&pid, &host, &app);
}

bool muteLockLeft(const QString& path) {
    return isMute(path) || isMute(path + QStringLiteral(".rmlock"));
}

bool removeAbandonedLocks(const QString& path) {
    const bool lock = removeAbandonedMuteLock(path);
    const bool rmlock = removeAbandonedMuteLock(path + QStringLiteral(".rmlock"));
    return lock || rmlock;
}

// A removal lock whose holder was killed after taking it: once we hold the writer lock, no
// one needs it, and one that is still held keeps its flock and stays.
void removeLeftRemovalLock(const QString& path) {
    const QString rmlock = path + QStringLiteral(".rmlock");
    if (QFileInfo::exists(rmlock))
        QLockFile(rmlock).removeStaleLockFile();
}

// Why the lock file cannot be made, found by making a file like it: QLockFile keeps errno
// to itself.
QString whyNoLockFile(const QString& programDir) {
    const QByteArray probe = QFile::encodeName(
        QDir(programDir).filePath(QStringLiteral(".tavelo.lock.probe-%1").arg(::getpid())));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    int err = fd < 0 ? errno : 0;
    if (fd >= 0) {
        const char line[] = "0000000\n";
        if (::write(fd, line, sizeof line - 1) != ssize_t(sizeof line - 1) || ::fsync(fd) != 0)
            err = errno;
        ::close(fd);
        ::unlink(probe.constData());
    }
    if (err == 0)
        return QStringLiteral("磁盘出错");
    if (err == EACCES || err == EPERM)
        return QStringLiteral("没有写入权限");
    return QString::fromStdString(store::systemErrorText(err));
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
        if (m_file.tryLock(wait)) {
            removeLeftRemovalLock(path);
            return;
        }
        if (m_file.error() != QLockFile::LockFailedError || deadline.hasExpired())
            break;
        removeAbandonedLocks(path);
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
    throw store::StoreError(QStringLiteral("无法在程序文件夹中建立锁文件 %1（%2）")
                                .arg(fileName(), whyNoLockFile(programDir)));
}

WriterLock::~WriterLock() {
    m_file.unlock();
}

std::unique_ptr<WriterLock> WriterLock::ifFree(const QString& programDir) {
    std::unique_ptr<WriterLock> lock(new WriterLock(programDir, Free{}));
    const QString path = lockPath(programDir);
    // A holder that names itself is running: no wait. A mute lock file is waited for
    // only until it is old enough to judge, so that the start after a crash finishes the
    // crashed commit at once.
    const QDeadlineTimer judged(kMuteHolderAge + std::chrono::milliseconds(250));
    for (;;) {
        if (lock->m_file.tryLock(std::chrono::milliseconds(0))) {
            removeLeftRemovalLock(path);
            return lock;
        }
        if (lock->m_file.error() != QLockFile::LockFailedError || !muteLockLeft(path) ||
            judged.hasExpired())
            return nullptr;
        if (!removeAbandonedLocks(path))
            QThread::msleep(50);
    }
}

}  // namespace ledger
