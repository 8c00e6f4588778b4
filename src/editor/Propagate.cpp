#include "editor/Propagate.h"

#include "platform/Blit.h"

namespace vorlix {

namespace {

constexpr int kOptionsBarId = 3;

// The options bar's six spare 8 x 43 blocks below its two states on TITLEBAR.
Rect optionsBarBlock(int j)
{
    return {304 + 8 * j, 44, 312 + 8 * j, 87};
}

} // namespace

void StretchIntoSheet(GlobalVar &g, SheetKind sheet, const Rect &source, const Rect &destination)
{
    QImage *target = g.sheet(sheet);
    if (!target || !g.ImportPicture)
        return;
    // A short sheet first grows to the format's size, so the whole element
    // takes the picture.
    growSheetToCover(g, sheet, destination);
    const int dw = destination.Right - destination.Left;
    const int dh = destination.Bottom - destination.Top;
    const int sx = g.SourceAtWindowRect ? source.Left : 0;
    const int sy = g.SourceAtWindowRect ? source.Top : 0;
    int sw = std::int16_t(source.Right - source.Left);
    int sh = std::int16_t(source.Bottom - source.Top);
    // TITLEBAR takes a destination-sized block, copied 1:1 from the source
    // corner; every other sheet gets the source stretched onto the destination.
    if (sheet == skTitleBar) {
        sw = dw;
        sh = dh;
    }
    stretchCopy(*target, destination.Left, destination.Top, dw, dh, *g.ImportPicture, sx, sy, sw, sh);
}

void PropagateImport(GlobalVar &g, int index)
{
    if (index < 0 || index >= int(g.ElementTable.size()))
        return;
    const SkinElement &e = g.ElementTable[size_t(index)];
    const Rect s = e.WindowRect;
    int first = 0;
    if (g.StartAtCurrentState) {
        g.StartAtCurrentState = false;
        first = g.CurrentState;
    }
    // States first..MaxState; none when the start state lies past the last.
    for (int k = first; k <= e.MaxState; ++k) {
        if (e.Sheet != skNone)
            StretchIntoSheet(g, e.Sheet, s, stateRect(e, k));
        if (e.Id == kOptionsBarId)
            for (int j = 0; j < 6; ++j)
                StretchIntoSheet(g, e.Sheet, s, optionsBarBlock(j));
    }
    for (int j = 0; j < e.ChildCount; ++j)
        PropagateImport(g, e.Children[size_t(j)]);
}

} // namespace vorlix
