// The equaliser: its window (EQMAIN) and its shaded bar (EQ_EX), drawn with
// the main window's body, bars, keys and lamps so the two windows read as
// one player.
#include "artwork/Pictures.h"

#include <string_view>
#include <vector>

namespace art {

namespace {

// Where players put things on the 275x116 equaliser window.
constexpr int kSliderTop = 38;         // preamp and bands, 14x63 each
constexpr int kPreampX = 21;
constexpr int kBandX0 = 78;            // band i at kBandX0 + kBandStep * i
constexpr int kBandStep = 18;
constexpr int kGraphX = 86, kGraphY = 17; // 113x19
constexpr int kOnX = 14, kAutoX = 40, kPresetsX = 217, kButtonsY = 18;

// A slider's knob is 11 high on a 62-pixel run, one pixel in from the left.
constexpr int kKnobTravel = 51;

// The row of frame k's knob top: frame 27 is the top of the run (+12 dB).
int knobTop(int k)
{
    return ((27 - k) * kKnobTravel + 13) / 27;
}

// One 14x63 slider frame: a dark trough with a narrow slot, lit from the
// bottom up to where the knob of frame k sits, green low to orange high;
// ticks at +12, 0 and -12 dB.
void sliderFrame(QImage &im, int x, int y, int k)
{
    fill(im, x, y, 14, 63, {10, 10, 12});
    bevel(im, x, y, 14, 63, pal::ink, pal::steelLo);
    const int slotTop = y + 3, slotBottom = y + 59;
    fill(im, x + 5, slotTop, 3, slotBottom - slotTop + 1, {38, 39, 44});
    bevel(im, x + 4, slotTop - 1, 5, slotBottom - slotTop + 3, pal::ink, pal::steelLo);
    const int litTop = y + knobTop(k) + 5;
    for (int row = litTop; row <= slotBottom; ++row)
        hline(im, x + 5, x + 7, row, levelColour(slotBottom - row, slotBottom - slotTop));
    for (int level : {27, 0}) {
        const int r = y + knobTop(level) + 5;
        hline(im, x + 1, x + 2, r, pal::steelLo);
        hline(im, x + 11, x + 12, r, pal::steelLo);
    }
    const int zero = y + 5 + kKnobTravel / 2;
    hline(im, x + 1, x + 2, zero, pal::steel);
    hline(im, x + 11, x + 12, zero, pal::steel);
}

// The 11x11 knob: the volume knob's steel face with a level grip across.
void knob(QImage &im, int x, int y, bool pressed)
{
    gradV(im, x, y, 11, 11, pressed ? Rgb{120, 124, 134} : pal::steelHi,
          pressed ? Rgb{70, 72, 80} : Rgb{92, 95, 104});
    outline(im, x, y, 11, 11, pal::ink);
    bevel(im, x + 1, y + 1, 9, 9, pressed ? pal::steelLo : pal::white, pressed ? pal::steelHi : pal::steelLo);
    hline(im, x + 3, x + 7, y + 5, pressed ? pal::orangeHi : pal::orange);
    hline(im, x + 3, x + 7, y + 6, pressed ? pal::orange : pal::orangeLo);
}

// Title bar with the shade and close buttons where players look for them.
void titleBar(QImage &im, int x, int y, bool active)
{
    barFrame(im, x, y, active);
    const std::string_view word = "EQUALIZER";
    const int tw = width5(word);
    const int tx = x + (275 - tw) / 2;
    grooves(im, x + 6, tx - 7, y + 3, active);
    grooves(im, tx + tw + 6, x + 249, y + 3, active);
    text5(im, tx + 1, y + 4, word, pal::ink);
    text5(im, tx, y + 3, word, active ? pal::orange : Rgb{118, 120, 128});
    titleButton(im, x + 254, y + 3, TitleGlyph::Shade, false);
    titleButton(im, x + 264, y + 3, TitleGlyph::Close, false);
}

// ON and AUTO: the main window's toggle keys with their lamp.
void toggle(QImage &im, int x, int y, int w, std::string_view label, bool on, bool pressed)
{
    toggleKey(im, x, y, w, 12, on, pressed, [&](int lx, int ly, Rgb c) {
        text3(im, lx + 2, ly + 4, label, pal::ink);
        text3(im, lx + 1, ly + 3, label, c);
    });
}

void presetsKey(QImage &im, int x, int y, bool pressed)
{
    drawKey(im, x, y, 44, 12, pressed);
    const std::string_view word = "PRESETS";
    const int o = pressed ? 1 : 0;
    const int tx = x + (44 - width3(word)) / 2 + o;
    text3(im, tx + 1, y + 4 + o, word, pal::ink);
    text3(im, tx, y + 3 + o, word, pressed ? pal::orange : pal::text);
}

// The graph's 113x19 glass: black like the main window's display, with a
// faint zero line and a dotted mark under each band's point.
void graphGlass(QImage &im, int x, int y)
{
    fill(im, x, y, 113, 19, pal::black);
    hline(im, x, x + 112, y + 9, {22, 30, 24});
    for (int i = 0; i < 10; ++i)
        for (int j = 1; j < 19; j += 2)
            put(im, x + 2 + 12 * i, y + j, {16, 22, 18});
}

// The whole window at rest: every slider at 0 dB, both toggles off.
void window(QImage &im)
{
    brushedPanel(im, 0, 14, 275, 102, 20240612u);
    titleBar(im, 0, 0, true);

    toggle(im, kOnX, kButtonsY, 26, "ON", false, false);
    toggle(im, kAutoX, kButtonsY, 32, "AUTO", false, false);
    presetsKey(im, kPresetsX, kButtonsY, false);
    graphGlass(im, kGraphX, kGraphY);
    sunkenDark(im, kGraphX, kGraphY, 113, 19);

    // The rest frame is the one players show for the middle value; its knob
    // sits where the middle of the run puts it.
    const int rest = 14, restKnob = kSliderTop + (kKnobTravel + 1) / 2;
    std::vector<int> xs{kPreampX};
    for (int i = 0; i < 10; ++i)
        xs.push_back(kBandX0 + kBandStep * i);
    for (int x : xs) {
        sliderFrame(im, x, kSliderTop, rest);
        knob(im, x + 1, restKnob, false);
    }

    // Scale: +12, 0 and -12 dB beside the preamp, dashes across the bands.
    const int rows[3] = {kSliderTop + knobTop(27) + 5, kSliderTop + 5 + kKnobTravel / 2,
                         kSliderTop + knobTop(0) + 5};
    const std::string_view labels[3] = {"+12DB", "0DB", "-12DB"};
    for (int r = 0; r < 3; ++r) {
        text3(im, 66 - width3(labels[r]), rows[r] - 2, labels[r], pal::steel);
        hline(im, 68, 75, rows[r], pal::steelLo);
        for (int i = 0; i < 9; ++i)
            hline(im, kBandX0 + kBandStep * i + 15, kBandX0 + kBandStep * i + 16, rows[r], pal::steelLo);
    }

    const std::string_view bands[10] = {"60", "170", "310", "600", "1K", "3K", "6K", "12K", "14K", "16K"};
    for (int i = 0; i < 10; ++i) {
        const int cx = kBandX0 + kBandStep * i + 7;
        text3(im, cx - width3(bands[i]) / 2, 104, bands[i], pal::steel);
    }
    text3(im, kPreampX + 7 - width3("PREAMP") / 2, 104, "PREAMP", pal::steel);

    screw(im, 5, 108);
    screw(im, 267, 108);
}

// Slot of a shade-bar slider, 7 high like its thumbs.
void shadeSlot(QImage &im, int x, int y, int w, bool centreMark)
{
    fill(im, x, y, w, 7, pal::black);
    bevel(im, x, y, w, 7, pal::ink, pal::steelLo);
    hline(im, x + 2, x + w - 3, y + 3, pal::orangeDim);
    if (centreMark)
        vline(im, x + w / 2, y + 2, y + 4, pal::orangeLo);
}

// The shaded equaliser: volume and balance in small slots, the window's
// grooves, shade button latched down as on the main window's shade bar.
void shadeBar(QImage &im, int x, int y, bool active)
{
    barFrame(im, x, y, active);
    grooves(im, x + 6, x + 56, y + 4, active);
    shadeSlot(im, x + 61, y + 4, 97, false);
    shadeSlot(im, x + 164, y + 4, 43, true);
    grooves(im, x + 212, x + 249, y + 4, active);
    titleButton(im, x + 254, y + 3, TitleGlyph::Shade, true, true);
    titleButton(im, x + 264, y + 3, TitleGlyph::Close, false);
}

} // namespace

QImage makeEqmain()
{
    QImage im = newRgb(275, 315, pal::body0);
    window(im);

    titleButton(im, 0, 116, TitleGlyph::Close, false);
    titleButton(im, 0, 125, TitleGlyph::Close, true);
    // Each toggle: off, off pressed, on, on pressed.
    struct T { int x; bool on, pressed; };
    const T on[] = {{10, false, false}, {128, false, true}, {69, true, false}, {187, true, true}};
    const T autoKey[] = {{36, false, false}, {154, false, true}, {95, true, false}, {213, true, true}};
    for (const T &t : on)
        toggle(im, t.x, 119, 26, "ON", t.on, t.pressed);
    for (const T &t : autoKey)
        toggle(im, t.x, 119, 32, "AUTO", t.on, t.pressed);

    titleBar(im, 0, 134, true);
    titleBar(im, 0, 149, false);

    knob(im, 0, 164, false);
    knob(im, 0, 176, true);
    for (int k = 0; k < 28; ++k)
        sliderFrame(im, 13 + 15 * (k % 14), 164 + 65 * (k / 14), k);
    presetsKey(im, 224, 164, false);
    presetsKey(im, 224, 176, true);

    graphGlass(im, 0, 294);
    // The curve takes its colour from its height: orange where it lifts,
    // green where it cuts, as the slider fills go.
    for (int r = 0; r < 19; ++r)
        put(im, 115, 294 + r, levelColour(18 - r, 18));
    // Preamp line: dashed steel, apart from the coloured curve.
    for (int i = 0; i < 113; ++i)
        put(im, i, 314, i % 3 == 2 ? pal::black : pal::steel);
    return im;
}

QImage makeEqEx()
{
    QImage im = newRgb(275, 82, pal::body0);
    shadeBar(im, 0, 0, true);
    shadeBar(im, 0, 15, false);
    // Thumbs by where they stand: volume brighter as it goes up, balance
    // brightest in the middle.
    shadeThumb(im, 1, 30, pal::orangeLo);
    shadeThumb(im, 4, 30, pal::orange);
    shadeThumb(im, 7, 30, pal::orangeHi);
    shadeThumb(im, 11, 30, pal::orange);
    shadeThumb(im, 14, 30, pal::orangeHi);
    shadeThumb(im, 17, 30, pal::orange);
    // Unshade pressed in the bar, shade pressed in the window.
    titleButton(im, 1, 38, TitleGlyph::Shade, true);
    titleButton(im, 1, 47, TitleGlyph::Shade, true);
    titleButton(im, 11, 38, TitleGlyph::Close, false);
    titleButton(im, 11, 47, TitleGlyph::Close, true);
    return im;
}

void checkEqualiser(const QImage &eq, const QImage &ex)
{
    struct State { const char *name; const QImage *im; int x0, y0, x1, y1, w, h; };
    const State states[] = {
        {"equaliser title bar", &eq, 0, 134, 0, 149, 275, 14},
        {"equaliser close", &eq, 0, 116, 0, 125, 9, 9},
        {"ON pressed", &eq, 10, 119, 128, 119, 26, 12},
        {"ON lit", &eq, 10, 119, 69, 119, 26, 12},
        {"ON lit pressed", &eq, 69, 119, 187, 119, 26, 12},
        {"AUTO pressed", &eq, 36, 119, 154, 119, 32, 12},
        {"AUTO lit", &eq, 36, 119, 95, 119, 32, 12},
        {"AUTO lit pressed", &eq, 95, 119, 213, 119, 32, 12},
        {"slider knob", &eq, 0, 164, 0, 176, 11, 11},
        {"presets", &eq, 224, 164, 224, 176, 44, 12},
        {"equaliser shade bar", &ex, 0, 0, 0, 15, 275, 14},
        {"shade close", &ex, 11, 38, 11, 47, 9, 9},
        {"shade volume thumbs", &ex, 1, 30, 4, 30, 3, 7},
        {"shade balance thumbs", &ex, 11, 30, 14, 30, 3, 7},
    };
    for (const State &st : states)
        if (sameRect(*st.im, st.x0, st.y0, st.x1, st.y1, st.w, st.h))
            fail("states of %s look the same", st.name);
    // The window shows the sheet's own parts at rest.
    if (!sameRect(eq, 0, 0, 0, 134, 275, 14))
        fail("equaliser window's title differs from the active title bar");
    if (!sameRect(eq, kOnX, kButtonsY, 10, 119, 26, 12) || !sameRect(eq, kAutoX, kButtonsY, 36, 119, 32, 12))
        fail("equaliser window's toggles differ from their off images");
    if (!sameRect(eq, kGraphX, kGraphY, 0, 294, 113, 19))
        fail("equaliser window's graph differs from the graph background");
    // Slider frames: the lit part grows with k, and the lit colours are the
    // curve's.
    int last = -1;
    for (int k = 0; k < 28; ++k) {
        const int fx = 13 + 15 * (k % 14), fy = 164 + 65 * (k / 14);
        int lit = 0;
        for (int j = 0; j < 63; ++j)
            if (!(get(eq, fx + 6, fy + j) == Rgb{38, 39, 44}) && get(eq, fx + 6, fy + j).g > 100)
                ++lit;
        if (lit <= last)
            fail("equaliser slider frame %d is not lit above frame %d", k, k - 1);
        last = lit;
    }
}

} // namespace art
