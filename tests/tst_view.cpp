// The view as a pixel artist works it: zoom keys and Ctrl+wheel around the
// pointer, the grid, the readout, the state shown; pictures of every format;
// drops; recent skins; disabled menu items; the directories dialog's note.
#include "MainWindowFixture.h"
#include "Pictures.h"
#include "SkinFixtures.h"

#include "controls/CoolMenu.h"
#include "dialogs/SelDir.h"
#include "skin/GlobalVar.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>
#include <QStandardPaths>
#include <QPushButton>
#include <QLabel>

using namespace vorlix;

namespace {

constexpr int kBackground = 1; // MAIN (0, 0), 275 x 116
constexpr int kPlay = 16;      // CBUTTONS, states at (23, 0) and (23, 18), 23 x 18

void wheel(QWidget *w, QPoint at, int notches, Qt::KeyboardModifiers mods)
{
    QWheelEvent e(QPointF(at), w->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  mods, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

void moveTo(QWidget *w, QPoint at)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(w, &e);
}

QString hex(QRgb c)
{
    return QStringLiteral("#%1").arg(c & 0xffffff, 6, 16, QLatin1Char('0')).toUpper();
}

void drop(QWidget *target, const QString &path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(QPointF(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &dropped);
    QCoreApplication::processEvents(); // the drop acts once its event is over
}

} // namespace

class TestView : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void zoomKeys_data();
    void zoomKeys();
    void ctrlWheelKeepsThePixelUnderThePointer_data();
    void ctrlWheelKeepsThePixelUnderThePointer();
    void wheelScrolls();
    void gridFromZoom4AndRemembered();
    void readout_data();
    void readout();
    void stateText_data();
    void stateText();
    void picturesOfEveryFormat_data();
    void picturesOfEveryFormat();
    void damagedPictureSaysWhy();
    void dropsOpenSkinsAndImportPictures();
    void recentSkinsAcrossARestart();
    void disabledMenuItemLooksDisabled();
    void directoriesDialogSaysWhatIsMissing();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestView::init()
{
    // Settings of this test's own: the grid and the recent list are written.
    m_config = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
    setUpMainWindow();
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
}

void TestView::cleanup()
{
    tearDownMainWindow();
}

// --- Zoom --------------------------------------------------------------------------

void TestView::zoomKeys_data()
{
    QTest::addColumn<QList<QKeySequence>>("keys");
    QTest::addColumn<int>("zoom");
    const auto ks = [](std::initializer_list<QKeyCombination> k) {
        QList<QKeySequence> out;
        for (QKeyCombination c : k)
            out << QKeySequence(c);
        return out;
    };
    QTest::newRow("Ctrl+Plus three times") << ks({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Plus}) << 4;
    QTest::newRow("Ctrl+Equal is Plus") << ks({Qt::CTRL | Qt::Key_Equal}) << 2;
    QTest::newRow("Ctrl+Minus at 1 stays") << ks({Qt::CTRL | Qt::Key_Minus}) << 1;
    QTest::newRow("up and down") << ks({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Minus}) << 2;
    QTest::newRow("Ctrl+0 back to 1:1") << ks({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_0}) << 1;
    QList<QKeySequence> nine;
    for (int i = 0; i < 9; ++i)
        nine << QKeySequence(Qt::CTRL | Qt::Key_Plus);
    QTest::newRow("no further than 8") << nine << 8;
}

void TestView::zoomKeys()
{
    QFETCH(QList<QKeySequence>, keys);
    QFETCH(int, zoom);
    selectNode(kPlay);
    for (const QKeySequence &k : keys)
        QTest::keySequence(MainForm->SelTree, k);
    QCOMPARE(MainForm->ScrollZoom->value(), zoom);
    QCOMPARE(MainForm->DesktopImg->Zoom(), double(zoom));
    QCOMPARE(MainForm->ZoomLevel->text(), QStringLiteral("%1 %").arg(zoom * 100));
}

void TestView::ctrlWheelKeepsThePixelUnderThePointer_data()
{
    // The background at zoom 1 with offsets 0: client point = picture pixel.
    // The view is 290 x 178 with 12-pixel bars: at zoom z it shows
    // trunc(278 / z) columns and trunc(166 / z) rows.
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("notches");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("offsets");
    // Pixel (100, 50) stays under (100, 50): offsets 100 - 12, 50 - 6.
    QTest::newRow("to 8 in the middle") << QPoint(100, 50) << 7 << 8 << QPoint(88, 44);
    QTest::newRow("to 2") << QPoint(100, 50) << 1 << 2 << QPoint(50, 25);
    QTest::newRow("at the top left corner") << QPoint(5, 5) << 7 << 8 << QPoint(5, 5);
    // 110 - 13 = 97 rows down would leave a gap below: 116 - 20 = 96.
    QTest::newRow("near the bottom edge") << QPoint(270, 110) << 7 << 8 << QPoint(237, 96);
    QTest::newRow("further than 8 stops at 8") << QPoint(100, 50) << 20 << 8 << QPoint(88, 44);
}

void TestView::ctrlWheelKeepsThePixelUnderThePointer()
{
    QFETCH(QPoint, at);
    QFETCH(int, notches);
    selectNode(kBackground);
    TOImage *v = MainForm->DesktopImg;
    QCOMPARE(v->Zoom(), 1.0);
    wheel(v, at, notches, Qt::ControlModifier);
    QTEST(MainForm->ScrollZoom->value(), "zoom");
    QTEST(int(v->Zoom()), "zoom");
    QTEST(QPoint(v->OffsetX(), v->OffsetY()), "offsets");
    // Back down to 1: the whole picture again.
    wheel(v, at, -notches, Qt::ControlModifier);
    QCOMPARE(v->Zoom(), 1.0);
    QCOMPARE(QPoint(v->OffsetX(), v->OffsetY()), QPoint(0, 0));
}

void TestView::wheelScrolls()
{
    selectNode(kBackground);
    TOImage *v = MainForm->DesktopImg;
    MainForm->ScrollZoom->setValue(8);
    wheel(v, QPoint(50, 50), -2, {}); // two notches down: six rows
    QCOMPARE(QPoint(v->OffsetX(), v->OffsetY()), QPoint(0, 6));
    wheel(v, QPoint(50, 50), -1, Qt::ShiftModifier); // sideways
    QCOMPARE(QPoint(v->OffsetX(), v->OffsetY()), QPoint(3, 6));
    wheel(v, QPoint(50, 50), 50, {});
    QCOMPARE(v->OffsetY(), 0);
    QCOMPARE(v->Zoom(), 8.0); // a plain wheel never zooms
}

// --- Grid ------------------------------------------------------------------------

void TestView::gridFromZoom4AndRemembered()
{
    selectNode(kPlay);
    const QImage play = G().sheet(skCButtons)->copy(23, 0, 23, 18);
    TOImage *v = MainForm->DesktopImg;
    QVERIFY(!MainForm->PixelGrid1->isChecked());
    QTest::keyClick(MainForm->SelTree, Qt::Key_G);
    QVERIFY(MainForm->PixelGrid1->isChecked());
    for (int zoom : {2, 3, 4, 8}) {
        MainForm->ScrollZoom->setValue(zoom);
        const QImage frame = v->renderFrame();
        // Column `zoom` is the first screen column of picture pixel 1, row 1
        // inside picture pixel 0's block.
        const QRgb between = frame.pixel(zoom, 1);
        const QRgb inside = frame.pixel(zoom + 1, 1);
        QCOMPARE(inside, play.pixel(1, 0));
        QCOMPARE(between, zoom >= 4 ? qRgb(0x80, 0x80, 0x80) : play.pixel(1, 0));
    }
    // Remembered: a window made afterwards starts with the grid on.
    tearDownMainWindow();
    setUpMainWindow();
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    QVERIFY(MainForm->PixelGrid1->isChecked());
    QVERIFY(MainForm->DesktopImg->ShowGrid());
    QTest::keyClick(MainForm->SelTree, Qt::Key_G);
    QVERIFY(!MainForm->DesktopImg->ShowGrid());
}

// --- Readout and state --------------------------------------------------------------

void TestView::readout_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("offsets");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QPoint>("pixel");      // in the element
    QTest::addColumn<QString>("sheetPlace"); // "main.bmp 51, 93"
    QTest::addColumn<QPoint>("sheetPixel");
    QTest::newRow("background at 1") << kBackground << 0 << 1 << QPoint(0, 0) << QPoint(51, 93) << QPoint(51, 93)
                                     << "main.bmp 51, 93" << QPoint(51, 93);
    // Zoom 4, scrolled 10 right and 5 down: client (9, 6) is pixel 10 + 2, 5 + 1.
    QTest::newRow("background zoomed and scrolled") << kBackground << 0 << 4 << QPoint(10, 5) << QPoint(9, 6)
                                                    << QPoint(12, 6) << "main.bmp 12, 6" << QPoint(12, 6);
    QTest::newRow("Play pressed") << kPlay << 1 << 1 << QPoint(0, 0) << QPoint(3, 4) << QPoint(3, 4)
                                  << "cbuttons.bmp 26, 22" << QPoint(26, 22);
    QTest::newRow("Play at 8") << kPlay << 0 << 8 << QPoint(0, 0) << QPoint(47, 17) << QPoint(5, 2)
                               << "cbuttons.bmp 28, 2" << QPoint(28, 2);
}

void TestView::readout()
{
    QFETCH(int, node);
    QFETCH(int, state);
    QFETCH(int, zoom);
    QFETCH(QPoint, offsets);
    QFETCH(QPoint, at);
    QFETCH(QPoint, pixel);
    QFETCH(QString, sheetPlace);
    QFETCH(QPoint, sheetPixel);
    selectNode(node);
    MainForm->StateChanger->setValue(state);
    MainForm->ScrollZoom->setValue(zoom);
    MainForm->DesktopImg->setOffsetX(offsets.x());
    MainForm->DesktopImg->setOffsetY(offsets.y());
    const QImage *sheet = G().sheet(node == kPlay ? skCButtons : skMain);
    moveTo(MainForm->DesktopImg, at);
    const QString expected = QStringLiteral("x %1, y %2 \u00b7 %3 \u00b7 %4")
                                 .arg(pixel.x()).arg(pixel.y()).arg(sheetPlace, hex(sheet->pixel(sheetPixel)));
    QCOMPARE(MainForm->PointerNote->text(), expected);
    QVERIFY(MainForm->PointerNote->isVisible());
    QVERIFY(!MainForm->VerInfo->isVisible());

    // With a selection, its size too.
    MainForm->SelectAll1Click();
    moveTo(MainForm->DesktopImg, at);
    const QSize size = MainForm->DesktopImg->Picture().size();
    QCOMPARE(MainForm->PointerNote->text(),
             expected + QStringLiteral(" \u00b7 %1 \u00d7 %2").arg(size.width()).arg(size.height()));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(MainForm->DesktopImg, &leave);
    QVERIFY(!MainForm->PointerNote->isVisible());
    QVERIFY(MainForm->VerInfo->isVisible());
    QCOMPARE(MainForm->VerInfo->text(), QStringLiteral("ver : 0.0.2 alpha"));
}

void TestView::stateText_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("Play") << kPlay << 0 << "State 1 of 2 \u00b7 normal";
    QTest::newRow("Play pressed") << kPlay << 1 << "State 2 of 2 \u00b7 pressed";
    QTest::newRow("title bar") << 2 << 0 << "State 1 of 2 \u00b7 active";
    QTest::newRow("title bar, inactive") << 2 << 1 << "State 2 of 2 \u00b7 inactive";
    QTest::newRow("background") << kBackground << 0 << "State 1 of 1";
}

void TestView::stateText()
{
    QFETCH(int, node);
    QFETCH(int, state);
    selectNode(node);
    MainForm->StateChanger->setValue(state);
    QTEST(MainForm->State1->text(), "text");
    QVERIFY(MainForm->State1->isVisible());
}

// --- Pictures of every format ---------------------------------------------------------

void TestView::picturesOfEveryFormat_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("tolerance"); // lossy formats come back near, not exact
    QTest::newRow("PNG") << QByteArray("png") << 0;
    QTest::newRow("GIF") << QByteArray("gif") << 0;
    QTest::newRow("JPEG") << QByteArray("jpg") << 8;
    QTest::newRow("WebP") << QByteArray("webp") << 8;
    QTest::newRow("TIFF") << QByteArray("tiff") << 0;
    QTest::newRow("transparent PNG") << QByteArray("png-alpha") << 1;
}

void TestView::picturesOfEveryFormat()
{
    QFETCH(QByteArray, format);
    QFETCH(int, tolerance);
    const bool alpha = format == "png-alpha";
    // Written by another program than ours: ImageMagick, from a PNG.
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        QSKIP("ImageMagick's convert is not installed");
    if (format == "webp" && !QImageReader::supportedImageFormats().contains("webp"))
        QSKIP("Qt has no WebP reader here (Debian: qt6-image-formats-plugins)");
    // Play's size: the left half red, the right half blue; with alpha the
    // right half fully clear and the bottom rows half clear.
    QImage picture(23, 18, QImage::Format_ARGB32);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 23; ++x) {
            const bool left = x < 12;
            if (!alpha)
                picture.setPixel(x, y, left ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
            else
                picture.setPixel(x, y, left ? qRgba(255, 0, 0, y < 9 ? 255 : 128) : qRgba(0, 255, 0, 0));
        }
    const QString png = m_dir.filePath(QStringLiteral("source.png"));
    QVERIFY((alpha ? picture : picture.convertToFormat(QImage::Format_RGB32)).save(png, "PNG"));
    QString file = png;
    if (!format.startsWith("png")) {
        file = m_dir.filePath(QStringLiteral("picture.") + QString::fromLatin1(format));
        QStringList args{png};
        if (format == "jpg" || format == "webp")
            args << QStringLiteral("-quality") << QStringLiteral("100");
        run(QStringLiteral("convert"), args << file);
        QVERIFY2(QFileInfo(file).size() > 0, "convert wrote nothing");
    }

    selectNode(kPlay);
    MainForm->pbBack->setColor(QColor(0, 0, 0)); // what shows through
    fake()->files.enqueue(file);
    MainForm->OpenImage1Click();
    QVERIFY2(fake()->messages.isEmpty(), qPrintable(fake()->messages.isEmpty() ? QString() : fake()->messages.first().text));
    const QImage &sheet = *G().sheet(skCButtons);
    const auto near = [tolerance](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
            && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
    };
    for (const QPoint p : {QPoint(2, 2), QPoint(9, 6), QPoint(3, 14), QPoint(16, 3), QPoint(20, 15)}) {
        QRgb want = p.x() < 12 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
        if (alpha)
            want = p.x() >= 12 ? qRgb(0, 0, 0) : p.y() < 9 ? qRgb(255, 0, 0) : qRgb(128, 0, 0);
        const QRgb got = sheet.pixel(23 + p.x(), p.y());
        QVERIFY2(near(got, want), qPrintable(QStringLiteral("(%1, %2): %3 for %4").arg(p.x()).arg(p.y()).arg(hex(got), hex(want))));
    }
}

void TestView::damagedPictureSaysWhy()
{
    QImage picture = patterned(23, 18);
    QByteArray png;
    {
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        picture.save(&b, "PNG");
    }
    const QString file = m_dir.filePath(QStringLiteral("cut.png"));
    writeFile(file, png.left(png.size() / 2));
    selectNode(kPlay);
    const QImage before = *G().sheet(skCButtons);
    fake()->files.enqueue(file);
    MainForm->OpenImage1->trigger();
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY2(fake()->messages.first().text.startsWith(QStringLiteral("Cannot import \"cut.png\": damaged PNG: ")),
             qPrintable(fake()->messages.first().text));
    QCOMPARE(*G().sheet(skCButtons), before);
}

// --- Drops and recent skins ------------------------------------------------------------

void TestView::dropsOpenSkinsAndImportPictures()
{
    // A skin archive: opened.
    const QString folder = m_dir.filePath(QStringLiteral("Dropped"));
    QDir().mkpath(folder);
    writeFile(folder + QStringLiteral("/main.bmp"), bmpBytes(275, 116, 24, 5));
    const QString archive = m_dir.filePath(QStringLiteral("Dropped.wsz"));
    QVERIFY(zipFolder(folder, archive));
    fake()->answers.enqueue(MsgAnswer::Ok); // the missing sheets
    drop(MainForm, archive);
    QCOMPARE(MainForm->skinPath(), archive);
    QCOMPARE(G().sheet(skMain)->pixel(10, 10), colourAt(24, 5, 10, 10));

    // A picture: imported into the element chosen, as Open Image does.
    selectNode(kPlay);
    const QString png = m_dir.filePath(QStringLiteral("play.png"));
    QVERIFY(uniform(23, 18, QColor(9, 200, 30)).save(png, "PNG"));
    drop(MainForm, png);
    QCOMPARE(G().sheet(skCButtons)->pixel(23 + 5, 5), qRgb(9, 200, 30));
    QCOMPARE(G().sheet(skCButtons)->pixel(23 + 5, 18 + 5), qRgb(9, 200, 30));
    QCOMPARE(MainForm->Undo1->text(), QStringLiteral("Undo Import on Play"));
}

void TestView::recentSkinsAcrossARestart()
{
    QStringList skins;
    for (const char *name : {"First", "Second", "Third"}) {
        const QString folder = m_dir.filePath(QLatin1String(name));
        QDir().mkpath(folder);
        writeFile(folder + QStringLiteral("/main.bmp"), bmpBytes(275, 116, 24, 1));
        fake()->answers.enqueue(MsgAnswer::Ok);
        QVERIFY(MainForm->openSkin(folder));
        skins.prepend(folder);
    }
    fake()->answers.enqueue(MsgAnswer::Ok);
    QVERIFY(MainForm->openSkin(skins.last())); // First again: to the top
    skins.move(skins.size() - 1, 0);
    QCOMPARE(MainForm->recentSkins(), skins);

    tearDownMainWindow();
    setUpMainWindow();
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    QCOMPARE(MainForm->recentSkins(), skins);
    const QList<QAction *> items = MainForm->OpenRecent1->actions();
    QCOMPARE(items.size(), 3);
    QVERIFY(MainForm->OpenRecent1->isEnabled());

    // One gone: choosing it says so and takes it off.
    QVERIFY(QDir(skins[1]).removeRecursively());
    items[1]->trigger();
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY(fake()->messages.first().text.contains(QStringLiteral("no longer there")));
    QCOMPARE(MainForm->recentSkins(), (QStringList{skins[0], skins[2]}));
    // The one chosen next opens.
    fake()->answers.enqueue(MsgAnswer::Ok);
    MainForm->OpenRecent1->actions()[1]->trigger();
    QCOMPARE(MainForm->skinPath(), skins[2]);
}

// --- Menus and the directories dialog ----------------------------------------------------

void TestView::disabledMenuItemLooksDisabled()
{
    // Nothing to undo: Undo is greyed, Copy is not.
    auto *menu = qobject_cast<TCoolMenu *>(MainForm->pmEdit);
    QVERIFY(!MainForm->Undo1->isEnabled());
    QVERIFY(MainForm->Copy1->isEnabled());
    menu->popup(QPoint(0, 0));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    // The pointer over the disabled item: it is not highlighted either.
    moveTo(menu, menu->actionGeometry(MainForm->Undo1).center());
    const QImage im = menu->grab().toImage();
    const auto inks = [&im](const QRect &r) {
        QSet<QRgb> seen;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                seen.insert(im.pixel(x, y) & 0xffffff);
        return seen;
    };
    const QSet<QRgb> disabled = inks(menu->actionGeometry(MainForm->Undo1));
    const QSet<QRgb> enabled = inks(menu->actionGeometry(MainForm->Copy1));
    const QRgb orange = qRgb(255, 158, 62) & 0xffffff;
    QVERIFY(enabled.contains(orange));
    QVERIFY(!disabled.contains(orange));
    QVERIFY(!disabled.contains(qRgb(128, 128, 128) & 0xffffff)); // no highlight
    QVERIFY(disabled.size() > 1); // some text is drawn
    menu->close();
    MainForm->Undo1->trigger(); // a disabled action does nothing
    QVERIFY(fake()->messages.isEmpty());
}

void TestView::directoriesDialogSaysWhatIsMissing()
{
    TSelDirect dialog(MainForm);
    dialog.show();
    const QString missing = m_dir.filePath(QStringLiteral("not/yet"));
    dialog.DirectoryEdit1->setText(missing);
    QVERIFY(dialog.FolderNote->text().contains(QStringLiteral("output folder does not exist")));
    QVERIFY(dialog.CreateFolder->isVisible());
    QTest::mouseClick(dialog.CreateFolder, Qt::LeftButton);
    QVERIFY(QFileInfo(missing).isDir());
    QCOMPARE(dialog.FolderNote->text(), QString());
    QVERIFY(!dialog.CreateFolder->isVisible());
    const QString file = m_dir.filePath(QStringLiteral("a-file"));
    writeFile(file, "x");
    dialog.DirectoryEdit2->setText(file);
    QVERIFY(dialog.FolderNote->text().contains(QStringLiteral("temp folder is a file")));
    dialog.hide();
}

VORLIX_WINDOW_TEST_MAIN(TestView)
#include "tst_view.moc"
