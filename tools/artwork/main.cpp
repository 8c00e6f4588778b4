// gen_artwork: draws Vorlix's built-in pictures into a resources directory.
//
//   gen_artwork <resources-dir>
//
// Outputs: the sixteen default skin sheets (the main window's nine, the
// equaliser and its shaded bar, the playlist, the letters, both digit sheets
// and the mini browser), the player miniature, the window background, the
// button glyphs, the logos, the icons and the two cursors. One source file
// in artwork/ draws each group; Common.h has what they share.
//
// The files must come out byte-identical on every run and every machine, so
// everything is set pixel by pixel: no fonts (text uses the bitmap fonts in
// Common.cpp), no antialiasing, no clock, no randomness but a fixed-seed LCG,
// and the files are written by our own encoders rather than whatever libpng
// and zlib the machine has. The pictures built into the program are BMP
// files; the desktop icons in icons/ are PNG.
//
// Cursor hot spots:
//   GRABHAND.bmp  (16,16)  the middle of the closed hand
//   CUR_MENU.bmp  (0,0)    the tip of the arrow
//   CUR_PENCIL.bmp, CUR_PICKER.bmp  (1,30)  the tip
//   CUR_FILL.bmp  (13,27)  the end of the drip
//
// The program ends by checking what it wrote and exits with 1 if a check
// fails.

#include "artwork/Pictures.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace art;

namespace {

struct Output
{
    const char *name;
    QImage image;
};

void checkOutputs(const std::vector<Output> &outs)
{
    struct Size { const char *name; int w, h; };
    static const Size sizes[] = {
        {"BALANCE", 68, 433}, {"CBUTTONS", 136, 36}, {"MAIN", 275, 116}, {"MONOSTER", 58, 24},
        {"PLAYPAUS", 42, 9}, {"POSBAR", 307, 10}, {"SHUFREP", 92, 85}, {"TITLEBAR", 344, 87},
        {"VOLUME", 68, 433}, {"EQMAIN", 275, 315}, {"EQ_EX", 275, 82}, {"PLEDIT", 280, 186},
        {"TEXT", 155, 18}, {"NUMBERS", 99, 13}, {"NUMS_EX", 108, 13}, {"MB", 234, 119}, {"WINAMPMINI", 175, 74}, {"BACKGROUND", 640, 480}, {"CLOSEBUT", 64, 16},
        {"MINIMIZEBUT", 64, 16}, {"PANBTN", 76, 19}, {"SELECTBTN", 25, 25}, {"EXCHCLR", 9, 10},
        {"STATUSLOGO", 38, 19}, {"ABOUTLOGO", 200, 100}, {"ABOUTBANNER", 200, 50}, {"ICON32", 32, 32},
        {"ICON16", 16, 16}, {"GRABHAND", 32, 32}, {"CUR_MENU", 32, 32},
        {"PENCILBTN", 50, 25}, {"LINEBTN", 50, 25}, {"RECTBTN", 50, 25}, {"FILLBTN", 50, 25},
        {"PICKERBTN", 50, 25}, {"CUR_PENCIL", 32, 32}, {"CUR_FILL", 32, 32}, {"CUR_PICKER", 32, 32},
    };
    if (outs.size() != std::size(sizes))
        fail("%s: wrong number of pictures", "outputs");
    for (const Size &sz : sizes) {
        auto it = std::find_if(outs.begin(), outs.end(), [&](const Output &o) { return std::strcmp(o.name, sz.name) == 0; });
        if (it == outs.end()) {
            fail("%s missing", sz.name);
            continue;
        }
        if (it->image.width() != sz.w || it->image.height() != sz.h)
            fail("%s has the wrong size (%d x %d)", sz.name, it->image.width(), it->image.height());
    }

    for (const Output &o : outs) {
        const QImage &im = o.image;
        const std::string_view name = o.name;
        const char *cname = o.name;
        const bool cursor = im.format() == QImage::Format_ARGB32;
        if (!cursor && im.format() != QImage::Format_RGB888)
            fail("%s is not 24-bit", cname);
        // Count the bad pixels and report the first, so one broken picture
        // neither floods the output nor hides the others.
        int bad = 0;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x) {
                const QRgb p = im.pixel(x, y);
                const bool red = qRed(p) == 255 && qGreen(p) == 0 && qBlue(p) == 0 && qAlpha(p) == 255;
                const bool redWanted = name == "BACKGROUND" && !inShape(x, y);
                const char *why = nullptr;
                if (red && !redWanted)
                    why = "pure red";
                else if (!red && redWanted)
                    why = "not pure red outside the window shape";
                else if (cursor && qAlpha(p) != 0 && qAlpha(p) != 255)
                    why = "partly transparent";
                else if (cursor && qAlpha(p) == 0 && (p & 0xFFFFFFu) != 0)
                    why = "transparent but coloured";
                if (why && bad++ == 0)
                    fail("%s: %s at (%d,%d)", cname, why, x, y);
            }
        if (bad > 1)
            fail("%s: %d more such pixels", cname, bad - 1);
    }

    // Cursors: hot spot on an opaque pixel, corners see-through.
    for (const Output &o : outs) {
        const std::string_view name = o.name;
        const char *cname = o.name;
        int hx = 0, hy = 0;
        if (name == "GRABHAND")
            hx = hy = 16;
        else if (name == "CUR_PENCIL" || name == "CUR_PICKER")
            hx = 1, hy = 30;
        else if (name == "CUR_FILL")
            hx = 13, hy = 27;
        else if (name != "CUR_MENU")
            continue;
        if (qAlpha(o.image.pixel(hx, hy)) != 255)
            fail("%s: hot spot (%d,%d) is not on the picture", cname, hx, hy);
        if (qAlpha(o.image.pixel(31, 31)) != 0)
            fail("%s: background not transparent", cname);
    }

    // Tool glyphs: the bottom-left pixel of every image is the see-through
    // key, and the key colour appears nowhere but in the background.
    for (const Output &o : outs) {
        const std::string_view name = o.name;
        const char *cname = o.name;
        int frames = 0;
        if (name == "PANBTN")
            frames = 4;
        else if (name == "SELECTBTN" || name == "EXCHCLR")
            frames = 1;
        else if (name == "PENCILBTN" || name == "LINEBTN" || name == "RECTBTN" || name == "FILLBTN"
                 || name == "PICKERBTN")
            frames = 2;
        if (!frames)
            continue;
        const int fw = o.image.width() / frames;
        for (int f = 0; f < frames; ++f) {
            if (!(get(o.image, f * fw, o.image.height() - 1) == pal::key))
                fail("%s: image %d has no see-through bottom-left pixel", cname, f);
            if (!rectHas(o.image, f * fw, 0, fw, o.image.height(), pal::black) &&
                !rectHas(o.image, f * fw, 0, fw, o.image.height(), pal::faceLo))
                fail("%s: image %d is empty", cname, f);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_artwork <resources-dir>\n");
        return 2;
    }
    const std::string dir = argv[1];

    Sheets s;
    s.balance = makeBalance();
    s.cbuttons = makeCbuttons();
    s.monoster = makeMonoster();
    s.playpaus = makePlaypaus();
    s.posbar = makePosbar();
    s.shufrep = makeShufrep();
    s.titlebar = makeTitlebar();
    s.volume = makeVolume();
    s.main = makeMain(s);
    const QImage eqmain = makeEqmain(), eqex = makeEqEx(), pledit = makePledit();
    const QImage text = makeText(), numbers = makeNumbers(), numsEx = makeNumsEx();

    std::vector<Output> outs = {
        {"BALANCE", s.balance}, {"CBUTTONS", s.cbuttons}, {"MAIN", s.main}, {"MONOSTER", s.monoster},
        {"PLAYPAUS", s.playpaus}, {"POSBAR", s.posbar}, {"SHUFREP", s.shufrep}, {"TITLEBAR", s.titlebar},
        {"VOLUME", s.volume},
        {"EQMAIN", eqmain}, {"EQ_EX", eqex}, {"PLEDIT", pledit},
        {"TEXT", text}, {"NUMBERS", numbers}, {"NUMS_EX", numsEx},
        {"MB", makeMb()},
        {"WINAMPMINI", miniature(s)},
        {"BACKGROUND", makeBackground()},
        {"CLOSEBUT", makeWindowButton(true)},
        {"MINIMIZEBUT", makeWindowButton(false)},
        {"PANBTN", makePanButton()},
        {"SELECTBTN", makeSelectButton()},
        {"EXCHCLR", makeExchangeGlyph()},
        {"STATUSLOGO", makeStatusLogo()},
        {"ABOUTLOGO", makeAboutLogo()},
        {"ABOUTBANNER", makeAboutBanner()},
        {"ICON32", makeIcon(32)},
        {"ICON16", makeIcon(16)},
        {"GRABHAND", makeGrabHand()},
        {"CUR_MENU", makeMenuCursor()},
        {"PENCILBTN", makePencilButton()},
        {"LINEBTN", makeLineButton()},
        {"RECTBTN", makeRectButton()},
        {"FILLBTN", makeFillButton()},
        {"PICKERBTN", makePickerButton()},
        {"CUR_PENCIL", makePencilCursor()},
        {"CUR_FILL", makeFillCursor()},
        {"CUR_PICKER", makePickerCursor()},
    };

    checkSheets(s);
    checkEqualiser(eqmain, eqex);
    checkPlaylist(pledit);
    checkLetters(text, numbers, numsEx);
    std::vector<std::string> notes;
    checkHitMap(notes);
    checkOutputs(outs);

    for (const Output &o : outs) {
        const std::string path = dir + "/" + o.name + ".bmp";
        if (!writeFile(path, encodeBmp(o.image))) {
            std::fprintf(stderr, "gen_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
        // Read it back with Qt's reader: the file must hold exactly our pixels.
        QImage back(QString::fromStdString(path), "bmp");
        const QImage want = o.image.format() == QImage::Format_ARGB32 ? o.image : o.image.convertToFormat(QImage::Format_RGB32);
        const QImage got = back.convertToFormat(want.format());
        if (back.isNull() || got != want)
            fail("%s does not read back as written", o.name);
    }

    writeDesktopIcons(dir);

    for (const std::string &n : notes)
        std::printf("%s\n", n.c_str());
    if (g_failures) {
        std::fprintf(stderr, "gen_artwork: %d check(s) failed\n", g_failures);
        return 1;
    }
    std::printf("gen_artwork: %zu pictures written to %s, all checks passed\n", outs.size(), dir.c_str());
    return 0;
}
