// Skins as they come in the wild: sheets of other sizes, missing sheets, PNG
// sheets, names that differ only in case, run-length files. Opened and saved
// unchanged they come back file for file; an edit changes exactly its sheet.
#include <QtTest>

#include "MainWindowFixture.h"
#include "SkinFixtures.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

namespace {

// The nine sheet files at the sizes of the skin format, written here from
// the format rather than taken from the program.
const QStringList kNine{
    "main.bmp bmp 275x116",   "titlebar.bmp bmp 344x87", "cbuttons.bmp bmp 136x36",
    "shufrep.bmp bmp 92x85",  "playpaus.bmp bmp 42x9",   "volume.bmp bmp 68x433",
    "balance.bmp bmp 68x433", "monoster.bmp bmp 58x24",  "posbar.bmp bmp 307x10",
};

// kNine with the entries for the named files replaced (or dropped when the
// replacement is empty), and more files added.
QStringList nineWith(const QMap<QString, QString> &replace, const QStringList &more = {})
{
    QStringList out;
    for (const QString &spec : kNine) {
        const QString name = spec.section(QLatin1Char(' '), 0, 0);
        if (!replace.contains(name))
            out << spec;
        else if (!replace[name].isEmpty())
            out << replace[name];
    }
    return out + more;
}

SheetKind kindNamed(const QString &name)
{
    static const QMap<QString, SheetKind> kinds{
        {"main", skMain},         {"titlebar", skTitleBar}, {"cbuttons", skCButtons},
        {"shufrep", skShufRep},   {"playpaus", skPlayPaus}, {"volume", skVolume},
        {"balance", skBalance},   {"monoster", skMonoSter}, {"posbar", skPosBar},
    };
    return kinds.value(name, skNone);
}

QImage pictureOf(int w, int h, const std::function<QRgb(int, int)> &colour)
{
    QImage img(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, colour(x, y));
    return img;
}

// The "user" bits repeat the owner's or the group's for the current user.
constexpr QFileDevice::Permissions kUserBits(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);

} // namespace

class TestFaithful : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unchangedSaveKeepsEveryFile_data();
    void unchangedSaveKeepsEveryFile();
    void realSkinsComeBackUnchanged_data();
    void realSkinsComeBackUnchanged();
    void missingBalanceFollowsVolume();
    void filesBesideTheFolderStayInArchives();
    void shortSheetGrowsWhenEdited_data();
    void shortSheetGrowsWhenEdited();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    // Writes the files of a row ("path kind WxH", kind bmp, rle, png or
    // text) under dir, one seed each; remembers each picture's pixels.
    void writeSkin(const QString &dir, const QStringList &specs)
    {
        m_pictures.clear();
        int seed = 2;
        for (const QString &spec : specs) {
            const QStringList p = spec.split(QLatin1Char(' '));
            const QString file = dir + QLatin1Char('/') + p[0];
            if (p[1] == QLatin1String("text")) {
                writeFile(file, "notes for " + p[0].toUtf8() + binaryBytes());
                continue;
            }
            const int w = p[2].section(QLatin1Char('x'), 0, 0).toInt();
            const int h = p[2].section(QLatin1Char('x'), 1, 1).toInt();
            const int s = seed++;
            if (p[1] == QLatin1String("rle")) {
                writeFile(file, rle8Bytes(w, h, s));
                m_pictures[p[0]] = pictureOf(w, h, [s](int x, int y) { return rle8ColourAt(s, x, y); });
            } else {
                writeFile(file, p[1] == QLatin1String("png") ? pngBytes(w, h, s) : bmpBytes(w, h, 24, s));
                m_pictures[p[0]] = pictureOf(w, h, [s](int x, int y) { return colourAt(24, s, x, y); });
            }
        }
    }
    void open(const QString &container, const QString &skin)
    {
        if (container == QLatin1String("folder")) {
            fake()->folders.enqueue(skin);
            MainForm->OpenSkin1->trigger();
        } else {
            fake()->files.enqueue(skin);
            MainForm->OpenZIPSkin1->trigger();
        }
    }
    void saveFolder(const QString &dir)
    {
        QDir().mkpath(dir);
        fake()->folders.enqueue(dir);
        MainForm->SaveSkin1->trigger();
    }
    void applyOnPlay(QRgb colour)
    {
        selectNode(16); // "Play"
        MainForm->DesktopImg->pictureBits().fill(QColor::fromRgb(colour));
        MainForm->ApplyBtn->setEnabled(true);
        fake()->answers.enqueue(MsgAnswer::Yes);
        MainForm->ApplyBtnClick();
    }

    QTemporaryDir *m_dir = nullptr;
    QMap<QString, QImage> m_pictures; // by path inside the skin
};

void TestFaithful::initTestCase()
{
    initApplication(*qApp);
    for (const char *tool : {"zip", "unzip"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(), tool);
}

void TestFaithful::init()
{
    setUpMainWindow();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void TestFaithful::cleanup()
{
    tearDownMainWindow();
    delete m_dir;
}

void TestFaithful::unchangedSaveKeepsEveryFile_data()
{
    QTest::addColumn<QString>("container"); // folder or wsz
    QTest::addColumn<QString>("inside");    // the folder inside an archive
    QTest::addColumn<QStringList>("files"); // in the archive's order
    QTest::addColumn<QStringList>("sheetFrom"); // "sheet=file": the picture a sheet must hold
    QTest::addColumn<QString>("cbuttonsFile");  // the file an edit of "Play" rewrites
    QTest::addColumn<QStringList>("keptAside"); // named like a sheet, not used, said so at opening

    const QStringList text{"readme.txt text", "pledit.txt text"};
    struct Row
    {
        const char *name;
        QStringList files;
        QStringList sheetFrom;
        QString cbuttons = QStringLiteral("cbuttons.bmp");
        QStringList keptAside = {};
    };
    const QList<Row> rows{
        {"short volume", nineWith({{"volume.bmp", "volume.bmp bmp 68x418"}}, text), {"volume=volume.bmp"}},
        {"posbar 307x4", nineWith({{"posbar.bmp", "posbar.bmp bmp 307x4"}}), {"posbar=posbar.bmp"}},
        {"taller main", nineWith({{"main.bmp", "main.bmp bmp 275x153"}}, text), {"main=main.bmp"}},
        {"missing balance", nineWith({{"balance.bmp", ""}}, text), {"balance=volume.bmp", "volume=volume.bmp"}},
        {"PNG sheets",
         QStringList{"main.png png 275x116", "titlebar.png png 344x87", "cbuttons.png png 136x36",
                     "shufrep.png png 92x85", "playpaus.png png 42x9", "volume.png png 68x433",
                     "monoster.png png 56x24", "posbar.png png 307x10", "viscolor.txt text"},
         {"main=main.png", "balance=volume.png", "monoster=monoster.png"},
         QStringLiteral("cbuttons.png")},
        {"main.bmp and main.BMP", nineWith({}, {"main.BMP bmp 275x116"}), {"main=main.BMP"},
         QStringLiteral("cbuttons.bmp"), {"main.bmp (main.BMP is the one players use)"}},
        {"a BMP beside its PNG", nineWith({{"main.bmp", "main.png png 275x116"}}, {"main.bmp bmp 275x116"}),
         {"main=main.bmp"}, QStringLiteral("cbuttons.bmp"), {"main.png (main.bmp is the one players use)"}},
        {"a sheet name in a subfolder", nineWith({}, {"Backup/main.bmp bmp 20x20", "Backup/notes.txt text"}),
         {"main=main.bmp"}},
        {"8-bit run-length control buttons", nineWith({{"cbuttons.bmp", "cbuttons.bmp rle 136x36"}}),
         {"cbuttons=cbuttons.bmp"}},
    };
    for (const Row &r : rows) {
        QStringList sheetFrom = r.sheetFrom;
        QStringList keptAside = r.keptAside;
        // In a folder the name in lower case is the sheet.
        if (QLatin1String(r.name) == QLatin1String("main.bmp and main.BMP")) {
            sheetFrom = {"main=main.bmp"};
            keptAside = {"main.BMP (main.bmp is the one players use)"};
        }
        QTest::addRow("%s, folder", r.name) << "folder" << "" << r.files << sheetFrom << r.cbuttons << keptAside;
        // Unpacked one after another, the later of two names wins.
        QTest::addRow("%s, archive", r.name) << "wsz" << "" << r.files << r.sheetFrom << r.cbuttons << r.keptAside;
    }
    QTest::addRow("files in a folder inside the archive") << "wsz" << "Chrome/" << nineWith({}, text)
                                                          << QStringList{"titlebar=titlebar.bmp"} << "cbuttons.bmp"
                                                          << QStringList();
}

void TestFaithful::unchangedSaveKeepsEveryFile()
{
    QFETCH(QString, container);
    QFETCH(QString, inside);
    QFETCH(QStringList, files);
    QFETCH(QStringList, sheetFrom);
    QFETCH(QString, cbuttonsFile);
    QFETCH(QStringList, keptAside);

    const QString root = path(QStringLiteral("skin"));
    writeSkin(root + QLatin1Char('/') + inside, files);
    QStringList names; // inside the skin's folder
    for (const QString &spec : files)
        names << spec.section(QLatin1Char(' '), 0, 0);
    // Folder skins: modes of every kind, which saving into a folder keeps.
    const QFileDevice::Permissions modes[] = {
        QFileDevice::ReadOwner | QFileDevice::WriteOwner,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther
            | QFileDevice::ExeOwner,
    };
    QString skin = root;
    if (container == QLatin1String("folder")) {
        for (qsizetype i = 0; i < names.size(); ++i)
            QVERIFY(QFile::setPermissions(root + QLatin1Char('/') + names[i], modes[i % 3]));
    } else {
        skin = path(QStringLiteral("skin.wsz"));
        QStringList entries;
        for (const QString &n : names)
            entries << inside + n;
        QVERIFY(zipInOrder(root, skin, entries));
    }
    const QString original = root + QLatin1Char('/') + inside;

    open(container, skin);
    for (const QString &pair : sheetFrom) {
        const SheetKind k = kindNamed(pair.section(QLatin1Char('='), 0, 0));
        const QString file = pair.section(QLatin1Char('='), 1);
        QVERIFY2(*G().sheet(k) == m_pictures[file], qPrintable(pair));
    }
    // A file named like a sheet but not used is named at opening, never
    // passed over in silence.
    const QString report = fake()->messages.isEmpty() ? QString() : fake()->messages.first().text;
    for (const QString &aside : keptAside)
        QVERIFY2(report.contains(aside), qPrintable(report));
    if (keptAside.isEmpty())
        QVERIFY2(!report.contains(QStringLiteral("players use")), qPrintable(report));
    QVERIFY(!MainForm->skinHasUnsavedChanges());

    QStringList sorted = names;
    sorted.sort();

    // Saved as an archive (first, as a folder save makes the skin that
    // folder): the same entries in the same order (players that take the
    // last of two names see the same file), each with its file's mode or
    // its entry's (0644 as the zip tool stored them).
    const QString archive = path(QStringLiteral("saved.wsz"));
    fake()->files.enqueue(archive);
    MainForm->SaveZIPSkin1->trigger();
    QStringList expectedEntries;
    for (const QString &n : container == QLatin1String("folder") ? sorted : names)
        expectedEntries << inside + n;
    QCOMPARE(archiveEntries(archive), expectedEntries);
    for (const QString &n : names)
        QVERIFY2(run(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, inside + n}) == readAll(original + n),
                 qPrintable(n));
    const QStringList listing = QString::fromUtf8(run(QStringLiteral("unzip"), {QStringLiteral("-Z"), archive}))
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList entryLines = listing.mid(2, names.size()); // after two lines about the archive
    QCOMPARE(entryLines.size(), names.size());
    const char *const modeShown[] = {"-rw-------", "-rw-r-----", "-rwxr--r--"}; // modes[0..2]
    for (qsizetype j = 0; j < entryLines.size(); ++j) {
        const bool folder = container == QLatin1String("folder");
        const QLatin1String expected(folder ? modeShown[names.indexOf(sorted[j]) % 3] : "-rw-r--r--");
        QVERIFY2(entryLines[j].startsWith(expected), qPrintable(entryLines[j]));
    }

    // Saved as a folder: the same files, byte for byte, nothing added.
    const QString saved = path(QStringLiteral("saved"));
    saveFolder(saved);
    QCOMPARE(filesUnder(saved), sorted);
    for (qsizetype i = 0; i < names.size(); ++i) {
        QVERIFY2(readAll(saved + QLatin1Char('/') + names[i]) == readAll(original + names[i]), qPrintable(names[i]));
        if (container == QLatin1String("folder"))
            QCOMPARE(QFileInfo(saved + QLatin1Char('/') + names[i]).permissions() & ~kUserBits, modes[i % 3]);
    }

    // One edit: exactly the control-button sheet changes, in its own format.
    fake()->messages.clear();
    applyOnPlay(qRgb(250, 10, 20));
    const QString edited = path(QStringLiteral("edited"));
    saveFolder(edited);
    QCOMPARE(filesUnder(edited), sorted);
    for (const QString &n : names) {
        const QByteArray bytes = readAll(edited + QLatin1Char('/') + n);
        if (n != cbuttonsFile) {
            QVERIFY2(bytes == readAll(original + n), qPrintable(n));
            continue;
        }
        QVERIFY(bytes != readAll(original + n));
        const char *format = n.endsWith(QLatin1String(".png")) ? "png" : "bmp";
        QImage back = QImage::fromData(bytes, format);
        QVERIFY2(!back.isNull(), format);
        QCOMPARE(back.size(), m_pictures[n].size());
        QCOMPARE(back.pixel(23, 0), qRgb(250, 10, 20));
        // Colour chunks would make a browser shift every colour of the sheet.
        if (QLatin1String(format) == QLatin1String("png"))
            for (const char *chunk : {"gAMA", "cHRM", "sRGB", "iCCP"})
                QVERIFY2(!bytes.contains(chunk), chunk);
        QCOMPARE(back.pixel(0, 0), m_pictures[n].pixel(0, 0)); // "Previous" untouched
    }
}

// The skin folders a player package ships, made by people outside this
// project: BMP and PNG sheets, odd sizes, missing files.
void TestFaithful::realSkinsComeBackUnchanged_data()
{
    QTest::addColumn<QString>("skin");
    const QString shipped = QStringLiteral("/usr/share/audacious/Skins");
    const QStringList skins = QDir(shipped).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    if (skins.isEmpty())
        QSKIP("No shipped skins here (Debian package audacious-plugins-data)");
    for (const QString &s : skins)
        QTest::newRow(qPrintable(s)) << shipped + QLatin1Char('/') + s;
}

void TestFaithful::realSkinsComeBackUnchanged()
{
    QFETCH(QString, skin);
    const QStringList names = filesUnder(skin);
    open(QStringLiteral("folder"), skin);
    const QString report = fake()->messages.isEmpty() ? QString() : fake()->messages.first().text;
    QVERIFY2(!report.contains(QStringLiteral("Refused")), qPrintable(report));
    QVERIFY(!MainForm->skinHasUnsavedChanges());

    const QString archive = path(QStringLiteral("saved.wsz"));
    fake()->files.enqueue(archive);
    MainForm->SaveZIPSkin1->trigger();
    QCOMPARE(archiveEntries(archive), names);
    const QString unpacked = path(QStringLiteral("unpacked"));
    QVERIFY(run(QStringLiteral("unzip"), {QStringLiteral("-q"), archive, QStringLiteral("-d"), unpacked}) != "#failed");
    const QString saved = path(QStringLiteral("saved"));
    saveFolder(saved);
    QCOMPARE(filesUnder(saved), names);
    for (const QString &n : names) {
        const QByteArray original = readAll(skin + QLatin1Char('/') + n);
        QVERIFY2(readAll(saved + QLatin1Char('/') + n) == original, qPrintable(n));
        QVERIFY2(readAll(unpacked + QLatin1Char('/') + n) == original, qPrintable(n));
    }
}

void TestFaithful::missingBalanceFollowsVolume()
{
    const QString dir = path(QStringLiteral("skin"));
    writeSkin(dir, nineWith({{"balance.bmp", ""}}));
    open(QStringLiteral("folder"), dir);
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY2(fake()->messages.first().text.contains(QStringLiteral("balance.bmp (players draw it from volume.bmp)")),
             qPrintable(fake()->messages.first().text));
    fake()->messages.clear();

    // The balance bar is drawn from the volume sheet at the balance's place
    // (x 9, 38 x 13), as players draw it.
    selectNode(31);
    QCOMPARE(MainForm->DesktopImg->Picture(), m_pictures["volume.bmp"].copy(9, 0, 38, 13));
    QVERIFY(MainForm->SheetNote->isVisibleTo(MainForm));
    QVERIFY(MainForm->SheetNote->text().contains(QStringLiteral("volume.bmp")));

    // An edit of the volume shows in the balance, which is still not saved.
    selectNode(28);
    MainForm->DesktopImg->pictureBits().fill(QColor(1, 200, 3));
    MainForm->ApplyBtn->setEnabled(true);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    QCOMPARE(G().sheet(skBalance)->pixel(9, 0), qRgb(1, 200, 3));
    saveFolder(dir);
    QVERIFY(!QFile::exists(dir + QStringLiteral("/balance.bmp")));
    QVERIFY(QImage(dir + QStringLiteral("/volume.bmp")).pixel(9, 0) == qRgb(1, 200, 3));

    // An edit of the balance itself makes it the skin's own file.
    selectNode(31);
    MainForm->DesktopImg->pictureBits().fill(QColor(7, 8, 9));
    MainForm->ApplyBtn->setEnabled(true);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    saveFolder(dir);
    const QImage balance(dir + QStringLiteral("/balance.bmp"));
    QCOMPARE(balance.size(), QSize(68, 433));
    QCOMPARE(balance.pixel(9, 0), qRgb(7, 8, 9));
    QCOMPARE(balance.pixel(0, 0), qRgb(1, 200, 3)); // the rest as the volume it came from
}

// An archive holding the skin in a folder, and a read-me beside that folder.
void TestFaithful::filesBesideTheFolderStayInArchives()
{
    const QString root = path(QStringLiteral("skin"));
    writeSkin(root + QStringLiteral("/Chrome"), kNine);
    writeFile(root + QStringLiteral("/readme.txt"), "read me" + binaryBytes());
    QStringList entries{QStringLiteral("readme.txt")};
    for (const QString &spec : kNine)
        entries << QStringLiteral("Chrome/") + spec.section(QLatin1Char(' '), 0, 0);
    const QString skin = path(QStringLiteral("skin.wsz"));
    QVERIFY(zipInOrder(root, skin, entries));
    open(QStringLiteral("wsz"), skin);
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY(fake()->messages.first().text.contains(QStringLiteral("readme.txt")));

    const QString archive = path(QStringLiteral("saved.wsz"));
    fake()->files.enqueue(archive);
    MainForm->SaveZIPSkin1->trigger();
    QStringList saved = archiveEntries(archive), expected = entries;
    saved.sort();
    expected.sort();
    QCOMPARE(saved, expected);
    QCOMPARE(run(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, QStringLiteral("readme.txt")}),
             readAll(root + QStringLiteral("/readme.txt")));

    // A folder is the skin's folder: nothing beside it.
    const QString folder = path(QStringLiteral("saved"));
    saveFolder(folder);
    QCOMPARE(filesUnder(folder).size(), kNine.size());
}

// A short sheet shows what it lacks as a checker; an applied edit or an
// import grows it to the format's size, black where nothing was drawn.
void TestFaithful::shortSheetGrowsWhenEdited_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("fileSize");
    QTest::addColumn<int>("element");
    QTest::addColumn<QRect>("place");    // the element's state 0 in the sheet, from the players' layout
    QTest::addColumn<QSize>("grownSize");
    QTest::addColumn<bool>("import");    // else apply a view with one pixel painted
    QTest::newRow("volume knob below a 418-row sheet, applied")
        << "volume.bmp" << QSize(68, 418) << 29 << QRect(15, 422, 14, 11) << QSize(68, 433) << false;
    QTest::newRow("position bar of a 4-row sheet, imported")
        << "posbar.bmp" << QSize(307, 4) << 34 << QRect(0, 0, 248, 10) << QSize(307, 10) << true;
    QTest::newRow("title bar of a wide short sheet, applied")
        << "titlebar.bmp" << QSize(400, 10) << 2 << QRect(27, 0, 275, 14) << QSize(400, 87) << false;
}

void TestFaithful::shortSheetGrowsWhenEdited()
{
    QFETCH(QString, file);
    QFETCH(QSize, fileSize);
    QFETCH(int, element);
    QFETCH(QRect, place);
    QFETCH(QSize, grownSize);
    QFETCH(bool, import);

    const QString dir = path(QStringLiteral("skin"));
    writeSkin(dir, nineWith({{file, QStringLiteral("%1 bmp %2x%3").arg(file).arg(fileSize.width()).arg(fileSize.height())}}));
    open(QStringLiteral("folder"), dir);
    const QImage fromFile = m_pictures[file];
    const SheetKind k = kindNamed(file.section(QLatin1Char('.'), 0, 0));

    selectNode(element);
    const QImage shown = MainForm->DesktopImg->Picture();
    QCOMPARE(shown.size(), place.size());
    const QRect present = place.intersected(QRect(QPoint(0, 0), fileSize));
    int absent = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QPoint at(place.x() + x, place.y() + y);
            if (present.contains(at)) {
                QCOMPARE(shown.pixel(x, y), fromFile.pixel(at));
            } else {
                // Two greys in 4 x 4 squares.
                const QRgb c = shown.pixel(x, y);
                QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qRed(c) > 100);
                if ((x ^ 4) < shown.width())
                    QVERIFY(c != shown.pixel(x ^ 4, y));
                ++absent;
            }
        }
    QVERIFY(absent > 0);
    QVERIFY(MainForm->SheetNote->isVisibleTo(MainForm));
    QVERIFY2(MainForm->SheetNote->text().contains(QStringLiteral("%1 x %2").arg(fileSize.width()).arg(fileSize.height())),
             qPrintable(MainForm->SheetNote->text()));

    if (import) {
        const QString picture = path(QStringLiteral("picture.bmp"));
        writeFile(picture, bmpBytes(place.width(), place.height(), 24, 40));
        fake()->files.enqueue(picture);
        MainForm->OpenImage1Click();
    } else {
        MainForm->DesktopImg->pictureBits().setPixel(0, place.height() - 1, qRgb(255, 0, 255));
        MainForm->ApplyBtn->setEnabled(true);
        fake()->answers.enqueue(MsgAnswer::Yes);
        MainForm->ApplyBtnClick();
    }
    const QImage &sheet = *G().sheet(k);
    QCOMPARE(sheet.size(), grownSize);
    for (int y = 0; y < grownSize.height(); ++y)
        for (int x = 0; x < grownSize.width(); ++x) {
            const QPoint at(x, y);
            QRgb expected = QRect(QPoint(0, 0), fileSize).contains(at) ? fromFile.pixel(at) : qRgb(0, 0, 0);
            if (import && place.contains(at))
                expected = colourAt(24, 40, x - place.x(), y - place.y());
            else if (!import && at == place.bottomLeft())
                expected = qRgb(255, 0, 255);
            if (sheet.pixel(at) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    // Saved, the grown sheet is the skin's file now.
    saveFolder(dir);
    QCOMPARE(QImage(dir + QLatin1Char('/') + file).size(), grownSize);
}

VORLIX_WINDOW_TEST_MAIN(TestFaithful)
#include "tst_faithful.moc"
