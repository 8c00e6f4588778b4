#include "app/Application.h"

#include "dialogs/ImageRes.h"
#include "dialogs/SelDir.h"
#include "platform/BackgroundJob.h"
#include "platform/DesktopServices.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "dialogs/Aboutbox.h"
#include "mainwindow/MainForm.h"
#include "output/SkinWriter.h"
#include "skin/GlobalVar.h"
#include "skin/SkinSheets.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>

namespace vorlix {

namespace {
// Runs before QApplication's constructor, so that reading the font
// configuration and decoding the main window's pictures overlap connecting
// to the window system.
int &withFontConfigLoading(int &argc)
{
    startFontConfigLoad();
    TMainForm::prefetchPictures();
    return argc;
}
// Finishes or undoes our own save of the folder that a kill cut short, on a
// worker with the progress window (a large save takes a while to check);
// anything in the folder that isn't ours stays as it is and is named once.
void settleFolder(QWidget *parent, const QString &folder)
{
    if (folder.isEmpty())
        return;
    auto report = std::make_shared<SettleReport>(); // outlives a Cancel
    const bool finished = backgroundJobs().run(
        parent, QStringLiteral("Checking %1 for a save cut short...").arg(QDir::toNativeSeparators(folder)),
        [folder, report](JobProgress &progress) { *report = finishUnfinishedSave(folder, systemSaveCalls(), &progress); });
    const QString text = finished ? report->message(QDir::toNativeSeparators(folder)) : QString();
    if (!text.isEmpty())
        services().messageBox(parent, QStringLiteral("Vorlix"), text, MsgIcon::Warning, MsgButtons::Ok);
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

// Whatever the user does can reach the skin's sheets: a press, a key, the
// pointer over the miniature, the window becoming active (the tree then
// selects its first node), a close.
bool needsTheSheets(QEvent::Type t)
{
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
    case QEvent::ActivationChange:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// Watches the main window for its first paint, then finishes it (its sheets)
// and builds the dialogs on the next pass of the event loop, after the frame
// has gone to the screen. Until then it also watches the whole application:
// should the user act before the frame, the sheets are made at once, before
// the event reaches anything. A child of the main window, so nothing is
// built once that is gone.
class DialogsAfterFirstFrame : public QObject
{
public:
    explicit DialogsAfterFirstFrame(AppWindows &windows)
        : QObject(windows.mainForm.get()), m_windows(windows)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (needsTheSheets(event->type())) {
            guarded([this] { m_windows.mainForm->finishCreate(); });
        } else if (event->type() == QEvent::Paint && watched == m_windows.mainForm.get() && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [this] {
                qApp->removeEventFilter(this);
                guarded([this] { m_windows.mainForm->finishCreate(); });
                guarded([this] { createDialogs(m_windows); });
                // A save to the output folder that a kill cut short is
                // finished or undone; a save there settles it first anyway,
                // so this can wait until the frame is up.
                guarded([this] { settleFolder(m_windows.mainForm.get(), m_windows.mainForm->OutputDir->text()); });
                deleteLater();
            });
        }
        return false;
    }

private:
    AppWindows &m_windows;
    bool m_painted = false;
};

} // namespace

AppWindows createMainWindow()
{
    AppWindows w;
    w.mainForm = std::make_unique<TMainForm>(nullptr, TMainForm::Sheets::AfterFirstFrame);
    return w;
}

void createDialogsAfterFirstFrame(AppWindows &windows)
{
    new DialogsAfterFirstFrame(windows);
}

AppWindows createWindows()
{
    AppWindows w = createMainWindow();
    w.mainForm->finishCreate();
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
        // A save that a kill cut short in the folder holding the archive
        // given is finished or undone before the archive is read (reading a
        // skin folder settles that folder itself).
        if (parsed && skins.size() == 1 && !QFileInfo(skins.first()).isDir())
            guarded([&] { settleFolder(windows.mainForm.get(), QFileInfo(skins.first()).absolutePath()); });
        if (!parsed)
            showErrorBox(parser.errorText(), windows.mainForm.get());
        else if (skins.size() > 1)
            showErrorBox(QStringLiteral("Only one skin can be opened at a time"), windows.mainForm.get());
        else if (skins.size() == 1)
            guarded([&] {
                windows.mainForm->finishCreate(); // the skin replaces the built-in sheets
                windows.mainForm->openSkin(skins.first());
            });
        // A box closed before the event loop runs may leave no window active
        // (a window manager that keeps a new program from taking the focus
        // gives it to neither); the first click would then only activate the
        // window instead of reaching the menu button under it.
        if (QApplication::activeWindow() != windows.mainForm.get()) {
            windows.mainForm->raise();
            windows.mainForm->activateWindow();
        }
        app.exec();
    }
    return 0;
}

} // namespace vorlix
