#include "output/JournalKey.h"

#include "output/RegStore.h"
#include "platform/NativeName.h"

#include <QFileInfo>
#include <QHash>
#include <QMessageAuthenticationCode>
#include <QMutex>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlix {

namespace {

constexpr qsizetype kKeyBytes = 32;

// The key in the file, when it is a regular file of this user's that
// nobody else may read; else empty.
QByteArray readKey(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray key;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0
        && st.st_size == kKeyBytes) {
        key.resize(kKeyBytes);
        if (::read(fd, key.data(), size_t(kKeyBytes)) != kKeyBytes)
            key.clear();
    }
    ::close(fd);
    return key;
}

QByteArray randomKey()
{
    QByteArray key(kKeyBytes, '\0');
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(key.data()),
                                         reinterpret_cast<quint32 *>(key.data() + kKeyBytes));
    return key;
}

// Writes a fresh key to a file of its own and links it in under the name,
// so that two programs starting at once agree on one key. A file in the
// way that isn't a fit key (another user's, readable by others) is
// replaced. Returns the key in the file, or empty.
QByteArray makeKey(const QByteArray &path)
{
    const QByteArray folder = path.left(path.lastIndexOf('/'));
    if (!makeNativePath(nameFromNative(folder)))
        return {};
    const QByteArray key = randomKey();
    const QByteArray spare = folder + "/.journal-key-" + QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    const int fd = ::open(spare.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return {};
    const bool written = ::write(fd, key.constData(), size_t(key.size())) == key.size() && ::fsync(fd) == 0;
    ::close(fd);
    QByteArray result;
    if (written) {
        if (::link(spare.constData(), path.constData()) == 0)
            result = key;
        else if (errno == EEXIST && (result = readKey(path)).isEmpty() && ::rename(spare.constData(), path.constData()) == 0)
            result = key;
    }
    ::unlink(spare.constData());
    return result;
}

} // namespace

QString journalKeyPath()
{
    return QFileInfo(settingsFilePath()).absolutePath() + QStringLiteral("/save-journal.key");
}

QByteArray journalKey()
{
    // By path, as tests move the settings between cases.
    static QMutex mutex;
    static QHash<QString, QByteArray> keys;
    const QString path = journalKeyPath();
    QMutexLocker lock(&mutex);
    QByteArray &key = keys[path];
    if (key.isEmpty()) {
        const QByteArray native = nativeFromName(path);
        key = readKey(native);
        if (key.isEmpty())
            key = makeKey(native);
        if (key.isEmpty())
            key = randomKey();
    }
    return key;
}

QByteArray journalSignature(const QByteArray &bytes)
{
    return QMessageAuthenticationCode::hash(bytes, journalKey(), QCryptographicHash::Sha256).toHex();
}

bool sameSignature(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace vorlix
