#include "platform/Fonts.h"

#include <QFile>
#include <QFontDatabase>

namespace vorlix {

void registerFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const char *const files[] = {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"};
    for (const char *f : files) {
        const QString path = QStringLiteral("/usr/share/wine/fonts/") + QLatin1String(f);
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

static QFont makeFont(const QString &family, int pixelSize, bool bold)
{
    QFont f(family);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QFont tahomaFont(int pixelSize, bool bold)
{
    return makeFont(QStringLiteral("Tahoma"), pixelSize, bold);
}

QFont defaultFont()
{
    return makeFont(QStringLiteral("MS Sans Serif"), 11, false);
}

} // namespace vorlix
