#include "platform/Clipboard.h"

#include "platform/Errors.h"

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
    QImage image;
    if (data->hasImage()) {
        image = clipboard.image();
    } else {
        // Encoded pictures only (a browser offers image/png): the first
        // format that reads wins.
        bool offered = false;
        for (const QString &format : data->formats()) {
            if (!format.startsWith(QLatin1String("image/")))
                continue;
            offered = true;
            image = QImage::fromData(data->data(format));
            if (!image.isNull())
                break;
        }
        if (!offered)
            return {};
    }
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
