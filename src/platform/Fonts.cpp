#include "platform/Fonts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>

#include <thread>

#ifdef VORLIX_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace vorlix {

namespace {
// Font work done on a thread of its own: reading fontconfig's configuration
// before the application object exists, then listing the system's fonts
// once the classic fonts have been added.
struct FontLoader
{
    std::thread thread;
    bool configStarted = false;
    // A program that ends before its first text (--help) still waits here,
    // rather than ending with the thread running.
    ~FontLoader() { wait(); }
    void wait()
    {
        if (thread.joinable())
            thread.join();
    }
};

FontLoader &loader()
{
    static FontLoader l;
    return l;
}
} // namespace

void startFontConfigLoad()
{
#ifdef VORLIX_HAVE_FONTCONFIG
    FontLoader &l = loader();
    if (l.configStarted || l.thread.joinable())
        return;
    l.configStarted = true;
    // fontconfig publishes its configuration atomically: should Qt ask for it
    // first, both read it and one copy is dropped.
    l.thread = std::thread([] { FcInit(); });
#endif
}

void waitForFontConfig()
{
    loader().wait();
}

void registerFonts()
{
    static bool done = false;
    if (done)
        return;
    waitForFontConfig();
    done = true;
    const char *const files[] = {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"};
    for (const char *f : files) {
        const QString path = QStringLiteral("/usr/share/wine/fonts/") + QLatin1String(f);
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
    if (!QCoreApplication::instance())
        return;
    // Qt lists every font on the system the first time any text is measured.
    // Begun here, the list is made while the main window is being built;
    // Qt's font database locks itself, so a first text that comes sooner
    // waits for it. The application object waits for the thread before it
    // goes.
    loader().thread = std::thread([] { QFontDatabase::families(); });
    qAddPostRoutine(waitForFontConfig);
}

namespace {
// For a program that began reading the font configuration early: the fonts
// are registered, and the listing begun, as soon as the application object
// has its connection to the window system, rather than once it is complete.
// The rest of its set-up then overlaps the listing.
void registerFontsEarly()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (loader().configStarted && app && app->inherits("QGuiApplication")
        && !QGuiApplication::platformName().isEmpty())
        registerFonts();
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerFontsEarly)

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
