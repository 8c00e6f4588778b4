// The directories dialog and the settings kept between runs: the settings
// file's format, damaged files, round trips, save failures, and the dialog's
// boxes and browse buttons.
#include <QtTest>

#include "MainWindowFixture.h"
#include "app/Application.h"
#include "controls/Controls.h"
#include "dialogs/SelDir.h"
#include "mainwindow/MainForm.h"
#include "output/RegStore.h"
#include "skin/GlobalVar.h"

#include <QLabel>
#include <QRandomGenerator>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

using namespace vorlix;

namespace {

const QByteArray kSectionStart = "REGEDIT4\n"
                                 "\n"
                                 "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n"
                                 "\n"
                                 "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n";

// Six good values and what the window shows for them: TempDir, OutputDir,
// VerInfo, then the view's, the back and the fore swatch's colour numbers.
const QByteArray kGoodValues = "\"TempDir_Caption\"=\"/t\"\n"
                               "\"OutputDir_Caption\"=\"/o\"\n"
                               "\"VerInfo_Caption\"=\"v9\"\n"
                               "\"DesktopImg_Color\"=\"65280\"\n"
                               "\"pbBack_Color\"=\"255\"\n"
                               "\"pbFore_Color\"=\"16711680\"\n";
const QStringList kGoodShown = {"/t", "/o", "v9", "65280", "255", "16711680"};

QStringList defaults()
{
    return {QDir::homePath(), QDir::homePath(), "ver : 0.0.2 alpha", "128", "0", "16777215"};
}

const char *const kValueNames[] = {"TempDir_Caption",  "OutputDir_Caption", "VerInfo_Caption",
                                   "DesktopImg_Color", "pbBack_Color",      "pbFore_Color"};

int number(const QColor &c)
{
    return c.red() + 256 * c.green() + 65536 * c.blue();
}

QStringList shown()
{
    return {MainForm->TempDir->text(),
            MainForm->OutputDir->text(),
            MainForm->VerInfo->text(),
            QString::number(number(MainForm->DesktopImg->Color())),
            QString::number(number(MainForm->pbBack->color())),
            QString::number(number(MainForm->pbFore->color()))};
}

// A value line as the file holds it.
QString line(const QString &name, const QString &text)
{
    QString escaped = text;
    escaped.replace("\\", "\\\\").replace("\"", "\\\"");
    return QStringLiteral("\"%1\"=\"%2\"").arg(name, escaped);
}

QStringList dump(const RegFile &f)
{
    QStringList out;
    for (const RegKey &k : f.keys()) {
        out << "[" + k.path + "]";
        for (const RegValue &v : k.values)
            out << QStringLiteral("%1|%2|%3").arg(v.name).arg(int(v.type)).arg(v.data);
    }
    return out;
}

// Text as UTF-16 with a byte-order mark, byte by byte: every character here
// is below U+0100, so its code is its one Latin-1 byte.
QByteArray utf16(const QByteArray &latin1, bool bigEndian = false)
{
    QByteArray out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : latin1)
        out += bigEndian ? QByteArray(1, '\0') + c : QByteArray(1, c) + '\0';
    return out;
}

} // namespace

class TestSettings : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void settingsFileLocation_data();
    void settingsFileLocation();
    void firstRunCreatesKeyThenAllValues();
    void closedWhileMinimised();
    void restoredValue_data();
    void restoredValue();
    void damagedFile_data();
    void damagedFile();
    void parserKeepsWhatItReadsOnRewrite();
    void rewriteKeepsWhatIsNotOurs_data();
    void rewriteKeepsWhatIsNotOurs();
    void roundTrip_data();
    void roundTrip();
    void showingAgainKeepsChanges();
    void newerExportFormat_data();
    void newerExportFormat();
    void saveFailureShowsErrorBox_data();
    void saveFailureShowsErrorBox();
    void linkToAFileIsFollowed_data();
    void linkToAFileIsFollowed();
    void saveAtDestroyOnlyWhenNeeded_data();
    void saveAtDestroyOnlyWhenNeeded();

    void dialogLayout();
    void bothMenuItemsEditBothBoxes_data();
    void bothMenuItemsEditBothBoxes();
    void browseStartFolder_data();
    void browseStartFolder();
    void chosenFolderLosesOneTrailingSeparator_data();
    void chosenFolderLosesOneTrailingSeparator();

private:
    QString regPath() const { return m_config->path() + "/Tarnby/Vorlix.reg"; }
    void writeReg(const QByteArray &bytes);
    QByteArray readReg() const;
    void start(bool show = true);
    void closeAndDestroy();

    QTemporaryDir *m_config = nullptr;
    QByteArray m_savedHome;
};

void TestSettings::initTestCase()
{
    initApplication(*qApp);
    m_savedHome = qgetenv("HOME");
}

void TestSettings::init()
{
    setUpMainWindow(false); // each test starts the windows itself
    m_config = new QTemporaryDir;
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void TestSettings::cleanup()
{
    tearDownMainWindow();
    delete m_config;
    m_config = nullptr;
    qputenv("HOME", m_savedHome);
}

void TestSettings::writeReg(const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(regPath()).path()));
    QFile f(regPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray TestSettings::readReg() const
{
    QFile f(regPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestSettings::start(bool show)
{
    m_windows = createWindows();
    MainForm->move(100, 50);
    if (show)
        MainForm->show();
}

void TestSettings::closeAndDestroy()
{
    MainForm->close();
    m_windows = AppWindows();
}

void TestSettings::settingsFileLocation_data()
{
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<bool>("xdgSet");
    QTest::addColumn<QString>("expected");
    QTest::newRow("config home set") << QByteArray("/srv/cfg") << true << "/srv/cfg/Tarnby/Vorlix.reg";
    QTest::newRow("config home unset") << QByteArray() << false << "/home/ann/.config/Tarnby/Vorlix.reg";
    QTest::newRow("config home empty") << QByteArray("") << true << "/home/ann/.config/Tarnby/Vorlix.reg";
    // Relative paths are not valid there and are ignored.
    QTest::newRow("config home relative") << QByteArray("cfg") << true << "/home/ann/.config/Tarnby/Vorlix.reg";
}

void TestSettings::settingsFileLocation()
{
    QFETCH(QByteArray, xdg);
    QFETCH(bool, xdgSet);
    qputenv("HOME", "/home/ann");
    if (xdgSet)
        qputenv("XDG_CONFIG_HOME", xdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QTEST(settingsFilePath(), "expected");
}

void TestSettings::firstRunCreatesKeyThenAllValues()
{
    start(false);
    QVERIFY(!QFile::exists(regPath()));
    MainForm->show();
    QCOMPARE(readReg(), QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n\n"));
    QCOMPARE(shown(), defaults());

    const QScreen *screen = QGuiApplication::primaryScreen();
    const QString size = QStringLiteral("(%1x%2)").arg(screen->size().width()).arg(screen->size().height());
    const QString dpi = QString::number(qRound(screen->logicalDotsPerInch()));
    closeAndDestroy();
    const QString home = QDir::homePath();
    const QString expected = "REGEDIT4\n"
                             "\n"
                             "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n"
                             "\n"
                             "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n"
                             "\"Flags\"=\"0\"\n"
                             "\"ShowCmd\"=\"1\"\n"
                             "\"PixelsPerInch\"=\"" + dpi + "\"\n"
                             "\"MinMaxPos" + size + "\"=\"-1,-1,-1,-1\"\n"
                             "\"MinMaxPos\"=\"-1,-1,-1,-1\"\n"
                             "\"NormPos" + size + "\"=\"100,50,740,530\"\n"
                             "\"NormPos\"=\"100,50,740,530\"\n"
                             "\"Visible\"=\"0\"\n"
                             + line("TempDir_Caption", home) + "\n"
                             + line("OutputDir_Caption", home) + "\n"
                             "\"VerInfo_Caption\"=\"ver : 0.0.2 alpha\"\n"
                             "\"DesktopImg_Color\"=\"128\"\n"
                             "\"pbBack_Color\"=\"0\"\n"
                             "\"pbFore_Color\"=\"16777215\"\n"
                             "\n";
    QCOMPARE(QString::fromUtf8(readReg()), expected);
    QVERIFY(fake()->messages.isEmpty());
}

void TestSettings::closedWhileMinimised()
{
    start();
    MainForm->showMinimized();
    closeAndDestroy();
    QVERIFY(readReg().contains("\"ShowCmd\"=\"2\"\n"));
}

void TestSettings::restoredValue_data()
{
    QTest::addColumn<QByteArray>("valueLine");
    QTest::addColumn<int>("prop"); // index into shown()
    QTest::addColumn<QString>("expectedShown");
    QTest::addColumn<QString>("expectedWritten");

    QTest::newRow("another version text")
        << QByteArray("\"VerInfo_Caption\"=\"ver : 9.1 final\"") << 2 << "ver : 9.1 final"
        << "\"VerInfo_Caption\"=\"ver : 9.1 final\"";
    QTest::newRow("colour that is not a number") << QByteArray("\"pbFore_Color\"=\"abc\"") << 5 << "0"
                                                 << "\"pbFore_Color\"=\"0\"";
    QTest::newRow("colour with blanks around") << QByteArray("\"pbFore_Color\"=\" 255 \"") << 5 << "255"
                                               << "\"pbFore_Color\"=\"255\"";
    QTest::newRow("colour out of 32-bit range") << QByteArray("\"DesktopImg_Color\"=\"4294967296\"") << 3
                                                << "0" << "\"DesktopImg_Color\"=\"0\"";
    QTest::newRow("empty colour") << QByteArray("\"pbBack_Color\"=\"\"") << 4 << "0"
                                  << "\"pbBack_Color\"=\"0\"";
    QTest::newRow("directory with blanks around")
        << QByteArray("\"TempDir_Caption\"=\"  D:\\\\tmp \"") << 0 << "D:\\tmp"
        << "\"TempDir_Caption\"=\"D:\\\\tmp\"";
    QTest::newRow("control characters around")
        << QByteArray("\"OutputDir_Caption\"=\"\t/srv/skins\x01\x7f\"") << 1 << "/srv/skins"
        << "\"OutputDir_Caption\"=\"/srv/skins\"";
    QTest::newRow("markup is text") << QByteArray("\"VerInfo_Caption\"=\"<b>bold</b>\"") << 2
                                    << "<b>bold</b>" << "\"VerInfo_Caption\"=\"<b>bold</b>\"";
    QTest::newRow("empty text") << QByteArray("\"VerInfo_Caption\"=\"\"") << 2 << ""
                                << "\"VerInfo_Caption\"=\"\"";
    QTest::newRow("dword leaves the swatch") << QByteArray("\"pbBack_Color\"=dword:000000ff") << 4 << "0"
                                             << "\"pbBack_Color\"=\"0\"";
    QTest::newRow("value name in another case") << QByteArray("\"verinfo_caption\"=\"lower\"") << 2
                                                << "lower" << "\"VerInfo_Caption\"=\"lower\"";
    // Button face: a system colour, shown in the palette's button colour and
    // kept as the same number.
    QTest::newRow("system colour")
        << QByteArray("\"DesktopImg_Color\"=\"-2147483633\"") << 3
        << QString::number(number(QGuiApplication::palette().color(QPalette::Active, QPalette::Button)))
        << "\"DesktopImg_Color\"=\"-2147483633\"";
}

void TestSettings::restoredValue()
{
    QFETCH(QByteArray, valueLine);
    QFETCH(int, prop);
    QFETCH(QString, expectedShown);
    QFETCH(QString, expectedWritten);

    writeReg(kSectionStart + valueLine + "\n");
    start();
    const QStringList values = shown();
    QStringList others = defaults();
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(values[i], i == prop ? expectedShown : others[i]);
    if (prop < 3) { // a caption: shown whole, as plain text, sized to it
        QLabel *label = QList<QLabel *>{MainForm->TempDir, MainForm->OutputDir, MainForm->VerInfo}[prop];
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(expectedShown));
    }

    closeAndDestroy();
    const QStringList lines = QString::fromUtf8(readReg()).split('\n');
    QVERIFY2(lines.contains(expectedWritten), qPrintable(lines.join('\n')));
}

void TestSettings::damagedFile_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("growTo"); // 0: as written
    QTest::addColumn<QStringList>("expected");

    const QByteArray good = kSectionStart + kGoodValues;
    const QStringList d = defaults();
    QByteArray binary;
    QRandomGenerator rng(7);
    for (int i = 0; i < 4096; ++i)
        binary += char(rng.bounded(256));

    QTest::newRow("missing") << false << QByteArray() << qint64(0) << d;
    QTest::newRow("empty") << true << QByteArray() << qint64(0) << d;
    QTest::newRow("binary") << true << binary << qint64(0) << d;
    QTest::newRow("header, then binary") << true << "REGEDIT4\n" + binary << qint64(0) << d;
    QTest::newRow("no header") << true << good.mid(good.indexOf('\n') + 1) << qint64(0) << d;
    QByteArray utf16("\xff\xfe");
    for (const QChar c : QString::fromUtf8(good))
        utf16 += char(c.unicode() & 0xff) + QByteArray(1, char(c.unicode() >> 8));
    // UTF-16 is read whichever header it has.
    QTest::newRow("UTF-16 with the older header") << true << utf16 << qint64(0) << kGoodShown;
    // A good start, then 100 MB: not read at all.
    QTest::newRow("huge") << true << good << qint64(100) * 1024 * 1024 << d;

    QByteArray many = kSectionStart;
    for (int i = 0; i < 100000; ++i)
        many += QStringLiteral("\"Filler%1\"=\"abcdefghijklmnop\"\n").arg(i).toLatin1();
    QTest::newRow("big but below the limit") << true << many + kGoodValues << qint64(0) << kGoodShown;

    QTest::newRow("truncated in a value")
        << true << good.left(good.indexOf("v9")) << qint64(0)
        << QStringList{"/t", "/o", d[2], d[3], d[4], d[5]};
    QTest::newRow("truncated in a name")
        << true << good.left(good.indexOf("Img_")) << qint64(0)
        << QStringList{"/t", "/o", "v9", d[3], d[4], d[5]};
    QTest::newRow("broken lines")
        << true
        << kSectionStart
               + "some words\n"
                 "\"TempDir_Caption\"\n"
                 "\"OutputDir_Caption\"=\"/o\" trailing words\n"
                 "\"VerInfo_Caption\"=\"v9\"\n"
                 "\"DesktopImg_Color=\"5\"\n"
                 "pbBack_Color=\"7\"\n"
                 "\"pbFore_Color\"=\"16711680\" ; a comment\n"
        << qint64(0) << QStringList{d[0], d[1], "v9", d[3], d[4], "16711680"};
    QTest::newRow("values of other types")
        << true
        << kSectionStart
               + "\"TempDir_Caption\"=hex(2):2f,00,74,00,\\\n"
                 "  00,00\n"
                 "\"OutputDir_Caption\"=\"/o\"\n"
                 "\"VerInfo_Caption\"=dword:00000001\n"
                 "\"DesktopImg_Color\"=hex:ff,00,\\\n"
                 "  00,00\n"
                 "\"pbBack_Color\"=\"255\"\n"
        << qint64(0) << QStringList{d[0], "/o", d[2], d[3], "255", d[5]};
    QByteArray crlf = "\xEF\xBB\xBF" + good;
    crlf.replace("\n", "\r\n");
    QTest::newRow("byte-order mark and CRLF") << true << crlf << qint64(0) << kGoodShown;
    QTest::newRow("key names in another case")
        << true << QByteArray("REGEDIT4\n\n[hkey_current_user\\software\\TARNBY\\vorlix\\tmainform]\n") + kGoodValues
        << qint64(0) << kGoodShown;
    QTest::newRow("another program's key")
        << true << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other\\TMainForm]\n") + kGoodValues
        << qint64(0) << d;
    QTest::newRow("section line without its bracket")
        << true << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm\n") + kGoodValues
        << qint64(0) << d;
    // A key line that can't be read, or names no key of ours, ends our
    // section: the values below it go nowhere, not into our section.
    QTest::newRow("values after a key line without its bracket")
        << true
        << kSectionStart + kGoodValues
               + "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm\n"
                 "\"OutputDir_Caption\"=\"/broken\"\n"
        << qint64(0) << kGoodShown;
    QTest::newRow("values after another hive's key")
        << true
        << kSectionStart + kGoodValues
               + "[HKEY_LOCAL_MACHINE\\Software\\Tarnby\\Vorlix\\TMainForm]\n"
                 "\"VerInfo_Caption\"=\"machine\"\n"
                 "\"pbFore_Color\"=\"7\"\n"
        << qint64(0) << kGoodShown;
    QTest::newRow("later line wins, deleted value")
        << true
        << kSectionStart
               + "\"VerInfo_Caption\"=\"first\"\n"
                 "\"TempDir_Caption\"=\"/x\"\n"
                 "\"VerInfo_Caption\"=\"second\"\n"
                 "\"TempDir_Caption\"=-\n"
        << qint64(0) << QStringList{d[0], d[1], "second", d[3], d[4], d[5]};
    QTest::newRow("bytes that are not UTF-8")
        << true << kSectionStart + "\"OutputDir_Caption\"=\"/caf\xe9\"\n" << qint64(0)
        << QStringList{d[0], QStringLiteral("/caf\uFFFD"), d[2], d[3], d[4], d[5]};
}

void TestSettings::damagedFile()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, growTo);
    QFETCH(QStringList, expected);

    if (exists) {
        writeReg(bytes);
        if (growTo)
            QVERIFY(QFile::resize(regPath(), growTo));
    }
    start();
    QCOMPARE(shown(), expected);
    QVERIFY(fake()->messages.isEmpty());

    // The next save replaces the file with one that reads.
    closeAndDestroy();
    const QString text = QString::fromUtf8(readReg());
    QVERIFY(text.startsWith("REGEDIT4\n"));
    QVERIFY(text.contains("[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n\"Flags\"=\"0\"\n"));
    for (int i = 0; i < 6; ++i)
        QVERIFY2(text.contains(line(kValueNames[i], expected[i]) + "\n"), kValueNames[i]);
    QVERIFY(fake()->messages.isEmpty());
}

void TestSettings::parserKeepsWhatItReadsOnRewrite()
{
    // Whatever a file holds, what was read must be written so that it reads
    // back the same: escapes, continuation lines, odd names, broken lines.
    // Lines are built from a start, a few fragments and an end, so that most
    // of them come close to real key and value lines.
    const QList<QByteArray> starts = {"", "[HKEY_CURRENT_USER\\A", "[hkey_current_user\\a",
                                      "[HKEY_CURRENT_USER\\B\\C", "[HKEY_LOCAL_MACHINE\\D", "[-HKEY_CURRENT_USER\\A",
                                      "\"N\"=", "\"n\" = ", "@=", "\"Q\"=\"", "\"H\"=hex:0a,", "\"W\"=dword:", ";", " "};
    const QList<QByteArray> fragments = {"\"", "\\", "\\\\", "\\\"", "=", "@", "-", "N", "x y", "01,ff",
                                         " ", "\t", "]", "[", ";", QByteArray(1, '\0'), "\xff", "\xc3\xa9", "\r"};
    const QList<QByteArray> ends = {"", "", "\"", "]", "\\", " \\", " ", "\r"};
    QRandomGenerator rng(2024);
    const auto pick = [&rng](const QList<QByteArray> &from) { return from[rng.bounded(int(from.size()))]; };
    for (int round = 0; round < 20000; ++round) {
        QByteArray doc = "REGEDIT4\n";
        const int lines = 1 + rng.bounded(12);
        for (int l = 0; l < lines; ++l) {
            doc += pick(starts);
            for (int f = rng.bounded(5); f > 0; --f)
                doc += pick(fragments);
            doc += pick(ends);
            if (l + 1 < lines || rng.bounded(2))
                doc += "\n";
        }
        const RegFile once = RegFile::parse(doc);
        const RegFile twice = RegFile::parse(once.serialize());
        if (dump(once) != dump(twice)) {
            qDebug() << "input:" << doc;
            QCOMPARE(dump(twice), dump(once));
        }
    }
}

void TestSettings::rewriteKeepsWhatIsNotOurs_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("after"); // %1: our values, as the next close writes them

    QTest::newRow("other keys: ours go first, the others follow as they were")
        << QByteArray("REGEDIT4\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Other]\n"
                      "\"Name\"=\"kept\"\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n")
               + kGoodValues
               + "\n"
                 "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n"
                 "\"Installed\"=\"yes\"\n"
                 "\n"
                 "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\Plugins]\n"
                 "\"Count\"=dword:00000000\n"
        << "REGEDIT4\n"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n"
           "\"Installed\"=\"yes\"\n"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n"
           "%1"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Other]\n"
           "\"Name\"=\"kept\"\n"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\Plugins]\n"
           "\"Count\"=dword:00000000\n"
           "\n";
    // A key line that can't be read, above ours, goes with its values; our
    // section and the keys below it are read and kept.
    QTest::newRow("a broken key line above our section")
        << QByteArray("REGEDIT4\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Broken\n"
                      "\"Lost\"=\"x\"\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n")
               + kGoodValues
               + "\n"
                 "[HKEY_CURRENT_USER\\Software\\Other]\n"
                 "\"Name\"=\"kept\"\n"
        << "REGEDIT4\n"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n"
           "%1"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Other]\n"
           "\"Name\"=\"kept\"\n"
           "\n";
    // Another version's values and a hand-added one stay, once each, after
    // ours; one of ours in another case is ours, written once.
    QTest::newRow("values of our section that are not ours")
        << kSectionStart + "\"Hand_Added\"=\"mine\"\n" + kGoodValues
               + "\"Other_Version\"=dword:00000002\n"
                 "\"visible\"=\"1\"\n"
        << "REGEDIT4\n"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n"
           "\n"
           "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n"
           "%1"
           "\"Hand_Added\"=\"mine\"\n"
           "\"Other_Version\"=dword:00000002\n"
           "\n";
}

void TestSettings::rewriteKeepsWhatIsNotOurs()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, after);
    writeReg(before);
    start();
    QCOMPARE(shown(), kGoodShown);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QString size = QStringLiteral("(%1x%2)").arg(screen->size().width()).arg(screen->size().height());
    const QString dpi = QString::number(qRound(screen->logicalDotsPerInch()));
    closeAndDestroy();
    const QString ours = "\"Flags\"=\"0\"\n"
                         "\"ShowCmd\"=\"1\"\n"
                         "\"PixelsPerInch\"=\"" + dpi + "\"\n"
                         "\"MinMaxPos" + size + "\"=\"-1,-1,-1,-1\"\n"
                         "\"MinMaxPos\"=\"-1,-1,-1,-1\"\n"
                         "\"NormPos" + size + "\"=\"100,50,740,530\"\n"
                         "\"NormPos\"=\"100,50,740,530\"\n"
                         "\"Visible\"=\"0\"\n"
                         "\"TempDir_Caption\"=\"/t\"\n"
                         "\"OutputDir_Caption\"=\"/o\"\n"
                         "\"VerInfo_Caption\"=\"v9\"\n"
                         "\"DesktopImg_Color\"=\"65280\"\n"
                         "\"pbBack_Color\"=\"255\"\n"
                         "\"pbFore_Color\"=\"16711680\"\n";
    QCOMPARE(QString::fromUtf8(readReg()), after.arg(ours));
    QVERIFY(fake()->messages.isEmpty());
}

void TestSettings::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("back");
    QTest::newRow("backslashes and quotes") << "C:\\Program Files\\\"Skins\"\\" << "C:\\Program Files\\\"Skins\"\\";
    QTest::newRow("non-ASCII and format characters")
        << QStringLiteral("/home/j\u00fcrgen/\u76ae\u80a4 = [x] ;y") << QStringLiteral("/home/j\u00fcrgen/\u76ae\u80a4 = [x] ;y");
    QTest::newRow("blanks around") << "  /srv/padded\t " << "/srv/padded";
    QTest::newRow("looks like a key line") << "[HKEY_CURRENT_USER\\X]" << "[HKEY_CURRENT_USER\\X]";
    // A line break would split the value's line: it comes back as a blank.
    QTest::newRow("line break inside") << "/a\nb" << "/a b";
    QTest::newRow("empty") << "" << "";
}

void TestSettings::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, back);

    start();
    MainForm->OutputDir->setText(text);
    MainForm->VerInfo->setText(text);
    MainForm->DesktopImg->setColor(QColor(1, 2, 3));
    MainForm->pbBack->setColor(QColor(255, 255, 0));
    MainForm->pbFore->setColor(QColor(0, 128, 255));
    closeAndDestroy();

    start();
    QCOMPARE(MainForm->OutputDir->text(), back);
    QCOMPARE(MainForm->VerInfo->text(), back);
    QCOMPARE(MainForm->DesktopImg->Color(), QColor(1, 2, 3));
    QCOMPARE(MainForm->pbBack->color(), QColor(255, 255, 0));
    QCOMPARE(MainForm->pbFore->color(), QColor(0, 128, 255));
    QVERIFY(fake()->messages.isEmpty());
}

void TestSettings::showingAgainKeepsChanges()
{
    writeReg(kSectionStart + kGoodValues);
    start();
    MainForm->OutputDir->setText("/changed");
    MainForm->pbFore->setColor(Qt::blue);
    MainForm->hide();
    MainForm->show();
    QCOMPARE(MainForm->OutputDir->text(), QString("/changed"));
    QCOMPARE(MainForm->pbFore->color(), QColor(Qt::blue));
}

void TestSettings::newerExportFormat_data()
{
    QTest::addColumn<bool>("bigEndian");
    QTest::newRow("UTF-16 little-endian, as exported") << false;
    QTest::newRow("UTF-16 big-endian") << true;
}

void TestSettings::newerExportFormat()
{
    QFETCH(bool, bigEndian);
    // As the registry editor exports a key: its header, CR LF, a value of
    // another type in between.
    writeReg(utf16("Windows Registry Editor Version 5.00\r\n"
                   "\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\r\n"
                   "\"TempDir_Caption\"=\"/caf\xe9\"\r\n"
                   "\"Path\"=hex(2):25,00,41,00,00,00\r\n"
                   "\"pbBack_Color\"=\"255\"\r\n",
                   bigEndian));
    start();
    QCOMPARE(MainForm->TempDir->text(), QStringLiteral("/caf\u00e9"));
    QCOMPARE(MainForm->pbBack->color(), QColor(255, 0, 0));
    closeAndDestroy();

    // Written back in that format, its foreign value as it was.
    const QByteArray written = readReg();
    QVERIFY(written.startsWith(utf16("Windows Registry Editor Version 5.00\n")));
    QVERIFY(written.contains(utf16("\"TempDir_Caption\"=\"/caf\xe9\"\n").mid(2)));
    QVERIFY(written.contains(utf16("\"Path\"=hex(2):25,00,41,00,00,00\n").mid(2)));
    QVERIFY(fake()->messages.isEmpty());
}

void TestSettings::saveFailureShowsErrorBox_data()
{
    // What stands in the way, made in the configuration folder: "file P",
    // "folder P", "fifo P", "link P TARGET". %1 in the reason is that folder.
    QTest::addColumn<QStringList>("made");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder cannot be made") << QStringList{"file Tarnby"}
                                           << "%1/Tarnby is a file, not a folder";
    QTest::newRow("a folder in its place") << QStringList{"folder Tarnby/Vorlix.reg"}
                                           << "it is a folder, not a file";
    QTest::newRow("a FIFO in its place") << QStringList{"folder Tarnby", "fifo Tarnby/Vorlix.reg"}
                                         << "it is a FIFO (named pipe), not a file";
    QTest::newRow("link to a FIFO") << QStringList{"folder Tarnby", "fifo pipe", "link Tarnby/Vorlix.reg ../pipe"}
                                    << "it is a link to %1/pipe, which is a FIFO (named pipe), not a file";
    QTest::newRow("link to a link to a FIFO")
        << QStringList{"folder Tarnby", "fifo pipe", "link hop %1/pipe", "link Tarnby/Vorlix.reg ../hop"}
        << "it is a link to %1/pipe, which is a FIFO (named pipe), not a file";
    QTest::newRow("link to a folder") << QStringList{"folder Tarnby", "folder keep", "link Tarnby/Vorlix.reg %1/keep"}
                                      << "it is a link to %1/keep, which is a folder, not a file";
    QTest::newRow("links in a loop") << QStringList{"folder Tarnby", "link Tarnby/Vorlix.reg Vorlix.reg"}
                                     << "its links go round in a loop";
}

void TestSettings::saveFailureShowsErrorBox()
{
    QFETCH(QStringList, made);
    QFETCH(QString, reason);
    const QString config = m_config->path();

    // What each made thing is, to see afterwards that none was replaced.
    QStringList kinds;
    const auto kindsNow = [&] {
        QStringList out;
        for (const QString &step : made) {
            const QString p = config + "/" + step.section(' ', 1, 1);
            const QFileInfo info(p);
            out << (info.isSymLink() ? "link " + info.symLinkTarget()
                                     : info.isDir() ? "folder" : info.isFile() ? "file" : info.exists() ? "other" : "none");
        }
        return out;
    };
    for (const QString &step : made) {
        const QStringList parts = QString(step).replace("%1", config).split(' ');
        const QByteArray path = QFile::encodeName(config + "/" + parts[1]);
        if (parts[0] == "file")
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        else if (parts[0] == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (parts[0] == "fifo")
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else
            QCOMPARE(::symlink(QFile::encodeName(parts[2]).constData(), path.constData()), 0);
    }
    kinds = kindsNow();

    start();
    QVERIFY(fake()->messages.isEmpty()); // restoring never reports

    MainForm->close();
    QVERIFY(!MainForm->isVisible()); // the program still closes
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages[0].caption, QString("Vorlix"));
    QCOMPARE(fake()->messages[0].text,
             "Cannot save the settings to " + regPath() + ": " + reason.replace("%1", config) + ".");
    QCOMPARE(fake()->messages[0].icon, MsgIcon::Error);

    m_windows = AppWindows(); // tried once more while destroyed, not told twice
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(kindsNow(), kinds);
    QCOMPARE(QDir(config + "/Tarnby").entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             QFileInfo(config + "/Tarnby").isDir() ? QStringList{"Vorlix.reg"} : QStringList{});
}

void TestSettings::linkToAFileIsFollowed_data()
{
    QTest::addColumn<QString>("target"); // as the link holds it; %1: the configuration folder
    QTest::newRow("relative link") << "../dotfiles/Vorlix.reg";
    QTest::newRow("absolute link") << "%1/dotfiles/Vorlix.reg";
}

void TestSettings::linkToAFileIsFollowed()
{
    // Settings kept in a folder of dotfiles, linked from where we look.
    QFETCH(QString, target);
    const QString dotfiles = m_config->path() + "/dotfiles";
    QVERIFY(QDir().mkpath(dotfiles));
    QVERIFY(QDir().mkpath(m_config->path() + "/Tarnby"));
    {
        QFile f(dotfiles + "/Vorlix.reg");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kSectionStart + kGoodValues);
    }
    const QByteArray linkText = QFile::encodeName(target.replace("%1", m_config->path()));
    QCOMPARE(::symlink(linkText.constData(), QFile::encodeName(regPath()).constData()), 0);

    start();
    QCOMPARE(shown(), kGoodShown);
    MainForm->OutputDir->setText("/changed");
    closeAndDestroy();

    QVERIFY(fake()->messages.isEmpty());
    char held[4096] = {};
    QCOMPARE(::readlink(QFile::encodeName(regPath()).constData(), held, sizeof held - 1), linkText.size());
    QCOMPARE(QByteArray(held), linkText);
    QFile f(dotfiles + "/Vorlix.reg");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY(text.contains("\"OutputDir_Caption\"=\"/changed\"\n"));
    QVERIFY(text.contains("\"Visible\"=\"0\"\n"));
    // Replaced within its own folder: nothing left beside it or the link.
    QCOMPARE(QDir(dotfiles).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Vorlix.reg"});
    QCOMPARE(QDir(m_config->path() + "/Tarnby").entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList{"Vorlix.reg"});
}

void TestSettings::saveAtDestroyOnlyWhenNeeded_data()
{
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("closeFails");
    QTest::addColumn<QString>("visibleAfterDestroy"); // empty: no file

    QTest::newRow("saved at close") << true << false << "";
    QTest::newRow("close save failed") << true << true << "1";
    QTest::newRow("never shown") << false << false << "";
}

void TestSettings::saveAtDestroyOnlyWhenNeeded()
{
    QFETCH(bool, show);
    QFETCH(bool, closeFails);
    QFETCH(QString, visibleAfterDestroy);

    const QString blocker = m_config->path() + "/Tarnby";
    if (closeFails) {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    start(show);
    if (show) {
        MainForm->close();
        if (closeFails) {
            QCOMPARE(fake()->messages.size(), 1);
            QVERIFY(QFile::remove(blocker));
        } else {
            QVERIFY(readReg().contains("\"Visible\"=\"0\"\n"));
        }
    }
    QFile::remove(regPath());
    m_windows = AppWindows();
    if (visibleAfterDestroy.isEmpty()) {
        QVERIFY(!QFile::exists(regPath()));
    } else {
        QVERIFY(readReg().contains("\"Visible\"=\"" + visibleAfterDestroy.toUtf8() + "\"\n"));
        QCOMPARE(fake()->messages.size(), 1);
    }
}

void TestSettings::dialogLayout()
{
    start(false);
    TSelDirect *d = SelDirect;
    QCOMPARE(d->windowTitle(), QString("Select Directory"));
    QCOMPARE(d->size(), QSize(450, 171));
    QCOMPARE(d->minimumSize(), d->maximumSize());
    QCOMPARE(d->pos(), QPoint(192, 103));
    QCOMPARE(d->windowType(), Qt::Tool);
    QVERIFY(d->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    QCOMPARE(d->Label1->text(), QString("Output Directory :"));
    QCOMPARE(d->Label1->pos(), QPoint(72, 68));
    QCOMPARE(d->Label2->text(), QString("Temp Directory :"));
    QCOMPARE(d->Label2->pos(), QPoint(72, 100));
    QCOMPARE(d->DirectoryEdit1->geometry(), QRect(208, 64, 121, 21));
    QCOMPARE(d->DirectoryEdit2->geometry(), QRect(208, 96, 121, 21));

    d->show();
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    for (TDirectoryEdit *box : {d->DirectoryEdit1, d->DirectoryEdit2}) {
        // The browse button sits inside the box at its right end and takes no
        // focus; typed text stops short of it.
        const QRect b = box->button()->geometry();
        QVERIFY(QRect(QPoint(), box->size()).contains(b));
        QVERIFY(b.right() >= box->width() - 4 && b.width() >= 15 && b.height() >= 15);
        QCOMPARE(box->button()->focusPolicy(), Qt::NoFocus);
        QVERIFY(box->textMargins().right() >= b.width());
    }
    QCOMPARE(QApplication::focusWidget(), d->DirectoryEdit1);
    QTest::keyClick(d->DirectoryEdit1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), d->DirectoryEdit2);
    QTest::keyClick(d->DirectoryEdit2, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), d->DirectoryEdit1);
    d->hide();
}

void TestSettings::bothMenuItemsEditBothBoxes_data()
{
    QTest::addColumn<bool>("viaTempItem");
    QTest::addColumn<QString>("typedOutput"); // empty: box left alone
    QTest::addColumn<QString>("typedTemp");
    QTest::addColumn<QString>("expectedOutput");
    QTest::addColumn<QString>("expectedTemp");

    QTest::newRow("temp item, output box changed") << true << "/new/out" << "" << "/new/out" << "/old/temp";
    QTest::newRow("output item, temp box changed") << false << "" << "/new/temp" << "/old/out" << "/new/temp";
    QTest::newRow("temp item, both changed") << true << "/o2" << "/t2" << "/o2" << "/t2";
    QTest::newRow("output item, nothing changed") << false << "" << "" << "/old/out" << "/old/temp";
    // Any text is taken, even one that is no folder.
    QTest::newRow("output item, not a path") << false << "no such place" << "" << "no such place" << "/old/temp";
    // Enter in a box closes the dialog as its close box does (see below).
    QTest::newRow("output item, long path, closed by Enter")
        << false << "/home/someone/a rather long folder name for skins/another level/Chrome" << ""
        << "/home/someone/a rather long folder name for skins/another level/Chrome" << "/old/temp";
}

void TestSettings::bothMenuItemsEditBothBoxes()
{
    QFETCH(bool, viaTempItem);
    QFETCH(QString, typedOutput);
    QFETCH(QString, typedTemp);

    start();
    MainForm->OutputDir->setText("/old/out");
    MainForm->TempDir->setText("/old/temp");

    QStringList boxesAtShow;
    bool stayedOpenOnEscape = false;
    QTimer::singleShot(0, this, [&] {
        TSelDirect *d = SelDirect;
        boxesAtShow = {d->DirectoryEdit1->text(), d->DirectoryEdit2->text()};
        for (auto [box, typed] : {std::pair{d->DirectoryEdit1, typedOutput}, std::pair{d->DirectoryEdit2, typedTemp}}) {
            if (typed.isEmpty())
                continue;
            box->selectAll();
            QTest::keyClicks(box, typed);
        }
        // No Cancel: Escape must not look like one.
        QTest::keyClick(d, Qt::Key_Escape);
        stayedOpenOnEscape = d->isVisible();
        if (QByteArray(QTest::currentDataTag()).endsWith("Enter"))
            QTest::keyClick(d->DirectoryEdit1, Qt::Key_Return);
        else
            d->close(); // the close box
    });
    (viaTempItem ? MainForm->SetTempDirectory1 : MainForm->SetOutputDirectory1)->trigger();

    QCOMPARE(boxesAtShow, QStringList({"/old/out", "/old/temp"}));
    QVERIFY(stayedOpenOnEscape);
    QVERIFY(!SelDirect->isVisible());
    QTEST(MainForm->OutputDir->text(), "expectedOutput");
    QTEST(MainForm->TempDir->text(), "expectedTemp");
    // The labels keep their width up to the next icon and the window's
    // edge; a path too long for it shows its middle left out, and all of it
    // as the tooltip.
    QCOMPARE(MainForm->OutputDir->width(), 158);
    QCOMPARE(MainForm->TempDir->width(), 240);
    const auto *out = static_cast<const TPathLabel *>(MainForm->OutputDir);
    if (out->fontMetrics().horizontalAdvance(out->text()) > 158) {
        QVERIFY(out->shownText().startsWith(QStringLiteral("/home")));
        QVERIFY(out->shownText().endsWith(QStringLiteral("Chrome")));
        QVERIFY(out->shownText().contains(QChar(0x2026)));
    } else {
        QCOMPARE(out->shownText(), out->text());
    }
    QVERIFY(fake()->messages.isEmpty());
}

void TestSettings::browseStartFolder_data()
{
    // "%d" stands for an existing folder, "%d/gone" for one removed after it
    // was chosen; "cancel" is a browse the user cancelled.
    QTest::addColumn<QString>("earlierChoice"); // empty: no earlier browse
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("expectedStart");

    QTest::newRow("existing folder in the box") << "" << "%d" << "%d";
    QTest::newRow("empty box, nothing chosen") << "" << "" << "/";
    QTest::newRow("empty box, chosen before") << "%d/sub" << "" << "%d/sub";
    QTest::newRow("empty box, chosen folder gone") << "%d/gone" << "" << "/";
    QTest::newRow("box text not a folder") << "%d/sub" << "%d/nothing here" << "/";
    QTest::newRow("old drive text") << "" << "C:" << "/";
    QTest::newRow("empty box, browse cancelled before") << "cancel" << "" << "/";
}

void TestSettings::browseStartFolder()
{
    QFETCH(QString, earlierChoice);
    QFETCH(QString, boxText);
    QFETCH(QString, expectedStart);

    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.path() + "/sub"));
    QVERIFY(QDir().mkpath(dir.path() + "/gone"));
    const auto fill = [&](QString s) { return s.replace("%d", dir.path()); };

    start(false);
    TSelDirect *d = SelDirect;
    d->show();
    TDirectoryEdit *box = d->DirectoryEdit1;
    box->setText("before");
    if (earlierChoice == "cancel") {
        QTest::mouseClick(box->button(), Qt::LeftButton);
        QCOMPARE(box->text(), QString("before")); // cancelling changes nothing
    } else if (!earlierChoice.isEmpty()) {
        fake()->folders.enqueue(fill(earlierChoice));
        QTest::mouseClick(box->button(), Qt::LeftButton);
        QCOMPARE(box->text(), fill(earlierChoice));
    }
    QDir(dir.path() + "/gone").removeRecursively();

    box->setText(fill(boxText));
    fake()->folderStarts.clear();
    QTest::mouseClick(box->button(), Qt::LeftButton);
    QCOMPARE(fake()->folderStarts, QStringList{fill(expectedStart)});
    QCOMPARE(box->text(), fill(boxText)); // cancelled again: unchanged

    // Each box remembers its own choice.
    d->DirectoryEdit2->setText("");
    fake()->folderStarts.clear();
    QTest::mouseClick(d->DirectoryEdit2->button(), Qt::LeftButton);
    QCOMPARE(fake()->folderStarts, QStringList{"/"});
    d->hide();
}

void TestSettings::chosenFolderLosesOneTrailingSeparator_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("root stays") << "/" << "/";
    QTest::newRow("no separator") << "/srv/Skins" << "/srv/Skins";
    QTest::newRow("one separator") << "/srv/Skins/" << "/srv/Skins";
    QTest::newRow("two separators") << "/srv/Skins//" << "/srv/Skins/";
    QTest::newRow("blanks kept") << "/srv/My Skins /" << "/srv/My Skins ";
}

void TestSettings::chosenFolderLosesOneTrailingSeparator()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);

    start(false);
    TSelDirect *d = SelDirect;
    d->show();
    TDirectoryEdit *box = d->DirectoryEdit2;
    box->setText("");
    fake()->folders.enqueue(chosen);
    QTest::mouseClick(box->button(), Qt::LeftButton);
    QCOMPARE(box->text(), expected);
    d->hide();
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
