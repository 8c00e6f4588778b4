// Editing in the element view: the tool buttons, the selection and its
// marquee, the edit commands, the colour swatches and window-wide shortcuts.
#include <QtTest>

#include "MainWindowFixture.h"
#include "Pictures.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

#include <QClipboard>
#include <QMimeData>
#include <QStandardPaths>

using namespace vorlix;

Q_DECLARE_METATYPE(vorlix::Rect)

namespace {

const QColor kSentinel(255, 0, 255); // 1 x 1 "untouched" marker on the clipboard

// Picture pixel (x, y) of the view: the original, or white inside `white`.
QImage whitened(const QImage &original, const QRect &white)
{
    QImage out = original.copy();
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (white.contains(x, y))
                out.setPixelColor(x, y, Qt::white);
    return out;
}

QImage clipboardPicture()
{
    return QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_BGR888);
}

QColor inverse(QRgb c)
{
    return QColor(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}

} // namespace

class TestEdit : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void toolButtons_data();
    void toolButtons();
    void marquee_data();
    void marquee();
    void selectionCommands_data();
    void selectionCommands();
    void paste_data();
    void paste();
    void unreadableClipboardPictureIsReported();
    void oversizedClipboardPictureIsRefusedUndecoded_data();
    void oversizedClipboardPictureIsRefusedUndecoded();
    void swatchDialog_data();
    void swatchDialog();
    void swatchPaintAndExchange();
    void shortcutsReachHandlersFromEveryFocus_data();
    void shortcutsReachHandlersFromEveryFocus();

private:
    void showActive();
    // Selects a node (-1: none) and runs the change handler at once.
    void select(int node);
    void run(const QString &commands);
};

void TestEdit::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    initApplication(*qApp);
}

void TestEdit::init()
{
    setUpMainWindow();
    QGuiApplication::clipboard()->setImage(uniform(1, 1, kSentinel));
}

void TestEdit::cleanup()
{
    tearDownMainWindow();
}

void TestEdit::showActive()
{
    MainForm->show();
    MainForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
}

void TestEdit::select(int node)
{
    if (node < 0)
        return; // a window never shown has selected nothing
    selectNode(node);
}

// Runs a comma-separated list of commands as the user gives them.
void TestEdit::run(const QString &commands)
{
    TMainForm *f = MainForm;
    for (const QString &c : commands.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (c == QLatin1String("pan"))
            QTest::mouseClick(f->PanBtn, Qt::LeftButton);
        else if (c == QLatin1String("select"))
            QTest::mouseClick(f->SelectBtn, Qt::LeftButton);
        else if (c == QLatin1String("all"))
            f->SelectAll1Click();
        else if (c == QLatin1String("none"))
            f->Deselect1Click();
        else if (c == QLatin1String("copy"))
            f->Copy1Click();
        else if (c == QLatin1String("cut"))
            f->Cut1Click();
        else if (c == QLatin1String("delete"))
            f->Delete1Click();
        else if (c == QLatin1String("undo"))
            f->Undo1Click();
        else if (c == QLatin1String("redo"))
            f->Redo1Click();
        else if (c == QLatin1String("press"))
            QTest::mousePress(f->DesktopImg, Qt::LeftButton, {}, QPoint(3, 3));
        else if (c.startsWith(QLatin1String("node ")))
            select(c.mid(5).toInt());
        else
            QFAIL(qPrintable(QStringLiteral("unknown command ") + c));
    }
}

// --- Tool buttons ---------------------------------------------------------------

void TestEdit::toolButtons_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<bool>("panDown");
    QTest::addColumn<bool>("selectDown");
    QTest::addColumn<TOImage::TMouseMode>("mode");
    QTest::addColumn<Rect>("selection"); // starting from (1, 1, 3, 3)

    const auto pan = TOImage::mmPan, band = TOImage::mmRubberband, other = TOImage::mmOther;
    const Rect kept{1, 1, 3, 3}, none{}, all{0, 0, 23, 18};
    QTest::newRow("pan") << 16 << "pan" << true << false << pan << none;
    QTest::newRow("select keeps the selection") << 16 << "select" << false << true << band << kept;
    QTest::newRow("pan releases select") << 16 << "select,pan" << true << false << pan << none;
    QTest::newRow("select releases pan") << 16 << "pan,select" << false << true << band << none;
    QTest::newRow("a click on a down pan stays down") << 16 << "pan,pan" << true << false << pan << none;
    QTest::newRow("a click on a down select stays down") << 16 << "select,select" << false << true << band << kept;
    QTest::newRow("select all presses select") << 16 << "all" << false << true << band << all;
    QTest::newRow("deselect releases both, mode stays") << 16 << "select,none" << false << false << band << none;
    QTest::newRow("a press in the view drops the selection") << 16 << "select,press" << false << true << band << none;
    QTest::newRow("group: select") << 0 << "select" << false << false << other << kept;
    QTest::newRow("group: select all") << 0 << "all" << false << false << other << kept;
    QTest::newRow("group: pan does nothing else") << 0 << "pan" << false << false << other << kept;
    QTest::newRow("group after select releases it") << 16 << "select,node 0" << false << false << other << none;
    // The pan button outlives a change to a group node (not its mode) until
    // it is clicked there.
    QTest::newRow("group after pan keeps pan down") << 16 << "pan,node 0" << true << false << other << none;
    QTest::newRow("group after pan, then pan") << 16 << "pan,node 0,pan" << false << false << other << none;
    QTest::newRow("no node: select") << -1 << "select" << false << false << other << kept;
    QTest::newRow("no node: pan") << -1 << "pan" << false << false << other << kept;
    QTest::newRow("no node: select all") << -1 << "all" << false << false << other << kept;
}

void TestEdit::toolButtons()
{
    QFETCH(int, node);
    QFETCH(QString, commands);
    select(node);
    G().SelectionRect = Rect{1, 1, 3, 3};
    run(commands);
    QTEST(MainForm->PanBtn->isLatched(), "panDown");
    QTEST(MainForm->SelectBtn->isLatched(), "selectDown");
    QTEST(MainForm->DesktopImg->MouseMode(), "mode");
    QTEST(G().SelectionRect, "selection");
}

// --- Selection and marquee -----------------------------------------------------

void TestEdit::marquee_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("from"); // band in client pixels; from == to: Select All
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<Rect>("stored");  // as the band leaves it, in drag order
    QTest::addColumn<Rect>("limited"); // after the marquee's paint
    QTest::addColumn<QRect>("outline"); // corners of the inverted outline; null: none

    const QSize s(23, 21);
    const QPoint o(0, 0), all(0, 0);
    QTest::newRow("select all, zoom 1") << s << 1 << o << all << all << Rect{0, 0, 23, 21}
                                        << Rect{0, 0, 23, 21} << QRect(QPoint(1, 1), QPoint(21, 19));
    QTest::newRow("select all, zoom 4") << s << 4 << o << all << all << Rect{0, 0, 23, 21}
                                        << Rect{0, 0, 23, 21} << QRect(QPoint(1, 1), QPoint(93, 85));
    QTest::newRow("band dragged backwards, zoom 2")
        << s << 2 << o << QPoint(30, 20) << QPoint(10, 6) << Rect{15, 10, 5, 3} << Rect{5, 3, 15, 10}
        << QRect(QPoint(11, 7), QPoint(29, 19));
    QTest::newRow("band beyond the picture")
        << s << 1 << o << QPoint(5, 4) << QPoint(200, 150) << Rect{5, 4, 200, 150}
        << Rect{5, 4, 23, 21} << QRect(QPoint(6, 5), QPoint(21, 19));
    QTest::newRow("band right of the picture")
        << s << 1 << o << QPoint(100, 10) << QPoint(150, 40) << Rect{100, 10, 150, 40} << Rect{}
        << QRect();
    QTest::newRow("band below the picture")
        << s << 1 << o << QPoint(5, 100) << QPoint(20, 150) << Rect{5, 100, 20, 150} << Rect{}
        << QRect();
    QTest::newRow("band on a scrolled picture, zoom 4")
        << QSize(100, 60) << 4 << QPoint(10, 5) << QPoint(8, 12) << QPoint(40, 30)
        << Rect{12, 8, 20, 12} << Rect{12, 8, 20, 12} << QRect(QPoint(9, 13), QPoint(41, 29));
}

void TestEdit::marquee()
{
    QFETCH(QSize, size);
    QFETCH(int, zoom);
    QFETCH(QPoint, offset);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QRect, outline);
    showActive();
    select(16);
    TOImage *view = MainForm->DesktopImg;
    const QImage picture = patterned(size.width(), size.height());
    view->assignPicture(picture);
    MainForm->ScrollZoom->setValue(zoom);
    QCOMPARE(view->Zoom(), double(zoom));
    if (!offset.isNull()) {
        view->setOffsetX(offset.x());
        view->setOffsetY(offset.y());
    }

    if (from == to) {
        MainForm->SelectAll1Click();
    } else {
        // Select mode, then deselect: bands still select, unmarked and
        // unchanged, until the select button is down again.
        QTest::mouseClick(MainForm->SelectBtn, Qt::LeftButton);
        MainForm->Deselect1Click();
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
        QTEST(G().SelectionRect, "stored");
        QTest::mouseClick(MainForm->SelectBtn, Qt::LeftButton);
    }

    // Compare a real paint with the frame drawn without the marquee, away
    // from the scroll bars: every pixel is as drawn or inverted, and the
    // inverted ones lie on the outline and reach its four sides.
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QTEST(G().SelectionRect, "limited");
    const QImage frame = view->renderFrame();
    QRect inverted;
    int strays = 0;
    for (int y = 0; y < view->height() - 12; ++y)
        for (int x = 0; x < view->width() - 12; ++x) {
            const QRgb drawn = frame.pixel(x, y);
            const QRgb seen = shot.pixel(x, y);
            if (seen == drawn)
                continue;
            if (QColor(seen) != inverse(drawn)) {
                ++strays;
                continue;
            }
            inverted |= QRect(x, y, 1, 1);
            const bool onOutline = x == outline.left() || x == outline.right() || y == outline.top()
                || y == outline.bottom();
            if (!onOutline || !outline.contains(x, y))
                ++strays;
        }
    QCOMPARE(strays, 0);
    QCOMPARE(inverted, outline);
}

// --- Copy, cut, delete, undo ---------------------------------------------------

void TestEdit::selectionCommands_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<bool>("selectDown");
    QTest::addColumn<Rect>("selection");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QRect>("white");   // whitened in the picture
    QTest::addColumn<QRect>("copied");  // block of the picture on the clipboard; null: untouched
    QTest::addColumn<bool>("applyEnabled");

    const Rect band{2, 3, 9, 8};
    const QRect block(2, 3, 7, 5), none;
    QTest::newRow("copy") << 16 << true << band << "copy" << none << block << false;
    QTest::newRow("copy a band dragged backwards")
        << 16 << true << Rect{9, 8, 2, 3} << "copy" << none << block << false;
    QTest::newRow("copy a band beyond the picture")
        << 16 << true << Rect{15, 10, 40, 30} << "copy" << none << QRect(15, 10, 6, 7) << false;
    QTest::newRow("copy nothing leaves the clipboard")
        << 16 << true << Rect{4, 4, 4, 9} << "copy" << none << none << false;
    QTest::newRow("cut") << 16 << true << band << "cut" << block << block << true;
    QTest::newRow("delete fills white, not the swatch colour")
        << 16 << true << band << "delete" << block << none << true;
    QTest::newRow("delete nothing still enables apply")
        << 16 << true << Rect{4, 4, 4, 9} << "delete" << none << none << true;
    QTest::newRow("undo brings the pixels back and apply with them")
        << 16 << true << band << "delete,undo" << none << none << false;
    QTest::newRow("a second undo goes no further than the cut")
        << 16 << true << band << "cut,undo,undo" << none << block << false;
    QTest::newRow("redo brings the cut back") << 16 << true << band << "cut,undo,redo" << block << block << true;
    QTest::newRow("select up: cut does nothing") << 16 << false << band << "cut" << none << none << false;
    QTest::newRow("group: cut does nothing") << 0 << true << band << "cut" << none << none << false;
    QTest::newRow("group: undo does nothing") << 0 << true << band << "undo" << none << none << false;
    QTest::newRow("no node: cut does nothing") << -1 << true << band << "cut" << none << none << false;
    QTest::newRow("no node: undo does nothing") << -1 << true << band << "undo" << none << none << false;
}

void TestEdit::selectionCommands()
{
    QFETCH(int, node);
    QFETCH(QRect, white);
    QFETCH(QRect, copied);
    select(node);
    // Colours the swatches could lend; Delete must use none of them.
    MainForm->pbFore->setColor(QColor(0, 255, 0));
    MainForm->pbBack->setColor(QColor(255, 0, 0));
    const QImage picture = patterned(21, 17);
    MainForm->DesktopImg->assignPicture(picture);
    MainForm->DesktopImg->setUndoBitmap(uniform(21, 17, Qt::black));
    // Set directly: the commands' own checks are what is tested, not the
    // buttons' (which never latch on a group or without a node).
    QFETCH(bool, selectDown);
    MainForm->SelectBtn->setLatched(selectDown);
    QFETCH(Rect, selection);
    G().SelectionRect = selection;

    QFETCH(QString, commands);
    run(commands);

    QCOMPARE(MainForm->DesktopImg->Picture(), whitened(picture, white));
    QCOMPARE(clipboardPicture(), copied.isNull() ? uniform(1, 1, kSentinel) : picture.copy(copied));
    QTEST(MainForm->ApplyBtn->isEnabled(), "applyEnabled");
}

// --- Paste ----------------------------------------------------------------------

void TestEdit::paste_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<QString>("format"); // how the clipboard holds the picture
    QTest::addColumn<QImage>("offered");
    QTest::addColumn<QImage>("expected"); // the view's picture afterwards, or null: unchanged

    QImage mirrored = patterned(40, 30).mirrored(true, true);
    QTest::newRow("larger: its top-left part") << 16 << "image" << mirrored << mirrored.copy(0, 0, 21, 17);

    QImage smaller(21, 17, QImage::Format_BGR888);
    const QImage base = patterned(21, 17);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 21; ++x)
            smaller.setPixelColor(x, y, x < 5 && y < 4 ? QColor(250, 120, 10) : base.pixelColor(x, y));
    QTest::newRow("smaller: the rest stays") << 16 << "image" << uniform(5, 4, QColor(250, 120, 10))
                                             << smaller;

    // Transparent pixels come in white, opaque ones as they are.
    QImage argb(21, 17, QImage::Format_ARGB32);
    argb.fill(QColor(0, 0, 0, 0));
    QImage flattened = uniform(21, 17, Qt::white);
    for (int x = 0; x < 21; ++x) {
        argb.setPixelColor(x, 5, QColor(20, 40, 60));
        flattened.setPixelColor(x, 5, QColor(20, 40, 60));
    }
    QTest::newRow("transparency onto white") << 16 << "image" << argb << flattened;
    QTest::newRow("PNG bytes only, as a browser offers")
        << 16 << "image/png" << mirrored << mirrored.copy(0, 0, 21, 17);
    QTest::newRow("BMP bytes only") << 16 << "image/bmp" << mirrored << mirrored.copy(0, 0, 21, 17);
    QTest::newRow("text: nothing") << 16 << "text" << QImage() << QImage();
    // Nowhere an applied edit could not land.
    QTest::newRow("group node: nothing") << 0 << "image" << mirrored << QImage();
    QTest::newRow("colours: nothing") << 53 << "image" << mirrored << QImage();
    QTest::newRow("no node: nothing") << -1 << "image" << mirrored << QImage();
}

void TestEdit::paste()
{
    QFETCH(int, node);
    QFETCH(QString, format);
    QFETCH(QImage, offered);
    QFETCH(QImage, expected);
    select(node);
    if (node >= 0) // the menu item is greyed where a paste cannot land
        QCOMPARE(MainForm->Paste1->isEnabled(), node == 16);
    const QImage picture = patterned(21, 17);
    const QImage snapshot = uniform(21, 17, Qt::black);
    MainForm->DesktopImg->assignPicture(picture);
    MainForm->DesktopImg->setUndoBitmap(snapshot);

    auto *data = new QMimeData;
    if (format == QLatin1String("image")) {
        data->setImageData(offered);
    } else if (format == QLatin1String("text")) {
        data->setText(QStringLiteral("not a picture"));
    } else {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(offered.save(&buffer, format.mid(6).toLatin1().constData()));
        data->setData(format, bytes);
    }
    QGuiApplication::clipboard()->setMimeData(data);

    MainForm->Paste1Click();
    const bool pasted = !expected.isNull();
    QCOMPARE(MainForm->DesktopImg->Picture(), pasted ? expected : picture);
    QCOMPARE(MainForm->DesktopImg->UndoBitmap(), pasted ? picture : snapshot);
    QCOMPARE(MainForm->ApplyBtn->isEnabled(), pasted);
}

void TestEdit::unreadableClipboardPictureIsReported()
{
    select(16);
    const QImage picture = patterned(21, 17);
    MainForm->DesktopImg->assignPicture(picture);
    auto *data = new QMimeData;
    data->setData(QStringLiteral("image/png"), QByteArray("\x89PNG broken"));
    QGuiApplication::clipboard()->setMimeData(data);
    MainForm->Paste1->trigger(); // as the menu and Ctrl+V run it
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages[0].text, QStringLiteral("The picture on the clipboard can't be read."));
    QCOMPARE(fake()->messages[0].icon, MsgIcon::Error);
    QCOMPARE(MainForm->DesktopImg->Picture(), picture);
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
}

// A header declaring a picture no skin needs, followed by next to nothing:
// refused from the header, so nothing the size of the declared picture is
// ever allocated (the sanitizer stage would run out of memory otherwise).
void TestEdit::oversizedClipboardPictureIsRefusedUndecoded_data()
{
    const auto bmp = [](qint32 width, qint32 height) {
        QByteArray b(54, '\0');
        const auto put = [&](int at, quint32 v, int size) {
            for (int i = 0; i < size; ++i)
                b[at + i] = char(v >> (8 * i));
        };
        b[0] = 'B';
        b[1] = 'M';
        put(2, 54 + 12, 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, quint32(width), 4);
        put(22, quint32(height), 4);
        put(26, 1, 2);
        put(28, 24, 2);
        return b + QByteArray(12, '\x7f');
    };
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QString limits = QStringLiteral(" pixels, too large for a skin. A picture may be at most 16,384 pixels "
                                          "wide and 16,384 pixels high, and hold at most 67,108,864 pixels.");
    QTest::newRow("wider than 16384") << bmp(20000, 2) << QStringLiteral("The picture is 20,000 x 2") + limits;
    QTest::newRow("9000 x 9000, over 64 Mi pixels")
        << bmp(9000, 9000) << QStringLiteral("The picture is 9,000 x 9,000") + limits;
}

void TestEdit::oversizedClipboardPictureIsRefusedUndecoded()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    select(16);
    const QImage picture = patterned(21, 17);
    MainForm->DesktopImg->assignPicture(picture);
    auto *data = new QMimeData;
    data->setData(QStringLiteral("image/bmp"), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    MainForm->Paste1->trigger();
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages[0].text, message);
    QCOMPARE(MainForm->DesktopImg->Picture(), picture);
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
}

// --- Colour swatches ------------------------------------------------------------

void TestEdit::swatchDialog_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("answer"); // "colour", "cancel" or "fails"
    QTest::addColumn<int>("colorNumber");
    QTest::addColumn<QString>("message");

    const int white = 0x00FFFFFF, black = 0, chosen = 0x00336699;
    QTest::newRow("foreground takes the colour") << "pbFore" << "colour" << chosen << "";
    QTest::newRow("background takes the colour") << "pbBack" << "colour" << chosen << "";
    QTest::newRow("cancel keeps it") << "pbFore" << "cancel" << white << "";
    QTest::newRow("no dialog: message, kept") << "pbBack" << "fails" << black
                                              << "Color selection dialog failed to load";
}

void TestEdit::swatchDialog()
{
    QFETCH(QString, box);
    QFETCH(QString, answer);
    QFETCH(QString, message);
    FakeServices *fake = this->fake();
    if (answer == QLatin1String("colour"))
        fake->colors.enqueue(QColor(0x99, 0x66, 0x33));
    fake->colorDialogFails = answer == QLatin1String("fails");
    auto *swatch = MainForm->findChild<TPaintBox *>(box);
    QTest::mouseDClick(swatch, Qt::LeftButton);
    QTEST(int(swatch->Color()), "colorNumber");
    if (message.isEmpty()) {
        QVERIFY(fake->messages.isEmpty());
    } else {
        QCOMPARE(fake->messages.size(), 1);
        QCOMPARE(fake->messages[0].text, message);
        QCOMPARE(fake->messages[0].caption, QStringLiteral("Vorlix"));
        QCOMPARE(fake->messages[0].buttons, MsgButtons::Ok);
    }
}

void TestEdit::swatchPaintAndExchange()
{
    TPaintBox *fore = MainForm->pbFore;
    TPaintBox *back = MainForm->pbBack;
    QCOMPARE(fore->Color(), 0x00FFFFFF);
    QCOMPARE(back->Color(), 0);
    fore->setColorNumber(0x00336699);
    back->setColorNumber(std::int32_t(0x8000000F)); // button face, a system colour
    QTest::mouseClick(MainForm->exchClr, Qt::LeftButton);
    QCOMPARE(fore->Color(), std::int32_t(0x8000000F)); // kept as a system colour
    QCOMPARE(back->Color(), 0x00336699);

    // A filled square inside a one-pixel black outline.
    const QImage face = back->grab().toImage();
    QCOMPARE(face.size(), QSize(25, 25));
    for (const QPoint p : {QPoint(0, 0), QPoint(24, 0), QPoint(0, 24), QPoint(24, 24), QPoint(12, 0)})
        QCOMPARE(face.pixelColor(p), QColor(Qt::black));
    for (const QPoint p : {QPoint(1, 1), QPoint(12, 12), QPoint(23, 23)})
        QCOMPARE(face.pixelColor(p), QColor(0x99, 0x66, 0x33));
    QCOMPARE(fore->grab().toImage().pixelColor(12, 12),
             QGuiApplication::palette().color(QPalette::Active, QPalette::Button));
}

// --- Window-wide shortcuts ------------------------------------------------------

void TestEdit::shortcutsReachHandlersFromEveryFocus_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("tree") << "SelTree";
    QTest::newRow("state slider") << "StateChanger";
    QTest::newRow("zoom bar") << "ScrollZoom";
    QTest::newRow("Save BMP") << "Button2";
}

void TestEdit::shortcutsReachHandlersFromEveryFocus()
{
    QFETCH(QString, focus);
    showActive();
    select(16);
    const QImage picture = patterned(21, 17);
    MainForm->DesktopImg->assignPicture(picture);
    auto *w = MainForm->findChild<QWidget *>(focus);
    w->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), w);
    const auto key = [w](Qt::Key k, Qt::KeyboardModifiers m = Qt::ControlModifier) {
        QTest::keyClick(w, k, m);
    };

    key(Qt::Key_A);
    QVERIFY(MainForm->SelectBtn->isLatched());
    QCOMPARE(G().SelectionRect, (Rect{0, 0, 21, 17}));
    key(Qt::Key_C);
    QCOMPARE(clipboardPicture(), picture);
    key(Qt::Key_Delete, Qt::NoModifier); // Delete alone is no shortcut
    QCOMPARE(MainForm->DesktopImg->Picture(), picture);
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
    key(Qt::Key_Delete);
    QCOMPARE(MainForm->DesktopImg->Picture(), uniform(21, 17, Qt::white));
    QVERIFY(MainForm->ApplyBtn->isEnabled());
    key(Qt::Key_Z);
    QCOMPARE(MainForm->DesktopImg->Picture(), picture);
    key(Qt::Key_X);
    QCOMPARE(MainForm->DesktopImg->Picture(), uniform(21, 17, Qt::white));
    key(Qt::Key_V);
    QCOMPARE(MainForm->DesktopImg->Picture(), picture);
    key(Qt::Key_D);
    QVERIFY(!MainForm->SelectBtn->isLatched());
    QCOMPARE(G().SelectionRect, Rect{});
    const qsizetype asked = fake()->fileRequests.size();
    key(Qt::Key_O);
    QCOMPARE(fake()->fileRequests.size(), asked + 1);
    QCOMPARE(QApplication::focusWidget(), w);
}

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
