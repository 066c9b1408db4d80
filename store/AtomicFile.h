#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <string>

#include "store/StoreError.h"

namespace store {

// Why a replacement failed, in words the shop keeper can read. It names the file but not
// the book: a caller that knows the book says so before it.
class AtomicFileError : public StoreError {
public:
    explicit AtomicFileError(const std::string& message)
        : StoreError(QString::fromStdString(message)) {}
};

// Replaces the file at `path` so that it is never seen half written: `fill` writes a
// complete new file at the temporary path it is given (beside the target, so that the
// rename cannot cross file systems), which is flushed to disk and renamed over the target,
// keeping the target's permissions, and its owner and group where the process may. A
// `path` that is a symbolic link replaces the file it points to, and stays a link. A
// target that is read-only is refused before anything is written. On any failure the
// temporary file is removed and the target is as it was; `fill`'s own exceptions pass
// through unchanged. A lock file beside the target (".NAME.tmp-XXXXXX", flock held) marks
// the save as running until it is done.
void replaceAtomically(const std::string& path,
                       const std::function<void(const std::string& tmpPath)>& fill);

// The common causes of a failed file operation in the shop keeper's words, the system's
// own text after them in brackets: "磁盘已满（No space left on device）".
std::string systemErrorText(int err);

// Whether a file exists and may not be written by this process (or has no write
// permission at all): a save would be refused.
bool isReadOnlyFile(const QString& path);
// Whether the file system holding `path` is mounted read-only: a disk that turned
// read-only after an error is not a book someone protected, and is said so.
bool onReadOnlyFileSystem(const std::string& path);

// What saves killed half way (a power cut, kill -9) left in a folder: the lock files no
// running save holds, and the files beside them. Returns how many files it removed.
int removeLeftoverSaves(const QString& folder);

// Flushes a written file to disk; throws AtomicFileError.
void flushToDisk(const std::string& path);
// Flushes a folder's entries (renames, removals) to disk; failures are not reported.
void flushFolder(const std::string& dir);

// The file a path names in the end: a symbolic link's target, the path itself otherwise.
std::string resolvedPath(const std::string& path);
// Gives the new file that is about to replace `target` the target's permissions, and its
// owner and group where the process may.
void adoptAttributes(const std::string& newFile, const std::string& target);

// The two uses outside the workbook engine: the settings file and the backup copies.
// Both throw AtomicFileError naming the file.
void writeFileAtomically(const QString& path, const QByteArray& bytes);
void copyFileAtomically(const QString& source, const QString& target);

}  // namespace store
