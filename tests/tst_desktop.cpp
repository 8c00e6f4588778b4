// The program on each kind of display, told to it by scripted desktop
// services: how dragging the body moves the window, whether the window is
// drawn with alpha outside its shape, Capture Image where the screen can't be
// read, and the program's other windows kept with the main window.
#include <QtTest>

#include "MainWindowFixture.h"
#include "app/Application.h"
#include "dialogs/Aboutbox.h"
#include "dialogs/ImageRes.h"
#include "dialogs/SelDir.h"
#include "mainwindow/MainForm.h"
#include "platform/DisplayServer.h"

#include <QMessageBox>

using namespace vorlix;

Q_DECLARE_METATYPE(DisplayServer::Kind)
Q_DECLARE_METATYPE(TMainForm::DragPath)

namespace {

// Counts the times a widget is hidden.
struct HideCounter : QObject
{
    int hides = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        hides += e->type() == QEvent::Hide;
        return false;
    }
};

} // namespace

class TestDesktop : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { initApplication(*qApp); }
    void cleanup() { tearDownMainWindow(); }

    void moveByBody_data();
    void moveByBody();
    void captureRefusedWithoutHiding();
    void windowsKeptWithMainWindow_data();
    void windowsKeptWithMainWindow();

private:
    // The program's windows, built for the display given.
    void startOn(DisplayServer::Kind kind, bool compositing = false)
    {
        setUpMainWindow(false);
        fake()->display.kind = kind;
        fake()->display.compositing = compositing;
        m_windows = createWindows();
    }
};

void TestDesktop::moveByBody_data()
{
    QTest::addColumn<DisplayServer::Kind>("kind");
    QTest::addColumn<bool>("compositing");
    QTest::addColumn<TMainForm::DragPath>("path");
    // The offscreen platform has no system move: where the outline can be
    // shown it stands in, elsewhere the drag does nothing here.
    QTest::addColumn<bool>("outline");
    QTest::addColumn<bool>("alpha"); // cut-away parts drawn transparent

    QTest::newRow("plain X server") << DisplayServer::X11 << false << TMainForm::DragPath::Outline << true << false;
    QTest::newRow("X server with a compositing manager")
        << DisplayServer::X11 << true << TMainForm::DragPath::SystemMove << true << false;
    QTest::newRow("Xwayland") << DisplayServer::XWayland << true << TMainForm::DragPath::SystemMove << false << true;
    QTest::newRow("Xwayland, no compositing manager")
        << DisplayServer::XWayland << false << TMainForm::DragPath::SystemMove << false << true;
    QTest::newRow("Wayland") << DisplayServer::Wayland << false << TMainForm::DragPath::SystemMove << false << true;
    QTest::newRow("offscreen") << DisplayServer::Other << false << TMainForm::DragPath::Outline << true << false;
}

void TestDesktop::moveByBody()
{
    QFETCH(DisplayServer::Kind, kind);
    QFETCH(bool, compositing);
    QFETCH(TMainForm::DragPath, path);
    QFETCH(bool, outline);
    QFETCH(bool, alpha);
    startOn(kind, compositing);
    TMainForm *f = MainForm;
    QCOMPARE(f->dragPath(), path);
    f->move(150, 120);
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QWindow *window = f->windowHandle();

    // The window as the compositor gets it: the body opaque, a cut-away
    // column (the picture's pure red there) transparent or left to the shape.
    const QImage face = f->grab().toImage();
    QCOMPARE(face.pixelColor(450, 12).alpha(), 255);
    QCOMPARE(window->requestedFormat().hasAlpha(), alpha); // offscreen keeps no format of its own
    QCOMPARE(face.pixelColor(638, 100).alpha(), alpha ? 0 : 255);
    QCOMPARE(face.pixelColor(100, 400).alpha(), alpha ? 0 : 255);

    const QPoint start = f->pos();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(450, 12));
    QTest::mouseMove(window, QPoint(470, 22));
    QTest::mouseMove(window, QPoint(490, 40));
    QCOMPARE(f->dragOutline()->isVisible(), outline);
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(490, 40));
    QTRY_COMPARE(f->pos(), outline ? start + QPoint(40, 28) : start);
    QVERIFY(!f->dragOutline()->isVisible());
    QVERIFY(!f->isDraggingBody());
}

void TestDesktop::captureRefusedWithoutHiding()
{
    startOn(DisplayServer::Wayland);
    TMainForm *f = MainForm;
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    selectNode(16);
    const QImage before = f->DesktopImg->Picture();
    HideCounter hides;
    f->installEventFilter(&hides);

    f->CaptureImage1->trigger();
    QVERIFY(fake()->captureWindowVisible.isEmpty()); // the screen was never asked for
    QCOMPARE(hides.hides, 0);
    QVERIFY(f->isVisible());
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages[0].icon, MsgIcon::Warning);
    QVERIFY2(fake()->messages[0].text.contains(QLatin1String("Wayland")), qPrintable(fake()->messages[0].text));
    QCOMPARE(f->DesktopImg->Picture(), before);
    f->removeEventFilter(&hides);
}

void TestDesktop::windowsKeptWithMainWindow_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("about box") << "about";
    QTest::newRow("size dialog") << "size";
    QTest::newRow("directories dialog") << "directories";
    QTest::newRow("message box without a parent") << "message";
}

void TestDesktop::windowsKeptWithMainWindow()
{
    QFETCH(QString, window);
    startOn(DisplayServer::Wayland);
    TMainForm *f = MainForm;
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QMessageBox box(QMessageBox::Information, QStringLiteral("Vorlix"), QStringLiteral("a question"));
    QWidget *w = window == "about" ? static_cast<QWidget *>(Aboutbox)
                 : window == "size" ? static_cast<QWidget *>(ImagesRes)
                 : window == "directories" ? static_cast<QWidget *>(SelDirect)
                                           : &box;
    QVERIFY(w && !w->parentWidget());
    w->show();
    QVERIFY(w->windowHandle());
    QCOMPARE(w->windowHandle()->transientParent(), f->windowHandle());
    w->hide();
}

VORLIX_WINDOW_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
