#pragma once
// A small stand-in for the current user's registry hive: keys holding ordered
// named values, kept as a text file in the registry's export format
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Tarnby\Vorlix]
//
//   [HKEY_CURRENT_USER\Software\Tarnby\Vorlix\TMainForm]
//   "Name"="Value"
//
// in UTF-8 with LF line endings. A file exported in the newer format (UTF-16
// with a byte-order mark, first line "Windows Registry Editor Version 5.00")
// is read too, and written back in that format. Reading never fails:
// whatever cannot be read (a missing, empty, binary, oversized or foreign
// file, a broken line) is simply absent. Writing replaces the whole file
// atomically, and only ever a regular file: a link is followed to its
// target, but a FIFO, a device or a folder is left alone.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vorlix {

struct RegValue
{
    enum Type { String, Other };
    QString name;
    Type type = String;
    // String: the text. Other (dword:, hex:, ...): the data as written after
    // "=", kept so that it is written back unchanged.
    QString data;
};

struct RegKey
{
    QString path; // below HKEY_CURRENT_USER, e.g. "Software\Tarnby\Vorlix"
    QList<RegValue> values;

    // Names and key paths match without regard to case, as in the registry.
    const RegValue *value(const QString &name) const;
    // Replaces the value in its place, or appends it.
    void setString(const QString &name, const QString &text);
};

class RegFile
{
public:
    // The export format a file came in; a new file is REGEDIT4.
    enum Format { Regedit4, Version5 };

    // Files above this size are not read at all: a settings file is a few
    // hundred bytes, so anything this big is not one of ours.
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    // Parses the text of a file; never fails (see above).
    static RegFile parse(const QByteArray &bytes);
    // Reads and parses a file, at most kMaxFileSize bytes of it.
    static RegFile load(const QString &filePath);

    QByteArray serialize() const;
    // Writes the whole file atomically; false with a reason on failure
    // ("it is a FIFO, not a file", "Permission denied"). A link to a file is
    // followed and its target replaced in the target's folder; anything but
    // a regular file, or a link to one, is not written to.
    bool save(const QString &filePath, QString *error = nullptr) const;

    Format format() const { return m_format; }
    void setFormat(Format format) { m_format = format; }

    const QList<RegKey> &keys() const { return m_keys; }
    QList<RegKey> &keys() { return m_keys; }
    const RegKey *key(const QString &path) const;
    RegKey &createKey(const QString &path);

private:
    QList<RegKey> m_keys;
    Format m_format = Regedit4;
};

// One key of the settings file, opened the way the settings component opens
// its registry key.
class RegistryStore
{
public:
    explicit RegistryStore(const QString &filePath, const QString &keyPath);

    // The file as it is now; when it does not exist yet it is created holding
    // just the (empty) key. Never fails: a file that cannot be created is
    // left uncreated.
    RegFile openForRead() const;
    // Writes the key and its sub-key section first in the file, spelled as
    // given, with these values in this order ahead of any other value the
    // section holds; every other key stays as it was. Throws VorlixError
    // "Cannot save the settings to <path>: <reason>" when the folder cannot
    // be made or the file cannot be written.
    void write(const QString &section, const QList<QPair<QString, QString>> &values) const;

    const QString &filePath() const { return m_filePath; }

private:
    QString m_filePath;
    QString m_keyPath;
};

// Where the settings live: $XDG_CONFIG_HOME (when it is an absolute path),
// else ~/.config, then "Tarnby/Vorlix.reg".
QString settingsFilePath();

} // namespace vorlix
