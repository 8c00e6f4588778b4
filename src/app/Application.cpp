#include "app/Application.h"

#include "dialogs/ImageRes.h"
#include "dialogs/SelDir.h"
#include "platform/DesktopServices.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "dialogs/Aboutbox.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"
#include "skin/SkinSheets.h"

#include <QCommandLineParser>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>

namespace vorlix {

namespace {
// Runs before QApplication's constructor, so that reading the font
// configuration overlaps connecting to the window system.
int &withFontConfigLoading(int &argc)
{
    startFontConfigLoad();
    return argc;
}
} // namespace

TApplication::TApplication(int &argc, char **argv) : QApplication(withFontConfigLoading(argc), argv) {}

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
    // The window's layout is fixed: Qt's own -reverse (or a right-to-left
    // language) must not mirror the tree and the slider, nor -stylesheet
    // restyle the controls.
    app.setLayoutDirection(Qt::LeftToRight);
    app.setStyleSheet(QString());
    registerFonts();
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    QIcon icon;
    for (const char *name : {"ICON32", "ICON16"}) {
        try {
            icon.addPixmap(QPixmap::fromImage(readBuiltInPicture(QString::fromLatin1(name), QImage::Format_ARGB32)));
        } catch (const VorlixError &) {
            // No icon is no reason not to start.
        }
    }
    app.setWindowIcon(icon);
}

namespace {

void createDialogs(AppWindows &w)
{
    w.aboutbox = std::make_unique<TAboutbox>();
    w.imagesRes = std::make_unique<TImagesRes>();
    w.selDirect = std::make_unique<TSelDirect>();
    G().FirstResizeDialog = true;
}

// Watches the main window for its first paint, then builds the dialogs on
// the next pass of the event loop, after the frame has gone to the screen.
// A child of the main window, so nothing is built once that is gone.
class DialogsAfterFirstFrame : public QObject
{
public:
    explicit DialogsAfterFirstFrame(AppWindows &windows)
        : QObject(windows.mainForm.get()), m_windows(windows)
    {
        windows.mainForm->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                guarded([this] { createDialogs(m_windows); });
                deleteLater();
            });
        }
        return false;
    }

private:
    AppWindows &m_windows;
};

} // namespace

AppWindows createMainWindow()
{
    AppWindows w;
    w.mainForm = std::make_unique<TMainForm>();
    return w;
}

void createDialogsAfterFirstFrame(AppWindows &windows)
{
    new DialogsAfterFirstFrame(windows);
}

AppWindows createWindows()
{
    AppWindows w = createMainWindow();
    createDialogs(w);
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
    TApplication app(argc, argv); // takes Qt's own options out of the list
    initApplication(app);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Edits the bitmaps of a media-player skin."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("skin"),
                                 QStringLiteral("A skin folder or archive (.wsz, .zip) to open."),
                                 QStringLiteral("[SKIN]"));
    const bool parsed = parser.parse(app.arguments());
    if (parsed && parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    {
        AppWindows windows = createMainWindow();
        createDialogsAfterFirstFrame(windows);
        showCentred(windows.mainForm.get());
        // Opened after the window is shown, so the error box (if any) has the
        // window as its parent; the first frame is painted later still.
        const QStringList skins = parser.positionalArguments();
        if (!parsed)
            showErrorBox(parser.errorText(), windows.mainForm.get());
        else if (skins.size() > 1)
            showErrorBox(QStringLiteral("Only one skin can be opened at a time"), windows.mainForm.get());
        else if (skins.size() == 1)
            guarded([&] { windows.mainForm->openSkin(skins.first()); });
        app.exec();
    }
    return 0;
}

} // namespace vorlix
