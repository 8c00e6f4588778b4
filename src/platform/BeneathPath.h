#pragma once
// Opening a folder below another by a relative path, never through a link
// and never out of it, so that names read from a file a stranger wrote can
// only ever reach entries inside the folder the user chose.
#include <QByteArray>

namespace vorlix {

// Opens the folder `relative` ("a/b", "/" separated, "" for the root itself)
// beneath rootFd. Any link on the way, and any "." or ".." part, fails it
// (ELOOP, EINVAL). With create, missing folders are made (mode 0777 less the
// umask). Returns a descriptor (read-only, a folder, close-on-exec), or -1
// with errno set.
int openFolderBeneath(int rootFd, const QByteArray &relative, bool create = false);

// True for a path of plain parts: not empty, not absolute, no empty, "."
// or ".." part, no NUL byte. Only such a path is ever opened beneath a folder.
bool isPlainRelativePath(const QByteArray &relative);

// Tests: walk one part at a time as on kernels without openat2, even where
// the kernel could resolve beneath by itself.
void setResolveByParts(bool on);

} // namespace vorlix
