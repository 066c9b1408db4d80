#include "ledger/BookCommit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "store/AtomicFile.h"
#include "store/DataBooks.h"

namespace ledger {

namespace {

const QString kRecordName = QStringLiteral(".tavelo.commit");
// Version 1 named the files by absolute path, which another name of the folder (a link, a
// till that mounts the share elsewhere) could not recognise; it is still read.
const QByteArray kRecordMagicV1 = "tavelo-commit 1";
const QByteArray kRecordMagic = "tavelo-commit 2";
const QByteArray kCreatedMark = "new";

std::function<void(CommitStep)>& hook() {
    static std::function<void(CommitStep)> h;
    return h;
}

void reach(CommitStep step) {
    if (hook())
        hook()(step);
}

std::string local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString fromLocal(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

bool exists(const QString& path) {
    struct stat st;
    return ::lstat(local(path).c_str(), &st) == 0;
}

qint64 sizeOf(const QString& path) {
    struct stat st;
    return ::stat(local(path).c_str(), &st) == 0 ? qint64(st.st_size) : -1;
}

struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> idOf(const QString& path) {
    struct stat st;
    if (::stat(local(path).c_str(), &st) != 0)
        return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

QString cause(int err) {
    return QString::fromStdString(store::systemErrorText(err));
}

// The last part of a message of the file layer, which is the cause in the shop keeper's
// words: what came before it names the scratch file the cause struck.
QString causeIn(const QString& message) {
    return message.section(QStringLiteral("："), -1);
}

// The files a commit record may replace: the data books and their backups, nothing else.
QStringList committableNames() {
    QStringList names;
    for (store::Book b : store::kDataBooks)
        names << store::bookFileName(b) << store::backupFileName(b);
    return names;
}

bool isBackup(const QString& name) {
    return std::ranges::any_of(store::kDataBooks,
                               [&](store::Book b) { return name == store::backupFileName(b); });
}

QString fileWord(const QString& name) {
    return isBackup(name) ? QStringLiteral("备份文件 ") : QStringLiteral("数据文件 ");
}

// One file of a commit: its name in the program folder, and the paths beside the file it
// really is (a book behind a link is replaced where it lives).
struct Entry {
    QString name;
    QString target, fresh, old;
    qint64 size = -1;            // of the new version
    bool created = false;        // there was no file before it: putting it back removes it
    std::optional<FileId> kept;  // what the old link is, to check that an undo put it back

    QString folder() const { return QFileInfo(target).absolutePath(); }
    QString named() const { return fileWord(name) + name; }

    static Entry in(const QString& programDir, const QString& name) {
        const QString path = QDir(programDir).filePath(name);
        const QFileInfo real(fromLocal(store::resolvedPath(local(path))));
        const QDir dir = real.absoluteDir();
        Entry e;
        e.name = name;
        e.target = real.absoluteFilePath();
        e.fresh = dir.filePath(QLatin1Char('.') + real.fileName() + QStringLiteral(".commit-new"));
        e.old = dir.filePath(QLatin1Char('.') + real.fileName() + QStringLiteral(".commit-old"));
        return e;
    }
};

QString listed(const QList<Entry>& entries) {
    QStringList names;
    bool backups = true;
    for (const Entry& e : entries) {
        names << e.name;
        backups = backups && isBackup(e.name);
    }
    return (backups ? QStringLiteral("备份文件 ") : QStringLiteral("数据文件 ")) +
           names.join(QStringLiteral("、"));
}

enum class State { Commit, Undo };

struct Record {
    State state = State::Commit;
    QString what;  // empty in a version 1 record
    QList<Entry> entries;
};

QString recordPath(const QString& programDir) {
    return QDir(programDir).filePath(kRecordName);
}

void writeRecord(const QString& programDir, State state, const QString& what,
                 const QList<Entry>& entries) {
    QByteArray text = kRecordMagic + '\n';
    text += state == State::Commit ? "commit\n" : "undo\n";
    text += QString(what).replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8() + '\n';
    for (const Entry& e : entries) {
        text += QFile::encodeName(e.name) + '\t' + QByteArray::number(e.size);
        text += e.created ? '\t' + kCreatedMark + '\n' : QByteArray("\n");
    }
    try {
        store::writeFileAtomically(recordPath(programDir), text);
    } catch (const store::AtomicFileError& failure) {
        throw store::StoreError(QStringLiteral("无法写入提交记录：") + causeIn(failure.message()));
    }
}

// What the files themselves say of an operation whose record cannot be read: a file whose
// new version still waits beside it was not replaced; one whose old version alone is kept
// beside it was. A file with neither was not touched, or was put back.
UnsettledCommit unreadableRecord(const QString& programDir) {
    QStringList before, after;
    for (const QString& name : committableNames()) {
        const Entry e = Entry::in(programDir, name);
        if (exists(e.fresh))
            before << name;
        else if (exists(e.old))
            after << name;
    }
    QString text =
        QStringLiteral("程序文件夹中的提交记录 %1 无法识别，无法知道上次保存数据时做到了哪一步。")
            .arg(kRecordName);
    const bool agree = before.isEmpty() || after.isEmpty();
    if (before.isEmpty() && after.isEmpty())
        text += QStringLiteral("数据文件旁没有那次操作留下的文件：没有哪个数据文件只改了一半。");
    else if (after.isEmpty())
        text += QStringLiteral("%1 还是那次操作之前的内容，彼此一致。")
                    .arg(before.join(QStringLiteral("、")));
    else if (before.isEmpty())
        text += QStringLiteral("%1 已是那次操作之后的内容，彼此一致。")
                    .arg(after.join(QStringLiteral("、")));
    else
        text += QStringLiteral(
                    "%1 已是那次操作之后的内容，%2 却还是之前的内容，彼此不一致。请不要删除"
                    "提交记录，也不要再保存数据，把程序文件夹原样交给技术人员处理。")
                    .arg(after.join(QStringLiteral("、")), before.join(QStringLiteral("、")));
    if (agree)
        text += QStringLiteral("删除这个提交记录不会丢失数据。");
    return UnsettledCommit(text, UnsettledCommit::Outcome::Unknown, agree);
}

// The record as written; anything else is refused rather than acted on. Only the files of
// committableNames() in this folder, and their scrap, are ever renamed, whatever the record
// says: it lies in the folder it is about, so the files' names are all it needs.
Record readRecord(const QString& programDir, const QString& path) {
    QFile file(path);
    constexpr qint64 kLongestRecord = qint64{64} * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLongestRecord)
        throw unreadableRecord(programDir);
    const QList<QByteArray> lines = file.readAll().split('\n');
    const bool v1 = lines.value(0) == kRecordMagicV1;
    if (lines.size() < 3 || (!v1 && lines[0] != kRecordMagic) ||
        (lines[1] != "commit" && lines[1] != "undo"))
        throw unreadableRecord(programDir);
    Record record;
    record.state = lines[1] == "commit" ? State::Commit : State::Undo;
    if (!v1)
        record.what = QString::fromUtf8(lines[2]);
    const QStringList allowed = committableNames();
    for (qsizetype i = v1 ? 2 : 3; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> fields = lines[i].split('\t');
        bool ok = false;
        const qint64 size = fields.value(1).toLongLong(&ok);
        const QString named = QFile::decodeName(fields[0]);
        const QString name = v1 ? QFileInfo(named).fileName() : named;
        const bool created = fields.size() == 3 && fields[2] == kCreatedMark;
        if ((fields.size() != 2 && !created) || !ok || size < 0 || !allowed.contains(name) ||
            (v1 && !QFileInfo(named).isAbsolute()))
            throw unreadableRecord(programDir);
        Entry e = Entry::in(programDir, name);
        e.size = size;
        e.created = created;
        record.entries << e;
    }
    if (record.entries.isEmpty())
        throw unreadableRecord(programDir);
    return record;
}

void removeScrap(const Entry& e) {
    ::unlink(local(e.fresh).c_str());
    ::unlink(local(e.old).c_str());
}

bool leftScrap(const Entry& e) {
    return exists(e.fresh) || exists(e.old);
}

// Each folder once: the files usually share one.
void flushFolders(const QList<Entry>& entries) {
    QStringList done;
    for (const Entry& e : entries) {
        if (!done.contains(e.folder())) {
            store::flushFolder(local(e.folder()));
            done << e.folder();
        }
    }
}

void renameOrThrow(const QString& from, const Entry& e) {
    if (::rename(local(from).c_str(), local(e.target).c_str()) != 0)
        throw store::StoreError(QStringLiteral("无法替换%1：%2").arg(e.named(), cause(errno)));
}

// The old version stays reachable until the record is gone, to be put back: a second name
// for it where the file system has them, else a copy. A file that is not there yet has none.
void keepOld(Entry& e) {
    if (!exists(e.target)) {
        e.created = true;
        return;
    }
    if (::link(local(e.target).c_str(), local(e.old).c_str()) != 0) {
        try {
            store::copyFileAtomically(e.target, e.old);
        } catch (const store::AtomicFileError& failure) {
            throw store::StoreError(
                QStringLiteral("无法保留%1的原样：%2").arg(e.named(), causeIn(failure.message())));
        }
    }
    e.kept = idOf(e.old);
}

// The record goes first: once it is gone for good, the old links are mere scrap. Removing
// them even when the record stays marks it as finished: the next start then finds a
// record that names no scrap, and removes it without taking it for a crash.
QString finish(const QString& programDir, const QList<Entry>& entries) {
    const std::string record = local(recordPath(programDir));
    int err = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0)
            QThread::msleep(50);
        err = ::unlink(record.c_str()) == 0 || errno == ENOENT ? 0 : errno;
        if (err == 0)
            break;
    }
    store::flushFolder(local(programDir));
    for (const Entry& e : entries)
        removeScrap(e);
    if (err == 0)
        return {};
    return QStringLiteral(
               "数据已保存，但程序文件夹中的提交记录 %1 无法删除（%2）。下次启动时程序会删除它，"
               "数据不必重新录入。")
        .arg(kRecordName, cause(err));
}

// An undo that could not finish: what stopped it, and what the record that stays will do.
struct UndoStopped {
    store::StoreError failure;
    UnsettledCommit::Outcome outcome;
};

// Puts back every file that was replaced, after saying so in the record. A file not yet
// replaced is its old link's own file, which the rename leaves as it is. Throws UndoStopped
// when it cannot, and when a file is not what it was before (checked where the commit kept
// its old version's identity).
void undo(const QString& programDir, const QString& what, const QList<Entry>& entries) {
    try {
        writeRecord(programDir, State::Undo, what, entries);
    } catch (const store::StoreError& failure) {
        throw UndoStopped{failure, UnsettledCommit::Outcome::Completes};
    }
    try {
        for (const Entry& e : entries) {
            if (exists(e.old))
                renameOrThrow(e.old, e);
            else if (e.created && !exists(e.fresh) && ::unlink(local(e.target).c_str()) != 0 &&
                     errno != ENOENT)
                throw store::StoreError(
                    QStringLiteral("无法删除%1：%2").arg(e.named(), cause(errno)));
        }
    } catch (const store::StoreError& failure) {
        throw UndoStopped{failure, UnsettledCommit::Outcome::Undoes};
    }
    flushFolders(entries);
    for (const Entry& e : entries) {
        const bool back = e.created ? !exists(e.target) : !e.kept || idOf(e.target) == e.kept;
        if (!back)
            throw UndoStopped{
                store::StoreError(QStringLiteral("无法确认%1已恢复为这次操作之前的内容，请核对。")
                                      .arg(e.named())),
                UnsettledCommit::Outcome::Unknown};
    }
    finish(programDir, entries);
}

// What the shop keeper is to do about a commit whose undo stopped, in the words of the
// window that posted it.
QString afterStoppedUndo(UnsettledCommit::Outcome outcome, const QList<Entry>& entries) {
    switch (outcome) {
        case UnsettledCommit::Outcome::Completes:
            return QStringLiteral(
                "这次操作已经记下，但因磁盘出错既没能做完，也没能撤销。磁盘恢复正常后，下次启动"
                "程序时会自动完成它，数据不必重新录入。");
        case UnsettledCommit::Outcome::Undoes:
            return QStringLiteral(
                       "这次操作没能做完，也没能完全撤销。磁盘恢复正常后，下次启动程序"
                       "时会把%1恢复为这次操作之前的内容，之后请重新录入。")
                .arg(listed(entries));
        default:
            return {};
    }
}

}  // namespace

void setCommitHook(std::function<void(CommitStep)> h) {
    hook() = std::move(h);
}

bool commitPending(const QString& programDir) {
    if (exists(recordPath(programDir)))
        return true;
    for (const QString& name : committableNames()) {
        if (leftScrap(Entry::in(programDir, name)))
            return true;
    }
    return false;
}

QString commitFiles(const QString& programDir, const QString& what,
                    const QList<NewVersion>& files) {
    QList<Entry> entries;
    for (const NewVersion& file : files)
        entries << Entry::in(programDir, QFileInfo(file.path).fileName());
    try {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            Entry& e = entries[i];
            removeScrap(e);
            try {
                files[i].write(e.fresh);
            } catch (const store::ServerUnavailable&) {
                throw;
            } catch (const std::runtime_error& failure) {
                // The cause, said of the file the shop keeper knows.
                throw store::StoreError(
                    QStringLiteral("无法保存%1：%2")
                        .arg(e.named(), causeIn(QString::fromUtf8(failure.what()))));
            }
            store::adoptAttributes(local(e.fresh), local(e.target));
            e.size = sizeOf(e.fresh);
            reach(i == 0 ? CommitStep::FirstWritten : CommitStep::SecondWritten);
        }
        for (Entry& e : entries)
            keepOld(e);
        flushFolders(entries);
        writeRecord(programDir, State::Commit, what, entries);
    } catch (...) {
        for (const Entry& e : entries)
            removeScrap(e);
        throw;
    }
    try {
        reach(CommitStep::RecordWritten);
        // No flush between the renames: until the record is gone, recovery carries a
        // half-renamed set through either way.
        for (qsizetype i = 0; i < entries.size(); ++i) {
            renameOrThrow(entries[i].fresh, entries[i]);
            if (i < 2)
                reach(i == 0 ? CommitStep::FirstReplaced : CommitStep::SecondReplaced);
        }
        flushFolders(entries);
        reach(CommitStep::Replaced);
    } catch (const store::StoreError& failure) {
        try {
            undo(programDir, what, entries);
        } catch (const UndoStopped& stopped) {
            QString text = failure.message() + QLatin1Char('\n') + stopped.failure.message();
            if (const QString then = afterStoppedUndo(stopped.outcome, entries); !then.isEmpty())
                text += QLatin1Char('\n') + then;
            throw UnsettledCommit(text, stopped.outcome);
        }
        throw;
    }
    return finish(programDir, entries);
}

QString recoverCommit(const QString& programDir) {
    // The halves of saves a crash cut short: new files that never got into the record.
    store::removeLeftoverSaves(programDir);
    const QString record = recordPath(programDir);
    if (!exists(record)) {
        // A commit stopped before its record leaves only scrap; the files are as before.
        for (const QString& name : committableNames())
            removeScrap(Entry::in(programDir, name));
        return {};
    }
    const Record r = readRecord(programDir, record);
    const QString head = QStringLiteral("上次保存数据时没有做完（程序意外中断、断电或磁盘出错）。");
    const QString operation = r.what.isEmpty() ? QStringLiteral("那次操作")
                                               : QStringLiteral("那次操作（%1）").arg(r.what);
    bool scrap = false, complete = r.state == State::Commit;
    for (const Entry& e : r.entries) {
        scrap = scrap || leftScrap(e);
        // Every new file was complete before the record was written; one that is not what
        // the record says cannot be carried through.
        if (exists(e.fresh) && sizeOf(e.fresh) != e.size)
            complete = false;
    }
    const auto stuck = [&](const store::StoreError& failure, UnsettledCommit::Outcome outcome) {
        return UnsettledCommit(
            head + QStringLiteral("%1现在还无法处理：%2\n提交记录保留着，磁盘恢复"
                                  "正常后会再处理；在那之前不能保存数据。")
                       .arg(operation, failure.message()),
            outcome);
    };
    if (!complete) {
        try {
            undo(programDir, r.what, r.entries);
        } catch (const UndoStopped& stopped) {
            throw stuck(stopped.failure, UnsettledCommit::Outcome::Undoes);
        }
        const bool backups = listed(r.entries).startsWith(QStringLiteral("备份"));
        return head + QStringLiteral("%1没有完成，已经撤销：%2 都恢复为那次操作之前的内容%3。")
                          .arg(operation, listed(r.entries),
                               backups ? QString() : QStringLiteral("，请核对后重新录入"));
    }
    QString note;
    try {
        for (const Entry& e : r.entries) {
            if (exists(e.fresh))
                renameOrThrow(e.fresh, e);
        }
        flushFolders(r.entries);
        note = finish(programDir, r.entries);
    } catch (const store::StoreError& failure) {
        throw stuck(failure, UnsettledCommit::Outcome::Completes);
    }
    // A record that names no scrap was left by a commit that had finished and said so,
    // when its record could not be removed: nothing to tell.
    if (!scrap)
        return {};
    return head +
           QStringLiteral("%1已经完成：%2 都已保存了那次的数据。")
               .arg(operation, listed(r.entries)) +
           (note.isEmpty() ? QString() : QLatin1Char('\n') + note);
}

void discardCommitRecord(const QString& programDir) {
    const UnsettledCommit assessed = unreadableRecord(programDir);
    if (!assessed.mayDiscardRecord())
        throw assessed;
    if (::unlink(local(recordPath(programDir)).c_str()) != 0 && errno != ENOENT)
        throw store::StoreError(
            QStringLiteral("无法删除提交记录 %1：%2").arg(kRecordName, cause(errno)));
    store::flushFolder(local(programDir));
    for (const QString& name : committableNames())
        removeScrap(Entry::in(programDir, name));
}

}  // namespace ledger
