// A skin's two text files, viscolor.txt and pledit.txt: read as players read
// them, kept byte for byte, and edited in place.
#include <QtTest>

#include "editor/SkinText.h"
#include "platform/Errors.h"
#include "skin/GlobalVar.h"
#include "skin/SkinSheets.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

using namespace vorlix;

namespace {

// The classic player's colours for what a skin leaves out, written from its
// published default viscolor.txt and pledit.txt.
const QRgb kClassicVis[kVisColourCount] = {
    qRgb(0, 0, 0),       qRgb(24, 33, 41),    qRgb(239, 49, 16),   qRgb(206, 41, 16),  qRgb(214, 90, 0),
    qRgb(214, 102, 0),   qRgb(214, 115, 0),   qRgb(198, 123, 8),   qRgb(222, 165, 24), qRgb(214, 181, 33),
    qRgb(189, 222, 41),  qRgb(148, 222, 33),  qRgb(41, 206, 16),   qRgb(50, 190, 16),  qRgb(57, 181, 16),
    qRgb(49, 156, 8),    qRgb(41, 148, 0),    qRgb(24, 132, 8),    qRgb(255, 255, 255), qRgb(214, 214, 222),
    qRgb(181, 189, 189), qRgb(160, 170, 175), qRgb(148, 156, 165), qRgb(150, 150, 150),
};
const QRgb kClassicPlaylist[kPlaylistColourCount] = {0xFF00FF00, 0xFFFFFFFF, 0xFF000000,
                                                     0xFF0000FF, 0xFF00FF00, 0xFF000000};
const char *const kKeys[] = {"Normal", "Current", "NormalBG", "SelectedBG", "MbFG", "MbBG"};

int playlistKey(const QString &name)
{
    for (int k = 0; k < kPlaylistColourCount; ++k)
        if (name.compare(QLatin1String(kKeys[k]), Qt::CaseInsensitive) == 0)
            return k;
    return -1;
}

// A second reader, written the way webamp reads viscolor.txt: one regular
// expression a line, the lines that match taken in order.
QList<QRgb> referenceVis(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    static const QRegularExpression re(
        QStringLiteral("^[ \\t]*(-?\\d+)(?:[ \\t]*,[ \\t]*|[ \\t]+)(-?\\d+)(?:[ \\t]*,[ \\t]*|[ \\t]+)(-?\\d+)"));
    QList<QRgb> out;
    for (const QByteArray &line : bytes.split('\n')) {
        const auto m = re.match(QString::fromLatin1(line));
        if (!m.hasMatch() || out.size() == kVisColourCount)
            continue;
        int v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = std::clamp(m.captured(c + 1).toLongLong(), 0LL, 255LL);
        out << qRgb(v[0], v[1], v[2]);
    }
    return out;
}

// And pledit.txt the way an INI reader does: [Text] entries by lower-case
// key, the last one winning; colours as six hex digits or three. "[text]"
// is there when the file has the section.
QHash<QString, QString> referencePlEdit(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    static const QRegularExpression section(QStringLiteral("^\\s*\\[\\s*(.*?)\\s*\\]"));
    static const QRegularExpression entry(QStringLiteral("^\\s*([^;#\\[\\s][^=]*?)\\s*=\\s*(.*?)\\s*$"));
    QHash<QString, QString> out;
    bool inText = false;
    for (const QByteArray &line : bytes.split('\n')) {
        const QString s = QString::fromLatin1(line);
        if (const auto m = section.match(s); m.hasMatch()) {
            inText = m.captured(1).compare(QLatin1String("text"), Qt::CaseInsensitive) == 0;
            if (inText)
                out[QStringLiteral("[text]")] = QString();
        } else if (const auto e = entry.match(s); e.hasMatch() && inText) {
            out[e.captured(1).toLower()] = e.captured(2);
        }
    }
    return out;
}

std::optional<QRgb> referenceColour(const QString &value)
{
    static const QRegularExpression six(QStringLiteral("^#?([0-9a-fA-F]{6})"));
    static const QRegularExpression three(QStringLiteral("^#?([0-9a-fA-F])([0-9a-fA-F])([0-9a-fA-F])(?![0-9a-fA-F])"));
    if (const auto m = six.match(value); m.hasMatch())
        return 0xFF000000u | m.captured(1).toUInt(nullptr, 16);
    if (const auto m = three.match(value); m.hasMatch())
        return 0xFF000000u | (m.captured(1) + m.captured(1) + m.captured(2) + m.captured(2) + m.captured(3)
                              + m.captured(3)).toUInt(nullptr, 16);
    return std::nullopt;
}

void compareWithReference(const VisColorText &t, const QByteArray &bytes)
{
    const QList<QRgb> ref = referenceVis(bytes);
    for (int i = 0; i < kVisColourCount; ++i) {
        QCOMPARE(t.given(i), i < ref.size());
        QCOMPARE(t.colour(i), i < ref.size() ? ref[i] : kClassicVis[i]);
    }
}

void compareWithReference(const PlEditText &t, const QByteArray &bytes)
{
    const QHash<QString, QString> ref = referencePlEdit(bytes);
    for (int k = 0; k < kPlaylistColourCount; ++k) {
        const auto c = referenceColour(ref.value(QString::fromLatin1(kKeys[k]).toLower()));
        QCOMPARE(t.given(PlaylistColour(k)), c.has_value());
        QCOMPARE(t.colour(PlaylistColour(k)), c.value_or(kClassicPlaylist[k]));
    }
}

// "0=1,2,3;4=9,9,9"
QList<QPair<int, QRgb>> parseVisEdits(const QString &s)
{
    QList<QPair<int, QRgb>> out;
    for (const QString &e : s.split(u';', Qt::SkipEmptyParts)) {
        const QStringList kv = e.split(u'=');
        const QStringList c = kv[1].split(u',');
        out.append({kv[0].toInt(), qRgb(c[0].toInt(), c[1].toInt(), c[2].toInt())});
    }
    return out;
}

const char *const kSkins[] = {"Classic", "Classic1.3", "Debian", "Default", "Ivory", "Osmosis", "Refugee", "TinyPlayer"};

QString installedSkinFile(const QString &skin, const QString &file)
{
    return QStringLiteral("/usr/share/audacious/Skins/%1/%2").arg(skin, file);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lines of a and b that differ, by number; -1 for a line only one has.
QList<int> differingLines(const QByteArray &a, const QByteArray &b)
{
    const QList<QByteArray> la = a.split('\n'), lb = b.split('\n');
    QList<int> out;
    for (int i = 0; i < std::max(la.size(), lb.size()); ++i)
        if (i >= la.size() || i >= lb.size())
            out << -1;
        else if (la[i] != lb[i])
            out << i;
    return out;
}

// The lines of a file without their breaks; the last line gains one when
// lines are added after it.
QList<QByteArray> linesOf(const QByteArray &b)
{
    QList<QByteArray> lines = b.split('\n');
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

// Each of `part` in `whole`, in order.
bool isSubsequence(const QList<QByteArray> &part, const QList<QByteArray> &whole)
{
    qsizetype j = 0;
    for (const QByteArray &x : part) {
        while (j < whole.size() && whole[j] != x)
            ++j;
        if (j == whole.size())
            return false;
        ++j;
    }
    return true;
}

// A file of `count` lines picked from `pool`, with either line break, a
// mixture now and then, maybe a byte order mark, maybe no final break.
QByteArray randomFile(QRandomGenerator &rng, const QList<QByteArray> &pool, int count)
{
    const bool crlf = rng.bounded(2) == 0;
    const bool mixed = rng.bounded(6) == 0;
    QByteArray b = rng.bounded(8) == 0 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (int i = 0; i < count; ++i) {
        b += pool[rng.bounded(int(pool.size()))];
        if (i + 1 < count || rng.bounded(3) != 0)
            b += (mixed ? rng.bounded(2) == 0 : crlf) ? "\r\n" : "\n";
    }
    return b;
}

} // namespace

class TestSkinText : public QObject
{
    Q_OBJECT
private slots:
    void emptyFilesGiveThePlayersDefaults();
    void visLines_data();
    void visLines();
    void visEdits_data();
    void visEdits();
    void plColours_data();
    void plColours();
    void plFont_data();
    void plFont();
    void plEdits_data();
    void plEdits();
    void plFontRefused_data();
    void plFontRefused();
    void installedSkins_data();
    void installedSkins();
    void randomFilesKeepEveryOtherLine();
    void builtInFilesAreTidy();
    void builtInColoursComeFromTheArtwork();
};

void TestSkinText::emptyFilesGiveThePlayersDefaults()
{
    for (const QByteArray &bytes : {QByteArray(), QByteArray("\r\n\r\n"), QByteArray("// nothing here\n")}) {
        const VisColorText v = VisColorText::parse(bytes);
        for (int i = 0; i < kVisColourCount; ++i) {
            QCOMPARE(v.colour(i), kClassicVis[i]);
            QVERIFY(!v.given(i));
        }
        QVERIFY(!v.changed());
        QCOMPARE(v.bytes(), bytes);

        const PlEditText p = PlEditText::parse(bytes);
        for (int k = 0; k < kPlaylistColourCount; ++k) {
            QCOMPARE(p.colour(PlaylistColour(k)), kClassicPlaylist[k]);
            QVERIFY(!p.given(PlaylistColour(k)));
        }
        QCOMPARE(p.font(), QStringLiteral("Arial"));
        QCOMPARE(p.bytes(), bytes);
    }
}

void TestSkinText::visLines_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<bool>("given");

    QTest::newRow("comment after the numbers") << QByteArray("9,8,7  // background\n") << 0 << qRgb(9, 8, 7) << true;
    QTest::newRow("blanks after commas") << QByteArray("24, 33, 41\n") << 0 << qRgb(24, 33, 41) << true;
    QTest::newRow("blanks before commas") << QByteArray("24 ,33 , 41\n") << 0 << qRgb(24, 33, 41) << true;
    QTest::newRow("blanks alone") << QByteArray("24 33 41\n") << 0 << qRgb(24, 33, 41) << true;
    QTest::newRow("tabs") << QByteArray("\t1,\t2,\t3\t\t// x\r\n") << 0 << qRgb(1, 2, 3) << true;
    QTest::newRow("CRLF, second line") << QByteArray("1,2,3\r\n4,5,6\r\n") << 1 << qRgb(4, 5, 6) << true;
    QTest::newRow("no final line break") << QByteArray("1,2,3\n4,5,6") << 1 << qRgb(4, 5, 6) << true;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF" "9,8,7\r\n") << 0 << qRgb(9, 8, 7) << true;
    QTest::newRow("above 255 clamped") << QByteArray("300,256,1000\n") << 0 << qRgb(255, 255, 255) << true;
    QTest::newRow("huge number clamped") << QByteArray("99999999999999999999,0,7\n") << 0 << qRgb(255, 0, 7) << true;
    QTest::newRow("minus sign clamped") << QByteArray("-5,10,20\n") << 0 << qRgb(0, 10, 20) << true;
    QTest::newRow("four numbers") << QByteArray("1,2,3,4\n") << 0 << qRgb(1, 2, 3) << true;
    QTest::newRow("leading zeros") << QByteArray("007,010,000\n") << 0 << qRgb(7, 10, 0) << true;
    // Lines without three numbers hold no colour; the next colour line
    // takes their place.
    QTest::newRow("two numbers passed over") << QByteArray("1,2\n7,8,9\n") << 0 << qRgb(7, 8, 9) << true;
    QTest::newRow("blank lines passed over") << QByteArray("\n\n  \n5,6,7\n") << 0 << qRgb(5, 6, 7) << true;
    QTest::newRow("heading comment passed over")
        << QByteArray("// viscolor.txt for my skin\r\n1,2,3\r\n") << 0 << qRgb(1, 2, 3) << true;
    QTest::newRow("decimal point holds no colour") << QByteArray("1.5,2,3\n4,5,6\n") << 0 << qRgb(4, 5, 6) << true;
    QTest::newRow("digits run together hold no colour") << QByteArray("123\n") << 0 << qRgb(0, 0, 0) << false;
    QTest::newRow("two numbers leave the rest to defaults") << QByteArray("1,2,3\n4,5\n") << 1 << qRgb(24, 33, 41)
                                                            << false;
    QTest::newRow("missing lines") << QByteArray("1,2,3\n") << 5 << qRgb(214, 102, 0) << false;
    QTest::newRow("missing peak dots") << QByteArray("1,2,3\n") << 23 << qRgb(150, 150, 150) << false;
    QByteArray extra;
    for (int i = 0; i < 25; ++i)
        extra += QByteArray::number(i) + ",0,0\r\n";
    QTest::newRow("24th line is the last colour") << extra << 23 << qRgb(23, 0, 0) << true;
}

void TestSkinText::visLines()
{
    QFETCH(QByteArray, file);
    QFETCH(int, index);
    QFETCH(QRgb, colour);
    QFETCH(bool, given);
    const VisColorText t = VisColorText::parse(file);
    QCOMPARE(t.colour(index), colour);
    QCOMPARE(t.given(index), given);
    QCOMPARE(t.bytes(), file);
}

void TestSkinText::visEdits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("comment and tabs kept") << QByteArray("0,0,0\t\t// [background color 1]\r\n24,33,41\r\n")
                                           << "0=1,2,3" << QByteArray("1,2,3\t\t// [background color 1]\r\n24,33,41\r\n");
    QTest::newRow("spacing kept") << QByteArray("24, 33, 41 // dots\n5 6 7\n") << "0=10,20,30;1=8,9,10"
                                  << QByteArray("10, 20, 30 // dots\n8 9 10\n");
    QTest::newRow("unchanged channels keep their digits") << QByteArray("007,300,0\n") << "0=7,255,1"
                                                          << QByteArray("007,300,1\n");
    QTest::newRow("byte order mark kept") << QByteArray("\xEF\xBB\xBF" "1,2,3\r\n") << "0=4,5,6"
                                          << QByteArray("\xEF\xBB\xBF" "4,5,6\r\n");
    QTest::newRow("odd line between colours kept") << QByteArray("1,2,3\n1,2\n4,5,6\n") << "1=7,8,9"
                                                   << QByteArray("1,2,3\n1,2\n7,8,9\n");
    // A colour the file lacks: lines up to it, the defaults filling the gap.
    QTest::newRow("added in CRLF with defaults before it")
        << QByteArray("1,2,3\r\n4,5,6\r\n") << "4=9,9,9"
        << QByteArray("1,2,3\r\n4,5,6\r\n239,49,16\r\n206,41,16\r\n9,9,9\r\n");
    QTest::newRow("added with the file's spacing") << QByteArray("\t1, 2, 3\t// x\n") << "1=9,9,9"
                                                   << QByteArray("\t1, 2, 3\t// x\n\t9, 9, 9\n");
    QTest::newRow("added after the last colour") << QByteArray("1,2,3\n// end\n\n") << "1=4,5,6"
                                                 << QByteArray("1,2,3\n4,5,6\n// end\n\n");
    QTest::newRow("added without a final line break") << QByteArray("1,2,3\n4,5,6") << "2=7,8,9"
                                                      << QByteArray("1,2,3\n4,5,6\n7,8,9");
    QTest::newRow("added to a file without line breaks") << QByteArray("1,2,3") << "1=4,5,6"
                                                         << QByteArray("1,2,3\r\n4,5,6");
    QTest::newRow("added to an empty file") << QByteArray() << "0=7,7,7" << QByteArray("7,7,7\r\n");
    QTest::newRow("added after a comment") << QByteArray("// mine\n") << "0=7,7,7" << QByteArray("// mine\n7,7,7\n");
    QTest::newRow("added twice") << QByteArray("1,2,3\r\n") << "2=5,5,5;1=4,4,4"
                                 << QByteArray("1,2,3\r\n4,4,4\r\n5,5,5\r\n");
    QByteArray extra, extraEdited;
    for (int i = 0; i < 25; ++i) {
        extra += QByteArray::number(i) + ",0,0\r\n";
        extraEdited += (i == 23 ? QByteArray("9") : QByteArray::number(i)) + ",0,0\r\n";
    }
    QTest::newRow("line past the 24th colour kept") << extra << "23=9,0,0" << extraEdited;
    // No change, no new bytes.
    QTest::newRow("set back") << QByteArray("1,2,3\r\n") << "0=9,9,9;0=1,2,3" << QByteArray("1,2,3\r\n");
    QTest::newRow("missing colour set to its default") << QByteArray("1,2,3\r\n") << "5=214,102,0"
                                                       << QByteArray("1,2,3\r\n");
    QTest::newRow("clamped value set to what it reads") << QByteArray("300,0,0\n") << "0=255,0,0"
                                                        << QByteArray("300,0,0\n");
}

void TestSkinText::visEdits()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, edits);
    QFETCH(QByteArray, expected);
    VisColorText t = VisColorText::parse(file);
    const QList<QPair<int, QRgb>> list = parseVisEdits(edits);
    for (const auto &[i, c] : list)
        t.setColour(i, c);
    QCOMPARE(t.bytes(), expected);
    QCOMPARE(t.changed(), expected != file);
    // What was written reads back as set, here and in the second reader,
    // and what the object says it gives is what the bytes give.
    const VisColorText back = VisColorText::parse(t.bytes());
    for (int i = 0; i < kVisColourCount; ++i) {
        QCOMPARE(back.colour(i), t.colour(i));
        QCOMPARE(back.given(i), t.given(i));
    }
    compareWithReference(t, t.bytes());
}

void TestSkinText::plColours_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("key");
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<bool>("given");
    const int normal = int(PlaylistColour::Normal);

    QTest::newRow("as written") << QByteArray("[Text]\r\nNormal=#00FF00\r\n") << normal << 0xFF00FF00u << true;
    QTest::newRow("any case, no '#'") << QByteArray("[text]\nnormal=a6c1df\n") << normal << 0xFFA6C1DFu << true;
    QTest::newRow("upper-case names") << QByteArray("[TEXT]\nNORMALBG=#102030\n") << int(PlaylistColour::NormalBG)
                                      << 0xFF102030u << true;
    QTest::newRow("blanks around '=' and the line") << QByteArray("[Text]\r\n  Normal  =\t#A6C1DF  \r\n") << normal
                                                    << 0xFFA6C1DFu << true;
    QTest::newRow("extra digits: the first six") << QByteArray("[Text]\nNormal=#a6c1dfff\n") << normal << 0xFFA6C1DFu
                                                 << true;
    QTest::newRow("three digits") << QByteArray("[Text]\nNormal=#abc\n") << normal << 0xFFAABBCCu << true;
    QTest::newRow("text after the colour") << QByteArray("[Text]\nNormal=#123456 ; mine\n") << normal << 0xFF123456u
                                           << true;
    QTest::newRow("five digits") << QByteArray("[Text]\nNormal=#12345\n") << normal << 0xFF00FF00u << false;
    QTest::newRow("not hex") << QByteArray("[Text]\nNormal=zzz\n") << normal << 0xFF00FF00u << false;
    QTest::newRow("empty") << QByteArray("[Text]\nNormal=\n") << normal << 0xFF00FF00u << false;
    QTest::newRow("before any section") << QByteArray("Normal=#123456\n[Text]\n") << normal << 0xFF00FF00u << false;
    QTest::newRow("another section") << QByteArray("[Other]\nNormal=#123456\n[Text]\nCurrent=#FFFFFF\n") << normal
                                     << 0xFF00FF00u << false;
    QTest::newRow("';' comment") << QByteArray("[Text]\n;Normal=#123456\n") << normal << 0xFF00FF00u << false;
    QTest::newRow("'#' comment") << QByteArray("[Text]\n# Normal=#123456\n") << normal << 0xFF00FF00u << false;
    QTest::newRow("given twice: the last") << QByteArray("[Text]\nNormal=#111111\nnormal=#222222\n") << normal
                                           << 0xFF222222u << true;
    QTest::newRow("second [Text] section") << QByteArray("[Text]\nNormal=#111111\n[Other]\n[Text]\nCurrent=#222222\n")
                                           << normal << 0xFF111111u << true;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[Text]\r\nNormal=#123456\r\n") << normal
                                     << 0xFF123456u << true;
    QTest::newRow("heading with a comment") << QByteArray("[Text] ; colours\nNormal=#123456") << normal
                                            << 0xFF123456u << true;
    QTest::newRow("mini browser text") << QByteArray("[Text]\nMbFG=#010203\nmbbg=#040506\n")
                                       << int(PlaylistColour::MbFG) << 0xFF010203u << true;
    QTest::newRow("mini browser background") << QByteArray("[Text]\nMbFG=#010203\nmbbg=#040506\n")
                                             << int(PlaylistColour::MbBG) << 0xFF040506u << true;
    QTest::newRow("mini browser text absent") << QByteArray("[Text]\nNormal=#123456\n") << int(PlaylistColour::MbFG)
                                              << 0xFF00FF00u << false;
    QTest::newRow("selection absent") << QByteArray("[Text]\nNormal=#123456\n") << int(PlaylistColour::SelectedBG)
                                      << 0xFF0000FFu << false;
}

void TestSkinText::plColours()
{
    QFETCH(QByteArray, file);
    QFETCH(int, key);
    QFETCH(QRgb, colour);
    QFETCH(bool, given);
    const PlEditText t = PlEditText::parse(file);
    QCOMPARE(t.colour(PlaylistColour(key)), colour);
    QCOMPARE(t.given(PlaylistColour(key)), given);
    QCOMPARE(t.bytes(), file);
    QVERIFY(!t.changed());
}

void TestSkinText::plFont_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("font");

    QTest::newRow("absent") << QByteArray("[Text]\nNormal=#00FF00\n") << "Arial";
    QTest::newRow("as written") << QByteArray("[Text]\r\nFont=Arial Narrow\r\n") << "Arial Narrow";
    QTest::newRow("any case, blanks, quotes") << QByteArray("[text]\n  font = \"Tahoma\" \n") << "Tahoma";
    QTest::newRow("empty") << QByteArray("[Text]\nFont=\n") << "Arial";
    QTest::newRow("outside [Text]") << QByteArray("Font=Tahoma\n[Text]\n") << "Arial";
    QTest::newRow("Windows code page") << QByteArray("[Text]\nFont=Fran\xE7" "ais\n") << QString::fromUtf8("Français");
    QTest::newRow("UTF-8") << QByteArray("[Text]\nFont=Fran\xC3\xA7" "ais\n") << QString::fromUtf8("Français");
    QTest::newRow("UTF-8 cut off at the end") << QByteArray("[Text]\nFont=Caf\xC3") << QString::fromUtf8("CafÃ");
    QTest::newRow("Windows code page above Latin-1") << QByteArray("[Text]\nFont=Gill Sans \x96 Light\n")
                                                     << QString::fromUtf8("Gill Sans – Light");
}

void TestSkinText::plFont()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, font);
    const PlEditText t = PlEditText::parse(file);
    QCOMPARE(t.font(), font);
    QCOMPARE(t.bytes(), file);
}

void TestSkinText::plEdits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("in place, key's case and lower-case digits kept")
        << QByteArray("[text]\r\nnormal=#a6c1df\r\n") << "Normal=ABCDEF" << QByteArray("[text]\r\nnormal=#abcdef\r\n");
    QTest::newRow("no '#' as the line has it") << QByteArray("[Text]\nNormal=00FF00\nCurrent=FFFFFF\n")
                                               << "Current=ABCDEF"
                                               << QByteArray("[Text]\nNormal=00FF00\nCurrent=ABCDEF\n");
    QTest::newRow("blanks and a trailing comment kept") << QByteArray("[Text]\n  Normal = #00FF00 ; green\n")
                                                        << "Normal=123456"
                                                        << QByteArray("[Text]\n  Normal = #123456 ; green\n");
    QTest::newRow("extra digits replaced") << QByteArray("[Text]\nNormal=#a6c1dfff\n") << "Normal=ABCDEF"
                                           << QByteArray("[Text]\nNormal=#abcdef\n");
    QTest::newRow("broken value replaced") << QByteArray("[Text]\nNormal=zzz ; x\n") << "Normal=ABCDEF"
                                           << QByteArray("[Text]\nNormal=#ABCDEF ; x\n");
    QTest::newRow("the key players read") << QByteArray("[Text]\nNormal=#111111\nNormal=#222222\n") << "Normal=ABCDEF"
                                          << QByteArray("[Text]\nNormal=#111111\nNormal=#ABCDEF\n");
    QTest::newRow("byte order mark kept") << QByteArray("\xEF\xBB\xBF[Text]\r\nNormal=#00FF00\r\n") << "Normal=ABCDEF"
                                          << QByteArray("\xEF\xBB\xBF[Text]\r\nNormal=#ABCDEF\r\n");
    QTest::newRow("font in quotes") << QByteArray("[Text]\nFont=\"Arial\"\n") << "Font=Tahoma"
                                    << QByteArray("[Text]\nFont=\"Tahoma\"\n");
    QTest::newRow("font in a Windows code page") << QByteArray("[Text]\nFont=Arial\n;caf\xE9\n")
                                                 << QString::fromUtf8("Font=Français")
                                                 << QByteArray("[Text]\nFont=Fran\xE7" "ais\n;caf\xE9\n");
    QTest::newRow("font in UTF-8") << QByteArray("[Text]\nFont=Arial\n") << QString::fromUtf8("Font=Français")
                                   << QByteArray("[Text]\nFont=Fran\xC3\xA7" "ais\n");
    QTest::newRow("CJK font in UTF-8") << QByteArray("[Text]\r\nFont=Arial\r\n; caf\xC3\xA9\r\n")
                                       << QString::fromUtf8("Font=微软雅黑")
                                       << QByteArray("[Text]\r\nFont=\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91"
                                                     "\r\n; caf\xC3\xA9\r\n");
    QTest::newRow("font in the code page above Latin-1") << QByteArray("[Text]\r\n; caf\xE9\r\n")
                                                         << QString::fromUtf8("Font=Gill Sans – Light")
                                                         << QByteArray("[Text]\r\nFont=Gill Sans \x96 Light\r\n; caf\xE9\r\n");
    // The new name took the file's only byte that is not UTF-8, and its own
    // bytes in the code page (C3 A9) would read as UTF-8 "é".
    QTest::newRow("font makes a code-page file UTF-8") << QByteArray("[Text]\nFont=\xE9\n") << QString::fromUtf8("Font=Ã©")
                                                       << QByteArray("[Text]\nFont=\xC3\x83\xC2\xA9\n");
    // The broken value's byte is what makes the file the code page's; it
    // stays, or the font would read back as "é".
    QTest::newRow("code page kept past a broken colour")
        << QByteArray("[Text]\nNormal=\xFF\nFont=\xC3\xA9\n") << "Normal=ABCDEF"
        << QByteArray("[Text]\nNormal=#ABCDEF\xFF\nFont=\xC3\xA9\n");
    // Readers take blanks and one pair of quotes off a value.
    QTest::newRow("font with a blank at its end quoted") << QByteArray("[Text]\nFont=Arial\n") << "Font=Arial "
                                                         << QByteArray("[Text]\nFont=\"Arial \"\n");
    QTest::newRow("font in quotes of its own quoted") << QByteArray("[Text]\nFont=Arial\n") << "Font='Tahoma'"
                                                      << QByteArray("[Text]\nFont=\"'Tahoma'\"\n");
    QTest::newRow("quote in a quoted font") << QByteArray("[Text]\nFont=\"Arial\"\n") << "Font=Tahoma\""
                                            << QByteArray("[Text]\nFont=\"Tahoma\"\"\n");
    // Missing keys: at the end of [Text], as the file writes its entries.
    QTest::newRow("key added before what follows [Text]")
        << QByteArray("[Text]\r\nNormal=#00FF00\r\n\r\n; other\r\n[Other]\r\nA=1\r\n") << "SelectedBG=ABCDEF"
        << QByteArray("[Text]\r\nNormal=#00FF00\r\nSelectedBG=#ABCDEF\r\n\r\n; other\r\n[Other]\r\nA=1\r\n");
    QTest::newRow("keys added in the file's style") << QByteArray("[Text]\nnormal = 00ff00\n")
                                                    << "MbBG=ABCDEF;Font=Tahoma"
                                                    << QByteArray("[Text]\nnormal = 00ff00\nMbBG = abcdef\nFont = Tahoma\n");
    QTest::newRow("key added to a heading alone") << QByteArray("[Text]\r\n") << "Normal=ABCDEF"
                                                  << QByteArray("[Text]\r\nNormal=#ABCDEF\r\n");
    QTest::newRow("key added without a final line break") << QByteArray("[Text]\nNormal=#00FF00") << "Current=ABCDEF"
                                                          << QByteArray("[Text]\nNormal=#00FF00\nCurrent=#ABCDEF");
    QTest::newRow("key added to the last [Text]")
        << QByteArray("[Text]\nNormal=#111111\n[Other]\nA=1\n[TEXT]\nCurrent=#222222\n") << "MbFG=ABCDEF"
        << QByteArray("[Text]\nNormal=#111111\n[Other]\nA=1\n[TEXT]\nCurrent=#222222\nMbFG=#ABCDEF\n");
    QTest::newRow("key added to an empty last [Text]") << QByteArray("[Text]\nNormal=#111111\n[Text]\n; end\n")
                                                       << "Current=ABCDEF"
                                                       << QByteArray("[Text]\nNormal=#111111\n[Text]\nCurrent=#ABCDEF\n; end\n");
    QTest::newRow("key outside [Text] left alone") << QByteArray("Normal=#111111\n[Text]\nCurrent=#FFFFFF\n")
                                                   << "Normal=ABCDEF"
                                                   << QByteArray("Normal=#111111\n[Text]\nCurrent=#FFFFFF\nNormal=#ABCDEF\n");
    QTest::newRow("section added") << QByteArray("[Other]\nA=1\n") << "Normal=ABCDEF"
                                   << QByteArray("[Other]\nA=1\n[Text]\nNormal=#ABCDEF\n");
    QTest::newRow("section added without a final line break") << QByteArray("[Other]\nA=1") << "Normal=ABCDEF"
                                                              << QByteArray("[Other]\nA=1\n[Text]\nNormal=#ABCDEF");
    QTest::newRow("section added to an empty file") << QByteArray() << "Normal=ABCDEF;Font=Tahoma"
                                                    << QByteArray("[Text]\r\nNormal=#ABCDEF\r\nFont=Tahoma\r\n");
    // No change, no new bytes.
    QTest::newRow("set back") << QByteArray("[Text]\nNormal=#00ff00\n") << "Normal=ABCDEF;Normal=00FF00"
                              << QByteArray("[Text]\nNormal=#00ff00\n");
    QTest::newRow("missing keys set to their defaults") << QByteArray("[Text]\n") << "SelectedBG=0000FF;Font=Arial"
                                                        << QByteArray("[Text]\n");
}

void TestSkinText::plEdits()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, edits);
    QFETCH(QByteArray, expected);
    PlEditText t = PlEditText::parse(file);
    QString font = t.font();
    for (const QString &e : edits.split(u';')) {
        const QString key = e.section(u'=', 0, 0), value = e.section(u'=', 1);
        if (key == QLatin1String("Font")) {
            t.setFont(value);
            font = value;
        } else {
            t.setColour(PlaylistColour(playlistKey(key)), 0xFF000000u | value.toUInt(nullptr, 16));
        }
    }
    QCOMPARE(t.bytes(), expected);
    QCOMPARE(t.changed(), expected != file);
    const PlEditText back = PlEditText::parse(t.bytes());
    for (int k = 0; k < kPlaylistColourCount; ++k) {
        QCOMPARE(back.colour(PlaylistColour(k)), t.colour(PlaylistColour(k)));
        QCOMPARE(back.given(PlaylistColour(k)), t.given(PlaylistColour(k)));
    }
    QCOMPARE(back.font(), font);
    compareWithReference(t, t.bytes());
}

void TestSkinText::plFontRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("says");

    // One byte that is not UTF-8 makes the file the Windows code page's;
    // the name in UTF-8 there would read back as "å¾®è½¯é...".
    const QString yahei = QString::fromUtf8("微软雅黑");
    QTest::newRow("CJK into a code-page file") << QByteArray("[Text]\r\nFont=Arial\r\n; caf\xE9\r\n") << yahei
                                               << QString::fromUtf8("\"微软雅黑\" cannot be written");
    QTest::newRow("CJK over a name in GBK") << QByteArray("[Text]\r\nFont=\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA\r\n") << yahei
                                            << "not in UTF-8";
    QTest::newRow("CJK into a file cut off in UTF-8") << QByteArray("[Text]\nFont=Arial\n\xE5\xBE") << yahei
                                                     << "not in UTF-8";
    QTest::newRow("C1 control, not in the code page") << QByteArray("[Text]\nFont=\xE9\n") << QString(QChar(0x80))
                                                      << "control character";
    QTest::newRow("line break") << QByteArray("[Text]\nFont=Arial\n") << "Arial\nNarrow" << "line break";
    QTest::newRow("tab") << QByteArray("[Text]\nFont=Arial\n") << "Arial\tNarrow" << "control character";
    QTest::newRow("half a surrogate pair") << QByteArray("[Text]\nFont=Arial\n") << QString(QChar(0xD800))
                                           << "not valid text";
}

void TestSkinText::plFontRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, font);
    QFETCH(QString, says);
    PlEditText t = PlEditText::parse(file);
    const QString before = t.font();
    try {
        t.setFont(font);
        QFAIL("taken");
    } catch (const VorlixError &e) {
        QVERIFY2(e.message().contains(says), qPrintable(e.message()));
    }
    QCOMPARE(t.font(), before);
    QVERIFY(!t.changed());
    QCOMPARE(t.bytes(), file);
}

void TestSkinText::installedSkins_data()
{
    // The skins a player package installs, made outside this project, with
    // a value read off each file by eye.
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRgb>("colour");
    const QRgb vis[] = {qRgb(128, 170, 206), qRgb(9, 13, 15),    qRgb(128, 170, 206), qRgb(0, 128, 255),
                        qRgb(255, 255, 255), qRgb(128, 170, 206), qRgb(0, 54, 108),   qRgb(128, 170, 206)};
    const QRgb normalBg[] = {0xFF000000, 0xFF000000, 0xFFCCDDEC, 0xFF000000,
                             0xFFFFFFFF, 0xFF000000, 0xFF0A120A, 0xFF000000};
    for (int s = 0; s < int(std::size(kSkins)); ++s) {
        const QString skin = QLatin1String(kSkins[s]);
        QTest::addRow("%s viscolor.txt", kSkins[s]) << installedSkinFile(skin, "viscolor.txt") << 2 << vis[s];
        QTest::addRow("%s pledit.txt", kSkins[s])
            << installedSkinFile(skin, "pledit.txt") << int(PlaylistColour::NormalBG) << normalBg[s];
    }
    // Ivory's file has a 25th line: the 24th is the peak dots.
    QTest::addRow("Ivory's peak dots") << installedSkinFile("Ivory", "viscolor.txt") << 23 << qRgb(240, 240, 240);
    QTest::addRow("Refugee's peak dots") << installedSkinFile("Refugee", "viscolor.txt") << 23 << qRgb(200, 200, 200);
}

void TestSkinText::installedSkins()
{
    QFETCH(QString, path);
    QFETCH(int, index);
    QFETCH(QRgb, colour);
    const QByteArray bytes = readFile(path);
    if (bytes.isEmpty())
        QSKIP("not installed (scripts/deps.sh --test installs audacious-plugins-data)");

    if (path.endsWith(QLatin1String("viscolor.txt"))) {
        VisColorText t = VisColorText::parse(bytes);
        QCOMPARE(t.bytes(), bytes);
        QCOMPARE(t.colour(index), colour);
        compareWithReference(t, bytes);
        // One colour changed: its line alone differs.
        t.setColour(index, qRgb(1, 2, 3));
        QCOMPARE(differingLines(bytes, t.bytes()), QList<int>{index});
        compareWithReference(t, t.bytes());
        QCOMPARE(VisColorText::parse(t.bytes()).colour(index), qRgb(1, 2, 3));
    } else {
        PlEditText t = PlEditText::parse(bytes);
        QCOMPARE(t.bytes(), bytes);
        QCOMPARE(t.colour(PlaylistColour(index)), colour);
        compareWithReference(t, bytes);
        // NormalBG is the third key of each: only its line changes; the mini
        // browser's colours, which these skins leave out, come as new lines.
        t.setColour(PlaylistColour(index), qRgb(1, 2, 3));
        QCOMPARE(differingLines(bytes, t.bytes()), QList<int>{3});
        t.setColour(PlaylistColour::MbFG, qRgb(4, 5, 6));
        t.setColour(PlaylistColour::MbBG, qRgb(7, 8, 9));
        const QList<QByteArray> before = bytes.split('\n'), after = t.bytes().split('\n');
        QCOMPARE(after.size(), before.size() + 2);
        compareWithReference(t, t.bytes());
        const PlEditText back = PlEditText::parse(t.bytes());
        QCOMPARE(back.colour(PlaylistColour::MbFG), qRgb(4, 5, 6));
        QCOMPARE(back.colour(PlaylistColour::MbBG), qRgb(7, 8, 9));
        QCOMPARE(back.font(), t.font());
        // The file's line ending on the new lines too.
        const bool crlf = bytes.contains("\r\n");
        for (const QByteArray &line : after.mid(0, after.size() - 1))
            QCOMPARE(line.endsWith('\r'), crlf);
    }
}

void TestSkinText::randomFilesKeepEveryOtherLine()
{
    QRandomGenerator rng(20240611u);
    const QList<QByteArray> visPool = {"1,2,3", "24, 33, 41", "7 8 9", "\t0,0,0\t\t// [osc 1]", "// comment", "", "  ",
                                       "1,2", "300,-4,12", "1.5,2,3", "255,255,255 // peak", "x", "007,010,000"};
    for (int round = 0; round < 400; ++round) {
        const QByteArray file = randomFile(rng, visPool, rng.bounded(40));
        VisColorText t = VisColorText::parse(file);
        QCOMPARE(t.bytes(), file);
        const int edits = rng.bounded(5);
        for (int e = 0; e < edits; ++e) {
            const int i = rng.bounded(kVisColourCount);
            const int kind = rng.bounded(3);
            t.setColour(i, kind == 0   ? kClassicVis[i]
                           : kind == 1 ? t.colour(i)
                                       : qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
        }
        const QByteArray out = t.bytes();
        const VisColorText back = VisColorText::parse(out);
        for (int i = 0; i < kVisColourCount; ++i) {
            QCOMPARE(back.colour(i), t.colour(i));
            QCOMPARE(back.given(i), t.given(i));
        }
        compareWithReference(t, out);
        if (QTest::currentTestFailed())
            return;
        // Every line but those of changed colours is still there, in order,
        // and the only new lines are the added colours'.
        const VisColorText before = VisColorText::parse(file);
        const QList<QRgb> ref = referenceVis(file);
        QList<QByteArray> kept;
        int colourLine = 0, added = 0;
        for (const QByteArray &line : linesOf(file)) {
            const bool isColour = !referenceVis(line).isEmpty() && colourLine < ref.size();
            if (!isColour || t.colour(colourLine) == before.colour(colourLine))
                kept << line;
            colourLine += isColour ? 1 : 0;
        }
        for (int i = 0; i < kVisColourCount; ++i)
            added += (t.given(i) && !before.given(i)) ? 1 : 0;
        QVERIFY2(isSubsequence(kept, linesOf(out)), out.constData());
        QCOMPARE(out.split('\n').size(), file.split('\n').size() + added);
    }

    const QList<QByteArray> plPool = {"[Text]", "[text]", "[Other]", "Normal=#00FF00", "normal = a6c1df",
                                      "Current=#abc", "NormalBG=zzz", "SelectedBG=#12345678", "MbFG=#010203 ; x",
                                      "Font=Arial", "font = \"Tahoma\"", "; comment", "", "A=1", "Normal",
                                      "[Text] ; colours"};
    const QStringList fonts = {"Arial", "Verdana", "Lucida Console"};
    for (int round = 0; round < 400; ++round) {
        const QByteArray file = randomFile(rng, plPool, rng.bounded(16));
        PlEditText t = PlEditText::parse(file);
        QCOMPARE(t.bytes(), file);
        QString font = t.font();
        const int edits = rng.bounded(4);
        for (int e = 0; e < edits; ++e) {
            const int k = rng.bounded(kPlaylistColourCount + 1);
            if (k == kPlaylistColourCount) {
                font = fonts[rng.bounded(int(fonts.size()))];
                t.setFont(font);
            } else {
                t.setColour(PlaylistColour(k), rng.bounded(2) == 0 ? kClassicPlaylist[k] : 0xFF000000u | rng.generate());
            }
        }
        const QByteArray out = t.bytes();
        const PlEditText back = PlEditText::parse(out);
        for (int k = 0; k < kPlaylistColourCount; ++k) {
            QCOMPARE(back.colour(PlaylistColour(k)), t.colour(PlaylistColour(k)));
            QCOMPARE(back.given(PlaylistColour(k)), t.given(PlaylistColour(k)));
        }
        QCOMPARE(back.font(), font);
        compareWithReference(t, out);
        if (QTest::currentTestFailed())
            return;
        // Lines naming a changed key may change; all others stay, in order.
        const PlEditText before = PlEditText::parse(file);
        const QHash<QString, QString> ref = referencePlEdit(file);
        QStringList changedKeys;
        for (int k = 0; k < kPlaylistColourCount; ++k)
            if (t.colour(PlaylistColour(k)) != before.colour(PlaylistColour(k)))
                changedKeys << QString::fromLatin1(kKeys[k]).toLower();
        if (t.font() != before.font())
            changedKeys << QStringLiteral("font");
        QList<QByteArray> kept;
        for (const QByteArray &line : linesOf(file)) {
            const QString key = QString::fromLatin1(line).section(u'=', 0, 0).trimmed().toLower();
            if (!line.contains('=') || !changedKeys.contains(key))
                kept << line;
        }
        QVERIFY2(isSubsequence(kept, linesOf(out)), out.constData());
        int added = 0;
        for (const QString &key : changedKeys)
            added += ref.contains(key) ? 0 : 1;
        if (added > 0 && !ref.contains(QStringLiteral("[text]")))
            ++added;
        QCOMPARE(out.split('\n').size(), file.split('\n').size() + added);
    }
}

void TestSkinText::builtInFilesAreTidy()
{
    const QByteArray vis = VisColorText::builtIn().bytes();
    const QList<QByteArray> lines = vis.split('\n');
    QCOMPARE(lines.size(), kVisColourCount + 1);
    QVERIFY(lines.last().isEmpty());
    static const QRegularExpression line(QStringLiteral("^\\d{1,3},\\d{1,3},\\d{1,3} // \\S[^\\r]*\\r$"));
    for (int i = 0; i < kVisColourCount; ++i)
        QVERIFY2(line.match(QString::fromLatin1(lines[i])).hasMatch(), lines[i].constData());
    const VisColorText v = VisColorText::parse(vis);
    compareWithReference(v, vis);
    QCOMPARE(v.bytes(), vis);

    const QByteArray pl = PlEditText::builtIn().bytes();
    QVERIFY(pl.startsWith("[Text]\r\n"));
    QVERIFY(pl.endsWith("\r\nFont=Arial\r\n"));
    const PlEditText p = PlEditText::parse(pl);
    compareWithReference(p, pl);
    for (int k = 0; k < kPlaylistColourCount; ++k) {
        QVERIFY(p.given(PlaylistColour(k)));
        QVERIFY(pl.contains(QByteArray("\r\n") + kKeys[k] + "=#"));
    }
    QCOMPARE(p.font(), QStringLiteral("Arial"));
}

void TestSkinText::builtInColoursComeFromTheArtwork()
{
    // The colours that show most, against the pixels of the built-in sheets.
    QSet<QRgb> artwork;
    for (int k = 0; k < kSheetCount; ++k) {
        const QImage im = loadDefaultImage(QString::fromLatin1(sheetInfo(SheetKind(k)).imageName));
        QVERIFY(!im.isNull());
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                artwork.insert(im.pixel(x, y) | 0xFF000000u);
    }
    const VisColorText v = VisColorText::builtIn();
    for (int i : {0, 1, 2, 17, 18, 23})
        QVERIFY2(artwork.contains(v.colour(i)), qPrintable(QStringLiteral("viscolor %1").arg(i)));
    const PlEditText p = PlEditText::builtIn();
    for (int k = 0; k < kPlaylistColourCount; ++k)
        QVERIFY2(artwork.contains(p.colour(PlaylistColour(k))), kKeys[k]);
}

QTEST_GUILESS_MAIN(TestSkinText)
#include "tst_skintext.moc"
