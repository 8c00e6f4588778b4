#include "skin/GlobalVar.h"

#include "platform/Errors.h"

#include <QColorSpace>
#include <QImageReader>

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

QImage readBuiltInPicture(const QString &name)
{
    // Only the PNG reader: left to guess, Qt loads every image plug-in on the
    // system to ask whether it wants the file, which costs more at start-up
    // than decoding all the pictures.
    QImageReader reader(defaultImagePath(name), "png");
    reader.setAutoDetectImageFormat(false);
    QImage img = reader.read();
    if (img.isNull())
        throw VorlixError(QStringLiteral("Can't load the built-in image \"%1\"").arg(name));
    return img;
}

QImage loadDefaultImage(const QString &name)
{
    QImage img = readBuiltInPicture(name);
    if (img.format() == QImage::Format_Indexed8) {
        // Palette pixels straight to 24 bits in one pass; Qt has no direct
        // conversion and goes by way of 32 bits on worker threads.
        const QList<QRgb> table = img.colorTable();
        QImage out(img.size(), QImage::Format_BGR888);
        if (out.isNull())
            throw VorlixError(QStringLiteral("Can't load the built-in image \"%1\"").arg(name));
        for (int y = 0; y < img.height(); ++y) {
            const uchar *src = img.constScanLine(y);
            uchar *dst = out.scanLine(y);
            for (int x = 0; x < img.width(); ++x, dst += 3) {
                const QRgb c = src[x] < table.size() ? table[src[x]] : 0;
                dst[0] = uchar(qBlue(c)); // BGR888 keeps the bytes in BMP order
                dst[1] = uchar(qGreen(c));
                dst[2] = uchar(qRed(c));
            }
        }
        return out;
    }
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
