// The six popup menus (items, opening place, drawn look), Exit, the web
// links, shortcuts under a modal box, the pan cursor and the about box.
#include <QtTest>

#include "MainWindowFixture.h"
#include "app/Application.h"
#include "controls/CoolMenu.h"
#include "controls/Controls.h"
#include "dialogs/Aboutbox.h"
#include "dialogs/HelpWindow.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

#include <QLabel>
#include <QScreen>
#include <functional>

using namespace vorlix;

namespace {

const QColor kOrange(255, 158, 62);
const QColor kGrey(128, 128, 128);
// Classic desktop colours, installed as the palette so the expected pixels
// do not depend on the style in use.
const QColor kShadow3D(128, 128, 128);
const QColor kHighlight3D(255, 255, 255);
const QColor kHighlightText(255, 255, 255);

QRgb at(const QImage &im, int x, int y) { return im.pixel(x, y) & 0xFFFFFF; }
QRgb rgb(const QColor &c) { return c.rgb() & 0xFFFFFF; }
QRgb rgb(int r, int g, int b) { return qRgb(r, g, b) & 0xFFFFFF; }

// A drawn pixel of text in colour c on black: c scaled by the glyph's
// coverage.
bool isBlendOfBlackAnd(QRgb p, const QColor &c)
{
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (c.red() == 0)
        return r == 0;
    const double t = r / double(c.red());
    return std::abs(g - t * c.green()) <= 3 && std::abs(b - t * c.blue()) <= 3;
}

struct InkCount
{
    int exact = 0;  // pixels of exactly the colour
    int stray = 0;  // pixels that are no blend of black and the colour
};

// Text pixels of colour c on black inside r.
InkCount inkIn(const QImage &im, const QRect &r, const QColor &c)
{
    InkCount n;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = at(im, x, y);
            if (p == rgb(c))
                ++n.exact;
            else if (p != rgb(Qt::black) && !isBlendOfBlackAnd(p, c))
                ++n.stray;
        }
    return n;
}

QMenu *menuNamed(const QString &name)
{
    return MainForm->findChild<QMenu *>(name);
}

// Shows a menu as a popup, grabs its paint and hides it again.
QImage paintedMenu(QMenu *menu, QAction *active = nullptr)
{
    menu->popup(QPoint(20, 20));
    if (!QTest::qWaitForWindowExposed(menu))
        return {};
    if (active)
        menu->setActiveAction(active);
    const QImage im = menu->grab().toImage().convertToFormat(QImage::Format_RGB32);
    menu->hide();
    return im;
}

// Runs act while the about box is up (shown modally by open), then closes
// the box if act left it open. Reports whether the box was up, and still up
// after act.
struct ModalRun
{
    bool wasUp = false;
    bool stillUp = false;
    QWidget *modal = nullptr;
    QPoint centre;
};

ModalRun whileAboutBoxShown(const std::function<void()> &open, const std::function<void()> &act)
{
    ModalRun run;
    QTimer::singleShot(0, [&] {
        run.modal = QApplication::activeModalWidget();
        run.wasUp = Aboutbox && Aboutbox->isVisible();
        run.centre = Aboutbox ? Aboutbox->geometry().center() : QPoint();
        act();
        run.stillUp = Aboutbox && Aboutbox->isVisible();
        if (run.stillUp)
            Aboutbox->reject();
    });
    open(); // returns when the box closes
    QCoreApplication::processEvents(); // the timer, had the box not opened
    return run;
}

} // namespace

class TestMenus : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { setUpMainWindow(); }
    void cleanup() { tearDownMainWindow(); }

    void items_data();
    void items();
    void menuOpensAtItsButton_data();
    void menuOpensAtItsButton();
    void itemLook();
    void sideBarLook();
    void webLinks_data();
    void webLinks();
    void exitTakesTheCloseButtonsWay_data();
    void exitTakesTheCloseButtonsWay();
    void noShortcutActsWhileTheAboutBoxIsUp_data();
    void noShortcutActsWhileTheAboutBoxIsUp();
    void panningKeepsTheGrabHand();

    void aboutBoxLayout_data();
    void aboutBoxLayout();
    void aboutBoxFrame_data();
    void aboutBoxFrame();
    void aboutBoxClicks_data();
    void aboutBoxClicks();
    void aboutBoxShownTwiceIsTheSameBox();
};

void TestMenus::initTestCase()
{
    initApplication(*qApp);
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Dark, kShadow3D);
    pal.setColor(QPalette::Light, kHighlight3D);
    pal.setColor(QPalette::HighlightedText, kHighlightText);
    QApplication::setPalette(pal);
}

void TestMenus::items_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption"); // "-" for a separator
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("handler");
    QTest::addColumn<bool>("enabled"); // at start
    const auto row = [](const char *menu, int pos, const char *item, const char *caption,
                        const char *shortcut, bool handler, bool enabled = true) {
        QTest::newRow(item) << QString::fromLatin1(menu) << pos << QString::fromUtf8(caption)
                            << QString::fromLatin1(shortcut) << handler << enabled;
    };
    row("pmImage", 0, "OpenImage1", "Open Image...", "Ctrl+O", true);
    row("pmImage", 1, "ScanImage1", "Scan Image...", "", false);
    row("pmImage", 2, "CaptureImage1", "Capture Image...", "", true);
    row("pmImage", 3, "sep1", "-", "", false);
    row("pmImage", 4, "SaveImage1", "Save Image...", "Ctrl+S", true);
    row("pmImage", 5, "sep2", "-", "", false);
    row("pmImage", 6, "ZoomIn1", "Zoom In", "Ctrl++", true);
    row("pmImage", 7, "ZoomOut1", "Zoom Out", "Ctrl+-", true);
    row("pmImage", 8, "ActualSize1", "Actual Size", "Ctrl+0", true);
    row("pmImage", 9, "PixelGrid1", "Pixel Grid", "G", true);
    row("pmImage", 10, "sepZoom", "-", "", false);
    row("pmImage", 11, "Exit1", "Exit", "Ctrl+Q", true);
    // Nothing to undo or redo yet: both greyed.
    row("pmEdit", 0, "Undo1", "Undo", "Ctrl+Z", true, false);
    row("pmEdit", 1, "Redo1", "Redo", "Ctrl+Shift+Z", true, false);
    row("pmEdit", 2, "sep3", "-", "", false);
    row("pmEdit", 3, "Cut1", "Cut", "Ctrl+X", true);
    row("pmEdit", 4, "Copy1", "Copy", "Ctrl+C", true);
    row("pmEdit", 5, "Paste1", "Paste", "Ctrl+V", true);
    row("pmEdit", 6, "sep4", "-", "", false);
    row("pmEdit", 7, "Delete1", "Delete", "Ctrl+Del", true);
    row("pmEdit", 8, "sep5", "-", "", false);
    row("pmEdit", 9, "SelectAll1", "Select All", "Ctrl+A", true);
    row("pmEdit", 10, "Deselect1", "Deselect", "Ctrl+D", true);
    row("pmfxLab", 0, "Grayscale1", "Grayscale", "", true);
    row("pmfxLab", 1, "Fire1", "Fire", "", false);
    row("pmfxLab", 2, "tobeContinued1", "...to be continued", "", false);
    // The skin commands have handlers of their own (whole skins, archives).
    row("pmVorlix", 0, "OpenSkin1", "Open Skin...", "Ctrl+Shift+O", true);
    // No skin opened yet: nothing recent.
    row("pmVorlix", 1, "OpenRecent1", "Open Recent", "", false, false);
    row("pmVorlix", 2, "SaveSkin1", "Save Skin...", "Ctrl+Shift+S", true);
    row("pmVorlix", 3, "sep6", "-", "", false);
    row("pmVorlix", 4, "OpenZIPSkin1", "Open ZIP Skin...", "", true);
    row("pmVorlix", 5, "SaveZIPSkin1", "Save ZIP Skin...", "", true);
    row("pmVorlix", 6, "sep7", "-", "", false);
    row("pmVorlix", 7, "SkinPreview1", "Skin Preview", "Ctrl+P", true);
    row("pmVorlix", 8, "Vorlix1", "Vorlix", "", false);
    row("pmOptions", 0, "SetTempDirectory1", "Set Temp Directory...", "", true);
    row("pmOptions", 1, "SetOutputDirectory1", "Set Output Directory...", "", true);
    row("pmHelp", 0, "Contents1", "Contents", "F1", true);
    row("pmHelp", 1, "sep8", "-", "", false);
    row("pmHelp", 2, "Internetlinks1", "Internet Links", "", false);
    row("pmHelp", 3, "About1", "About...", "", true);
    row("Internetlinks1", 0, "HomepageVorlix1", "Homepage Vorlix", "", true);
    row("Internetlinks1", 1, "WinAmp1", "WinAmp", "", true);
}

void TestMenus::items()
{
    QFETCH(QString, menu);
    QFETCH(int, position);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    QFETCH(bool, handler);

    const auto *look = qobject_cast<TCoolMenu *>(menuNamed(menu));
    QVERIFY2(look, "every menu is drawn in the program's look");
    const QList<QAction *> actions = look->actions();
    QVERIFY(position < actions.size());
    QAction *item = actions[position];
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const bool submenu = item->menu() != nullptr;
    QCOMPARE(submenu ? item->menu()->objectName() : item->objectName(), name);
    QCOMPARE(item->isSeparator(), caption == QLatin1String("-"));
    QVERIFY(item->isVisible());
    QTEST(item->isEnabled(), "enabled");
    if (item->isSeparator())
        return;

    // What the menu draws: the caption, then the shortcut after a tab.
    const QString expected = shortcut.isEmpty() ? caption : caption + QLatin1Char('\t') + shortcut;
    QCOMPARE(look->itemText(item), expected);
    QCOMPARE(item->shortcut(), QKeySequence::fromString(shortcut, QKeySequence::PortableText));
    QVERIFY(item->icon().isNull());

    // Choosing an item without a handler closes the menu and nothing else.
    if (!handler) {
        item->trigger();
        QCoreApplication::processEvents();
        QVERIFY(fake()->messages.isEmpty());
        QVERIFY(fake()->openedUrls.isEmpty());
        QVERIFY(fake()->fileRequests.isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(MainForm);
    }
    // Whether choosing it reaches the main window, told without running it.
    QCOMPARE(QObject::disconnect(item, &QAction::triggered, MainForm, nullptr), handler);
}

void TestMenus::menuOpensAtItsButton_data()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QPoint>("window");
    // Expected top-left; -1 for x: right edge on the screen's right edge.
    QTest::addColumn<QPoint>("topLeft");
    // Buttons lie at y 28, 17 high; the menu overlaps their two lowest rows.
    QTest::newRow("Image") << "btImage" << "pmImage" << QPoint(100, 100) << QPoint(104, 143);
    QTest::newRow("Edit") << "btEdit" << "pmEdit" << QPoint(100, 100) << QPoint(160, 143);
    QTest::newRow("fxLab") << "btfxLab" << "pmfxLab" << QPoint(100, 100) << QPoint(216, 143);
    QTest::newRow("Vorlix") << "btvorlix" << "pmVorlix" << QPoint(100, 100) << QPoint(272, 143);
    QTest::newRow("Options") << "btoptions" << "pmOptions" << QPoint(100, 100) << QPoint(328, 143);
    QTest::newRow("Help") << "bthelp" << "pmHelp" << QPoint(100, 100) << QPoint(384, 143);
    // Off the left edge the menu opens at the screen's edge, not mirrored
    // to x 36.
    QTest::newRow("button off the left edge")
        << "btImage" << "pmImage" << QPoint(screen.left() - 40, 100) << QPoint(screen.left(), 143);
    QTest::newRow("button above the top edge")
        << "btEdit" << "pmEdit" << QPoint(100, screen.top() - 60) << QPoint(160, screen.top());
    QTest::newRow("button near the right edge")
        << "bthelp" << "pmHelp" << QPoint(screen.right() - 300, 100) << QPoint(-1, 143);
}

void TestMenus::menuOpensAtItsButton()
{
    QFETCH(QString, button);
    QFETCH(QString, menu);
    QFETCH(QPoint, window);
    QFETCH(QPoint, topLeft);
    MainForm->move(window);
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    QMenu *m = menuNamed(menu);
    auto *b = MainForm->findChild<TSpeedButton *>(button);
    QVERIFY(m && b);

    QRect opened;
    QTimer::singleShot(0, [&] {
        opened = m->isVisible() ? m->geometry() : QRect();
        m->close();
    });
    QTest::mouseClick(b, Qt::LeftButton); // returns when the menu closes
    QVERIFY2(opened.isValid(), "the menu opened");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(screen.contains(opened));
    if (topLeft.x() < 0)
        QCOMPARE(opened.right(), screen.right());
    else
        QCOMPARE(opened.left(), topLeft.x());
    QCOMPARE(opened.top(), topLeft.y());
}

void TestMenus::itemLook()
{
    QMenu *menu = menuNamed(QStringLiteral("pmEdit"));
    const QImage im = paintedMenu(menu, MainForm->Cut1);
    QVERIFY(!im.isNull());

    // An item at rest: black with orange caption and shortcut.
    const QRect rest = menu->actionGeometry(MainForm->Copy1);
    QCOMPARE(at(im, rest.right() - 2, rest.center().y()), rgb(Qt::black));
    const QRect caption(rest.left(), rest.top(), rest.width() / 2, rest.height());
    const QRect shortcut(rest.left() + rest.width() / 2, rest.top(), rest.width() / 2, rest.height());
    for (const QRect &r : {caption, shortcut}) {
        const InkCount ink = inkIn(im, r, kOrange);
        QVERIFY2(ink.exact > 0, "text in the menu's orange");
        QCOMPARE(ink.stray, 0);
    }

    // The highlighted item: grey, its text in the highlight-text colour.
    const QRect cut = menu->actionGeometry(MainForm->Cut1);
    QCOMPARE(at(im, cut.right() - 2, cut.center().y()), rgb(kGrey));
    QCOMPARE(at(im, cut.left() + 1, cut.top()), rgb(kGrey));
    int highlightInk = 0, orangeInk = 0;
    for (int y = cut.top(); y <= cut.bottom(); ++y)
        for (int x = cut.left(); x <= cut.right(); ++x) {
            highlightInk += at(im, x, y) == rgb(kHighlightText);
            orangeInk += at(im, x, y) == rgb(kOrange);
        }
    QVERIFY(highlightInk > 0);
    QCOMPARE(orangeInk, 0);

    // A separator: shadow line over highlight line at mid-height, on black.
    QAction *sep = menu->actions().at(2);
    QVERIFY(sep->isSeparator());
    const QRect s = menu->actionGeometry(sep);
    QVERIFY(s.height() >= 4);
    int upper = -1;
    for (int y = s.top(); y <= s.bottom(); ++y)
        if (at(im, s.center().x(), y) == rgb(kShadow3D)) {
            upper = y;
            break;
        }
    QVERIFY2(upper >= 0, "a line in the 3-D shadow colour");
    QVERIFY(std::abs((upper + 1) - (s.top() + s.height() / 2)) <= 1); // at mid-height
    for (int x : {s.left(), s.center().x(), s.right()}) {
        QCOMPARE(at(im, x, upper), rgb(kShadow3D));
        QCOMPARE(at(im, x, upper + 1), rgb(kHighlight3D));
    }
    for (int y = s.top(); y <= s.bottom(); ++y)
        if (y != upper && y != upper + 1)
            QCOMPARE(at(im, s.center().x(), y), rgb(Qt::black));
}

void TestMenus::sideBarLook()
{
    auto *image = qobject_cast<TCoolMenu *>(menuNamed(QStringLiteral("pmImage")));
    QVERIFY(image);
    const QImage im = paintedMenu(image);
    QVERIFY(!im.isNull());
    const QRect bar = image->sideBarRect();
    QVERIFY(bar.width() >= 15 && bar.height() > 100);
    QVERIFY(QRect(QPoint(0, 0), im.size()).contains(bar));
    for (QAction *a : image->actions())
        QVERIFY2(image->actionGeometry(a).left() > bar.right(), "items lie beside the bar");

    // The gradient: black at the top, blue at the foot, along the edge
    // where the caption does not reach.
    QCOMPARE(at(im, bar.left(), bar.top()), rgb(0, 0, 0));
    QCOMPARE(at(im, bar.left(), bar.bottom()), rgb(0, 0, 255));
    const QRgb mid = at(im, bar.left(), bar.top() + bar.height() / 2);
    QVERIFY(qRed(mid) == 0 && qGreen(mid) == 0 && std::abs(qBlue(mid) - 128) <= 3);

    // The caption: white ink written upwards in the lower part of the bar.
    QRect ink;
    for (int y = bar.top(); y <= bar.bottom(); ++y)
        for (int x = bar.left(); x <= bar.right(); ++x) {
            const QRgb p = at(im, x, y);
            if (qRed(p) > 200 && qGreen(p) > 200)
                ink |= QRect(x, y, 1, 1);
        }
    QVERIFY2(!ink.isEmpty(), "the caption is drawn");
    QVERIFY2(ink.height() > 2 * ink.width(), "the caption runs up the bar");
    QVERIFY2(ink.top() > bar.top() + bar.height() / 3, "the caption sits toward the foot");
    QVERIFY(ink.bottom() < bar.bottom());

    // The other menus have no bar: items start near the left edge.
    auto *edit = qobject_cast<TCoolMenu *>(menuNamed(QStringLiteral("pmEdit")));
    QVERIFY(edit && edit->sideBarRect().isEmpty());
    const QImage plain = paintedMenu(edit);
    QVERIFY(edit->actionGeometry(MainForm->Undo1).left() < bar.width());
    QCOMPARE(at(plain, 4, edit->actionGeometry(MainForm->Undo1).center().y()), rgb(Qt::black));
}

void TestMenus::webLinks_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("browserOpens");
    QTest::newRow("player's site") << "WinAmp1" << true;
    QTest::newRow("home page") << "HomepageVorlix1" << true;
    QTest::newRow("player's site, no browser") << "WinAmp1" << false;
    QTest::newRow("home page, no browser") << "HomepageVorlix1" << false;
}

void TestMenus::webLinks()
{
    QFETCH(QString, item);
    QFETCH(bool, browserOpens);
    fake()->openUrlResult = browserOpens;
    auto *a = MainForm->findChild<QAction *>(item);
    QVERIFY(a);
    a->trigger();
    const bool homePage = item == QLatin1String("HomepageVorlix1");
    if (homePage && fake()->openedUrls.isEmpty()) {
        // Built without a web address and not installed: the manual built
        // into the program, in its own window.
        auto *help = MainForm->findChild<THelpWindow *>();
        QVERIFY(help && help->isVisible());
        QVERIFY(fake()->messages.isEmpty());
        return;
    }
    QCOMPARE(fake()->openedUrls.size(), 1);
    const QUrl url(fake()->openedUrls.first());
    QVERIFY(url.isValid());
    if (homePage && url.isLocalFile()) { // the installed manual
        QVERIFY(url.toLocalFile().endsWith(QLatin1String("/doc/vorlix/manual.html")));
        return;
    }
    QVERIFY(url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
    if (item == QLatin1String("WinAmp1"))
        QCOMPARE(url.host(), QStringLiteral("www.winamp.com"));
    else
        QVERIFY(!url.host().isEmpty() && !url.host().contains(QLatin1String("winamp")));
    QVERIFY2(fake()->messages.isEmpty(), "a page that fails to open is not reported");
}

void TestMenus::exitTakesTheCloseButtonsWay_data()
{
    QTest::addColumn<bool>("viaExit");
    QTest::newRow("Exit") << true;
    QTest::newRow("close button") << false;
}

void TestMenus::exitTakesTheCloseButtonsWay()
{
    QFETCH(bool, viaExit);
    // The close request (where the settings are saved) is what both must
    // reach.
    struct CloseWatch : QObject
    {
        int requests = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            requests += e->type() == QEvent::Close;
            return false;
        }
    } watch;
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    MainForm->installEventFilter(&watch);
    if (viaExit)
        MainForm->Exit1->trigger();
    else
        QTest::mouseClick(MainForm->closebut, Qt::LeftButton);
    QCOMPARE(watch.requests, 1);
    QVERIFY(!MainForm->isVisible());
    MainForm->removeEventFilter(&watch);
}

void TestMenus::noShortcutActsWhileTheAboutBoxIsUp_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Ctrl+O") << "OpenImage1" << QKeySequence(Qt::CTRL | Qt::Key_O);
    QTest::newRow("Ctrl+S") << "SaveImage1" << QKeySequence(Qt::CTRL | Qt::Key_S);
    QTest::newRow("Ctrl+C") << "Copy1" << QKeySequence(Qt::CTRL | Qt::Key_C);
    QTest::newRow("Ctrl+A") << "SelectAll1" << QKeySequence(Qt::CTRL | Qt::Key_A);
    QTest::newRow("Ctrl+Del") << "Delete1" << QKeySequence(Qt::CTRL | Qt::Key_Delete);
}

void TestMenus::noShortcutActsWhileTheAboutBoxIsUp()
{
    QFETCH(QString, item);
    QFETCH(QKeySequence, keys);
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    auto *a = MainForm->findChild<QAction *>(item);
    QVERIFY(a);
    QSignalSpy chosen(a, &QAction::triggered);
    QWidget *tree = MainForm->SelTree;
    tree->setFocus();

    // Without the box the keys reach the item (the check below means
    // something only then).
    QTest::keySequence(tree, keys);
    QCOMPARE(chosen.size(), 1);
    // Close anything the handler may have left open.
    if (QWidget *modal = QApplication::activeModalWidget())
        modal->close();

    const ModalRun run = whileAboutBoxShown([] { MainForm->About1->trigger(); }, [&] {
        QTest::keySequence(Aboutbox, keys);
        QTest::keySequence(tree, keys);
    });
    QVERIFY(run.wasUp);
    QCOMPARE(chosen.size(), 1);
}

void TestMenus::panningKeepsTheGrabHand()
{
    // The menus bring no cursor that could stand in for the view's grab
    // hand.
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    TOImage *view = MainForm->DesktopImg;
    view->setMouseMode(TOImage::mmPan);
    QImage big(1200, 900, QImage::Format_BGR888);
    big.fill(Qt::darkGreen);
    view->setPicture(big);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 80));
    const QImage shown = view->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    // Qt's own BMP reader, not the program's, reads the picture to compare.
    const QImage hand = QImage(QStringLiteral(":/images/GRABHAND.bmp"), "bmp").convertToFormat(QImage::Format_ARGB32);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(90, 70));
    QVERIFY(!hand.isNull());
    QCOMPARE(shown, hand);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestMenus::aboutBoxLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Image1") << "Image1" << QRect(103, 29, 200, 100);
    QTest::newRow("Image2") << "Image2" << QRect(103, 130, 200, 50);
    QTest::newRow("Label1") << "Label1" << QRect(3, 208, 192, 13);
    QTest::newRow("Image3") << "Image3" << QRect(215, 206, 38, 19);
    QTest::newRow("Label2") << "Label2" << QRect(254, 208, 149, 13);
}

void TestMenus::aboutBoxLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    auto *w = Aboutbox->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), geometry);
    if (auto *image = qobject_cast<TImage *>(w)) {
        QCOMPARE(image->picture().size(), geometry.size());
        QVERIFY(image->picture().depth() >= 24);
    }
    if (auto *label = qobject_cast<QLabel *>(w)) {
        QCOMPARE(label->palette().color(label->backgroundRole()), QColor(Qt::white));
        QVERIFY(label->autoFillBackground());
        QVERIFY(!label->text().isEmpty());
        // The whole line fits its fixed box.
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= geometry.width());
    }
    // The small logo is the main window's.
    if (name == QLatin1String("Image3"))
        QCOMPARE(static_cast<TImage *>(w)->picture(), MainForm->statusimg->picture());
    if (name == QLatin1String("Label1"))
        QCOMPARE(static_cast<QLabel *>(w)->text(),
                 QString::fromUtf8("WinAmp\u2122 is a trademark of Nullsoft, Inc."));
}

void TestMenus::aboutBoxFrame_data()
{
    // The frame inverts white to black, two pixels wide, along (1,1) ->
    // (405,0) -> (405,227) -> (1,227) -> (1,1).
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<bool>("black");
    QTest::newRow("left edge, outer") << QPoint(0, 100) << true;
    QTest::newRow("left edge, inner") << QPoint(1, 100) << true;
    QTest::newRow("inside the left edge") << QPoint(2, 100) << false;
    QTest::newRow("right edge, outer") << QPoint(405, 100) << true;
    QTest::newRow("right edge, inner") << QPoint(404, 100) << true;
    QTest::newRow("inside the right edge") << QPoint(403, 100) << false;
    QTest::newRow("bottom edge, outer") << QPoint(200, 227) << true;
    QTest::newRow("bottom edge, inner") << QPoint(200, 226) << true;
    QTest::newRow("above the bottom edge") << QPoint(200, 225) << false;
    // The top edge climbs: two rows at its left end, one at its right end.
    QTest::newRow("top, left part, row 0") << QPoint(20, 0) << true;
    QTest::newRow("top, left part, row 1") << QPoint(20, 1) << true;
    QTest::newRow("top, left part, row 2") << QPoint(20, 2) << false;
    QTest::newRow("top, right part, row 0") << QPoint(390, 0) << true;
    QTest::newRow("top, right part, row 1") << QPoint(390, 1) << false;
    QTest::newRow("top-left corner") << QPoint(0, 0) << true;
    QTest::newRow("top-right corner") << QPoint(405, 0) << true;
    QTest::newRow("bottom-right corner") << QPoint(405, 227) << true;
    QTest::newRow("bottom-left corner") << QPoint(0, 227) << true;
    QTest::newRow("background") << QPoint(50, 100) << false;
}

void TestMenus::aboutBoxFrame()
{
    QFETCH(QPoint, pixel);
    QFETCH(bool, black);
    // Every paint draws the frame afresh: grab twice.
    for (int i = 0; i < 2; ++i) {
        const QImage im = Aboutbox->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(im.size(), QSize(406, 228));
        QCOMPARE(at(im, pixel.x(), pixel.y()), black ? rgb(0, 0, 0) : rgb(255, 255, 255));
    }
}

void TestMenus::aboutBoxClicks_data()
{
    QTest::addColumn<QString>("target"); // empty: the background; "key:" a key
    QTest::addColumn<bool>("closes");
    QTest::newRow("Enter") << "key:Return" << true;
    QTest::newRow("Enter on the keypad") << "key:Enter" << true;
    QTest::newRow("Space") << "key:Space" << true;
    QTest::newRow("a letter") << "key:A" << false;
    QTest::newRow("background") << "" << true;
    QTest::newRow("Image1") << "Image1" << true;
    QTest::newRow("Image2") << "Image2" << true;
    QTest::newRow("Label1") << "Label1" << false;
    QTest::newRow("Label2") << "Label2" << false;
    QTest::newRow("Image3") << "Image3" << false;
}

void TestMenus::aboutBoxClicks()
{
    QFETCH(QString, target);
    QFETCH(bool, closes);
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    const ModalRun run = whileAboutBoxShown([] { MainForm->About1->trigger(); }, [&] {
        if (target.startsWith(QLatin1String("key:"))) {
            const QMap<QString, Qt::Key> keys{{"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter},
                                              {"Space", Qt::Key_Space}, {"A", Qt::Key_A}};
            QTest::keyClick(Aboutbox, keys.value(target.mid(4)));
            return;
        }
        QWidget *w = target.isEmpty() ? Aboutbox : Aboutbox->findChild<QWidget *>(target);
        const QPoint p = target.isEmpty() ? QPoint(60, 190) : w->rect().center();
        QTest::mouseClick(w, Qt::LeftButton, {}, p);
    });
    QVERIFY(run.wasUp);
    QCOMPARE(run.modal, static_cast<QWidget *>(Aboutbox));
    QCOMPARE(run.stillUp, !closes);
    QVERIFY(Aboutbox && !Aboutbox->isVisible()); // hidden, not destroyed
}

void TestMenus::aboutBoxShownTwiceIsTheSameBox()
{
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    const QPointer<TAboutbox> box = Aboutbox;
    const auto clickBackground = [] { QTest::mouseClick(Aboutbox, Qt::LeftButton, {}, QPoint(60, 190)); };
    const ModalRun byLogo =
        whileAboutBoxShown([] { QTest::mouseClick(MainForm->statusimg, Qt::LeftButton); }, clickBackground);
    const ModalRun byMenu = whileAboutBoxShown([] { MainForm->About1->trigger(); }, clickBackground);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    for (const ModalRun &run : {byLogo, byMenu}) {
        QVERIFY(run.wasUp && !run.stillUp);
        QCOMPARE(run.modal, static_cast<QWidget *>(box.data()));
        QVERIFY((run.centre - screenCentre).manhattanLength() <= 2);
    }
    QVERIFY(box);
    int boxes = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        boxes += qobject_cast<TAboutbox *>(w) != nullptr;
    QCOMPARE(boxes, 1);
}

VORLIX_WINDOW_TEST_MAIN(TestMenus)

#include "tst_menus.moc"
