#include "app/Application.h"

#include "dialogs/ImageRes.h"
#include "dialogs/SelDir.h"
#include "platform/DesktopServices.h"
#include "platform/Fonts.h"
#include "dialogs/Aboutbox.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"
#include "skin/SkinSheets.h"

#include <QIcon>
#include <QScreen>
#include <QStyleFactory>

namespace vorlix {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    bool result = false;
    guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

AppWindows::AppWindows() = default;
AppWindows::AppWindows(AppWindows &&) noexcept = default;

AppWindows &AppWindows::operator=(AppWindows &&other) noexcept
{
    if (this != &other) {
        destroy();
        mainForm = std::move(other.mainForm);
        aboutbox = std::move(other.aboutbox);
        imagesRes = std::move(other.imagesRes);
        selDirect = std::move(other.selDirect);
    }
    return *this;
}

AppWindows::~AppWindows()
{
    destroy();
}

void AppWindows::destroy()
{
    if (selDirect && SelDirect == selDirect.get())
        SelDirect = nullptr;
    selDirect.reset();
    if (imagesRes && ImagesRes == imagesRes.get())
        ImagesRes = nullptr;
    imagesRes.reset();
    if (aboutbox && Aboutbox == aboutbox.get())
        Aboutbox = nullptr;
    aboutbox.reset();
    mainForm.reset(); // its destructor frees the ten bitmaps
}

void initApplication(QApplication &app)
{
    app.setApplicationName(QStringLiteral("Vorlix"));
    registerFonts();
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    QIcon icon;
    icon.addFile(defaultImagePath(QStringLiteral("ICON32")), QSize(32, 32));
    icon.addFile(defaultImagePath(QStringLiteral("ICON16")), QSize(16, 16));
    app.setWindowIcon(icon);
}

AppWindows createWindows()
{
    AppWindows w;
    w.mainForm = std::make_unique<TMainForm>();
    w.aboutbox = std::make_unique<TAboutbox>();
    w.imagesRes = std::make_unique<TImagesRes>();
    w.selDirect = std::make_unique<TSelDirect>();
    G().FirstResizeDialog = true;
    return w;
}

void showCentred(QWidget *window)
{
    if (QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        window->move(area.x() + (area.width() - window->width()) / 2,
                     area.y() + (area.height() - window->height()) / 2);
    }
    window->show();
    // Without a window manager nothing would activate it, and the tree takes
    // the focus (and selects its first node) only in an active window.
    window->raise();
    window->activateWindow();
}

int runProgram(int argc, char **argv)
{
    TApplication app(argc, argv); // arguments are not used
    initApplication(app);
    {
        AppWindows windows = createWindows();
        showCentred(windows.mainForm.get());
        app.exec();
    }
    return 0;
}

} // namespace vorlix
