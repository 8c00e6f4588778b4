#include "editor/SkinText.h"

#include "platform/Errors.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>

namespace vorlix {

namespace {

// What players show when a skin lacks a value: the colours of the classic
// player's own skin (webamp's base skin carries the same table).
constexpr std::array<QRgb, kVisColourCount> kVisDefaults = {
    qRgb(0, 0, 0),       qRgb(24, 33, 41),                                          // background, dots
    qRgb(239, 49, 16),   qRgb(206, 41, 16),   qRgb(214, 90, 0),   qRgb(214, 102, 0), // spectrum, top down
    qRgb(214, 115, 0),   qRgb(198, 123, 8),   qRgb(222, 165, 24), qRgb(214, 181, 33),
    qRgb(189, 222, 41),  qRgb(148, 222, 33),  qRgb(41, 206, 16),  qRgb(50, 190, 16),
    qRgb(57, 181, 16),   qRgb(49, 156, 8),    qRgb(41, 148, 0),   qRgb(24, 132, 8),
    qRgb(255, 255, 255), qRgb(214, 214, 222), qRgb(181, 189, 189), qRgb(160, 170, 175), // oscilloscope
    qRgb(148, 156, 165),
    qRgb(150, 150, 150),                                                            // peak dots
};

// qmmp takes a missing MbFG/MbBG from Normal/NormalBG instead; the mini
// browser these two colour is the classic player's, and it has fixed
// defaults.
constexpr std::array<QRgb, kPlaylistColourCount> kPlaylistDefaults = {
    qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0xFF), qRgb(0x00, 0x00, 0x00),
    qRgb(0x00, 0x00, 0xFF), qRgb(0x00, 0xFF, 0x00), qRgb(0x00, 0x00, 0x00),
};
const char *const kPlaylistKeys[] = {"Normal", "Current", "NormalBG", "SelectedBG", "MbFG", "MbBG", "Font"};
const QString kDefaultFont = QStringLiteral("Arial");

const QByteArray kBom("\xEF\xBB\xBF");

// Windows-1252, the code page of the Western European Windows that most old
// skins were made on: Latin-1 but for 0x80..0x9F. Its five unassigned bytes
// stand for the control characters of the same number, as Windows reads
// them, so that every byte reads as a character and is written back as
// itself.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromCp1252(const QByteArray &b)
{
    QString s(b.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < b.size(); ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        s[i] = QChar(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char16_t(c));
    }
    return s;
}

// -1 for a character the code page lacks.
int cp1252Byte(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c < 0x80 || (c >= 0xA0 && c < 0x100))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return 0x80 + i;
    return -1;
}

QByteArray toCp1252(const QString &s)
{
    QByteArray b(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        b[i] = char(cp1252Byte(s[i]));
    return b;
}

bool isUtf8(const QByteArray &b)
{
    // Stateless: a sequence cut off at the end is an error, not the start of
    // more to come.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(b);
    return !utf8.hasError();
}

bool isAscii(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// A line of a file: [start, end) is its text, [end, next) its line break.
// Players split lines at '\n' alone, so a lone '\r' stays inside a line.
struct RawLine
{
    qsizetype start, end, next;
};

QList<RawLine> splitLines(const QByteArray &b)
{
    QList<RawLine> lines;
    qsizetype p = 0;
    while (p < b.size()) {
        const qsizetype nl = b.indexOf('\n', p);
        if (nl < 0) {
            lines.append({p, b.size(), b.size()});
            break;
        }
        const qsizetype end = (nl > p && b[nl - 1] == '\r') ? nl - 1 : nl;
        lines.append({p, end, nl + 1});
        p = nl + 1;
    }
    return lines;
}

// The file's own line break for lines we add; a file without one is a
// Windows file like nearly every skin.
QByteArray lineBreakOf(const QByteArray &b, const QList<RawLine> &lines)
{
    for (const RawLine &l : lines)
        if (l.next > l.end)
            return b.mid(l.end, l.next - l.end);
    return QByteArrayLiteral("\r\n");
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct Splice
{
    qsizetype at, len;
    QByteArray text;
};

QByteArray applySplices(const QByteArray &b, QList<Splice> splices)
{
    std::stable_sort(splices.begin(), splices.end(), [](const Splice &x, const Splice &y) { return x.at < y.at; });
    QByteArray out;
    qsizetype p = 0;
    for (const Splice &s : splices) {
        out += b.mid(p, s.at - p);
        out += s.text;
        p = s.at + s.len;
    }
    out += b.mid(p);
    return out;
}

// New lines placed where a line ends at `end` with its break running to
// `next`. After a line without a break (the file's last) they go after a
// break of their own and the file keeps ending without one.
Splice addLines(const QList<QByteArray> &texts, qsizetype end, qsizetype next, const QByteArray &eol)
{
    if (next == end && end > 0)
        return {end, 0, eol + texts.join(eol)};
    QByteArray t;
    for (const QByteArray &x : texts)
        t += x + eol;
    return {next, 0, t};
}

// At the end of the file, whatever its last line holds.
Splice addLinesAtEnd(const QList<QByteArray> &texts, const QByteArray &b, const QByteArray &eol)
{
    const qsizetype n = b.size();
    return b.endsWith('\n') ? addLines(texts, n - 1, n, eol) : addLines(texts, n, n, eol);
}

} // namespace

// ---------------------------------------------------------------------------
// viscolor.txt
//
// How players read a line, and the rule chosen where they differ:
// - Only lines holding three numbers are colours, taken in order: blank
//   lines, comment lines and lines with fewer numbers are passed over (webamp
//   and qmmp). Audacious instead gives line i to colour i and leaves the
//   default where that line has no three numbers; the two agree on every
//   well-formed file.
// - The numbers are separated by a comma, by blanks, or by both ("24, 33, 41",
//   "24 33 41"), as webamp reads them; whatever follows the third number (a
//   "// comment", a fourth number) is ignored. A line like "1.5,2,3" or
//   "123" holds no colour.
// - Values above 255 are clamped to 255 and a minus sign to 0, as a browser
//   does with webamp's rgb(); Audacious lets them spill into the
//   neighbouring channel.
// - A UTF-8 byte order mark before the first line is passed over, as a
//   browser's text decoding does.
// - Colours past the 24th line holding one are extra lines and stay as they
//   are.

VisColorText VisColorText::parse(const QByteArray &bytes)
{
    VisColorText t;
    t.m_bytes = bytes;
    t.m_read = kVisDefaults;
    const QList<RawLine> lines = splitLines(bytes);
    t.m_eol = lineBreakOf(bytes, lines);
    for (qsizetype li = 0; li < lines.size() && t.m_count < kVisColourCount; ++li) {
        const RawLine &rl = lines[li];
        qsizetype p = rl.start;
        if (li == 0 && bytes.startsWith(kBom))
            p += kBom.size();
        Line line;
        line.start = p;
        line.end = rl.end;
        line.next = rl.next;
        while (p < rl.end && isBlank(bytes[p]))
            ++p;
        int v[3] = {0, 0, 0};
        bool ok = true;
        for (int c = 0; c < 3 && ok; ++c) {
            if (c > 0) { // a comma, blanks, or both
                const qsizetype from = p;
                while (p < rl.end && isBlank(bytes[p]))
                    ++p;
                if (p < rl.end && bytes[p] == ',')
                    ++p;
                while (p < rl.end && isBlank(bytes[p]))
                    ++p;
                if (p == from) {
                    ok = false;
                    break;
                }
            }
            const qsizetype at = p;
            const bool negative = p < rl.end && bytes[p] == '-';
            if (negative)
                ++p;
            const qsizetype digits = p;
            int value = 0;
            while (p < rl.end && bytes[p] >= '0' && bytes[p] <= '9') {
                value = std::min(value * 10 + (bytes[p] - '0'), 1000);
                ++p;
            }
            if (p == digits) {
                ok = false;
                break;
            }
            v[c] = negative ? 0 : std::min(value, 255);
            line.num[c] = at;
            line.numLen[c] = p - at;
        }
        if (!ok)
            continue;
        t.m_lines[t.m_count] = line;
        t.m_read[t.m_count] = qRgb(v[0], v[1], v[2]);
        ++t.m_count;
    }
    t.m_now = t.m_read;
    return t;
}

VisColorText VisColorText::builtIn()
{
    // The built-in skin's display is black glass with a green read-out; its
    // volume bar lights green, yellow, then orange. The spectrum runs the same
    // way, orange at the top to green at the bottom, the oscilloscope fades
    // from the pale to the dim display green, and the peak dots are the light
    // steel of the body.
    struct Row
    {
        int r, g, b;
        const char *name;
    };
    static const Row rows[kVisColourCount] = {
        {0, 0, 0, "background"},
        {24, 60, 32, "dots"},
        {255, 158, 62, "spectrum top"},
        {252, 166, 63, "spectrum 2"},
        {250, 175, 65, "spectrum 3"},
        {247, 183, 66, "spectrum 4"},
        {245, 191, 67, "spectrum 5"},
        {242, 199, 69, "spectrum 6"},
        {240, 208, 70, "spectrum 7"},
        {237, 216, 71, "spectrum 8"},
        {225, 221, 74, "spectrum 9"},
        {204, 224, 79, "spectrum 10"},
        {183, 226, 84, "spectrum 11"},
        {162, 228, 89, "spectrum 12"},
        {141, 231, 94, "spectrum 13"},
        {120, 233, 98, "spectrum 14"},
        {99, 236, 103, "spectrum 15"},
        {78, 238, 108, "spectrum bottom"},
        {184, 255, 196, "oscilloscope 1 (brightest)"},
        {78, 238, 108, "oscilloscope 2"},
        {65, 194, 89, "oscilloscope 3"},
        {51, 149, 70, "oscilloscope 4"},
        {38, 105, 51, "oscilloscope 5 (dimmest)"},
        {172, 176, 186, "peak dots"},
    };
    QByteArray b;
    for (const Row &r : rows)
        b += QByteArray::number(r.r) + ',' + QByteArray::number(r.g) + ',' + QByteArray::number(r.b) + " // "
             + r.name + "\r\n";
    return parse(b);
}

QRgb VisColorText::colour(int i) const
{
    return (i >= 0 && i < kVisColourCount) ? m_now[size_t(i)] : qRgb(0, 0, 0);
}

int VisColorText::lastAdded() const
{
    for (int i = kVisColourCount - 1; i >= m_count; --i)
        if (m_now[size_t(i)] != m_read[size_t(i)])
            return i;
    return -1;
}

bool VisColorText::given(int i) const
{
    return i >= 0 && i < kVisColourCount && (i < m_count || i <= lastAdded());
}

void VisColorText::setColour(int i, QRgb c)
{
    if (i >= 0 && i < kVisColourCount)
        m_now[size_t(i)] = qRgb(qRed(c), qGreen(c), qBlue(c));
}

bool VisColorText::changed() const { return m_now != m_read; }

QByteArray VisColorText::bytes() const
{
    if (!changed())
        return m_bytes;
    QList<Splice> splices;
    const auto channels = [](QRgb c) { return std::array<int, 3>{qRed(c), qGreen(c), qBlue(c)}; };
    for (int i = 0; i < m_count; ++i) {
        const auto now = channels(m_now[size_t(i)]);
        const auto read = channels(m_read[size_t(i)]);
        const Line &l = m_lines[size_t(i)];
        // A channel that kept its value keeps its digits ("007", "300").
        for (int c = 0; c < 3; ++c)
            if (now[size_t(c)] != read[size_t(c)])
                splices.append({l.num[c], l.numLen[c], QByteArray::number(now[size_t(c)])});
    }
    const int top = lastAdded();
    if (top >= 0) {
        // Added lines space their numbers as the file's last colour does,
        // and fill any gap with the defaults so that no reader shifts them.
        QByteArray lead, sep1 = ",", sep2 = ",";
        if (m_count > 0) {
            const Line &l = m_lines[size_t(m_count - 1)];
            lead = m_bytes.mid(l.start, l.num[0] - l.start);
            sep1 = m_bytes.mid(l.num[0] + l.numLen[0], l.num[1] - l.num[0] - l.numLen[0]);
            sep2 = m_bytes.mid(l.num[1] + l.numLen[1], l.num[2] - l.num[1] - l.numLen[1]);
        }
        QList<QByteArray> texts;
        for (int i = m_count; i <= top; ++i) {
            const auto v = channels(m_now[size_t(i)]);
            texts << lead + QByteArray::number(v[0]) + sep1 + QByteArray::number(v[1]) + sep2
                         + QByteArray::number(v[2]);
        }
        if (m_count > 0) {
            const Line &l = m_lines[size_t(m_count - 1)];
            splices.append(addLines(texts, l.end, l.next, m_eol));
        } else {
            splices.append(addLinesAtEnd(texts, m_bytes, m_eol));
        }
    }
    return applySplices(m_bytes, splices);
}

// ---------------------------------------------------------------------------
// pledit.txt
//
// How players read it, and the rule chosen where they differ:
// - Only keys inside a [Text] section count (Audacious, webamp; qmmp reads
//   every "key=value" line wherever it stands). Section and key names match
//   in any case, blanks around them and around '=' don't matter, and the
//   last of a key given twice wins. A second [Text] section adds to the
//   first, as in Audacious; webamp reads the last one alone, so keys are
//   added there.
// - Lines starting with ';' or '#' are comments (Audacious); "//" too (qmmp).
//   A heading may have text after its ']' (Audacious; webamp drops such a
//   heading).
// - A colour is hex digits after an optional '#'. Of more than six digits
//   the first six count (webamp: "#a6c1dfff" is #a6c1df); three digits are
//   shorthand, #abc for #aabbcc (webamp's and qmmp's colour parsing). Any
//   other count is no colour and the default stands (Audacious would read
//   "#FFF" as 0x000FFF). Text after the digits, like "; comment", is ignored.
// - The font is the whole value, without one pair of surrounding quotes
//   (webamp); an empty value leaves the default, Arial.
// - A file that is not valid UTF-8 is in an old Windows code page; its font
//   name is read as Windows-1252, and a new one written so. A name with a
//   letter that code page lacks is refused rather than written in UTF-8,
//   which would read back garbled ("微软雅黑" as "å¾®è½¯é..."). The bytes that
//   make such a file not UTF-8 are kept, so that it reads the same way
//   afterwards; only when a new font name replaces all of them, and its
//   bytes would read as UTF-8, is the name written in UTF-8.
// - A UTF-8 byte order mark before the first line is passed over (webamp;
//   Audacious would miss a [Text] heading right after it).

PlEditText PlEditText::parse(const QByteArray &bytes)
{
    PlEditText t;
    t.m_bytes = bytes;
    t.m_read = kPlaylistDefaults;
    t.m_given.fill(false);
    t.m_codePage = !isUtf8(bytes);
    const QList<RawLine> lines = splitLines(bytes);
    t.m_eol = lineBreakOf(bytes, lines);

    bool inText = false;
    bool separatorSeen = false, hashSeen = false, caseSeen = false;
    const RawLine *anchor = nullptr; // the last heading or key line of a [Text] section
    for (qsizetype li = 0; li < lines.size(); ++li) {
        const RawLine &rl = lines[li];
        qsizetype a = rl.start;
        if (li == 0 && bytes.startsWith(kBom))
            a += kBom.size();
        qsizetype z = rl.end;
        while (a < z && isBlank(bytes[a]))
            ++a;
        while (z > a && isBlank(bytes[z - 1]))
            --z;
        if (a == z)
            continue;
        const char first = bytes[a];
        if (first == ';' || first == '#' || (first == '/' && a + 1 < z && bytes[a + 1] == '/'))
            continue;
        if (first == '[') {
            const qsizetype close = bytes.indexOf(']', a);
            if (close < 0 || close >= z)
                continue;
            const QByteArray name = bytes.mid(a + 1, close - a - 1).trimmed();
            inText = name.compare("text", Qt::CaseInsensitive) == 0;
            if (inText) {
                t.m_hasSection = true;
                anchor = &rl;
            }
            continue;
        }
        const qsizetype eq = bytes.indexOf('=', a);
        if (eq < 0 || eq >= z || !inText)
            continue;
        anchor = &rl;
        qsizetype keyEnd = eq;
        while (keyEnd > a && isBlank(bytes[keyEnd - 1]))
            --keyEnd;
        qsizetype va = eq + 1;
        while (va < z && isBlank(bytes[va]))
            ++va;
        if (!separatorSeen) {
            t.m_keySeparator = bytes.mid(keyEnd, va - keyEnd);
            separatorSeen = true;
        }
        const QByteArray key = bytes.mid(a, keyEnd - a);
        int k = 0;
        while (k < kKeyCount && key.compare(kPlaylistKeys[k], Qt::CaseInsensitive) != 0)
            ++k;
        if (k == kKeyCount)
            continue;
        Entry &e = t.m_entries[size_t(k)];
        e = Entry{};
        e.present = true;

        if (k == kFont) {
            qsizetype fa = va, fz = z;
            if (fz - fa >= 2 && (bytes[fa] == '"' || bytes[fa] == '\'') && bytes[fz - 1] == bytes[fa]) {
                ++fa;
                --fz;
                e.quoted = true;
            }
            e.valueAt = fa;
            e.valueLen = fz - fa;
            const QByteArray raw = bytes.mid(fa, fz - fa);
            t.m_readFont = t.m_codePage ? fromCp1252(raw) : QString::fromUtf8(raw);
            continue;
        }

        qsizetype p = va;
        const bool hash = p < z && bytes[p] == '#';
        if (hash)
            ++p;
        qsizetype run = 0;
        while (p + run < z && hexDigit(bytes[p + run]) >= 0)
            ++run;
        if (run > 0) {
            e.valueAt = p;
            e.valueLen = run;
            for (qsizetype i = p; i < p + run; ++i) {
                const char c = bytes[i];
                if (c >= 'a' && c <= 'f')
                    e.lower = 1;
                else if (c >= 'A' && c <= 'F' && e.lower < 0)
                    e.lower = 0;
            }
        } else {
            // No digits: a new value replaces the broken word. In a file in
            // the code page the word stops before any byte above 127: those
            // may be what keeps the file from reading as UTF-8.
            qsizetype w = p;
            while (w < z && !isBlank(bytes[w]) && !(t.m_codePage && (bytes[w] & 0x80)))
                ++w;
            e.valueAt = p;
            e.valueLen = w - p;
            e.addHash = !hash;
        }
        if (run > 0 && !hashSeen) {
            t.m_fileHash = hash;
            hashSeen = true;
        }
        if (e.lower >= 0 && !caseSeen) {
            t.m_fileLower = e.lower == 1;
            caseSeen = true;
        }

        int d[6] = {0, 0, 0, 0, 0, 0};
        bool ok = true;
        if (run >= 6) {
            for (int i = 0; i < 6; ++i)
                d[i] = hexDigit(bytes[p + i]);
        } else if (run == 3) {
            for (int i = 0; i < 3; ++i)
                d[2 * i] = d[2 * i + 1] = hexDigit(bytes[p + i]);
        } else {
            ok = false;
        }
        t.m_given[size_t(k)] = ok;
        t.m_read[size_t(k)] = ok ? qRgb(d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5])
                                 : kPlaylistDefaults[size_t(k)];
    }
    if (anchor) {
        t.m_sectionEnd = anchor->end;
        t.m_sectionNext = anchor->next;
    }
    t.m_now = t.m_read;
    t.m_font = t.m_readFont;
    return t;
}

PlEditText PlEditText::builtIn()
{
    // The display green on black glass, like the main window's read-out; the
    // playing entry in the display's pale green, the selection in the steel
    // of the body.
    return parse(QByteArrayLiteral("[Text]\r\n"
                                   "Normal=#4EEE6C\r\n"
                                   "Current=#B8FFC4\r\n"
                                   "NormalBG=#000000\r\n"
                                   "SelectedBG=#4E515A\r\n"
                                   "MbFG=#4EEE6C\r\n"
                                   "MbBG=#000000\r\n"
                                   "Font=Arial\r\n"));
}

QRgb PlEditText::colour(PlaylistColour k) const { return m_now[size_t(k)]; }

bool PlEditText::given(PlaylistColour k) const { return m_given[size_t(k)] || colourChanged(int(k)); }

void PlEditText::setColour(PlaylistColour k, QRgb c) { m_now[size_t(k)] = qRgb(qRed(c), qGreen(c), qBlue(c)); }

QString PlEditText::font() const { return m_font.isEmpty() ? kDefaultFont : m_font; }

void PlEditText::setFont(const QString &name)
{
    if (name != m_readFont) {
        if (!QStringView(name).isValidUtf16())
            throw VorlixError(QStringLiteral("The font name is not valid text."));
        for (const QChar c : name)
            if (c.category() == QChar::Other_Control)
                throw VorlixError(QStringLiteral("A font name cannot hold a line break, a tab or another "
                                                 "control character."));
        if (m_codePage) {
            for (const QChar c : name) {
                if (cp1252Byte(c) >= 0)
                    continue;
                throw VorlixError(QStringLiteral("The font name \"%1\" cannot be written into this skin's "
                                                 "pledit.txt: the file is not in UTF-8 but in the Western "
                                                 "European Windows code page (1252), which has no \"%2\".")
                                      .arg(name, c.isSurrogate() ? name.mid(name.indexOf(c), 2) : QString(c)));
            }
        }
    }
    m_font = name;
}

bool PlEditText::colourChanged(int k) const { return m_now[size_t(k)] != m_read[size_t(k)]; }

bool PlEditText::fontChanged() const { return font() != (m_readFont.isEmpty() ? kDefaultFont : m_readFont); }

bool PlEditText::changed() const { return m_now != m_read || fontChanged(); }

QByteArray PlEditText::colourText(QRgb c, bool lower) const
{
    const QByteArray hex = QByteArray::number(c & 0xFFFFFFu, 16).rightJustified(6, '0');
    return lower ? hex : hex.toUpper();
}

QByteArray PlEditText::fontText(const QString &name, bool quoted, bool utf8) const
{
    QByteArray text = utf8 ? name.toUtf8() : toCp1252(name);
    // Readers drop blanks around a value and one pair of quotes: a name
    // that starts or ends so goes inside quotes of its own.
    const bool blankEdge = name.startsWith(u' ') || name.endsWith(u' ');
    const bool inQuotes = name.size() >= 2 && (name.front() == u'"' || name.front() == u'\'')
                          && name.back() == name.front();
    if (!quoted && (blankEdge || inQuotes))
        text = '"' + text + '"';
    return text;
}

QByteArray PlEditText::written(bool fontInUtf8) const
{
    QList<Splice> splices;
    QList<QByteArray> added;
    const QByteArray fileHash = m_fileHash ? "#" : "";
    for (int k = 0; k < kPlaylistColourCount; ++k) {
        if (!colourChanged(k))
            continue;
        const Entry &e = m_entries[size_t(k)];
        if (e.present) {
            const bool lower = e.lower >= 0 ? e.lower == 1 : m_fileLower;
            splices.append({e.valueAt, e.valueLen, (e.addHash ? fileHash : QByteArray()) + colourText(m_now[size_t(k)], lower)});
        } else {
            added << QByteArray(kPlaylistKeys[k]) + m_keySeparator + fileHash + colourText(m_now[size_t(k)], m_fileLower);
        }
    }
    if (fontChanged()) {
        const Entry &e = m_entries[size_t(kFont)];
        if (e.present)
            splices.append({e.valueAt, e.valueLen, fontText(font(), e.quoted, fontInUtf8)});
        else
            added << QByteArray(kPlaylistKeys[kFont]) + m_keySeparator + fontText(font(), false, fontInUtf8);
    }
    if (!added.isEmpty()) {
        if (m_hasSection) {
            splices.append(addLines(added, m_sectionEnd, m_sectionNext, m_eol));
        } else {
            added.prepend("[Text]");
            splices.append(addLinesAtEnd(added, m_bytes, m_eol));
        }
    }
    return applySplices(m_bytes, splices);
}

QByteArray PlEditText::bytes() const
{
    if (!changed())
        return m_bytes;
    const QByteArray out = written(!m_codePage);
    // The new name replaced every byte that made the file not UTF-8, and its
    // own bytes in the code page read as UTF-8 ("Ã©" as "é"): the file is
    // UTF-8 now, and the name is written so.
    if (m_codePage && fontChanged() && !isAscii(font()) && isUtf8(out))
        return written(true);
    return out;
}

} // namespace vorlix
