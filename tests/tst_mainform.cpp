// Start-up, the main window's layout, the error box and shut-down.
#include <QDir>
#include <QtTest>

#include "MainWindowFixture.h"
#include "dialogs/ImageRes.h"
#include "dialogs/SelDir.h"
#include "platform/Errors.h"
#include "dialogs/Aboutbox.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

using namespace vorlix;

class TestMainForm : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { setUpMainWindow(); }
    void cleanup() { tearDownMainWindow(); }

    void startupCreatesEverything();
    void dialogsFollowTheFirstFrame();
    void noDialogsWhenTheWindowGoesUnshown();
    void userBeforeTheFirstFrameFindsTheSheets_data();
    void userBeforeTheFirstFrameFindsTheSheets();
    void layout_data();
    void layout();
    void stacking();
    void hintsAndFocus();
    void labelsStartWithTheirTexts();
    void classicFontsAreUsedWhenInstalled();
    void backgroundRedIsTheComplementOfTheShape();
    void errorBoxText_data();
    void errorBoxText();
    void failureInAHandlerShowsTheErrorBox();
    void closeButtonClosesAndFreesTheBitmaps();
};

void TestMainForm::initTestCase()
{
    initApplication(*qApp);
}

void TestMainForm::startupCreatesEverything()
{
    QVERIFY(MainForm && Aboutbox && ImagesRes && SelDirect);
    QVERIFY(!MainForm->isVisible() && !Aboutbox->isVisible() && !ImagesRes->isVisible()
            && !SelDirect->isVisible());
    QVERIFY(G().FirstResizeDialog);
    QVERIFY(fake()->messages.isEmpty()); // no failure during FormCreate
    for (SheetKind k = 0; k < kSheetCount; ++k)
        QVERIFY(G().sheet(k));
    QCOMPARE(G().ImportPicture->size(), QSize(0, 0));
    QCOMPARE(G().ElementTable[16].Id, 16); // Start ran

    QCOMPARE(MainForm->size(), QSize(640, 480));
    QCOMPARE(MainForm->minimumSize(), QSize(640, 480));
    QCOMPARE(MainForm->maximumSize(), QSize(640, 480));
    QVERIFY(MainForm->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(Aboutbox->size(), QSize(406, 228));
    QVERIFY(Aboutbox->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(ImagesRes->size(), QSize(536, 327));
    QCOMPARE(ImagesRes->windowTitle(), QStringLiteral("ImagesRes"));
    QCOMPARE(SelDirect->size(), QSize(450, 171));
    QCOMPARE(SelDirect->windowTitle(), QStringLiteral("Select Directory"));
    QCOMPARE(qApp->applicationName(), QStringLiteral("Vorlix"));
}

// The program's own start: the dialogs come once the main window has painted.
void TestMainForm::dialogsFollowTheFirstFrame()
{
    m_windows = AppWindows();
    resetGlobals();
    m_windows = createMainWindow();
    createDialogsAfterFirstFrame(m_windows);
    QVERIFY(MainForm && !Aboutbox && !ImagesRes && !SelDirect);
    QVERIFY(!G().FirstResizeDialog);
    // The first frame shows no sheet: they come after it, with the dialogs.
    QVERIFY(!G().sheet(0));
    QCoreApplication::processEvents(); // nothing painted yet: still none
    QVERIFY(!Aboutbox && !SelDirect && !G().sheet(0));
    showCentred(MainForm);
    QTRY_VERIFY(Aboutbox && ImagesRes && SelDirect);
    for (SheetKind k = 0; k < kSheetCount; ++k)
        QVERIFY(G().sheet(k));
    QCOMPARE(G().ElementTable[16].Id, 16);
    QCOMPARE(Aboutbox, m_windows.aboutbox.get());
    QCOMPARE(ImagesRes, m_windows.imagesRes.get());
    QCOMPARE(SelDirect, m_windows.selDirect.get());
    QVERIFY(G().FirstResizeDialog);
    QVERIFY(!Aboutbox->isVisible() && !ImagesRes->isVisible() && !SelDirect->isVisible());
    QVERIFY(fake()->messages.isEmpty());
}

void TestMainForm::noDialogsWhenTheWindowGoesUnshown()
{
    m_windows = AppWindows();
    resetGlobals();
    m_windows = createMainWindow();
    createDialogsAfterFirstFrame(m_windows);
    m_windows = AppWindows(); // gone before it ever painted
    QCoreApplication::processEvents();
    QVERIFY(!MainForm && !Aboutbox && !ImagesRes && !SelDirect);
}

// Whatever the user does before the first frame reaches a window with its
// sheets: a press or the pointer on the miniature, a key, the window
// becoming active (the tree then shows its first element), a close.
void TestMainForm::userBeforeTheFirstFrameFindsTheSheets_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("press") << int(QEvent::MouseButtonPress);
    QTest::newRow("move") << int(QEvent::MouseMove);
    QTest::newRow("key") << int(QEvent::KeyPress);
    QTest::newRow("focus") << int(QEvent::FocusIn);
    QTest::newRow("activation") << int(QEvent::WindowActivate);
    QTest::newRow("close") << int(QEvent::Close);
}

void TestMainForm::userBeforeTheFirstFrameFindsTheSheets()
{
    QFETCH(int, type);
    m_windows = AppWindows();
    resetGlobals();
    m_windows = createMainWindow();
    createDialogsAfterFirstFrame(m_windows);
    QVERIFY(!G().sheet(0));
    // Seen by a control of the window, as it would be: the sheets must be
    // there before the event arrives.
    bool sheetsFirst = false;
    struct Probe : QObject
    {
        bool *seen;
        int type;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == type)
                *seen = G().sheet(0) && G().ElementTable[16].Id == 16;
            return false;
        }
    } probe;
    probe.seen = &sheetsFirst;
    probe.type = type;
    MainForm->selectimg->installEventFilter(&probe);
    std::unique_ptr<QEvent> e;
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        e = std::make_unique<QMouseEvent>(QEvent::Type(type), QPointF(20, 20), QPointF(20, 20), Qt::LeftButton,
                                          Qt::LeftButton, Qt::NoModifier);
        break;
    case QEvent::KeyPress:
        e = std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        break;
    case QEvent::FocusIn:
        e = std::make_unique<QFocusEvent>(QEvent::FocusIn);
        break;
    default:
        e = std::make_unique<QEvent>(QEvent::Type(type));
        break;
    }
    QCoreApplication::sendEvent(MainForm->selectimg, e.get());
    MainForm->selectimg->removeEventFilter(&probe);
    QVERIFY(sheetsFirst);
    QVERIFY(fake()->messages.isEmpty());
}

void TestMainForm::layout_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    auto row = [](const char *name, const char *cls, int x, int y, int w, int h) {
        QTest::newRow(name) << QString::fromLatin1(cls) << QRect(x, y, w, h);
    };
    row("fcImageForm1", "vorlix::TfcImageForm", 0, 0, 640, 480);
    row("closebut", "vorlix::TSpeedButton", 615, 8, 18, 18);
    row("minimizebut", "vorlix::TSpeedButton", 598, 8, 18, 18);
    row("statusimg", "vorlix::TImage", 597, 27, 38, 19);
    row("btImage", "vorlix::TSpeedButton", 4, 28, 57, 17);
    row("btEdit", "vorlix::TSpeedButton", 60, 28, 57, 17);
    row("btfxLab", "vorlix::TSpeedButton", 116, 28, 57, 17);
    row("btvorlix", "vorlix::TSpeedButton", 172, 28, 57, 17);
    row("bthelp", "vorlix::TSpeedButton", 284, 28, 57, 17);
    row("btoptions", "vorlix::TSpeedButton", 228, 28, 57, 17);
    row("PanBtn", "vorlix::TSpeedButton", 208, 120, 33, 33);
    row("SelectBtn", "vorlix::TSpeedButton", 240, 120, 33, 33);
    row("ApplyBtn", "vorlix::TSpeedButton", 368, 376, 129, 33);
    row("pbFore", "vorlix::TPaintBox", 208, 298, 25, 25);
    row("pbBack", "vorlix::TPaintBox", 248, 298, 25, 25);
    row("exchClr", "vorlix::TSpeedButton", 233, 302, 15, 17);
    row("StateChanger", "vorlix::TRxSlider", 280, 316, 289, 34);
    row("Panel1", "QFrame", 8, 256, 177, 76);
    row("selectimg", "vorlix::TImage", 0, 1, 175, 74);
    row("SelTree", "vorlix::TSelTree", 6, 72, 179, 171);
    row("DesktopImg", "vorlix::TOImage", 279, 120, 290, 178);
    row("Button2", "QPushButton", 392, 72, 65, 25);
    row("ScrollZoom", "QScrollBar", 576, 120, 16, 177);
    // Labels are sized to their text: only the corner is fixed.
    row("Label1", "QLabel", 152, 243, -1, -1);
    row("TempDir", "vorlix::TPathLabel", 216, 456, 240, -1); // up to the next folder icon
    row("OutputDir", "vorlix::TPathLabel", 472, 456, 158, -1); // up to the window's edge
    row("VerInfo", "QLabel", 208, 440, -1, -1);
    row("S", "QLabel", 392, 301, -1, -1);
    row("Label2", "QLabel", 560, 104, -1, -1);
    row("Label3", "QLabel", 563, 298, -1, -1);
}

void TestMainForm::layout()
{
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    auto *w = MainForm->findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    if (geometry.height() < 0) {
        QCOMPARE(w->pos(), geometry.topLeft());
        // Sized to its text, or only as high as its text.
        QCOMPARE(w->size(), QSize(geometry.width() < 0 ? w->sizeHint().width() : geometry.width(),
                                  w->sizeHint().height()));
        QVERIFY(w->width() > 0);
    } else {
        QCOMPARE(w->geometry(), geometry);
    }
}

void TestMainForm::stacking()
{
    // Bottom to top: the background, then the drawn controls in table order,
    // then the windowed controls above all of them.
    const QStringList order = {"fcImageForm1", "closebut", "minimizebut", "statusimg", "Label1",
                               "btImage", "btEdit", "btfxLab", "btvorlix", "bthelp", "btoptions",
                               "TempDir", "OutputDir", "VerInfo", "S", "Label2", "Label3",
                               "PanBtn", "SelectBtn", "ApplyBtn", "pbFore", "pbBack", "exchClr",
                               "StateChanger", "Panel1", "SelTree", "DesktopImg", "Button2",
                               "ScrollZoom"};
    QStringList actual;
    for (QObject *child : MainForm->children())
        if (auto *w = qobject_cast<QWidget *>(child); w && order.contains(w->objectName()))
            actual << w->objectName();
    QCOMPARE(actual, order);
}

void TestMainForm::hintsAndFocus()
{
    QStringList withHints;
    for (QWidget *w : MainForm->findChildren<QWidget *>())
        if (!w->toolTip().isEmpty())
            withHints << w->objectName();
    withHints.sort();
    // The drawing tools name their key in the hint.
    QCOMPARE(withHints, (QStringList{"FillBtn", "LineBtn", "PanBtn", "PencilBtn", "PickerBtn", "RectBtn",
                                     "SelectBtn", "closebut", "pbFore"}));
    QCOMPARE(MainForm->PencilBtn->toolTip(), QStringLiteral("Pencil (P)"));
    QCOMPARE(MainForm->closebut->toolTip(), QStringLiteral("Close program"));
    QCOMPARE(MainForm->pbFore->toolTip(), QStringLiteral("Foreground Color"));

    QStringList focusable;
    for (QWidget *w = MainForm->SelTree;;) {
        focusable << w->objectName();
        w = w->nextInFocusChain();
        while (w != MainForm->SelTree && w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        if (w == MainForm->SelTree)
            break;
    }
    QCOMPARE(focusable, (QStringList{"SelTree", "Button2", "StateChanger", "ScrollZoom"}));

    QVERIFY(!MainForm->ApplyBtn->isEnabled());
    QCOMPARE(MainForm->statusimg->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(MainForm->ScrollZoom->minimum(), 1);
    QCOMPARE(MainForm->ScrollZoom->maximum(), 8);
    QCOMPARE(MainForm->ScrollZoom->value(), 1);
    QCOMPARE(MainForm->StateChanger->maximum(), 1);
    QCOMPARE(MainForm->DesktopImg->Color(), QColor(128, 0, 0));
    QCOMPARE(MainForm->closebut->numGlyphs(), 4);
    QCOMPARE(MainForm->PanBtn->numGlyphs(), 4);
}

void TestMainForm::labelsStartWithTheirTexts()
{
    QCOMPARE(MainForm->Label1->text(), QStringLiteral("Label1"));
    QCOMPARE(MainForm->TempDir->text(), QDir::homePath());
    QCOMPARE(MainForm->OutputDir->text(), QDir::homePath());
    QCOMPARE(MainForm->VerInfo->text(), QStringLiteral("ver : 0.0.2 alpha"));
    QCOMPARE(MainForm->S->text(), QStringLiteral("State Changer"));
    QCOMPARE(MainForm->btImage->text(), QStringLiteral("Image"));
    QCOMPARE(MainForm->ApplyBtn->text(), QStringLiteral("Apply Changes"));
    QCOMPARE(MainForm->Button2->text(), QStringLiteral("Save BMP"));
    QCOMPARE(MainForm->btImage->textColor(), QColor(255, 158, 62));
    QCOMPARE(MainForm->btImage->font().pixelSize(), 11);
    QVERIFY(MainForm->btImage->font().bold());
    QCOMPARE(MainForm->ApplyBtn->font().pixelSize(), 13);
    QCOMPARE(MainForm->selectimg->picture().size(), QSize(175, 74));
    QCOMPARE(MainForm->statusimg->picture().size(), QSize(38, 19));
}

void TestMainForm::classicFontsAreUsedWhenInstalled()
{
    if (!QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
        QSKIP("fonts-wine is not installed");
    QCOMPARE(QFontInfo(MainForm->SelTree->font()).family(), QStringLiteral("Tahoma"));
    QCOMPARE(QFontInfo(MainForm->btImage->font()).family(), QStringLiteral("Tahoma"));
    QVERIFY(QFontInfo(MainForm->btImage->font()).bold());
    QCOMPARE(QFontInfo(MainForm->VerInfo->font()).family(), QStringLiteral("MS Sans Serif"));
}

void TestMainForm::backgroundRedIsTheComplementOfTheShape()
{
    const QImage bg = MainForm->fcImageForm1->picture();
    QCOMPARE(bg.size(), QSize(640, 480));
    QRegion shape;
    for (const QRect &r : {QRect(QPoint(0, 0), QPoint(635, 47)), QRect(QPoint(0, 48), QPoint(636, 72)),
                           QRect(QPoint(0, 73), QPoint(192, 350)), QRect(QPoint(201, 73), QPoint(636, 350)),
                           QRect(QPoint(201, 351), QPoint(636, 476))})
        shape += r;
    int mismatches = 0;
    for (int y = 0; y < bg.height(); ++y)
        for (int x = 0; x < bg.width(); ++x)
            if ((bg.pixel(x, y) == qRgb(255, 0, 0)) == shape.contains(QPoint(x, y)) && ++mismatches < 5)
                qWarning("pixel %d,%d", x, y);
    QCOMPARE(mismatches, 0);
}

void TestMainForm::errorBoxText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter gets a full stop") << "Cannot open file" << "Cannot open file.";
    QTest::newRow("digit gets a full stop") << "Error 5" << "Error 5.";
    QTest::newRow("full stop stays single") << "Done." << "Done.";
    QTest::newRow("exclamation sorts before") << "Stop!" << "Stop!";
    QTest::newRow("closing bracket sorts before") << "Bad value (3)" << "Bad value (3)";
    QTest::newRow("slash sorts after") << "C:/" << "C:/.";
    QTest::newRow("empty message") << "" << "";
}

void TestMainForm::errorBoxText()
{
    QFETCH(QString, message);
    QTEST(vorlix::errorBoxText(message), "shown");
}

void TestMainForm::failureInAHandlerShowsTheErrorBox()
{
    // A handler's failure reaches the user through the error box; the
    // program then carries on.
    QObject target;
    QObject::connect(&target, &QObject::objectNameChanged, &target,
                     [] { guarded([] { throw VorlixError(QStringLiteral("Disk full")); }); });
    target.setObjectName(QStringLiteral("x"));
    QCOMPARE(fake()->messages.size(), 1);
    const RecordedMessage m = fake()->messages.first();
    QCOMPARE(m.caption, QStringLiteral("Vorlix"));
    QCOMPARE(m.text, QStringLiteral("Disk full."));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.buttons, MsgButtons::Ok);

    // Failures escaping an event handler are caught at the application too.
    struct Thrower : QObject
    {
        bool event(QEvent *) override { throw std::runtime_error("Bad picture"); }
    } thrower;
    QEvent ev(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &ev);
    QCOMPARE(fake()->messages.size(), 2);
    QCOMPARE(fake()->messages.last().text, QStringLiteral("Bad picture."));
}

void TestMainForm::closeButtonClosesAndFreesTheBitmaps()
{
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    QTest::mouseClick(MainForm->closebut, Qt::LeftButton);
    QVERIFY(!MainForm->isVisible());
    m_windows = AppWindows(); // the windows are destroyed after the loop ends
    QVERIFY(!MainForm);
    for (SheetKind k = 0; k < kSheetCount; ++k)
        QVERIFY(!G().sheet(k));
    QVERIFY(!G().ImportPicture);
}

VORLIX_WINDOW_TEST_MAIN(TestMainForm)

#include "tst_mainform.moc"
