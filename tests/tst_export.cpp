// Applying edits to the skin, writing the skin as BMP files, and saving the
// shown picture.
#include <QPainter>
#include <QtTest>

#include "FakeServices.h"
#include "Pictures.h"
#include "Unprivileged.h"
#include "output/FastDIB.h"
#include "output/SkinExport.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

#include <clocale>
#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using namespace vorlix;

namespace {

quint32 le(const QByteArray &b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// The skin's files in the order "Save BMP" writes them.
QStringList skinNames()
{
    return {"main.bmp",     "titlebar.bmp", "cbuttons.bmp", "shufrep.bmp", "playpaus.bmp",
            "volume.bmp",   "balance.bmp",  "monoster.bmp", "posbar.bmp",
            // then the other windows' sheets
            "eqmain.bmp",   "eq_ex.bmp",    "pledit.bmp",   "text.bmp",    "numbers.bmp",
            "nums_ex.bmp",  "mb.bmp",
            // and the colours
            "viscolor.txt", "pledit.txt"};
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        initApplication(*qApp);
        // The reasons in the messages are checked in English.
        std::setlocale(LC_MESSAGES, "C");
    }
    void init();
    void cleanup();

    void bmpLayout_data();
    void bmpLayout();
    void writerRefusesWhatItCannotWrite();

    void applyYesLandsInTheShownState();
    void applyOnRecordsWithoutAPlaceWritesNothing_data();
    void applyOnRecordsWithoutAPlaceWritesNothing();
    void changingElementWithPendingEdits_data();
    void changingElementWithPendingEdits();
    void changingElementWithoutEditsAsksNothing();

    void saveBmpWritesTheSkin();
    void saveBmpNoDropsEditsAndYesKeepsThem();
    void saveBmpCancelWritesNothing();
    void saveBmpWritesEachChangeOfASheet_data();
    void saveBmpWritesEachChangeOfASheet();
    void saveBmpFailures_data();
    void saveBmpFailures();
    void saveBmpFailingWriteKeepsEveryOldFile();

    void saveImageName_data();
    void saveImageName();
    void saveImageAsksBeforeReplacing();
    void saveImageWithoutPicture();

private:
    void select(int index);
    void makePendingEdit(QRgb colour);
    FakeServices *fake() const { return m_services->fake; }
    FakeServicesScope *m_services = nullptr;
    AppWindows m_windows;
    QTemporaryDir *m_dir = nullptr;
};

void TestExport::init()
{
    resetGlobals();
    m_services = new FakeServicesScope;
    m_windows = createWindows();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    MainForm->OutputDir->setText(m_dir->path());
}

void TestExport::cleanup()
{
    m_windows = AppWindows();
    delete m_services;
    delete m_dir;
}

void TestExport::select(int index)
{
    MainForm->SelTree->selectAbsolute(index);
    MainForm->SelTreeChange();
}

// What paste, delete and cut leave behind: a changed view and ApplyBtn on.
void TestExport::makePendingEdit(QRgb colour)
{
    MainForm->DesktopImg->pictureBits().fill(QColor::fromRgb(colour));
    MainForm->ApplyBtn->setEnabled(true);
}

void TestExport::bmpLayout_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("rowBytes");
    QTest::newRow("one pixel wide: 1 padding byte") << 1 << 3 << 4;
    QTest::newRow("four wide: no padding") << 4 << 2 << 12;
    QTest::newRow("one row") << 5 << 1 << 16;
    QTest::newRow("main sheet") << 275 << 116 << 828;
}

void TestExport::bmpLayout()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, rowBytes);
    QImage picture = patterned(w, h);
    const QString path = m_dir->filePath(QStringLiteral("p.bmp"));
    WriteBitmapFile(path, picture);
    const QByteArray b = readAll(path);

    QCOMPARE(b.size(), 26 + rowBytes * h);
    if (w == 275)
        QCOMPARE(b.size(), 96074);
    QCOMPARE(b.left(2), QByteArray("BM"));
    QCOMPARE(le(b, 2, 4), quint32(b.size()));
    QCOMPARE(le(b, 6, 4), 0u);  // both reserved fields
    QCOMPARE(le(b, 10, 4), 26u); // pixels follow the two headers
    QCOMPARE(le(b, 14, 4), 12u); // core header
    QCOMPARE(le(b, 18, 2), quint32(w));
    QCOMPARE(le(b, 20, 2), quint32(h));
    QCOMPARE(le(b, 22, 2), 1u);
    QCOMPARE(le(b, 24, 2), 24u);
    // Bottom row first, blue-green-red, zero padding.
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        const char *p = b.constData() + 26 + row * rowBytes;
        for (int x = 0; x < w; ++x) {
            const QRgb c = picture.pixel(x, y);
            QCOMPARE(quint8(p[3 * x]), quint8(qBlue(c)));
            QCOMPARE(quint8(p[3 * x + 1]), quint8(qGreen(c)));
            QCOMPARE(quint8(p[3 * x + 2]), quint8(qRed(c)));
        }
        for (int i = 3 * w; i < rowBytes; ++i)
            QCOMPARE(quint8(p[i]), quint8(0));
    }
    QVERIFY(samePixels(QImage(path, "BMP"), picture));
}

void TestExport::writerRefusesWhatItCannotWrite()
{
    QImage empty;
    const QString path = m_dir->filePath(QStringLiteral("e.bmp"));
    QVERIFY_THROWS_EXCEPTION(VorlixError, WriteBitmapFile(path, empty));
    QImage wide(70000, 1, QImage::Format_BGR888); // beyond the 16-bit size field
    wide.fill(Qt::black);
    QVERIFY_THROWS_EXCEPTION(VorlixError, WriteBitmapFile(path, wide));
    QVERIFY(!QFile::exists(path));
    // Other formats are brought to 24 bits in place first.
    QImage argb(3, 2, QImage::Format_ARGB32);
    argb.fill(qRgb(10, 20, 30));
    WriteBitmapFile(path, argb);
    QCOMPARE(argb.format(), QImage::Format_BGR888);
    QCOMPARE(QImage(path).pixel(2, 1), qRgb(10, 20, 30));
}

void TestExport::applyYesLandsInTheShownState()
{
    select(16); // "Play"
    MainForm->StateChanger->setValue(1);
    QCOMPARE(G().CurrentState, 1);
    QImage expected = *G().sheet(skCButtons);
    for (int y = 18; y < 36; ++y)
        for (int x = 23; x < 46; ++x)
            expected.setPixel(x, y, qRgb(1, 2, 3));
    makePendingEdit(qRgb(1, 2, 3));
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtn->click();

    QCOMPARE(fake()->messages.size(), 1);
    const RecordedMessage m = fake()->messages.first();
    QCOMPARE(m.caption, QStringLiteral("Vorlix"));
    QCOMPARE(m.text, QStringLiteral("Apply Changes ?"));
    QCOMPARE(m.icon, MsgIcon::Question);
    QCOMPARE(m.buttons, MsgButtons::YesNoCancel);
    QCOMPARE(*G().sheet(skCButtons), expected);
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
}

void TestExport::applyOnRecordsWithoutAPlaceWritesNothing_data()
{
    QTest::addColumn<int>("node");
    QTest::newRow("group: Control Buttons") << 14;
    QTest::newRow("record without data") << 30;
    QTest::newRow("colours, no picture") << 53;
    QTest::newRow("group of the shaded bars") << 48;
}

void TestExport::applyOnRecordsWithoutAPlaceWritesNothing()
{
    QFETCH(int, node);
    select(16); // the view holds "Play" when a node past 44 is chosen
    select(node);
    std::array<QImage, kSheetCount> before;
    for (int k = 0; k < kSheetCount; ++k)
        before[size_t(k)] = *G().sheet(SheetKind(k));
    makePendingEdit(qRgb(9, 9, 9));
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    for (int k = 0; k < kSheetCount; ++k)
        QVERIFY2(*G().sheet(SheetKind(k)) == before[size_t(k)], qPrintable(QString::number(k)));
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
}

void TestExport::changingElementWithPendingEdits_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("nodeAfter");
    QTest::addColumn<bool>("sheetChanged");
    QTest::addColumn<bool>("pendingAfter");
    QTest::newRow("yes writes, then moves") << MsgAnswer::Yes << 15 << true << false;
    QTest::newRow("no drops the edits and moves") << MsgAnswer::No << 15 << false << false;
    QTest::newRow("cancel stays with the edits") << MsgAnswer::Cancel << 16 << false << true;
}

void TestExport::changingElementWithPendingEdits()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(int, nodeAfter);
    QFETCH(bool, sheetChanged);
    QFETCH(bool, pendingAfter);
    select(16);
    const QImage sheetBefore = *G().sheet(skCButtons);
    makePendingEdit(qRgb(200, 0, 200));
    const QImage edited = MainForm->DesktopImg->Picture();

    // Hovering "Previous Track" only points at it: no question, no move.
    MainForm->selectimgMouseMove(Qt::NoButton, 10, 60);
    QVERIFY(fake()->messages.isEmpty());
    QCOMPARE(MainForm->SelTree->absoluteIndex(), 16);
    QCOMPARE(MainForm->selectimg->picture().pixel(9, 60), qRgb(255, 255, 0)); // its outline
    QVERIFY(MainForm->ApplyBtn->isEnabled());
    // A click chooses it, and the pending edits are asked about.
    fake()->answers.enqueue(answer);
    MainForm->selectimgClick();
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(MainForm->SelTree->absoluteIndex(), nodeAfter);
    QCOMPARE(*G().sheet(skCButtons) != sheetBefore, sheetChanged);
    if (sheetChanged)
        QCOMPARE(G().sheet(skCButtons)->pixel(23, 0), qRgb(200, 0, 200)); // Play, state 0
    QCOMPARE(MainForm->ApplyBtn->isEnabled(), pendingAfter);
    if (answer == MsgAnswer::Cancel) {
        QCOMPARE(MainForm->DesktopImg->Picture(), edited);
        // Moving on asks nothing; the next click asks again.
        MainForm->selectimgMouseMove(Qt::NoButton, 45, 60); // "Pause"
        QCOMPARE(fake()->messages.size(), 1);
        fake()->answers.enqueue(MsgAnswer::Cancel);
        MainForm->selectimgClick();
        QCOMPARE(fake()->messages.size(), 2);
        QCOMPARE(MainForm->SelTree->absoluteIndex(), 16);
    }
}

void TestExport::changingElementWithoutEditsAsksNothing()
{
    select(16);
    MainForm->selectimgMouseMove(Qt::NoButton, 10, 60);
    QCOMPARE(MainForm->SelTree->absoluteIndex(), 15);
    QVERIFY(fake()->messages.isEmpty());
}

void TestExport::saveBmpWritesTheSkin()
{
    // A trailing separator is kept: the doubled one reaches the file system.
    MainForm->OutputDir->setText(m_dir->path() + QLatin1Char('/'));
    MainForm->Button2->click();
    QVERIFY(fake()->messages.isEmpty()); // nothing pending: nothing to ask
    QStringList written = QDir(m_dir->path()).entryList(QDir::Files, QDir::Name);
    QStringList expected = skinNames();
    expected.sort();
    QCOMPARE(written, expected);

    QHash<QString, QByteArray> first;
    for (SheetKind k : kSkinFileOrder) {
        const QString path = m_dir->filePath(sheetFileName(k));
        first.insert(path, readAll(path));
        QVERIFY2(samePixels(QImage(path, "BMP"), *G().sheet(k)), qPrintable(path));
    }
    QCOMPARE(first.value(m_dir->filePath(QStringLiteral("main.bmp"))).size(), 96074);

    MainForm->Button2Click();
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        QVERIFY2(readAll(it.key()) == it.value(), qPrintable(it.key()));
}

void TestExport::saveBmpNoDropsEditsAndYesKeepsThem()
{
    select(16);
    const QString cbuttons = m_dir->filePath(QStringLiteral("cbuttons.bmp"));
    makePendingEdit(qRgb(0, 0, 255));
    fake()->answers.enqueue(MsgAnswer::No);
    MainForm->Button2Click();
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
    QVERIFY(QImage(cbuttons).pixel(23, 0) != qRgb(0, 0, 255));

    // Dropped: the next Save BMP asks nothing and writes the sheet without it.
    const qsizetype asked = fake()->messages.size();
    MainForm->Button2Click();
    QCOMPARE(fake()->messages.size(), asked);
    QVERIFY(QImage(cbuttons).pixel(23, 0) != qRgb(0, 0, 255));

    // A new edit answered Yes is written.
    makePendingEdit(qRgb(0, 0, 255));
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->Button2Click();
    QCOMPARE(QImage(cbuttons).pixel(23, 0), qRgb(0, 0, 255));
    QCOMPARE(QImage(cbuttons).pixel(23, 18), G().sheet(skCButtons)->pixel(23, 18));
}

void TestExport::saveBmpCancelWritesNothing()
{
    select(16);
    makePendingEdit(qRgb(0, 0, 255));
    fake()->answers.enqueue(MsgAnswer::Cancel);
    MainForm->Button2Click();
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
    QVERIFY(MainForm->ApplyBtn->isEnabled());
}

void TestExport::saveBmpWritesEachChangeOfASheet_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a pixel set") << "setPixel";
    QTest::newRow("painted over") << "painter";
    QTest::newRow("filled") << "fill";
    QTest::newRow("replaced by another picture") << "assign";
}

void TestExport::saveBmpWritesEachChangeOfASheet()
{
    QFETCH(QString, how);
    // Saved once, so the bytes of every sheet have been made; then one sheet
    // changes and only its file must change.
    MainForm->Button2Click();
    const QString volume = m_dir->filePath(QStringLiteral("volume.bmp"));
    const QByteArray mainBefore = readAll(m_dir->filePath(QStringLiteral("main.bmp")));
    QImage &sheet = *G().sheet(skVolume);
    const QRgb colour = qRgb(1, 2, 250);
    if (how == QLatin1String("setPixel")) {
        sheet.setPixel(3, 4, colour);
    } else if (how == QLatin1String("painter")) {
        QPainter p(&sheet);
        p.fillRect(3, 4, 1, 1, QColor(colour));
    } else if (how == QLatin1String("fill")) {
        sheet.fill(QColor(colour));
    } else {
        QImage other = sheet.copy();
        other.setPixel(3, 4, colour);
        sheet = other;
    }
    MainForm->Button2Click();
    QCOMPARE(QImage(volume).pixel(3, 4), colour);
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("main.bmp"))), mainBefore);
}

void TestExport::saveBmpFailures_data()
{
    QTest::addColumn<QString>("blocker"); // what stands in the way, under the output dir
    QTest::addColumn<QString>("outputSuffix");
    QTest::addColumn<QString>("failingFile");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing directory") << QString() << "/missing/" << "main.bmp" << "No such file or directory";
    // A folder in the way of each file in turn: whichever it is, every file
    // keeps its old bytes.
    const QStringList names = skinNames();
    for (const QString &name : names)
        QTest::addRow("a folder where %s goes", qPrintable(name)) << name << "" << name << "Is a directory";
    QTest::newRow("read-only directory") << "#readonly" << "" << "main.bmp" << "Permission denied";
}

void TestExport::saveBmpFailures()
{
    QFETCH(QString, blocker);
    QFETCH(QString, outputSuffix);
    QFETCH(QString, failingFile);
    QFETCH(QString, reason);
    const QString dir = m_dir->path();
    const QStringList names = skinNames();
    // An old skin in the folder, then an edit of the first and the last sheet.
    QHash<QString, QByteArray> old;
    if (outputSuffix.isEmpty()) {
        MainForm->Button2Click();
        for (const QString &name : names)
            old.insert(name, readAll(QDir(dir).filePath(name)));
        fake()->messages.clear();
    }
    G().sheet(skMain)->fill(Qt::white);
    G().sheet(skMb)->fill(Qt::white);

    std::optional<AsUnprivilegedUser> user;
    if (blocker == QLatin1String("#readonly")) {
        user.emplace(QStringList{dir});
        if (!user->problem().isEmpty())
            QSKIP(qPrintable(user->problem()));
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    } else if (!blocker.isEmpty()) {
        QVERIFY(QFile::remove(QDir(dir).filePath(blocker)));
        QVERIFY(QDir(dir).mkdir(blocker));
        QFile keep(dir + QLatin1Char('/') + blocker + QStringLiteral("/keep"));
        QVERIFY(keep.open(QIODevice::WriteOnly));
    }
    MainForm->OutputDir->setText(dir + outputSuffix);
    MainForm->Button2->click(); // through the handler guard, as a user would

    QCOMPARE(fake()->messages.size(), 1);
    const RecordedMessage error = fake()->messages.last();
    QCOMPARE(error.caption, QStringLiteral("Vorlix"));
    QCOMPARE(error.icon, MsgIcon::Error);
    QCOMPARE(error.text, QStringLiteral("Cannot create file %1/%2: %3.")
                             .arg(dir + outputSuffix.chopped(outputSuffix.isEmpty() ? 0 : 1), failingFile, reason)
                             .replace(QStringLiteral("/missing/"), QStringLiteral("/missing//")));
    // All or nothing: every file as it was, no temporary beside them.
    for (const QString &name : names)
        if (name != blocker)
            QVERIFY2(readAll(QDir(dir).filePath(name)) == old.value(name), qPrintable(name));
    QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/missing")));
    QCOMPARE(QDir(dir).entryList({QStringLiteral(".vorlix-*")}, QDir::AllEntries | QDir::Hidden), QStringList());
    if (!blocker.isEmpty() && blocker != QLatin1String("#readonly"))
        QVERIFY(QFile::exists(dir + QLatin1Char('/') + blocker + QStringLiteral("/keep")));
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestExport::saveBmpFailingWriteKeepsEveryOldFile()
{
    MainForm->Button2Click();
    QHash<QString, QByteArray> old;
    for (const QString &name : skinNames())
        old.insert(name, readAll(m_dir->filePath(name)));
    QCOMPARE(old.value(QStringLiteral("main.bmp")).size(), 96074);

    G().sheet(skMain)->fill(Qt::white);
    // A file size limit makes a write fail half-way, like a disk that fills:
    // main.bmp (96074 bytes) fits, eqmain.bmp (260846) is the first that
    // doesn't.
    struct rlimit saved {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 100000;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    MainForm->Button2->click();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(fake()->messages.last().text,
             QStringLiteral("Cannot write file %1/eqmain.bmp: File too large.").arg(m_dir->path()));
    for (auto it = old.cbegin(); it != old.cend(); ++it)
        QVERIFY2(readAll(m_dir->filePath(it.key())) == it.value(), qPrintable(it.key()));
    // No half-written leftovers beside the skin.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), int(skinNames().size()));
}

void TestExport::saveImageName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "logo" << "logo.bmp";
    QTest::newRow("extension kept") << "logo.bmp" << "logo.bmp";
    QTest::newRow("upper-case extension kept") << "LOGO.BMP" << "LOGO.BMP";
    QTest::newRow("other extension") << "logo.png" << "logo.png.bmp";
}

void TestExport::saveImageName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    select(16);
    fake()->files.enqueue(m_dir->filePath(chosen));
    MainForm->SaveImage1Click();
    QCOMPARE(fake()->fileRequests.size(), 1);
    QCOMPARE(fake()->fileRequests.first().title, QStringLiteral("Save -"));
    QCOMPARE(fake()->fileRequests.first().filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{written});
    QVERIFY(samePixels(QImage(m_dir->filePath(written), "BMP"), MainForm->DesktopImg->Picture()));
    QVERIFY(fake()->messages.isEmpty());
    QCOMPARE(qtFileFilter(fake()->fileRequests.first().filter), QStringLiteral("Bitmaps (*.bmp)"));
}

void TestExport::saveImageAsksBeforeReplacing()
{
    select(16);
    const QString path = m_dir->filePath(QStringLiteral("logo.bmp"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    fake()->files.enqueue(m_dir->filePath(QStringLiteral("logo")));
    fake()->answers.enqueue(MsgAnswer::No);
    MainForm->SaveImage1Click();
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY(fake()->messages.first().text.contains(QStringLiteral("logo.bmp")));
    QCOMPARE(readAll(path), QByteArray("old"));

    fake()->files.enqueue(path);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->SaveImage1Click();
    QCOMPARE(QImage(path).size(), QSize(23, 18));

    fake()->files.clear(); // cancelled dialog: nothing more happens
    MainForm->SaveImage1Click();
    QCOMPARE(fake()->messages.size(), 2);
}

void TestExport::saveImageWithoutPicture()
{
    QVERIFY(MainForm->DesktopImg->Picture().isNull());
    MainForm->SaveImage1Click();
    QVERIFY(fake()->fileRequests.isEmpty());
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages.first().icon, MsgIcon::Information);
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
