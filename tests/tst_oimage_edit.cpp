// The image view's edits: rectangle copy and fill, resize, whole-picture
// clipboard operations and their keys, and the undo snapshot they take.
#include <QtTest>

#include "Pictures.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>

#include <climits>
#include <functional>

#include "platform/Errors.h"
#include "view/OImage.h"

using vorlix::Rect;
using vorlix::TOImage;

namespace {

QImage bgr(const QImage &img)
{
    return img.convertToFormat(QImage::Format_BGR888);
}

QImage clipboardImage()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasImage())
        return {};
    return bgr(QGuiApplication::clipboard()->image());
}

enum class Edit { FillArea, ResizeSharp, ResizeSmooth, Cut, Paste, CopyRect, Copy };

void apply(TOImage &v, Edit edit)
{
    switch (edit) {
    case Edit::FillArea: v.FillArea(Rect{5, 4, 1, 1}, 0x00ff00ffu); break;
    case Edit::ResizeSharp: v.ResizePicture(4, 3, 0); break;
    case Edit::ResizeSmooth: v.ResizePicture(16, 12, 1); break;
    case Edit::Cut: v.CutToClipboard(); break;
    case Edit::Paste: v.PasteFromClipboard(); break;
    case Edit::CopyRect: v.CopyRectToClipboard(Rect{0, 0, 3, 3}); break;
    case Edit::Copy: v.CopyToClipboard(); break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Rect)
Q_DECLARE_METATYPE(Edit)

class TestOImageEdit : public QObject
{
    Q_OBJECT
private slots:
    void fillArea_data();
    void fillArea();
    void fillAreaColourForms();

    void snapshotAndView_data();
    void snapshotAndView();
    void fillThenRestoreUndo();

    void copyRect_data();
    void copyRect();

    void sharpResize_data();
    void sharpResize();
    void resizeEdgeCases();

    void paste();
    void keys_data();
    void keys();
};

void TestOImageEdit::fillArea_data()
{
    QTest::addColumn<Rect>("rect");
    QTest::addColumn<QRect>("filled");

    QTest::newRow("left to right") << Rect{1, 1, 4, 3} << QRect(1, 1, 3, 2);
    QTest::newRow("right to left") << Rect{4, 1, 1, 3} << QRect(1, 1, 3, 2);
    QTest::newRow("bottom to top") << Rect{4, 3, 1, 1} << QRect(1, 1, 3, 2);
    QTest::newRow("over the edges") << Rect{-3, 4, 20, -2} << QRect(0, 0, 8, 4);
    QTest::newRow("extreme corners") << Rect{INT_MAX, INT_MIN, INT_MIN, INT_MAX} << QRect(0, 0, 8, 6);
    QTest::newRow("outside") << Rect{9, 2, 12, 4} << QRect();
    QTest::newRow("zero width") << Rect{3, 1, 3, 5} << QRect();
}

void TestOImageEdit::fillArea()
{
    QFETCH(Rect, rect);
    QFETCH(QRect, filled);
    // Each case also on the picture turned on its side, taller than wide,
    // and that one first: a fill that mixed up width and height stays inside
    // that picture's memory and fails the comparison, before it would write
    // past the end of the wider one.
    struct Case
    {
        QSize size;
        Rect rect;
        QRect filled;
    };
    const Case cases[] = {
        {QSize(6, 8), Rect{rect.Top, rect.Left, rect.Bottom, rect.Right},
         QRect(filled.y(), filled.x(), filled.height(), filled.width())},
        {QSize(8, 6), rect, filled},
    };
    for (const Case &c : cases) {
        TOImage v;
        const QImage before = patterned(c.size.width(), c.size.height());
        v.assignPicture(before);
        v.FillArea(c.rect, 0x00336699u);

        // Right column and bottom row are exclusive; nothing outside is touched.
        QImage expected = before;
        for (int y = c.filled.top(); y <= c.filled.bottom(); ++y)
            for (int x = c.filled.left(); x <= c.filled.right(); ++x)
                expected.setPixelColor(x, y, QColor(0x99, 0x66, 0x33));
        QCOMPARE(v.Picture(), expected);
    }
}

void TestOImageEdit::fillAreaColourForms()
{
    TOImage v;
    const Rect all{0, 0, 2, 2};
    v.assignPicture(patterned(2, 2));
    v.FillArea(all, 0x12345678u); // top byte ignored, red in the low byte
    QCOMPARE(v.Picture(), uniform(2, 2, QColor(0x78, 0x56, 0x34)));
    v.FillArea(all, QColor(1, 2, 3));
    QCOMPARE(v.Picture(), uniform(2, 2, QColor(1, 2, 3)));
    v.FillArea(all, Qt::white); // not the colour number 3
    QCOMPARE(v.Picture(), uniform(2, 2, Qt::white));
    v.FillArea(all, 0x8000000Fu); // a system colour: button face
    QCOMPARE(v.Picture(), uniform(2, 2, QGuiApplication::palette().color(QPalette::Active, QPalette::Button)));
}

void TestOImageEdit::snapshotAndView_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("changes");

    QTest::newRow("FillArea") << Edit::FillArea << true;
    QTest::newRow("ResizePicture sharp") << Edit::ResizeSharp << true;
    QTest::newRow("ResizePicture smooth") << Edit::ResizeSmooth << true;
    QTest::newRow("CutToClipboard") << Edit::Cut << true;
    QTest::newRow("PasteFromClipboard") << Edit::Paste << true;
    QTest::newRow("CopyRectToClipboard") << Edit::CopyRect << false;
    QTest::newRow("CopyToClipboard") << Edit::Copy << false;
}

void TestOImageEdit::snapshotAndView()
{
    QFETCH(Edit, edit);
    QFETCH(bool, changes);
    const QImage picture = patterned(8, 6);
    const QImage marker = uniform(2, 2, Qt::yellow);

    for (const bool undo : {true, false}) {
        QGuiApplication::clipboard()->setImage(uniform(5, 5, Qt::cyan));
        TOImage v;
        v.resize(20, 20);
        v.setUndo(undo);
        v.assignPicture(picture);
        v.SetZoom(4);
        v.setOffsetX(2);
        v.setOffsetY(1);
        v.setUndoBitmap(marker);
        QSignalSpy changed(&v, &TOImage::OnPictureChanged);

        apply(v, edit);

        const QString when = undo ? "Undo on" : "Undo off";
        QVERIFY2((v.Picture() != picture) == changes, qPrintable(when));
        QVERIFY2((changed.count() > 0) == changes, qPrintable(when));
        // Only the picture changes: the view stays where it was.
        QCOMPARE(v.Zoom(), 4.0);
        QCOMPARE(QPoint(v.OffsetX(), v.OffsetY()), QPoint(2, 1));
        QCOMPARE(v.UndoBitmap(), undo && changes ? picture : marker);
    }
}

void TestOImageEdit::fillThenRestoreUndo()
{
    TOImage v;
    v.setUndo(true);
    const QImage before = patterned(8, 6);
    v.assignPicture(before);
    v.FillArea(Rect{0, 0, 8, 6}, 0x00ffffffu);
    v.FillArea(Rect{2, 2, 4, 4}, 0u);
    v.RestoreUndo(); // one step: back to the white picture
    QCOMPARE(v.Picture(), uniform(8, 6, Qt::white));
    v.setUndoBitmap(before);
    v.RestoreUndo();
    QCOMPARE(v.Picture(), before);
}

void TestOImageEdit::copyRect_data()
{
    QTest::addColumn<Rect>("rect");
    QTest::addColumn<QRect>("block"); // normalised; empty: clipboard untouched

    QTest::newRow("inside") << Rect{1, 2, 4, 5} << QRect(1, 2, 3, 3);
    QTest::newRow("right to left") << Rect{4, 5, 1, 2} << QRect(1, 2, 3, 3);
    QTest::newRow("over the edges") << Rect{-2, 4, 10, 9} << QRect(-2, 4, 12, 5);
    QTest::newRow("all outside") << Rect{20, 20, 22, 21} << QRect(20, 20, 2, 1);
    QTest::newRow("zero width") << Rect{3, 1, 3, 5} << QRect();
    QTest::newRow("zero height") << Rect{1, 4, 6, 4} << QRect();
}

void TestOImageEdit::copyRect()
{
    QFETCH(Rect, rect);
    QFETCH(QRect, block);
    const QImage sentinel = uniform(1, 1, Qt::magenta);
    QGuiApplication::clipboard()->setImage(sentinel);
    TOImage v;
    const QImage picture = patterned(8, 6);
    v.assignPicture(picture);

    v.CopyRectToClipboard(rect);

    QImage expected = sentinel;
    if (!block.isEmpty()) {
        // Outside the picture: black, never left-over memory.
        expected = uniform(block.width(), block.height(), Qt::black);
        for (int y = 0; y < block.height(); ++y)
            for (int x = 0; x < block.width(); ++x)
                if (picture.rect().contains(block.x() + x, block.y() + y))
                    expected.setPixelColor(x, y, picture.pixelColor(block.x() + x, block.y() + y));
    }
    QCOMPARE(clipboardImage(), expected);
    QCOMPARE(v.Picture(), picture);
}

void TestOImageEdit::sharpResize_data()
{
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");

    QTest::newRow("main window halved") << QSize(550, 232) << QSize(275, 116);
    QTest::newRow("enlarged") << QSize(3, 2) << QSize(7, 5);
    QTest::newRow("uneven") << QSize(10, 7) << QSize(3, 4);
}

void TestOImageEdit::sharpResize()
{
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    TOImage v;
    const QImage source = patterned(from.width(), from.height());
    v.assignPicture(source);
    v.ResizePicture(to.width(), to.height(), 0);
    QCOMPARE(v.Picture().format(), QImage::Format_BGR888);
    QCOMPARE(v.Picture(), sharpReference(source, to.width(), to.height()));
    if (from == QSize(550, 232)) // every other pixel, the odd ones
        QCOMPARE(v.Picture().pixelColor(10, 7), source.pixelColor(21, 15));
}

void TestOImageEdit::resizeEdgeCases()
{
    TOImage v;
    v.setUndo(true);
    const QImage picture = patterned(6, 4);

    // No width or height left: an empty picture, either mode.
    for (const QSize size : {QSize(0, 5), QSize(5, 0), QSize(-3, -3)}) {
        for (const int mode : {0, 1}) {
            v.assignPicture(picture);
            v.ResizePicture(size.width(), size.height(), mode);
            QVERIFY(v.Picture().isNull());
        }
    }

    // From nothing: sharp gives black, smooth refuses after the snapshot.
    v.assignPicture(QImage());
    v.ResizePicture(3, 2, 0);
    QCOMPARE(v.Picture(), uniform(3, 2, Qt::black));
    v.assignPicture(QImage());
    v.setUndoBitmap(picture);
    QVERIFY_THROWS_EXCEPTION(vorlix::VorlixError, v.ResizePicture(3, 2, 1));
    QVERIFY(v.Picture().isNull());
    QVERIFY(v.UndoBitmap().isNull());

    // A size that can't be allocated throws and keeps the picture.
    v.assignPicture(picture);
    QVERIFY_THROWS_EXCEPTION(vorlix::VorlixError, v.ResizePicture(INT_MAX, INT_MAX, 0));
    QCOMPARE(v.Picture(), picture);
    QVERIFY_THROWS_EXCEPTION(vorlix::VorlixError, v.CopyRectToClipboard(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));

    // Cutting or copying nothing leaves clipboard and snapshot alone.
    const QImage sentinel = uniform(1, 1, Qt::magenta);
    QGuiApplication::clipboard()->setImage(sentinel);
    v.assignPicture(QImage());
    v.setUndoBitmap(picture);
    v.CutToClipboard();
    v.CopyToClipboard();
    QCOMPARE(clipboardImage(), sentinel);
    QCOMPARE(v.UndoBitmap(), picture);
}

void TestOImageEdit::paste()
{
    TOImage v;
    v.resize(100, 100);
    v.setUndo(true);
    const QImage picture = patterned(10, 10);
    v.assignPicture(picture);
    v.setDrawStyle(TOImage::dsStretchRatio);
    QCOMPARE(v.Zoom(), 10.0);

    // Text only: nothing happens, not even a snapshot.
    QGuiApplication::clipboard()->setText(QStringLiteral("not a picture"));
    v.setUndoBitmap(QImage());
    v.PasteFromClipboard();
    QCOMPARE(v.Picture(), picture);
    QVERIFY(v.UndoBitmap().isNull());

    // An image with alpha comes in as 24 bits and is fitted to the view.
    QImage argb(50, 20, QImage::Format_ARGB32);
    argb.fill(QColor(10, 20, 30));
    QGuiApplication::clipboard()->setImage(argb);
    v.PasteFromClipboard();
    QCOMPARE(v.Picture(), uniform(50, 20, QColor(10, 20, 30)));
    QCOMPARE(v.UndoBitmap(), picture);
    QCOMPARE(v.Zoom(), 2.0);
}

namespace {
enum class Outcome { Nothing, Copied, Cut, Pasted };
}
Q_DECLARE_METATYPE(Outcome)

void TestOImageEdit::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<bool>("tabStop");
    QTest::addColumn<Outcome>("outcome");

    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << true << Outcome::Copied;
    QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << true << Outcome::Cut;
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << true << Outcome::Pasted;
    QTest::newRow("Ctrl+Insert") << int(Qt::Key_Insert) << ctrl << true << Outcome::Copied;
    QTest::newRow("Shift+Insert") << int(Qt::Key_Insert) << shift << true << Outcome::Pasted;
    QTest::newRow("Ctrl+Shift+Insert") << int(Qt::Key_Insert) << (ctrl | shift) << true << Outcome::Pasted;
    QTest::newRow("Shift+Delete") << int(Qt::Key_Delete) << shift << true << Outcome::Cut;
    QTest::newRow("Insert") << int(Qt::Key_Insert) << Qt::KeyboardModifiers() << true << Outcome::Nothing;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << true << Outcome::Nothing;
    QTest::newRow("Ctrl+Alt+C") << int(Qt::Key_C) << (ctrl | Qt::AltModifier) << true << Outcome::Nothing;
    // Without TabStop a click leaves the focus where it was.
    QTest::newRow("Ctrl+C, no TabStop") << int(Qt::Key_C) << ctrl << false << Outcome::Nothing;
    QTest::newRow("Shift+Delete, no TabStop") << int(Qt::Key_Delete) << shift << false << Outcome::Nothing;
    QTest::newRow("Ctrl+V, no TabStop") << int(Qt::Key_V) << ctrl << false << Outcome::Nothing;
}

void TestOImageEdit::keys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(bool, tabStop);
    QFETCH(Outcome, outcome);

    QWidget host;
    host.resize(200, 100);
    auto *edit = new QLineEdit(&host);
    edit->setGeometry(0, 0, 80, 20);
    auto *v = new TOImage(&host);
    v->setGeometry(0, 30, 100, 60);
    v->setTabStop(tabStop);
    host.show();
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    edit->setFocus();

    const QImage picture = patterned(8, 6);
    const QImage other = uniform(5, 5, Qt::cyan);
    v->assignPicture(picture);
    QGuiApplication::clipboard()->setImage(other);

    QTest::mouseClick(v, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(QApplication::focusWidget() == v, tabStop);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);

    const QImage expectedPicture = outcome == Outcome::Cut    ? QImage()
                                   : outcome == Outcome::Pasted ? other
                                                                : picture;
    const QImage expectedClipboard = outcome == Outcome::Copied || outcome == Outcome::Cut ? picture : other;
    QCOMPARE(v->Picture(), expectedPicture);
    QCOMPARE(clipboardImage(), expectedClipboard);
}

QTEST_MAIN(TestOImageEdit)
#include "tst_oimage_edit.moc"
