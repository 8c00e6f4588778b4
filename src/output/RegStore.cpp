#include "output/RegStore.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlix {

namespace {

const QLatin1String kHeader("REGEDIT4");
const QLatin1String kHeader5("Windows Registry Editor Version 5.00");
const QLatin1String kHive("HKEY_CURRENT_USER\\");

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Reads a quoted string starting at line[pos] == '"'. Only \\ and \" are
// escapes; any other backslash is kept as it stands, so a hand-typed
// "C:\tmp" reads as written. Returns false for an unterminated string.
bool readQuoted(QStringView line, qsizetype &pos, QString &out)
{
    out.clear();
    for (qsizetype i = pos + 1; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"')) {
            pos = i + 1;
            return true;
        }
        if (c == QLatin1Char('\\') && i + 1 < line.size()
            && (line[i + 1] == QLatin1Char('\\') || line[i + 1] == QLatin1Char('"'))) {
            out += line[++i];
            continue;
        }
        out += c;
    }
    return false;
}

void chopBlanks(QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s[n - 1].isSpace())
        --n;
    s.truncate(n);
}

qsizetype skipBlanks(QStringView line, qsizetype pos)
{
    while (pos < line.size() && (line[pos] == QLatin1Char(' ') || line[pos] == QLatin1Char('\t')))
        ++pos;
    return pos;
}

QString quoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        // A line feed inside a value would split its line and lose it on the
        // next read: write a blank instead. (Lines end only at line feeds, so
        // a carriage return inside is harmless.)
        out += c == QLatin1Char('\n') ? QChar(QLatin1Char(' ')) : c;
    }
    out += QLatin1Char('"');
    return out;
}

} // namespace

const RegValue *RegKey::value(const QString &name) const
{
    for (const RegValue &v : values)
        if (sameName(v.name, name))
            return &v;
    return nullptr;
}

void RegKey::setString(const QString &name, const QString &text)
{
    for (RegValue &v : values) {
        if (sameName(v.name, name)) {
            v.type = RegValue::String;
            v.data = text;
            return;
        }
    }
    values.append({name, RegValue::String, text});
}

const RegKey *RegFile::key(const QString &path) const
{
    for (const RegKey &k : m_keys)
        if (sameName(k.path, path))
            return &k;
    return nullptr;
}

RegKey &RegFile::createKey(const QString &path)
{
    for (RegKey &k : m_keys)
        if (sameName(k.path, path))
            return k;
    m_keys.append({path, {}});
    return m_keys.last();
}

// The file's text by its byte-order mark: the newer export format is
// UTF-16 (little-endian as the registry editor writes it), ours UTF-8.
QString decodedText(const QByteArray &bytes)
{
    const QByteArrayView data(bytes);
    if (data.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(data.sliced(2));
    if (data.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(data.sliced(2));
    if (data.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(data.sliced(3));
    return QString::fromUtf8(data);
}

RegFile RegFile::parse(const QByteArray &bytes)
{
    const QString text = decodedText(bytes);
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    const auto lineAt = [&](qsizetype i) {
        QStringView l = lines[i];
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        return l;
    };
    if (lines.isEmpty())
        return {};
    RegFile file;
    if (lineAt(0).trimmed() == kHeader5)
        file.m_format = Version5;
    else if (lineAt(0).trimmed() != kHeader)
        return {};

    // Keys and values are found through hashes of their folded names, so a
    // big file with many entries still reads in linear time.
    struct Building
    {
        RegKey key;
        QHash<QString, qsizetype> index;
        QList<bool> removed;
    };
    QList<Building> keys;
    QHash<QString, qsizetype> keyIndex;

    qsizetype current = -1; // index of the key that values go to; -1: none
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringView line = lineAt(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            current = -1; // a broken or foreign key line: its values go nowhere
            if (!line.endsWith(QLatin1Char(']')))
                continue;
            const QStringView inner = line.sliced(1, line.size() - 2);
            if (!inner.startsWith(kHive, Qt::CaseInsensitive))
                continue;
            const QString path = inner.sliced(kHive.size()).toString();
            if (path.isEmpty())
                continue;
            const QString folded = path.toCaseFolded();
            const auto found = keyIndex.constFind(folded);
            if (found != keyIndex.constEnd()) {
                current = *found;
            } else {
                current = keys.size();
                keyIndex.insert(folded, current);
                Building b;
                b.key.path = path;
                keys.append(std::move(b));
            }
            continue;
        }

        RegValue value;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!line.startsWith(QLatin1Char('"')) || !readQuoted(line, pos, value.name)) {
            continue;
        }
        pos = skipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != QLatin1Char('='))
            continue;
        pos = skipBlanks(line, pos + 1);
        const QStringView rest = line.sliced(pos);
        bool remove = false;
        if (rest.startsWith(QLatin1Char('"'))) {
            qsizetype end = 0;
            if (!readQuoted(rest, end, value.data))
                continue;
            const QStringView after = rest.sliced(end).trimmed();
            if (!after.isEmpty() && !after.startsWith(QLatin1Char(';')))
                continue;
            value.type = RegValue::String;
        } else if (rest == QLatin1String("-")) {
            remove = true;
        } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)
                   || rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            // Binary data may go on over further lines, each but the last
            // ending in a backslash.
            value.type = RegValue::Other;
            value.data = rest.toString();
            for (;;) {
                chopBlanks(value.data);
                if (!value.data.endsWith(QLatin1Char('\\')))
                    break;
                value.data.chop(1);
                if (i + 1 < lines.size())
                    value.data += lineAt(++i).trimmed();
            }
        } else {
            continue;
        }
        if (current < 0)
            continue;
        Building &b = keys[current];
        const QString folded = value.name.toCaseFolded();
        const auto found = b.index.constFind(folded);
        if (remove) {
            if (found != b.index.constEnd()) {
                b.removed[*found] = true;
                b.index.remove(folded);
            }
        } else if (found != b.index.constEnd()) {
            b.key.values[*found] = value; // the later line wins, as an import would do
        } else {
            b.index.insert(folded, b.key.values.size());
            b.key.values.append(value);
            b.removed.append(false);
        }
    }

    for (Building &b : keys) {
        RegKey key{b.key.path, {}};
        for (qsizetype k = 0; k < b.key.values.size(); ++k)
            if (!b.removed[k])
                key.values.append(std::move(b.key.values[k]));
        file.m_keys.append(std::move(key));
    }
    return file;
}

RegFile RegFile::load(const QString &filePath)
{
    // Only a regular file: opening a FIFO or a device could block or never
    // end.
    const QFileInfo info(filePath);
    if (!info.isFile() || info.size() > kMaxFileSize)
        return {};
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize) // grew since we looked
        return {};
    return parse(bytes);
}

QByteArray RegFile::serialize() const
{
    QString out = (m_format == Version5 ? QString(kHeader5) : QString(kHeader)) + QLatin1Char('\n');
    for (const RegKey &k : m_keys) {
        out += QLatin1Char('\n');
        out += QLatin1Char('[') + kHive + k.path + QLatin1String("]\n");
        for (const RegValue &v : k.values) {
            out += v.name.isEmpty() ? QStringLiteral("@") : quoted(v.name);
            out += QLatin1Char('=');
            out += v.type == RegValue::String ? quoted(v.data) : v.data;
            out += QLatin1Char('\n');
        }
    }
    out += QLatin1Char('\n');
    if (m_format == Version5)
        return QStringEncoder(QStringEncoder::Utf16LE, QStringConverter::Flag::WriteBom).encode(out);
    return out.toUtf8();
}

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO (named pipe)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

// Where writing the settings file lands: the path itself or, through its
// links, the file they end at, so that a settings file kept elsewhere (in a
// folder of dotfiles, say) stays where it is and the link stays a link.
// Empty, with the reason, when that is not a regular file or a new one:
// replacing a FIFO or a device (a link to /dev/null is how some people keep
// a program from saving) would put a file in its place.
QString writeTarget(const QString &path, QString &reason)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops <= 40; ++hops) {
        const QByteArray native = QFile::encodeName(current);
        struct stat st;
        if (::lstat(native.constData(), &st) != 0) {
            if (errno == ENOENT)
                return current; // a new file, or the missing target of a link
            reason = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
        if (S_ISREG(st.st_mode))
            return current;
        if (!S_ISLNK(st.st_mode)) {
            reason = hops == 0 ? QStringLiteral("it is %1, not a file").arg(kindOf(st.st_mode))
                               : QStringLiteral("it is a link to %1, which is %2, not a file")
                                     .arg(current, kindOf(st.st_mode));
            return {};
        }
        QByteArray target(qsizetype(st.st_size > 0 ? st.st_size : 4096) + 1, Qt::Uninitialized);
        const ssize_t n = ::readlink(native.constData(), target.data(), size_t(target.size()));
        if (n < 0 || n >= target.size()) {
            reason = QStringLiteral("its link cannot be read");
            return {};
        }
        target.truncate(n);
        // A relative target is relative to the folder of the link.
        current = QDir::cleanPath(QFileInfo(current).dir().absoluteFilePath(QFile::decodeName(target)));
    }
    reason = QStringLiteral("its links go round in a loop");
    return {};
}

} // namespace

bool RegFile::save(const QString &filePath, QString *error) const
{
    QString reason;
    const QString target = writeTarget(filePath, reason);
    if (target.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    QSaveFile f(target);
    const QByteArray bytes = serialize();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

RegistryStore::RegistryStore(const QString &filePath, const QString &keyPath)
    : m_filePath(filePath), m_keyPath(keyPath)
{
}

RegFile RegistryStore::openForRead() const
{
    if (!QFileInfo::exists(m_filePath) && QDir().mkpath(QFileInfo(m_filePath).absolutePath())) {
        RegFile created;
        created.createKey(m_keyPath);
        created.save(m_filePath);
        return created;
    }
    return RegFile::load(m_filePath);
}

void RegistryStore::write(const QString &section, const QList<QPair<QString, QString>> &values) const
{
    const auto cannotSave = [this](const QString &reason) {
        return VorlixError(QStringLiteral("Cannot save the settings to %1: %2")
                               .arg(QDir::toNativeSeparators(m_filePath), reason));
    };
    RegFile file = RegFile::load(m_filePath);
    const QFileInfo folder(QFileInfo(m_filePath).absolutePath());
    if (!QDir().mkpath(folder.filePath()))
        throw cannotSave(folder.exists() && !folder.isDir()
                             ? QStringLiteral("%1 is a file, not a folder").arg(folder.filePath())
                             : QStringLiteral("the folder %1 cannot be made").arg(folder.filePath()));
    const QString sectionPath = m_keyPath + QLatin1Char('\\') + section;
    RegKey key{m_keyPath, {}};
    RegKey sec{sectionPath, {}};
    QList<RegKey> others;
    for (RegKey &k : file.keys()) {
        if (sameName(k.path, m_keyPath))
            key.values = k.values;
        else if (sameName(k.path, sectionPath))
            sec.values = k.values;
        else
            others.append(k);
    }
    // Ours in the order given, then whatever else the section held.
    QList<RegValue> ordered;
    for (const auto &[name, text] : values)
        ordered.append({name, RegValue::String, text});
    for (const RegValue &old : std::as_const(sec.values)) {
        const bool ours = std::any_of(values.begin(), values.end(),
                                      [&](const auto &v) { return sameName(v.first, old.name); });
        if (!ours)
            ordered.append(old);
    }
    sec.values = ordered;
    file.keys() = QList<RegKey>{key, sec} + others;
    QString reason;
    if (!file.save(m_filePath, &reason))
        throw cannotSave(reason);
}

QString settingsFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1String("/Tarnby/Vorlix.reg");
}

} // namespace vorlix
