#pragma once
// Reading a whole skin, from a folder or a zip archive (.wsz, .zip), into the
// nine sheets plus the skin's other files, which are carried along unchanged
// so that saving the skin again keeps it complete.
#include "skin/SkinSheets.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace vorlix {

// A file of the skin that is not one of the nine sheets: its path inside the
// skin ("/" separated, no leading "/") and its bytes.
struct CarriedFile
{
    QString path;
    QByteArray bytes;
};

struct LoadedSkin
{
    // 24-bit, each of its sheet's size; a sheet the skin lacks (or whose file
    // was refused) holds the built-in picture.
    std::array<QImage, kSheetCount> sheets;
    QList<CarriedFile> carried;
    QStringList missing; // sheet file names not found
    QStringList refused; // "name (reason)"
    QStringList leftOut; // archive entries outside the skin's folder

    // One message naming what was missing, refused or left out; empty when
    // all nine sheets were read and nothing was left out.
    QString report() const;
};

// Sanity limits: nothing a skin needs comes near them.
inline constexpr qint64 kMaxSkinFileBytes = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxSkinTotalBytes = 256LL * 1024 * 1024;
inline constexpr int kMaxSkinFiles = 10000;

// The sheet a file name stands for, whatever its case ("MAIN.BMP"), or skNone.
SheetKind sheetForFileName(const QString &fileName);

// Read a skin. The result is complete or the call throws VorlixError with a
// message naming the problem (not a zip archive, truncated, an entry with an
// absolute path or "..", an encrypted entry, a file or a skin too large), so
// that a caller never holds a half-read skin.
LoadedSkin readSkinFolder(const QString &dir);
LoadedSkin readSkinArchive(const QString &path);
// A folder or an archive, whichever the path names.
LoadedSkin readSkin(const QString &path);

} // namespace vorlix
