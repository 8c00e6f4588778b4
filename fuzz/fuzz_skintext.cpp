// libFuzzer target: any bytes as a skin's viscolor.txt and as its
// pledit.txt, in memory. Each is read, one value changed (the input's first
// bytes choose which, and the new value), written and read again. A finding,
// besides a crash or a sanitizer report: the file read and not changed is
// not given back byte for byte; the changed value reads back other than set,
// or another value differently; more than the changed value's line differs
// from the input (added lines aside); a plain ASCII font name is refused, or
// a refused one changes anything.
#include "editor/SkinText.h"
#include "platform/Errors.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vorlix;

namespace {

[[noreturn]] void finding(const char *kind, const char *what, const QByteArray &in, const QByteArray &out = {})
{
    std::fprintf(stderr, "fuzz_skintext: %s: %s\ninput:   %s\nwritten: %s\n", kind, what,
                 in.toPercentEncoding(" =#,[]").constData(), out.toPercentEncoding(" =#,[]").constData());
    std::abort();
}

// The bytes of `in` and `out` outside their common start and end: the one
// place the writer changed. It must lie within a single line of the input
// (nothing else of it differs); when it replaced anything, the new text is
// a single line too, else it is added lines. Returns where the input's
// change starts, and whether it was one replaced in a line.
struct Change
{
    qsizetype at;
    bool inLine;
};

Change changedSpan(const char *kind, const QByteArray &in, const QByteArray &out)
{
    const qsizetype shorter = std::min(in.size(), out.size());
    qsizetype head = 0;
    while (head < shorter && in[head] == out[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && in[in.size() - 1 - tail] == out[out.size() - 1 - tail])
        ++tail;
    const QByteArrayView was = QByteArrayView(in).sliced(head, in.size() - tail - head);
    const QByteArrayView now = QByteArrayView(out).sliced(head, out.size() - tail - head);
    if (was.contains('\n'))
        finding(kind, "more than one line of the file changed", in, out);
    if (!was.isEmpty() && now.contains('\n'))
        finding(kind, "a line was replaced by more than one", in, out);
    return {head, !now.contains('\n')};
}

void viscolor(const QByteArray &in, const uint8_t *data, size_t size)
{
    const char *kind = "viscolor.txt";
    VisColorText t = VisColorText::parse(in);
    if (t.bytes() != in || t.changed())
        finding(kind, "not given back as read", in, t.bytes());
    const VisColorText before = t;
    const int i = size > 0 ? data[0] % kVisColourCount : 0;
    const QRgb c = qRgb(size > 1 ? data[1] : 0, size > 2 ? data[2] : 0, size > 3 ? data[3] : 0);
    t.setColour(i, c);
    const QByteArray out = t.bytes();
    if (t.changed() != (out != in))
        finding(kind, "changed, but the same bytes (or the other way round)", in, out);
    const VisColorText back = VisColorText::parse(out);
    if (back.bytes() != out)
        finding(kind, "what was written is not given back as read", out, back.bytes());
    for (int j = 0; j < kVisColourCount; ++j) {
        if (back.colour(j) != (j == i ? c : before.colour(j)))
            finding(kind, j == i ? "the colour set reads back different" : "another colour reads back different",
                    in, out);
        if (back.given(j) != t.given(j))
            finding(kind, "a colour is given or not other than said", in, out);
    }
    if (out != in)
        changedSpan(kind, in, out);
}

void pledit(const QByteArray &in, const uint8_t *data, size_t size)
{
    const char *kind = "pledit.txt";
    static const char *const keys[] = {"normal", "current", "normalbg", "selectedbg", "mbfg", "mbbg", "font"};
    PlEditText t = PlEditText::parse(in);
    if (t.bytes() != in || t.changed())
        finding(kind, "not given back as read", in, t.bytes());
    const PlEditText before = t;
    const int k = size > 0 ? data[0] % (kPlaylistColourCount + 1) : 0;
    QRgb colour = 0;
    QString font = before.font();
    if (k < kPlaylistColourCount) {
        colour = qRgb(size > 1 ? data[1] : 0, size > 2 ? data[2] : 0, size > 3 ? data[3] : 0);
        t.setColour(PlaylistColour(k), colour);
    } else {
        // A name from the input's next bytes, as UTF-8 or, when the first
        // byte's top bit is set, as Latin-1: the letters a code page lacks,
        // C1 controls and the rest.
        const qsizetype len = size > 1 ? data[1] % 24 : 0;
        const QByteArray raw = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).mid(2, len);
        const QString name = (data[0] & 0x80) ? QString::fromLatin1(raw) : QString::fromUtf8(raw);
        try {
            t.setFont(name);
            font = name.isEmpty() ? QStringLiteral("Arial") : name;
        } catch (const VorlixError &e) {
            const bool printable = std::all_of(name.begin(), name.end(),
                                               [](QChar ch) { return ch.unicode() >= 0x20 && ch.unicode() < 0x7F; });
            if (printable || e.message().isEmpty())
                finding(kind, qPrintable(QStringLiteral("refused: ") + e.message()), in);
            if (t.changed() || t.bytes() != in || t.font() != before.font())
                finding(kind, "a refused name changed the file", in, t.bytes());
            return;
        }
    }
    const QByteArray out = t.bytes();
    if (t.changed() != (out != in))
        finding(kind, "changed, but the same bytes (or the other way round)", in, out);
    const PlEditText back = PlEditText::parse(out);
    if (back.bytes() != out)
        finding(kind, "what was written is not given back as read", out, back.bytes());
    for (int j = 0; j < kPlaylistColourCount; ++j) {
        const PlaylistColour pc = PlaylistColour(j);
        if (back.colour(pc) != (j == k ? colour : before.colour(pc)))
            finding(kind, j == k ? "the colour set reads back different" : "another colour reads back different",
                    in, out);
        if (back.given(pc) != t.given(pc))
            finding(kind, "a colour is given or not other than said", in, out);
    }
    if (back.font() != font)
        finding(kind, qPrintable(QStringLiteral("the font reads back as \"%1\", not \"%2\"").arg(back.font(), font)),
                in, out);
    if (out == in)
        return;
    // A value changed in place is on a line of its own key.
    const Change change = changedSpan(kind, in, out);
    if (change.inLine) {
        const qsizetype start = in.lastIndexOf('\n', change.at - 1) + 1;
        qsizetype end = in.indexOf('\n', start);
        QByteArray line = in.mid(start, end < 0 ? -1 : end - start);
        if (start == 0 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || line.left(eq).trimmed().toLower() != keys[k])
            finding(kind, "a line other than the key's changed", in, out);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char *>(data), qsizetype(size));
    viscolor(in, data, size);
    pledit(in, data, size);
    return 0;
}
