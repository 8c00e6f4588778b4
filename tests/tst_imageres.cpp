// The size-mismatch dialog: what it shows, what "Resize" imports, and that
// every other way out imports nothing.
#include <QtTest>

#include "Pictures.h"

#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>

#include <climits>
#include <functional>
#include <memory>

#include "FakeServices.h"
#include "dialogs/ImageRes.h"
#include "platform/Errors.h"
#include "app/Application.h"
#include "controls/Controls.h"
#include "skin/GlobalVar.h"
#include "view/OImage.h"
#include "view/Resample.h"

using namespace vorlix;

namespace {

// Runs the dialog modally; `during` acts while it is up and must close it.
int execWith(TImagesRes &d, const std::function<void()> &during)
{
    QTimer::singleShot(0, &d, [&d, during] {
        during();
        if (d.isVisible()) // a failed step must not leave the test hanging
            d.reject();
    });
    return d.exec();
}

void choose(TImagesRes &d, int item)
{
    QTest::mouseClick(d.ResizeType->item(item), Qt::LeftButton);
}

} // namespace

class TestImagesRes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formShowFillsTheDialog();
    void pictureAlreadyReadIsShownWithoutReadingTheFile();
    void resizeImportsSharpMadeFromTheLoadedPicture();
    void closingImportsNothing_data();
    void closingImportsNothing();
    void freshInstanceForTheNextMismatch();
    void requiredSizeZero_data();
    void requiredSizeZero();
    void failedResizeRestoresCursorAndBlocksImport();

private:
    // A BMP file of the given size, and the editor state of a mismatch.
    QString writeFixture(const QString &name, const QImage &picture);
    void mismatch(const QString &file, int requiredWidth, int requiredHeight);

    QTemporaryDir m_dir;
    FakeServicesScope *m_services = nullptr;
    QImage m_picture;          // 550 x 232, as written to m_file
    QString m_file;
    const QImage m_marker = patterned(2, 2); // ImportPicture before the dialog
};

void TestImagesRes::initTestCase()
{
    initApplication(*qApp);
    QVERIFY(m_dir.isValid());
    m_picture = patterned(550, 232);
    m_file = writeFixture("wide.bmp", m_picture);
}

void TestImagesRes::init()
{
    resetGlobals();
    m_services = new FakeServicesScope;
    mismatch(m_file, 275, 116);
}

void TestImagesRes::cleanup()
{
    delete m_services;
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

QString TestImagesRes::writeFixture(const QString &name, const QImage &picture)
{
    const QString path = m_dir.filePath(name);
    if (!picture.save(path, "BMP"))
        qFatal("cannot write the fixture %s", qPrintable(path));
    return path;
}

void TestImagesRes::mismatch(const QString &file, int requiredWidth, int requiredHeight)
{
    GlobalVar &g = G();
    g.ImportFileName = file;
    g.RequiredWidth = requiredWidth;
    g.RequiredHeight = requiredHeight;
    g.SizeMismatch = true;
    g.ImportPicture = std::make_unique<QImage>(m_marker);
}

void TestImagesRes::formShowFillsTheDialog()
{
    TImagesRes d;
    d.ResizeType->setItemIndex(1); // a former choice does not carry over
    d.show();
    QCOMPARE(d.StaticText7->text(), QStringLiteral("550"));
    QCOMPARE(d.StaticText8->text(), QStringLiteral("232"));
    QCOMPARE(d.StaticText9->text(), QStringLiteral("275"));
    QCOMPARE(d.StaticText10->text(), QStringLiteral("116"));
    QVERIFY(d.StaticText7->width() >= d.StaticText7->sizeHint().width()); // not clipped
    QCOMPARE(d.ResizeType->ItemIndex(), 0);
    QCOMPARE(d.OImage1->Picture(), m_picture);
    QCOMPARE(d.OImage2->Picture(), sharpReference(m_picture, 275, 116));
    QVERIFY(d.btResize->isEnabled());
    QVERIFY(m_services->fake->messages.isEmpty());
}

void TestImagesRes::pictureAlreadyReadIsShownWithoutReadingTheFile()
{
    // The import hands over what its worker read; the file (550 x 232 here)
    // must not be read again, so the dialog shows the picture handed over.
    const QImage asRead = patterned(300, 150);
    TImagesRes d;
    d.setPictureAsRead(asRead);
    const int result = execWith(d, [&] {
        QCOMPARE(d.StaticText7->text(), QStringLiteral("300"));
        QCOMPARE(d.StaticText8->text(), QStringLiteral("150"));
        QCOMPARE(d.OImage1->Picture(), asRead);
        QTest::mouseClick(d.btResize, Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(*G().ImportPicture, sharpReference(asRead, 275, 116));
}

void TestImagesRes::resizeImportsSharpMadeFromTheLoadedPicture()
{
    TImagesRes d;
    QImage smooth;
    const int result = execWith(d, [&] {
        choose(d, 1);
        smooth = d.OImage2->Picture();
        // Spoil the shown result: the next resize must not start from it.
        d.OImage2->pictureBits().fill(Qt::red);
        choose(d, 0);
        QTest::mouseClick(d.btResize, Qt::LeftButton);
    });

    QCOMPARE(smooth, Resample(m_picture, 275, 116, 3));
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(*G().ImportPicture, sharpReference(m_picture, 275, 116));
    QCOMPARE(G().ImportPicture->format(), QImage::Format_BGR888);
    QCOMPARE(G().SizeMismatch, false);
    QVERIFY(!d.OImage1 && !d.OImage2);
    QVERIFY(!d.isVisible());
}

void TestImagesRes::closingImportsNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("close box") << 0;
    QTest::newRow("Escape") << 1;
}

void TestImagesRes::closingImportsNothing()
{
    QFETCH(int, how);
    TImagesRes d;
    const int result = execWith(d, [&] {
        choose(d, 1);
        if (how == 0)
            d.close();
        else
            QTest::keyClick(&d, Qt::Key_Escape);
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(*G().ImportPicture, m_marker);
    QCOMPARE(G().SizeMismatch, true);
    QVERIFY(!d.OImage1 && !d.OImage2);

    // Shown again without its views it shows nothing and still closes.
    QCOMPARE(execWith(d, [&] {
        QTest::mouseClick(d.btResize, Qt::LeftButton);
        choose(d, 0);
        d.close();
    }), int(QDialog::Rejected));
    QCOMPARE(*G().ImportPicture, m_marker);
    QCOMPARE(G().SizeMismatch, true);
    QVERIFY(m_services->fake->messages.isEmpty());
}

void TestImagesRes::freshInstanceForTheNextMismatch()
{
    auto first = std::make_unique<TImagesRes>();
    QCOMPARE(ImagesRes, first.get());
    execWith(*first, [&] { QTest::mouseClick(first->btResize, Qt::LeftButton); });
    QCOMPARE(*G().ImportPicture, sharpReference(m_picture, 275, 116));

    // The next mismatch: a smaller picture to enlarge, on a new instance.
    const QImage small = patterned(30, 20);
    mismatch(writeFixture("small.bmp", small), 45, 50);
    auto second = std::make_unique<TImagesRes>();
    QCOMPARE(ImagesRes, second.get());
    const int result = execWith(*second, [&] {
        QCOMPARE(second->StaticText7->text(), QStringLiteral("30"));
        QCOMPARE(second->ResizeType->ItemIndex(), 0);
        choose(*second, 1);
        QTest::mouseClick(second->btResize, Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(*G().ImportPicture, Resample(small, 45, 50, 3));
    QCOMPARE(G().SizeMismatch, false);

    first.reset();
    QCOMPARE(ImagesRes, second.get());
    second.reset();
    QCOMPARE(ImagesRes, nullptr);
}

void TestImagesRes::requiredSizeZero_data()
{
    QTest::addColumn<QSize>("required");
    QTest::newRow("0 x 0") << QSize(0, 0);
    QTest::newRow("no height") << QSize(275, 0);
    QTest::newRow("negative") << QSize(-1, 116);
}

void TestImagesRes::requiredSizeZero()
{
    QFETCH(QSize, required);
    mismatch(m_file, required.width(), required.height());
    TImagesRes d;
    d.show();
    QCOMPARE(d.OImage1->Picture(), m_picture);
    QVERIFY(d.OImage2->Picture().isNull());
    QVERIFY(!d.btResize->isEnabled());
    d.ResizeTypeClick();
    d.btResizeClick();
    QVERIFY(d.OImage2->Picture().isNull());
    QCOMPARE(*G().ImportPicture, m_marker);
    QCOMPARE(G().SizeMismatch, true);
    QVERIFY(m_services->fake->messages.isEmpty());
    d.close();
    QVERIFY(!d.OImage1 && !d.OImage2);
}

void TestImagesRes::failedResizeRestoresCursorAndBlocksImport()
{
    mismatch(m_file, INT_MAX, INT_MAX); // more than any picture can hold
    TImagesRes d;
    d.show(); // the first resize fails into the error box
    QCOMPARE(m_services->fake->messages.size(), 1);
    QCOMPARE(m_services->fake->messages[0].caption, QStringLiteral("Vorlix"));
    QVERIFY(!d.btResize->isEnabled());

    QVERIFY_THROWS_EXCEPTION(VorlixError, d.ResizeTypeClick());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(!d.btResize->isEnabled());
    d.btResizeClick();
    QCOMPARE(*G().ImportPicture, m_marker);
    QCOMPARE(G().SizeMismatch, true);
    d.close();
}

QTEST_MAIN(TestImagesRes)
#include "tst_imageres.moc"
