#pragma once
// File names as the file system holds them: bytes, which need not be valid
// UTF-8. Qt turns each byte it can't decode into U+FFFD, so such a name can't
// be opened again from its QString. Here every such byte b becomes the lone
// surrogate U+DC00 + b instead (no valid UTF-8 ever decodes to one), so the
// name shows, sorts and matches like any other and goes back to its exact
// bytes. For every other name both functions do what QFile::decodeName and
// QFile::encodeName do in a UTF-8 locale.
#include <QByteArray>
#include <QString>

#include <cerrno>
#include <sys/stat.h>

namespace vorlix {

inline QString nameFromNative(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned c = b[i];
        int len = 0;
        char32_t cp = 0, min = 0;
        if (c < 0x80) {
            out += QChar(char16_t(c));
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4, cp = c & 0x07, min = 0x10000;
        }
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            ok = (b[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (b[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not
        // valid UTF-8 either.
        ok = ok && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!ok) {
            out += QChar(char16_t(0xDC00 + c));
            ++i;
            continue;
        }
        out += QString::fromUcs4(&cp, 1);
        i += len;
    }
    return out;
}

inline QByteArray nativeFromName(const QString &name)
{
    QByteArray out;
    out.reserve(name.size());
    qsizetype run = 0; // start of the text not yet encoded
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        const bool afterHigh = i > 0 && name[i - 1].isHighSurrogate();
        if (u >= 0xDC80 && u <= 0xDCFF && !afterHigh) {
            out += QStringView(name).sliced(run, i - run).toUtf8();
            out += char(u - 0xDC00);
            run = i + 1;
        }
    }
    out += QStringView(name).sliced(run).toUtf8();
    return out;
}

// QDir::mkpath by the name's own bytes: the folder and those above it.
inline bool makeNativePath(const QString &path)
{
    const QByteArray native = nativeFromName(path);
    for (qsizetype at = 1; at <= native.size(); ++at) {
        if (at < native.size() && native[at] != '/')
            continue;
        const QByteArray part = native.left(at);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st;
    return ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace vorlix
