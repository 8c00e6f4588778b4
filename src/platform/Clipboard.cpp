#include "platform/Clipboard.h"

#include "platform/BmpRead.h"
#include "platform/Errors.h"

#include <QBuffer>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

namespace vorlix {

namespace {

QClipboard &systemClipboard()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw VorlixError(QStringLiteral("The clipboard is not available"));
    return *clipboard;
}

} // namespace

void putPictureOnClipboard(const QImage &picture)
{
    // Plain 24-bit RGB is what every clipboard back end can encode.
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull() && !picture.isNull())
        throw VorlixError(QStringLiteral("Not enough memory to copy the picture"));
    systemClipboard().setImage(rgb);
}

QImage pictureFromClipboard()
{
    QClipboard &clipboard = systemClipboard();
    const QMimeData *data = clipboard.mimeData();
    if (!data)
        return {};
    // Encoded pictures first (another program offers image/png, a browser
    // the same): their size is known from the header, so a picture no skin
    // needs is refused before it is decoded. The first format that reads
    // wins.
    QImage image;
    bool offered = false;
    for (const QString &format : data->formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        offered = true;
        QBuffer bytes;
        bytes.setData(data->data(format));
        bytes.open(QIODevice::ReadOnly);
        QImageReader reader(&bytes, format.mid(6).toLatin1());
        image = readPictureForSkin(reader);
        if (!image.isNull())
            break;
    }
    if (image.isNull() && data->hasImage()) {
        // A picture held in memory, from this program or another Qt one.
        image = clipboard.image();
        if (!image.isNull())
            requirePictureSizeForSkin(image.width(), image.height());
        offered = true;
    }
    if (!offered)
        return {};
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        throw VorlixError(QStringLiteral("The picture on the clipboard can't be read"));

    QImage flat;
    if (image.hasAlphaChannel()) {
        flat = QImage(image.size(), QImage::Format_RGB32);
        if (!flat.isNull()) {
            flat.fill(Qt::white);
            QPainter painter(&flat);
            painter.drawImage(0, 0, image);
        }
    } else {
        flat = image;
    }
    QImage bgr = flat.isNull() ? flat : flat.convertToFormat(QImage::Format_BGR888);
    if (bgr.isNull())
        throw VorlixError(QStringLiteral("Not enough memory to paste the picture"));
    return bgr;
}

} // namespace vorlix
