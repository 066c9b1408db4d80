#include "store/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace store {

namespace {

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t modeForNewFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes all of `size` bytes, retrying short writes.
bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

std::string local(const QString& path) {
    return path.toLocal8Bit().toStdString();
}

}  // namespace

std::string systemErrorText(int err) {
    const char* cause = nullptr;
    switch (err) {
        case ENOSPC:
            cause = "磁盘已满";
            break;
        case EDQUOT:
            cause = "磁盘配额已用完";
            break;
        case EIO:
            cause = "磁盘读写出错";
            break;
        case EACCES:
            cause = "没有访问权限";
            break;
        case EPERM:
            cause = "不允许修改（文件可能被设为只读或受保护）";
            break;
        case EROFS:
            cause = "文件系统是只读的";
            break;
        case ENOENT:
            cause = "文件或文件夹不存在";
            break;
        case ENOTDIR:
            cause = "路径中应为文件夹的一项不是文件夹";
            break;
        case EISDIR:
            cause = "应为文件的位置是一个文件夹";
            break;
        default:
            return std::strerror(err);
    }
    // The system's own words stay, for whoever has to dig further.
    return std::string(cause) + "（" + std::strerror(err) + "）";
}

void flushToDisk(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw AtomicFileError("无法写入文件：" + systemErrorText(errno));
    const int rc = ::fsync(fd);
    const int saved = errno;
    ::close(fd);
    if (rc != 0)
        throw AtomicFileError("写入磁盘失败：" + systemErrorText(saved));
}

namespace {

bool readOnly(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // No write bit at all counts for root too, as it does for a spreadsheet program.
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

constexpr const char kTmpMark[] = ".tmp-";

}  // namespace

void flushFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string resolvedPath(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    // Books kept on another disk behind a link: the file behind it is replaced and the
    // link stays, so that the shop never runs on two diverging copies.
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string target(real);
    std::free(real);
    return target;
}

void adoptAttributes(const std::string& newFile, const std::string& target) {
    struct stat old;
    if (::stat(target.c_str(), &old) != 0) {
        ::chmod(newFile.c_str(), modeForNewFile(target));
        return;
    }
    // chown before chmod, which it could otherwise undo.
    if (::chown(newFile.c_str(), old.st_uid, old.st_gid) != 0) {
        // Not permitted: the file stays the saving user's, as any editor would leave it.
    }
    ::chmod(newFile.c_str(), old.st_mode & 07777);
}

bool isReadOnlyFile(const QString& path) {
    return readOnly(local(path));
}

bool onReadOnlyFileSystem(const std::string& path) {
    struct statvfs fs;
    return ::statvfs(path.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

void replaceAtomically(const std::string& requested,
                       const std::function<void(const std::string& tmpPath)>& fill) {
    const std::string path = resolvedPath(requested);
    const std::string dir = directoryOf(path);
    const size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (readOnly(path)) {
        throw AtomicFileError(onReadOnlyFileSystem(path)
                                  ? "文件 " + base + " 所在的文件系统是只读的，不能保存"
                                  : "文件 " + base + " 是只读文件，不能保存");
    }
    // The lock file marks the save as running for as long as it holds its flock; the new
    // file beside it may be replaced underneath by the writer (libzip renames its own
    // temporary file over it), so it cannot carry the lock itself.
    std::string lock = dir + "/." + base + kTmpMark + "XXXXXX";
    const int fd = ::mkstemp(lock.data());
    if (fd < 0)
        throw AtomicFileError("无法在文件夹 " + dir + " 中写入：" + systemErrorText(errno));
    ::flock(fd, LOCK_EX);
    const std::string tmp = lock + ".new";
    const auto release = [&] {
        ::unlink(tmp.c_str());
        ::unlink(lock.c_str());
        ::close(fd);
    };
    try {
        fill(tmp);
    } catch (...) {
        release();
        throw;
    }
    adoptAttributes(tmp, path);
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        release();
        throw AtomicFileError("无法替换文件 " + path + "：" + systemErrorText(saved));
    }
    release();
    flushFolder(dir);
}

int removeLeftoverSaves(const QString& folder) {
    const std::string dir = local(folder);
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr)
        return 0;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d))
        names.emplace_back(e->d_name);
    ::closedir(d);
    int removed = 0;
    for (const std::string& name : names) {
        // ".tvruku.dat.tmp-XXXXXX": the lock of a save, or the whole of one from before
        // saves had a lock.
        const size_t mark = name.rfind(kTmpMark);
        if (name.size() < 2 || name[0] != '.' || mark == std::string::npos ||
            name.size() != mark + sizeof kTmpMark - 1 + 6)
            continue;
        const std::string lockPath = dir + "/" + name;
        const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // No save holds it: it and what it left beside it are scrap.
            for (const std::string& other : names) {
                if (other.compare(0, name.size(), name) == 0 &&
                    ::unlink((dir + "/" + other).c_str()) == 0)
                    ++removed;
            }
        }
        ::close(fd);
    }
    return removed;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    const std::string target = local(path);
    replaceAtomically(target, [&](const std::string& tmp) {
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || !writeAll(fd, bytes.constData(), size_t(bytes.size()))) {
            const int saved = errno;
            if (fd >= 0)
                ::close(fd);
            throw AtomicFileError("无法写入文件 " + target + "：" + systemErrorText(saved));
        }
        ::close(fd);
        flushToDisk(tmp);
    });
}

void copyFileAtomically(const QString& source, const QString& target) {
    const std::string from = local(source);
    const std::string to = local(target);
    replaceAtomically(to, [&](const std::string& tmp) {
        const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            throw AtomicFileError("无法读取文件 " + from + "：" + systemErrorText(errno));
        const int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out < 0) {
            const int saved = errno;
            ::close(in);
            throw AtomicFileError("无法写入文件 " + to + "：" + systemErrorText(saved));
        }
        char buffer[1 << 16];
        std::string failure;
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                failure = "无法读取文件 " + from + "：" + systemErrorText(errno);
                break;
            }
            if (n == 0)
                break;
            if (!writeAll(out, buffer, size_t(n))) {
                failure = "无法写入文件 " + to + "：" + systemErrorText(errno);
                break;
            }
        }
        ::close(in);
        ::close(out);
        if (!failure.empty())
            throw AtomicFileError(failure);
        flushToDisk(tmp);
    });
}

}  // namespace store
