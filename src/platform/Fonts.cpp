#include "platform/Fonts.h"

#include <QFile>
#include <QFontDatabase>

#include <thread>

#ifdef VORLIX_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace vorlix {

namespace {
struct FontConfigLoader
{
    std::thread thread;
    bool started = false;
    // A program that ends before the first text (--help) still waits here,
    // rather than ending with the thread running.
    ~FontConfigLoader()
    {
        if (thread.joinable())
            thread.join();
    }
};

FontConfigLoader &loader()
{
    static FontConfigLoader l;
    return l;
}
} // namespace

void startFontConfigLoad()
{
#ifdef VORLIX_HAVE_FONTCONFIG
    FontConfigLoader &l = loader();
    if (l.started)
        return;
    l.started = true;
    // fontconfig publishes its configuration atomically: should Qt ask for it
    // first, both read it and one copy is dropped.
    l.thread = std::thread([] { FcInit(); });
#endif
}

void waitForFontConfig()
{
    FontConfigLoader &l = loader();
    if (l.thread.joinable())
        l.thread.join();
}

void registerFonts()
{
    waitForFontConfig();
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
