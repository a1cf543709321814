// Built without the C library's fortified wrappers: this file defines open() itself.
#undef _FORTIFY_SOURCE
#include "tests/support/FileFaults.h"

#include <QFile>

#include <atomic>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct State
{
    std::mutex lock;
    std::string prefix;
    FileFaults::Operation operation = FileFaults::Operation::Write;
    int error = 0;
    qint64 allowed = 0;
    qint64 written = 0;
    int refusals = 0;
};

std::atomic<bool> g_armed{false};

State &state()
{
    static State s;
    return s;
}

template <typename F>
F next(const char *name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// The folder itself counts as under its prefix (an O_TMPFILE open names it).
bool under(const State &s, const char *path)
{
    if (!path)
        return false;
    std::string p(path);
    if (!s.prefix.empty() && s.prefix.back() == '/' && p + '/' == s.prefix)
        return true;
    return p.compare(0, s.prefix.size(), s.prefix) == 0;
}

// The path of an open regular file, or "" for pipes, sockets and the like.
std::string pathOf(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    char buffer[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
}

// 0 when the call may go ahead, else the errno to fail it with.
int refusedCreate(const char *path, int flags)
{
    // O_TMPFILE (an unnamed file in a folder, as QSaveFile makes) creates too.
    const bool creates = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
    if (!g_armed || !creates)
        return 0;
    State &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.operation != FileFaults::Operation::Create || !under(s, path))
        return 0;
    ++s.refusals;
    return s.error;
}

int openWith(const char *name, const char *path, int flags, va_list args)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE))
        mode = mode_t(va_arg(args, int));
    if (const int error = refusedCreate(path, flags)) {
        errno = error;
        return -1;
    }
    using Open = int (*)(const char *, int, ...);
    static Open real = next<Open>(name);
    return real(path, flags, mode);
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = openWith("open", path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = openWith("open64", path, flags, args);
    va_end(args);
    return fd;
}

ssize_t write(int fd, const void *data, size_t length)
{
    using Write = ssize_t (*)(int, const void *, size_t);
    static Write real = next<Write>("write");
    if (g_armed) {
        const std::string path = pathOf(fd);
        State &s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        if (s.operation == FileFaults::Operation::Write && !path.empty() && under(s, path.c_str())) {
            const qint64 room = s.allowed - s.written;
            if (room <= 0) {
                ++s.refusals;
                errno = s.error;
                return -1;
            }
            // A disk that fills up takes what fits, then refuses the rest.
            const size_t part = size_t(qMin<qint64>(room, qint64(length)));
            const ssize_t n = real(fd, data, part);
            if (n > 0)
                s.written += n;
            return n;
        }
    }
    return real(fd, data, length);
}

namespace {
bool refusedRename(const char *to)
{
    if (!g_armed)
        return false;
    State &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.operation != FileFaults::Operation::Rename || !under(s, to))
        return false;
    ++s.refusals;
    errno = s.error;
    return true;
}
} // namespace

int rename(const char *from, const char *to)
{
    using Rename = int (*)(const char *, const char *);
    static Rename real = next<Rename>("rename");
    return refusedRename(to) ? -1 : real(from, to);
}

// How QSaveFile gives its unnamed temporary file the target's name.
int linkat(int fromFolder, const char *from, int toFolder, const char *to, int flags)
{
    using Link = int (*)(int, const char *, int, const char *, int);
    static Link real = next<Link>("linkat");
    return refusedRename(to) ? -1 : real(fromFolder, from, toFolder, to, flags);
}

} // extern "C"

namespace FileFaults {

Armed::Armed(const Fault &fault)
{
    State &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.prefix = QFile::encodeName(fault.prefix).toStdString();
    s.operation = fault.operation;
    s.error = fault.error;
    s.allowed = fault.allowedBytes;
    s.written = 0;
    s.refusals = 0;
    g_armed = true;
}

Armed::~Armed()
{
    g_armed = false;
}

int Armed::refusals() const
{
    State &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.refusals;
}

} // namespace FileFaults
