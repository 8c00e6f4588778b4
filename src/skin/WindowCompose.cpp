#include "skin/WindowCompose.h"

#include "skin/ElementTable.h"

#include "platform/Blit.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QStringList>

#include <algorithm>

namespace vorlix {

namespace {

// The sheets converted once to the format the block copy reads; a null
// picture stands for a missing sheet.
class Sheets
{
public:
    explicit Sheets(const SheetSet &set)
    {
        for (size_t k = 0; k < set.size(); ++k)
            if (const QImage *s = set[k]; s && !s->isNull())
                m_img[k] = s->format() == QImage::Format_BGR888 ? *s
                                                                 : s->convertToFormat(QImage::Format_BGR888);
    }
    bool has(SheetKind k) const { return !m_img[size_t(k)].isNull(); }
    const QImage &operator[](SheetKind k) const { return m_img[size_t(k)]; }
    void draw(QImage &dst, SheetKind k, int sx, int sy, int w, int h, int dx, int dy) const
    {
        if (has(k))
            blockCopy(dst, dx, dy, w, h, m_img[size_t(k)], sx, sy);
    }
    // Repeats a block from x0 up to (not including) x1, the last copy cut short.
    void tile(QImage &dst, SheetKind k, int sx, int sy, int w, int h, int x0, int x1, int dy) const
    {
        for (int x = x0; x < x1; x += w)
            draw(dst, k, sx, sy, std::min(w, x1 - x), h, x, dy);
    }

private:
    std::array<QImage, kSheetCount> m_img;
};

QImage blackPicture(int w, int h)
{
    QImage img(w, h, QImage::Format_BGR888);
    img.fill(Qt::black);
    return img;
}

// ---- Main window -----------------------------------------------------------

// text.bmp is a grid of 5 x 6 cells: row 0 the letters, row 1 digits and
// punctuation, row 2 a few more. Players draw lower case with the capitals'
// cells, and anything they have no cell for as a space.
constexpr int kLetterW = 5;
constexpr int kLetterH = 6;

QPoint letterCell(QChar c)
{
    const char16_t u = c.toUpper().unicode();
    if (u >= u'A' && u <= u'Z')
        return {u - u'A', 0};
    if (u >= u'0' && u <= u'9')
        return {u - u'0', 1};
    static constexpr char16_t kRow1[] = u"\u2026.:()-'!_+\\/[]^&%,=$#"; // from column 10
    for (int i = 0; kRow1[i]; ++i)
        if (kRow1[i] == u)
            return {10 + i, 1};
    static constexpr char16_t kRow2[] = u"\u00c5\u00d6\u00c4?*"; // Å Ö Ä
    for (int i = 0; kRow2[i]; ++i)
        if (kRow2[i] == u)
            return {i, 2};
    switch (u) {
    case u'"':
        return {26, 0};
    case u'@':
        return {27, 0};
    case u'<':
    case u'{':
        return {22, 1};
    case u'>':
    case u'}':
        return {23, 1};
    default:
        return {30, 0}; // space
    }
}

// A text field of whole cells: the text, then spaces to the field's end.
void drawLetters(QImage &win, const Sheets &s, const QString &text, int x, int y, int cells)
{
    for (int i = 0; i < cells; ++i) {
        const QPoint cell = letterCell(i < text.size() ? text[i] : QChar(u' '));
        s.draw(win, skText, cell.x() * kLetterW, cell.y() * kLetterH, kLetterW, kLetterH, x + kLetterW * i, y);
    }
}

// The time "  1:23": sign, tens of minutes, minutes, tens of seconds,
// seconds. Both digit sheets hold 0..9 in 9 x 13 cells and a blank cell
// after them; a blank sign and tens digit show that blank cell.
constexpr int kDigitW = 9;
constexpr int kDigitH = 13;
constexpr int kBlankDigit = 10;
constexpr struct
{
    int x, digit;
} kTime[] = {{36, kBlankDigit}, {48, kBlankDigit}, {60, 1}, {78, 2}, {90, 3}};
constexpr int kTimeY = 26;

void drawTime(QImage &win, const Sheets &s)
{
    const SheetKind digits = s.has(skNumsEx) ? skNumsEx : skNumbers;
    for (const auto &t : kTime)
        s.draw(win, digits, t.digit * kDigitW, 0, kDigitW, kDigitH, t.x, kTimeY);
}

// The spectrum analyser, 76 x 16: 19 bars 3 wide with a gap of 1, a still
// picture of a song playing. A lit pixel takes the colour of its row
// (colour 2 at the top, 17 at the bottom); a peak above its bar shows in
// colour 23. Unlit, odd rows carry a dot in colour 1 on every even column.
constexpr int kVisX = 24, kVisY = 43, kVisW = 76, kVisH = 16;
constexpr int kBars[19] = {9, 13, 15, 14, 11, 12, 10, 8, 10, 9, 7, 8, 6, 6, 5, 4, 4, 2, 1};
constexpr int kPeaks[19] = {0, 0, 16, 0, 0, 14, 0, 0, 12, 0, 0, 10, 0, 0, 0, 7, 0, 0, 3};

void drawVis(QImage &win, const VisPalette &pal)
{
    for (int y = 0; y < kVisH; ++y)
        for (int x = 0; x < kVisW; ++x)
            win.setPixel(kVisX + x, kVisY + y, pal[(y & 1) && !(x & 1) ? 1 : 0]);
    for (int b = 0; b < 19; ++b) {
        for (int x = 4 * b; x < 4 * b + 3; ++x) {
            for (int y = kVisH - kBars[b]; y < kVisH; ++y)
                win.setPixel(kVisX + x, kVisY + y, pal[size_t(2 + y)]);
            if (kPeaks[b] > kBars[b])
                win.setPixel(kVisX + x, kVisY + kVisH - kPeaks[b], pal[23]);
        }
    }
}

// ---- Equaliser ---------------------------------------------------------------

// Preamp, then the ten bands.
constexpr int kSliderX[11] = {21, 78, 96, 114, 132, 150, 168, 186, 204, 222, 240};
constexpr int kSliderY = 38;
// 0 dB: the middle one of the 28 background frames (14 x 63, 14 to a row,
// 15 and 65 apart), and the knob halfway down its 51 pixels of travel.
constexpr int kRestFrame = 14;
constexpr int kRestKnob = 25;
// The graph: 113 x 19; a flat curve and a 0 dB preamp both lie on row 9. The
// curve spans columns 2..110, each pixel in the colour the sheet's colour
// column gives its row.
constexpr int kGraphX = 86, kGraphY = 17, kGraphW = 113, kGraphH = 19;
constexpr int kRestRow = 9;
constexpr int kCurveFrom = 2, kCurveTo = 110;
constexpr int kLineColoursX = 115, kLineColoursY = 294;

// ---- Playlist ----------------------------------------------------------------

constexpr int kPlTop = 20, kPlBottom = 38, kPlLeft = 12, kPlRight = 20;
constexpr int kRowH = 13;

struct Entry
{
    const char *title, *length;
};
constexpr Entry kEntries[] = {
    {"1. Vorlix - Classic skin", "3:45"},
    {"2. Sample artist - Second song", "4:02"},
    {"3. Sample artist - Third song with a longer name", "2:58"},
};

QFont playlistFont(const QString &family)
{
    QFont font;
    QStringList families;
    if (!family.isEmpty())
        families << family;
    families << QStringLiteral("Arial") << QStringLiteral("sans-serif");
    font.setFamilies(families);
    font.setPixelSize(9);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// The entries area: NormalBG, the first song current and selected, each row
// the title on the left and the length on the right. Painted on a picture
// of the area's size, so nothing reaches the frame.
void drawEntries(QImage &win, const QRect &list, const PlaylistLook &look)
{
    if (list.isEmpty())
        return;
    QImage area(list.size(), QImage::Format_RGB32);
    area.fill(QColor::fromRgb(look.normalBg));
    QPainter p(&area);
    const QFont font = playlistFont(look.font);
    const QFontMetrics fm(font);
    p.setFont(font);
    for (int i = 0; i < int(std::size(kEntries)); ++i) {
        const QRect row(0, 3 + kRowH * i, area.width(), kRowH);
        const bool current = i == 0;
        if (current)
            p.fillRect(row, QColor::fromRgb(look.selectedBg));
        p.setPen(QColor::fromRgb(current ? look.current : look.normal));
        const QRect text = row.adjusted(2, 0, -3, 0);
        const QString length = QString::fromLatin1(kEntries[i].length);
        p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, length);
        const QRect titleRect = text.adjusted(0, 0, -(fm.horizontalAdvance(length) + 6), 0);
        p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(QString::fromUtf8(kEntries[i].title), Qt::ElideRight, titleRect.width()));
    }
    p.end();
    blockCopy(win, list.x(), list.y(), list.width(), list.height(), area, 0, 0);
}

// ---- Preview -----------------------------------------------------------------

constexpr int kShadesY = kWindowHeight + kEqualizerHeight + kPlaylistMinHeight;
constexpr int kPreviewHeight = kShadesY + 3 * kShadeHeight;

} // namespace

QImage composeMainWindow(const SheetSet &sheets, const VisPalette &palette)
{
    QImage win = composeWindow(sheets);
    const Sheets s(sheets);
    drawLetters(win, s, QStringLiteral("1. Vorlix - Classic skin (3:45)"), 111, 27, 31);
    drawLetters(win, s, QStringLiteral("128"), 111, 43, 3);
    drawLetters(win, s, QStringLiteral("44"), 156, 43, 2);
    drawTime(win, s);
    drawVis(win, palette);
    return win;
}

QImage composeEqualizer(const SheetSet &sheets)
{
    const Sheets s(sheets);
    QImage win = blackPicture(kWindowWidth, kEqualizerHeight);
    s.draw(win, skEqMain, 0, 0, kWindowWidth, kEqualizerHeight, 0, 0); // background
    s.draw(win, skEqMain, 0, 134, kWindowWidth, 14, 0, 0);             // active title bar
    s.draw(win, skEqMain, 0, 116, 9, 9, 264, 3);                        // its close button
    s.draw(win, skEqMain, 69, 119, 26, 12, 14, 18);                     // ON, lit
    s.draw(win, skEqMain, 36, 119, 32, 12, 40, 18);                     // AUTO, off
    s.draw(win, skEqMain, 224, 164, 44, 12, 217, 18);                   // PRESETS
    for (int x : kSliderX) {
        s.draw(win, skEqMain, 13 + 15 * (kRestFrame % 14), 164 + 65 * (kRestFrame / 14), 14, 63, x, kSliderY);
        s.draw(win, skEqMain, 0, 164, 11, 11, x + 1, kSliderY + kRestKnob);
    }
    s.draw(win, skEqMain, 0, 294, kGraphW, kGraphH, kGraphX, kGraphY);
    s.draw(win, skEqMain, 0, 314, kGraphW, 1, kGraphX, kGraphY + kRestRow); // preamp line
    const QImage &eq = s[skEqMain];
    // A sheet too short to hold the colour column draws no curve.
    if (eq.width() > kLineColoursX && eq.height() > kLineColoursY + kRestRow) {
        const QRgb c = eq.pixel(kLineColoursX, kLineColoursY + kRestRow);
        for (int x = kCurveFrom; x <= kCurveTo; ++x)
            win.setPixel(kGraphX + x, kGraphY + kRestRow, c);
    }
    return win;
}

QImage composePlaylist(const SheetSet &sheets, const PlaylistLook &look, int width, int height)
{
    const int w = std::max(width, kPlaylistMinWidth);
    const int h = std::max(height, kPlaylistMinHeight);
    const Sheets s(sheets);
    QImage win = blackPicture(w, h);

    // Title bar, active: the corners, the title centred, and tiles from each
    // end of the gap, the last one cut where the title or corner begins.
    const int titleX = (w - 100) / 2;
    s.draw(win, skPlEdit, 0, 0, 25, kPlTop, 0, 0);
    s.tile(win, skPlEdit, 127, 0, 25, kPlTop, 25, titleX, 0);
    s.draw(win, skPlEdit, 26, 0, 100, kPlTop, titleX, 0);
    s.tile(win, skPlEdit, 127, 0, 25, kPlTop, titleX + 100, w - 25, 0);
    s.draw(win, skPlEdit, 153, 0, 25, kPlTop, w - 25, 0);

    // Sides, 29 high, down to the bottom part; the right one holds the groove.
    const int bottomY = h - kPlBottom;
    for (int y = kPlTop; y < bottomY; y += 29) {
        const int th = std::min(29, bottomY - y);
        s.draw(win, skPlEdit, 0, 42, kPlLeft, th, 0, y);
        s.draw(win, skPlEdit, 31, 42, kPlRight, th, w - kPlRight, y);
    }

    // Bottom: tiles between the corners, the visualiser's box once there is
    // room for it beside the right corner.
    s.tile(win, skPlEdit, 179, 0, 25, kPlBottom, 125, w - 150, bottomY);
    if (w >= 350)
        s.draw(win, skPlEdit, 205, 0, 75, kPlBottom, w - 225, bottomY);
    s.draw(win, skPlEdit, 0, 72, 125, kPlBottom, 0, bottomY);
    s.draw(win, skPlEdit, 126, 72, 150, kPlBottom, w - 150, bottomY);

    s.draw(win, skPlEdit, 52, 53, 8, 18, w - 15, kPlTop); // scroll handle, at the top

    drawEntries(win, QRect(kPlLeft, kPlTop, w - kPlLeft - kPlRight, bottomY - kPlTop), look);
    return win;
}

QImage composeShade(const SheetSet &sheets, SkinWindow shadeWindow)
{
    const Sheets s(sheets);
    QImage bar = blackPicture(kWindowWidth, kShadeHeight);
    switch (shadeWindow) {
    case SkinWindow::MainShade:
        // The shaded main window is still drawn over its background.
        s.draw(bar, skMain, 0, 0, kWindowWidth, kShadeHeight, 0, 0);
        s.draw(bar, skTitleBar, 27, 29, kWindowWidth, kShadeHeight, 0, 0);
        break;
    case SkinWindow::EqualizerShade:
        s.draw(bar, skEqEx, 0, 0, kWindowWidth, kShadeHeight, 0, 0);
        break;
    case SkinWindow::PlaylistShade:
        s.draw(bar, skPlEdit, 72, 42, 25, kShadeHeight, 0, 0);
        s.tile(bar, skPlEdit, 72, 57, 25, kShadeHeight, 25, kWindowWidth - 50, 0);
        s.draw(bar, skPlEdit, 99, 42, 50, kShadeHeight, kWindowWidth - 50, 0);
        break;
    default:
        return {};
    }
    return bar;
}

QPoint previewOrigin(SkinWindow window)
{
    switch (window) {
    case SkinWindow::Main:
        return {0, 0};
    case SkinWindow::Equalizer:
        return {0, kWindowHeight};
    case SkinWindow::Playlist:
        return {0, kWindowHeight + kEqualizerHeight};
    case SkinWindow::MainShade:
        return {0, kShadesY};
    case SkinWindow::EqualizerShade:
        return {0, kShadesY + kShadeHeight};
    case SkinWindow::PlaylistShade:
        return {0, kShadesY + 2 * kShadeHeight};
    }
    return {};
}

QImage composeSkinPreview(const SheetSet &sheets, const PlaylistLook &look,
                          const VisPalette &palette, int scale)
{
    QImage preview = blackPicture(kWindowWidth, kPreviewHeight);
    const auto put = [&](SkinWindow w, const QImage &img) {
        const QPoint at = previewOrigin(w);
        blockCopy(preview, at.x(), at.y(), img.width(), img.height(), img, 0, 0);
    };
    put(SkinWindow::Main, composeMainWindow(sheets, palette));
    put(SkinWindow::Equalizer, composeEqualizer(sheets));
    put(SkinWindow::Playlist, composePlaylist(sheets, look));
    for (SkinWindow w : {SkinWindow::MainShade, SkinWindow::EqualizerShade, SkinWindow::PlaylistShade})
        put(w, composeShade(sheets, w));
    if (scale != 2)
        return preview;
    QImage doubled(2 * preview.width(), 2 * preview.height(), QImage::Format_BGR888);
    stretchCopy(doubled, 0, 0, doubled.width(), doubled.height(), preview, 0, 0, preview.width(), preview.height());
    return doubled;
}

QRect previewArea(const SkinElement &e)
{
    // The text, the time and the playlist's entries are drawn with letters,
    // digits and colours that have no window place of their own.
    switch (e.Id) {
    case 59:
        return QRect(111, 27, 154, 6);
    case 60:
        return QRect(previewOrigin(SkinWindow::Playlist) + QPoint(12, 20), QSize(243, 58));
    case 61: // the digits players prefer
        return QRect(36, 26, 63, 13);
    default:
        break;
    }
    if (e.Window < 0 || e.WindowRect.width() <= 0 || e.WindowRect.height() <= 0)
        return {};
    return e.WindowRect.toQRect().translated(previewOrigin(SkinWindow(e.Window)));
}

int previewElementAt(const std::array<SkinElement, 256> &table, QPoint p)
{
    int best = -1;
    qint64 bestArea = 0;
    for (const SkinElement &e : table) {
        const QRect r = previewArea(e);
        if (r.isEmpty() || !r.contains(p))
            continue;
        const qint64 area = qint64(r.width()) * r.height();
        const bool better = best < 0 || area < bestArea
            || (area == bestArea && table[size_t(best)].ChildCount > 0 && e.ChildCount == 0);
        if (better) {
            best = e.Id;
            bestArea = area;
        }
    }
    return best;
}

} // namespace vorlix
