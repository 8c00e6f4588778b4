// The popup menus behind the flat text buttons across the top of the window,
// Exit, the web links and the about box.
#include "controls/CoolMenu.h"
#include "dialogs/Aboutbox.h"
#include "dialogs/HelpWindow.h"
#include "platform/DesktopServices.h"
#include "mainwindow/MainForm.h"

#include <QMenu>
#include <QUrl>
#include <type_traits>

namespace vorlix {

namespace {

// The two web pages of the Help menu. The home page comes from the build
// (VORLIX_HOMEPAGE), which also names it in the package and AppStream data;
// a build without one opens the manual instead.
const char kHomePageUrl[] = VORLIX_HOMEPAGE_URL;
const char kPlayerSiteUrl[] = "https://www.winamp.com/";

TCoolMenu *makeMenu(QWidget *owner, const char *name)
{
    auto *menu = new TCoolMenu(owner);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption,
                 const QKeySequence &shortcut = {})
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(shortcut);
    return a;
}

QAction *addSeparator(QMenu *menu, const char *name)
{
    QAction *a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

void TMainForm::buildMenus()
{
    auto *image = makeMenu(this, "pmImage");
    image->setSideBar(QStringLiteral("Vorlix"));
    pmImage = image;
    OpenImage1 = addItem(pmImage, "OpenImage1", QStringLiteral("Open Image..."),
                         QKeySequence(Qt::CTRL | Qt::Key_O));
    ScanImage1 = addItem(pmImage, "ScanImage1", QStringLiteral("Scan Image..."));
    CaptureImage1 = addItem(pmImage, "CaptureImage1", QStringLiteral("Capture Image..."));
    addSeparator(pmImage, "sep1");
    SaveImage1 = addItem(pmImage, "SaveImage1", QStringLiteral("Save Image..."),
                         QKeySequence(Qt::CTRL | Qt::Key_S));
    addSeparator(pmImage, "sep2");
    ZoomIn1 = addItem(pmImage, "ZoomIn1", QStringLiteral("Zoom In"), QKeySequence(Qt::CTRL | Qt::Key_Plus));
    // Plus lies on the equals key without Shift on most keyboards.
    ZoomIn1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ZoomOut1 = addItem(pmImage, "ZoomOut1", QStringLiteral("Zoom Out"), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    ActualSize1 = addItem(pmImage, "ActualSize1", QStringLiteral("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0));
    PixelGrid1 = addItem(pmImage, "PixelGrid1", QStringLiteral("Pixel Grid"), QKeySequence(Qt::Key_G));
    PixelGrid1->setCheckable(true);
    addSeparator(pmImage, "sepZoom");
    Exit1 = addItem(pmImage, "Exit1", QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    pmEdit = makeMenu(this, "pmEdit");
    Undo1 = addItem(pmEdit, "Undo1", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    Redo1 = addItem(pmEdit, "Redo1", QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    Redo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addSeparator(pmEdit, "sep3");
    Cut1 = addItem(pmEdit, "Cut1", QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = addItem(pmEdit, "Copy1", QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = addItem(pmEdit, "Paste1", QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    addSeparator(pmEdit, "sep4");
    Delete1 = addItem(pmEdit, "Delete1", QStringLiteral("Delete"), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    addSeparator(pmEdit, "sep5");
    SelectAll1 = addItem(pmEdit, "SelectAll1", QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    Deselect1 = addItem(pmEdit, "Deselect1", QStringLiteral("Deselect"), QKeySequence(Qt::CTRL | Qt::Key_D));

    pmfxLab = makeMenu(this, "pmfxLab");
    Grayscale1 = addItem(pmfxLab, "Grayscale1", QStringLiteral("Grayscale"));
    Fire1 = addItem(pmfxLab, "Fire1", QStringLiteral("Fire"));
    tobeContinued1 = addItem(pmfxLab, "tobeContinued1", QStringLiteral("...to be continued"));

    auto *vorlix = makeMenu(this, "pmVorlix");
    pmVorlix = vorlix;
    OpenSkin1 = addItem(pmVorlix, "OpenSkin1", QStringLiteral("Open Skin..."),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    OpenRecent1 = vorlix->addCoolMenu(QStringLiteral("Open Recent"));
    OpenRecent1->setObjectName(QStringLiteral("OpenRecent1"));
    SaveSkin1 = addItem(pmVorlix, "SaveSkin1", QStringLiteral("Save Skin..."),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    addSeparator(pmVorlix, "sep6");
    OpenZIPSkin1 = addItem(pmVorlix, "OpenZIPSkin1", QStringLiteral("Open ZIP Skin..."));
    SaveZIPSkin1 = addItem(pmVorlix, "SaveZIPSkin1", QStringLiteral("Save ZIP Skin..."));
    addSeparator(pmVorlix, "sep7");
    SkinPreview1 = addItem(pmVorlix, "SkinPreview1", QStringLiteral("Skin Preview"),
                           QKeySequence(Qt::CTRL | Qt::Key_P));
    Vorlix1 = addItem(pmVorlix, "Vorlix1", QStringLiteral("Vorlix"));

    pmOptions = makeMenu(this, "pmOptions");
    SetTempDirectory1 = addItem(pmOptions, "SetTempDirectory1", QStringLiteral("Set Temp Directory..."));
    SetOutputDirectory1 = addItem(pmOptions, "SetOutputDirectory1", QStringLiteral("Set Output Directory..."));

    auto *help = makeMenu(this, "pmHelp");
    pmHelp = help;
    Contents1 = addItem(pmHelp, "Contents1", QStringLiteral("Contents"), QKeySequence(Qt::Key_F1));
    addSeparator(pmHelp, "sep8");
    Internetlinks1 = help->addCoolMenu(QStringLiteral("Internet Links"));
    Internetlinks1->setObjectName(QStringLiteral("Internetlinks1"));
    HomepageVorlix1 = addItem(Internetlinks1, "HomepageVorlix1", QStringLiteral("Homepage Vorlix"));
    WinAmp1 = addItem(Internetlinks1, "WinAmp1", QStringLiteral("WinAmp"));
    About1 = addItem(pmHelp, "About1", QStringLiteral("About..."));

    // Shortcuts work anywhere in the window, also while the tree or another
    // control has the keyboard focus.
    for (QMenu *menu : {pmImage, pmEdit, pmfxLab, pmVorlix, pmOptions, pmHelp})
        for (QAction *a : menu->actions())
            if (!a->shortcut().isEmpty()) {
                a->setShortcutContext(Qt::WindowShortcut);
                addAction(a);
            }

    // A menu item or a menu button runs its handler inside guarded().
    const auto wire = [this](auto *source, void (TMainForm::*handler)()) {
        const auto run = [this, handler] { guarded([this, handler] { (this->*handler)(); }); };
        if constexpr (std::is_convertible_v<decltype(source), QAction *>)
            connect(source, &QAction::triggered, this, run);
        else
            connect(source, &QAbstractButton::clicked, this, run);
    };
    wire(OpenImage1, &TMainForm::OpenImage1Click);
    wire(CaptureImage1, &TMainForm::CaptureImage1Click);
    wire(SaveImage1, &TMainForm::SaveImage1Click);
    wire(Grayscale1, &TMainForm::Grayscale1Click);
    wire(Contents1, &TMainForm::Contents1Click);
    wire(Exit1, &TMainForm::Exit1Click);
    wire(ZoomIn1, &TMainForm::ZoomIn1Click);
    wire(ZoomOut1, &TMainForm::ZoomOut1Click);
    wire(ActualSize1, &TMainForm::ActualSize1Click);
    wire(PixelGrid1, &TMainForm::PixelGrid1Click);
    wire(Undo1, &TMainForm::Undo1Click);
    wire(Redo1, &TMainForm::Redo1Click);
    wire(Cut1, &TMainForm::Cut1Click);
    wire(Copy1, &TMainForm::Copy1Click);
    wire(Paste1, &TMainForm::Paste1Click);
    wire(Delete1, &TMainForm::Delete1Click);
    wire(SelectAll1, &TMainForm::SelectAll1Click);
    wire(Deselect1, &TMainForm::Deselect1Click);
    wire(OpenSkin1, &TMainForm::OpenSkin1Click);
    wire(SaveSkin1, &TMainForm::SaveSkin1Click);
    wire(OpenZIPSkin1, &TMainForm::OpenZIPSkin1Click);
    wire(SaveZIPSkin1, &TMainForm::SaveZIPSkin1Click);
    wire(SkinPreview1, &TMainForm::SkinPreview1Click);
    wire(SetTempDirectory1, &TMainForm::SetTempDirectory1Click);
    wire(SetOutputDirectory1, &TMainForm::SetOutputDirectory1Click);
    wire(HomepageVorlix1, &TMainForm::HomepageVorlix1Click);
    wire(WinAmp1, &TMainForm::WinAmp1Click);
    wire(About1, &TMainForm::About1Click);
    wire(btImage, &TMainForm::btImageClick);
    wire(btEdit, &TMainForm::btEditClick);
    wire(btfxLab, &TMainForm::btfxLabClick);
    wire(btvorlix, &TMainForm::btvorlixClick);
    wire(btoptions, &TMainForm::btoptionsClick);
    wire(bthelp, &TMainForm::bthelpClick);
}

QPoint TMainForm::menuPoint(const QWidget *button) const
{
    // The menu's top overlaps the button's lowest two pixel rows. Where that
    // lies off the screen, the menu keeps to the screen as every popup does,
    // next to the button rather than at some mirrored place.
    return button->mapToGlobal(QPoint(0, button->height() - 2));
}

void TMainForm::btImageClick() { pmImage->exec(menuPoint(btImage)); }
void TMainForm::btEditClick() { pmEdit->exec(menuPoint(btEdit)); }
void TMainForm::btfxLabClick() { pmfxLab->exec(menuPoint(btfxLab)); }
void TMainForm::btvorlixClick() { pmVorlix->exec(menuPoint(btvorlix)); }
void TMainForm::btoptionsClick() { pmOptions->exec(menuPoint(btoptions)); }
void TMainForm::bthelpClick() { pmHelp->exec(menuPoint(bthelp)); }

void TMainForm::Exit1Click()
{
    // The same way out as the close button: the close request saves the
    // settings.
    close();
}

void TMainForm::About1Click()
{
    if (Aboutbox)
        Aboutbox->exec();
}

// A page that fails to open is not worth a message.
void TMainForm::WinAmp1Click()
{
    services().openUrl(QString::fromLatin1(kPlayerSiteUrl));
}

void TMainForm::HomepageVorlix1Click()
{
    if (kHomePageUrl[0] != '\0') {
        services().openUrl(QString::fromLatin1(kHomePageUrl));
        return;
    }
    // No web page: the installed manual in the browser, else the one built
    // into the program in its own window.
    const QString manual = THelpWindow::installedManual();
    if (!manual.isEmpty())
        services().openUrl(QUrl::fromLocalFile(manual).toString());
    else
        Contents1Click();
}

void TMainForm::Contents1Click()
{
    if (!m_help)
        m_help = new THelpWindow(this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

} // namespace vorlix
