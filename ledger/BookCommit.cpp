#include "ledger/BookCommit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/AtomicFile.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"

namespace ledger {

namespace {

const QString kRecordName = QStringLiteral(".tavelo.commit");
const QByteArray kRecordMagic = "tavelo-commit 1";

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

store::StoreError systemFailure(const QString& what, int err) {
    return store::StoreError(what + QStringLiteral("：") +
                             QString::fromStdString(store::systemErrorText(err)));
}

void renameOrThrow(const QString& from, const QString& to) {
    if (::rename(local(from).c_str(), local(to).c_str()) != 0)
        throw systemFailure(QStringLiteral("无法替换数据文件 %1").arg(QFileInfo(to).fileName()),
                            errno);
}

// One book of a commit, every path absolute and beside the book itself (a book behind a
// link is replaced where it really lives).
struct Entry {
    QString book;  // as the program folder names it; the record keeps this one
    QString target, fresh, old;
    qint64 size = -1;

    QString name() const { return QFileInfo(book).fileName(); }
    QString folder() const { return QFileInfo(target).absolutePath(); }

    static Entry beside(const QString& bookPath) {
        const QFileInfo real(fromLocal(store::resolvedPath(local(bookPath))));
        const QDir dir = real.absoluteDir();
        return {QFileInfo(bookPath).absoluteFilePath(), real.absoluteFilePath(),
                dir.filePath(QLatin1Char('.') + real.fileName() + QStringLiteral(".commit-new")),
                dir.filePath(QLatin1Char('.') + real.fileName() + QStringLiteral(".commit-old"))};
    }
};

enum class State { Commit, Undo };

QString recordPath(const QString& programDir) {
    return QDir(programDir).filePath(kRecordName);
}

void writeRecord(const QString& programDir, State state, const QList<Entry>& entries) {
    QByteArray text = kRecordMagic + '\n';
    text += state == State::Commit ? "commit\n" : "undo\n";
    for (const Entry& e : entries)
        text += QFile::encodeName(e.book) + '\t' + QByteArray::number(e.size) + '\n';
    try {
        store::writeFileAtomically(recordPath(programDir), text);
    } catch (const store::AtomicFileError& failure) {
        throw store::StoreError(QString::fromStdString(failure.what()));
    }
}

// The record as written; anything else is refused rather than acted on: recovery renames
// files, and only the data books' own scrap may be renamed onto the data books of this
// program folder.
std::pair<State, QList<Entry>> readRecord(const QString& programDir, const QString& path) {
    const auto garbled = [&] {
        return store::StoreError(
            QStringLiteral("提交记录 %1 无法识别，请检查数据文件后删除它").arg(path));
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        throw garbled();
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 3 || lines[0] != kRecordMagic ||
        (lines[1] != "commit" && lines[1] != "undo"))
        throw garbled();
    QStringList bookNames;
    for (store::Book b : {store::Book::Inventory, store::Book::StockIn, store::Book::StockOut})
        bookNames << store::bookFileName(b);
    QList<Entry> entries;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> fields = lines[i].split('\t');
        bool ok = false;
        const qint64 size = fields.value(1).toLongLong(&ok);
        const QFileInfo book(QFile::decodeName(fields[0]));
        if (fields.size() != 2 || !ok || !book.isAbsolute() ||
            !bookNames.contains(book.fileName()) ||
            book.absolutePath() != QDir(programDir).absolutePath())
            throw garbled();
        Entry e = Entry::beside(book.absoluteFilePath());
        e.size = size;
        entries << e;
    }
    if (entries.isEmpty())
        throw garbled();
    return {lines[1] == "commit" ? State::Commit : State::Undo, entries};
}

void removeScrap(const Entry& e) {
    ::unlink(local(e.fresh).c_str());
    ::unlink(local(e.old).c_str());
}

// Each folder once: the books usually share one.
void flushFolders(const QList<Entry>& entries) {
    QStringList done;
    for (const Entry& e : entries) {
        if (!done.contains(e.folder())) {
            store::flushFolder(local(e.folder()));
            done << e.folder();
        }
    }
}

// The record goes first: once it is gone for good, the old links are mere scrap, which
// the next recovery removes should a crash keep them.
void finish(const QString& programDir, const QList<Entry>& entries) {
    ::unlink(local(recordPath(programDir)).c_str());
    store::flushFolder(local(programDir));
    for (const Entry& e : entries)
        removeScrap(e);
}

// Puts back every book that was replaced. A book not yet replaced is its old link's own
// file, which the rename leaves as it is.
void undo(const QString& programDir, const QList<Entry>& entries) {
    writeRecord(programDir, State::Undo, entries);
    for (const Entry& e : entries) {
        if (exists(e.old))
            renameOrThrow(e.old, e.target);
    }
    flushFolders(entries);
    finish(programDir, entries);
}

QString bookNames(const QList<Entry>& entries) {
    QStringList names;
    for (const Entry& e : entries)
        names << e.name();
    return names.join(QStringLiteral("、"));
}

}  // namespace

void setCommitHook(std::function<void(CommitStep)> h) {
    hook() = std::move(h);
}

bool commitPending(const QString& programDir) {
    return exists(recordPath(programDir));
}

void commitBooks(const QString& programDir, const QList<PendingBook>& books) {
    QList<Entry> entries;
    for (const PendingBook& book : books)
        entries << Entry::beside(book.path);
    const auto removeAll = [&] {
        for (const Entry& e : entries)
            removeScrap(e);
    };
    try {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            Entry& e = entries[i];
            removeScrap(e);
            books[i].pass->server().saveAs(e.fresh);
            store::adoptAttributes(local(e.fresh), local(e.target));
            e.size = sizeOf(e.fresh);
            reach(i == 0 ? CommitStep::FirstWritten : CommitStep::SecondWritten);
        }
        for (const Entry& e : entries) {
            // The old book stays reachable until the record is gone, to be put back: a
            // second name for it where the file system has them, else a copy.
            if (::link(local(e.target).c_str(), local(e.old).c_str()) != 0) {
                try {
                    store::copyFileAtomically(e.target, e.old);
                } catch (const store::AtomicFileError& failure) {
                    throw store::StoreError(QString::fromStdString(failure.what()));
                }
            }
        }
        flushFolders(entries);
        writeRecord(programDir, State::Commit, entries);
    } catch (...) {
        removeAll();
        throw;
    }
    try {
        reach(CommitStep::RecordWritten);
        // No flush between the renames: until the record is gone, recovery carries a
        // half-renamed pair through either way.
        for (qsizetype i = 0; i < entries.size(); ++i) {
            renameOrThrow(entries[i].fresh, entries[i].target);
            if (i == 0)
                reach(CommitStep::FirstReplaced);
        }
        flushFolders(entries);
        reach(CommitStep::Replaced);
    } catch (...) {
        undo(programDir, entries);
        throw;
    }
    finish(programDir, entries);
}

QString recoverCommit(const QString& programDir) {
    // The halves of saves a crash cut short: new files that never got into the record.
    store::removeLeftoverSaves(programDir);
    const QString record = recordPath(programDir);
    if (!exists(record)) {
        // A commit stopped before its record leaves only scrap; the books are as before.
        for (store::Book b : {store::Book::Inventory, store::Book::StockIn, store::Book::StockOut})
            removeScrap(Entry::beside(store::bookPath(programDir, b)));
        return {};
    }
    auto [state, entries] = readRecord(programDir, record);
    const QString head = QStringLiteral("上次保存数据时程序意外中断（可能是断电或被强行关闭）。");
    bool complete = state == State::Commit;
    for (const Entry& e : entries) {
        // Every new file was complete before the record was written; one that is not
        // what the record says cannot be carried through.
        if (exists(e.fresh) && sizeOf(e.fresh) != e.size)
            complete = false;
    }
    if (!complete) {
        undo(programDir, entries);
        return head + QStringLiteral(
                          "那次操作没有完成，已经撤销：数据文件 %1 "
                          "都恢复为那次操作之前的内容，请核对后重新录入。")
                          .arg(bookNames(entries));
    }
    for (const Entry& e : entries) {
        if (exists(e.fresh))
            renameOrThrow(e.fresh, e.target);
    }
    flushFolders(entries);
    finish(programDir, entries);
    return head + QStringLiteral("那次操作已经完成：数据文件 %1 都已保存了那次的数据。")
                      .arg(bookNames(entries));
}

}  // namespace ledger
