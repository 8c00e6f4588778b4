#include "skin/GlobalVar.h"

#include "platform/Errors.h"

#include <QColorSpace>

namespace vorlix {

namespace {
GlobalVar *&instance()
{
    static GlobalVar *g = new GlobalVar; // lives for the whole run
    return g;
}
} // namespace

QImage *GlobalVar::sheet(SheetKind kind) const
{
    if (kind < 0 || kind >= kSheetCount)
        return nullptr;
    return Sheets[static_cast<size_t>(kind)].get();
}

GlobalVar &G()
{
    return *instance();
}

void resetGlobals()
{
    delete instance();
    instance() = new GlobalVar;
}

QImage loadDefaultImage(const QString &name)
{
    QImage img(defaultImagePath(name));
    if (img.isNull())
        throw VorlixError(QStringLiteral("Can't load the built-in image \"%1\"").arg(name));
    // Palette pictures go by way of 32 bits: Qt has no direct path from
    // 8-bit to 24-bit pixels, and this one takes half the time at start-up.
    if (img.format() == QImage::Format_Indexed8)
        img = img.convertToFormat(QImage::Format_RGB32);
    img = img.convertToFormat(QImage::Format_BGR888);
    // Plain pixels: a colour profile read from the file would make equal
    // pictures compare unequal and means nothing to a skin.
    img.setColorSpace(QColorSpace());
    return img;
}

void createBitmaps(GlobalVar &g)
{
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        QImage img = loadDefaultImage(QString::fromLatin1(sheetInfo(k).imageName));
        if (img.size() != sheetSize(k))
            throw VorlixError(QStringLiteral("The built-in image \"%1\" has the wrong size")
                                  .arg(QString::fromLatin1(sheetInfo(k).imageName)));
        g.Sheets[static_cast<size_t>(k)] = std::make_unique<QImage>(std::move(img));
    }
    g.ImportPicture = std::make_unique<QImage>();
}

void freeBitmaps(GlobalVar &g)
{
    for (auto &s : g.Sheets)
        s.reset();
    g.ImportPicture.reset();
}

} // namespace vorlix
