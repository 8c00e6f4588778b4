#include "platform/BeneathPath.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#include <sys/syscall.h>
#define VORLIX_HAVE_OPENAT2 1
#endif

namespace vorlix {

namespace {

std::atomic<bool> g_byParts{false};

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

#ifdef VORLIX_HAVE_OPENAT2
// -1 with errno ENOSYS where the kernel (or a filter in front of it) has no
// openat2, so the caller walks by parts instead.
int openByKernel(int rootFd, const QByteArray &relative)
{
    open_how how{};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const long fd = ::syscall(SYS_openat2, rootFd, relative.constData(), &how, sizeof how);
        if (fd >= 0)
            return int(fd);
        // EAGAIN: a rename raced the lookup; E2BIG/EPERM: a kernel or a
        // sandbox that doesn't know the call as we ask it.
        if (errno == EINTR || errno == EAGAIN)
            continue;
        if (errno == E2BIG || errno == EPERM)
            errno = ENOSYS;
        return -1;
    }
    errno = ENOSYS;
    return -1;
}
#endif

int openByParts(int rootFd, const QByteArray &relative, bool create)
{
    int fd = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    for (const QByteArray &part : relative.split('/')) {
        int next = ::openat(fd, part.constData(), kFolderFlags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(fd, part.constData(), 0777) != 0 && errno != EEXIST) {
                const int e = errno;
                ::close(fd);
                errno = e;
                return -1;
            }
            next = ::openat(fd, part.constData(), kFolderFlags);
        }
        const int e = errno;
        ::close(fd);
        if (next < 0) {
            // O_NOFOLLOW on a link to a folder gives ELOOP or ENOTDIR,
            // depending on the system; both mean "not through that".
            errno = e;
            return -1;
        }
        fd = next;
    }
    return fd;
}

} // namespace

int openFolderBeneath(int rootFd, const QByteArray &relative, bool create)
{
    if (relative.isEmpty())
        return ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    if (!isPlainRelativePath(relative)) {
        errno = EINVAL;
        return -1;
    }
#ifdef VORLIX_HAVE_OPENAT2
    if (!g_byParts.load(std::memory_order_relaxed)) {
        const int fd = openByKernel(rootFd, relative);
        if (fd >= 0 || (errno != ENOSYS && !(errno == ENOENT && create)))
            return fd;
    }
#endif
    return openByParts(rootFd, relative, create);
}

bool isPlainRelativePath(const QByteArray &relative)
{
    if (relative.isEmpty() || relative.startsWith('/') || relative.contains('\0'))
        return false;
    for (const QByteArray &part : relative.split('/'))
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}

void setResolveByParts(bool on)
{
    g_byParts.store(on, std::memory_order_relaxed);
}

} // namespace vorlix
