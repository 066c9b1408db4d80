// A disk that fails on cue, loaded with LD_PRELOAD into a process under test: the Nth call
// that writes, flushes, renames, links, unlinks or creates a file in one folder fails with
// an errno of the test's choosing (or kills the process on the spot), once or from then on.
// It takes the calls the program, Qt and libzip import (nm -D --undefined-only).
//
//   TAVELO_FAULT_DIR    the folder whose files count (calls elsewhere pass untouched)
//   TAVELO_FAULT        CALL:N:ACTION[:on]  CALL is any, write, fsync, rename, link, unlink
//                       or open; N counts from 1 (0 only counts), or lists several calls
//                       ("7,9"); ACTION is EIO, ENOSPC, EROFS or KILL; ":on" fails every
//                       such call from the Nth on
//   TAVELO_FAULT_COUNT  a file that gets the number of counted calls when the process exits
//   TAVELO_FAULT_LOG    a file that gets one line per counted call: "N CALL PATH"
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Plan {
    std::string dir, realDir;
    std::string call = "any";
    std::vector<long> at;
    int error = 0;  // 0: kill
    bool from = false;
    std::string countFile, logFile;
};

Plan load() {
    Plan p;
    if (const char* d = std::getenv("TAVELO_FAULT_DIR")) {
        p.dir = d;
        char real[PATH_MAX];
        if (::realpath(d, real))
            p.realDir = real;
    }
    if (const char* fault = std::getenv("TAVELO_FAULT")) {
        char call[16] = {}, at[64] = {}, action[16] = {}, mode[8] = {};
        std::sscanf(fault, "%15[^:]:%63[^:]:%15[^:]:%7s", call, at, action, mode);
        p.call = call;
        for (char* n = std::strtok(at, ","); n != nullptr; n = std::strtok(nullptr, ","))
            p.at.push_back(std::atol(n));
        const std::string a = action;
        p.error = a == "EIO" ? EIO : a == "ENOSPC" ? ENOSPC : a == "EROFS" ? EROFS : 0;
        p.from = std::string(mode) == "on";
    }
    if (const char* f = std::getenv("TAVELO_FAULT_COUNT"))
        p.countFile = f;
    if (const char* f = std::getenv("TAVELO_FAULT_LOG"))
        p.logFile = f;
    return p;
}

// Never destroyed: the count is written by a static destructor, in no particular order.
const Plan& plan() {
    static const Plan* p = new Plan(load());
    return *p;
}

std::atomic<long> counted{0};

bool inside(const std::string& path, const std::string& dir) {
    return !dir.empty() && path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
           path[dir.size()] == '/';
}

bool watched(const char* path) {
    if (path == nullptr || plan().dir.empty())
        return false;
    return inside(path, plan().dir) || inside(path, plan().realDir);
}

std::string pathOf(int fd) {
    char link[64], target[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 ? std::string(target, size_t(n)) : std::string();
}

// Counts a call on `path` and says whether it fails (errno set then).
bool fails(const char* call, const std::string& path) {
    if (!watched(path.c_str()))
        return false;
    const long n = ++counted;
    const Plan& p = plan();
    if (!p.logFile.empty()) {
        if (FILE* log = std::fopen(p.logFile.c_str(), "a")) {
            std::fprintf(log, "%ld %s %s\n", n, call, path.c_str());
            std::fclose(log);
        }
    }
    static std::atomic<long> ofKind{0};
    const bool mine = p.call == "any" || p.call == call;
    const long k = mine ? ++ofKind : 0;
    const bool hit = std::find(p.at.begin(), p.at.end(), k) != p.at.end();
    if (!mine || p.at.empty() || p.at[0] == 0 || (p.from ? k < p.at[0] : !hit))
        return false;
    if (p.error == 0)
        ::kill(::getpid(), SIGKILL);
    errno = p.error;
    return true;
}

bool failsAt(const char* call, int dirfd, const char* path) {
    if (path == nullptr)
        return false;
    if (path[0] == '/' || dirfd == AT_FDCWD)
        return fails(call, path[0] == '/' ? std::string(path) : std::string());
    return fails(call, pathOf(dirfd) + '/' + path);
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

struct CountAtExit {
    ~CountAtExit() {
        if (plan().countFile.empty())
            return;
        if (FILE* f = std::fopen(plan().countFile.c_str(), "w")) {
            std::fprintf(f, "%ld\n", counted.load());
            std::fclose(f);
        }
    }
} countAtExit;

bool creates(int flags) {
    return (flags & (O_CREAT | O_TRUNC)) != 0 || (flags & O_ACCMODE) != O_RDONLY;
}

mode_t modeOf(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(args, int)) : 0;
}

int openChecked(const char* path, int flags, mode_t mode) {
    if (creates(flags) && fails("open", path))
        return -1;
    return next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t n) {
    if (fd > 2 && fails("write", pathOf(fd)))
        return -1;
    return next<ssize_t (*)(int, const void*, size_t)>("write")(fd, buf, n);
}

size_t fwrite(const void* buf, size_t size, size_t count, FILE* stream) {
    const int fd = ::fileno(stream);
    if (fd > 2 && fails("write", pathOf(fd)))
        return 0;
    return next<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite")(buf, size, count, stream);
}

int fsync(int fd) {
    if (fails("fsync", pathOf(fd)))
        return -1;
    return next<int (*)(int)>("fsync")(fd);
}

int fdatasync(int fd) {
    if (fails("fsync", pathOf(fd)))
        return -1;
    return next<int (*)(int)>("fdatasync")(fd);
}

int rename(const char* from, const char* to) {
    if (fails("rename", to))
        return -1;
    return next<int (*)(const char*, const char*)>("rename")(from, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    if (failsAt("rename", toDir, to))
        return -1;
    return next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(
        fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
    if (fails("link", to))
        return -1;
    return next<int (*)(const char*, const char*)>("link")(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    if (failsAt("link", toDir, to))
        return -1;
    return next<int (*)(int, const char*, int, const char*, int)>("linkat")(fromDir, from, toDir,
                                                                            to, flags);
}

int unlink(const char* path) {
    if (fails("unlink", path))
        return -1;
    return next<int (*)(const char*)>("unlink")(path);
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    return openChecked(path, flags, mode);
}

// The same call under its large-file name, which Qt imports.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

// libzip and the program make their temporary files with it.
int mkstemp(char* path) {
    if (fails("open", path))
        return -1;
    return next<int (*)(char*)>("mkstemp")(path);
}

}  // extern "C"
