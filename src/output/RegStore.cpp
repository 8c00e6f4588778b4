#include "output/RegStore.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringView>

namespace vorlix {

namespace {

const QLatin1String kHeader("REGEDIT4");
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
        // A line break inside a value would split its line and lose it and
        // whatever follows on the next read: write a blank instead.
        out += (c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? QChar(QLatin1Char(' ')) : c;
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

RegFile RegFile::parse(const QByteArray &bytes)
{
    RegFile file;
    QByteArrayView data(bytes);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    const QString text = QString::fromUtf8(data);
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    const auto lineAt = [&](qsizetype i) {
        QStringView l = lines[i];
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        return l;
    };
    if (lines.isEmpty() || lineAt(0).trimmed() != kHeader)
        return file;

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
            file.createKey(path);
            for (qsizetype k = 0; k < file.m_keys.size(); ++k)
                if (sameName(file.m_keys[k].path, path))
                    current = k;
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
            while (value.data.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
                value.data.chop(1);
                value.data += lineAt(++i).trimmed();
            }
            if (value.data.endsWith(QLatin1Char('\\')))
                value.data.chop(1);
        } else {
            continue;
        }
        if (current < 0)
            continue;
        QList<RegValue> &values = file.m_keys[current].values;
        qsizetype at = -1;
        for (qsizetype k = 0; k < values.size(); ++k)
            if (sameName(values[k].name, value.name))
                at = k;
        if (remove) {
            if (at >= 0)
                values.removeAt(at);
        } else if (at >= 0) {
            values[at] = value; // the later line wins, as an import would do
        } else {
            values.append(value);
        }
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
    QString out = kHeader + QLatin1Char('\n');
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
    return out.toUtf8();
}

bool RegFile::save(const QString &filePath, QString *error) const
{
    QSaveFile f(filePath);
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
    RegFile file = RegFile::load(m_filePath);
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        throw VorlixError(QStringLiteral("Failed to create key %1").arg(m_keyPath));
    file.createKey(m_keyPath);
    RegKey &sec = file.createKey(m_keyPath + QLatin1Char('\\') + section);
    for (const auto &[name, text] : values)
        sec.setString(name, text);
    if (!file.save(m_filePath))
        throw VorlixError(QStringLiteral("Failed to set data for '%1'")
                              .arg(values.isEmpty() ? QString() : values.first().first));
}

QString settingsFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1String("/Tarnby/Vorlix.reg");
}

} // namespace vorlix
