#include "view/Resample.h"

#include "platform/Errors.h"

namespace vorlix {

// Placeholder until the filter lands: nearest neighbour.
QImage Resample(const QImage &source, int width, int height, int radius)
{
    Q_UNUSED(radius);
    if (source.width() <= 0 || source.height() <= 0)
        throw VorlixError(QStringLiteral("Source bitmap too small"));
    if (width < 1 || height < 1)
        return QImage();
    return source.convertToFormat(QImage::Format_BGR888).scaled(width, height);
}

} // namespace vorlix
