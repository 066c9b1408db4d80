#include "ledger/WriterLock.h"

#include <QDir>

#include "store/StoreError.h"

namespace ledger {

namespace {

QString lockPath(const QString& programDir) {
    return QDir(programDir).filePath(WriterLock::fileName());
}

}  // namespace

WriterLock::WriterLock(const QString& programDir, Free) : m_file(lockPath(programDir)) {
    // A long save is not stale: only a holder that no longer runs is.
    m_file.setStaleLockTime(0);
}

WriterLock::WriterLock(const QString& programDir, std::chrono::milliseconds patience)
    : WriterLock(programDir, Free{}) {
    if (m_file.tryLock(patience))
        return;
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
    if (!lock->m_file.tryLock(std::chrono::milliseconds(0)))
        return nullptr;
    return lock;
}

}  // namespace ledger
