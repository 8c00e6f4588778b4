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
    const int dw = destination.Right - destination.Left;
    const int dh = destination.Bottom - destination.Top;
    const int sx = g.SourceAtWindowRect ? source.Left : 0;
    const int sy = g.SourceAtWindowRect ? source.Top : 0;
    int sw = std::int16_t(source.Right - source.Left);
    int sh = std::int16_t(source.Bottom - source.Top);
    switch (sheet) {
    case skCButtons:
    case skBalance:
    case skMain:
        break;
    case skTitleBar:
        // A destination-sized block, copied 1:1 from the source corner.
        sw = dw;
        sh = dh;
        break;
    default:
        return; // no element with data lies on the other sheets
    }
    stretchCopy(*target, destination.Left, destination.Top, dw, dh, *g.ImportPicture, sx, sy, sw, sh);
}

void PropagateImport(GlobalVar &g, int index)
{
    if (index < 0 || index >= int(g.ElementTable.size()))
        return;
    const SkinElement &e = g.ElementTable[size_t(index)];
    Rect d = e.SheetRect;
    const Rect s = e.WindowRect;
    int dx = 0, dy = 0;
    int k = -1;
    if (g.StartAtCurrentState) {
        g.StartAtCurrentState = false;
        k = g.CurrentState - 1;
        dx = std::int16_t(e.StateStepX * g.CurrentState);
        dy = std::int16_t(e.StateStepY * g.CurrentState);
    }
    // One pass per state from k + 1 to MaxState; none when the start state
    // lies past the last one.
    while (k < e.MaxState) {
        if (e.Sheet != skNone) {
            d = {d.Left + dx, d.Top + dy, d.Right + dx, d.Bottom + dy};
            StretchIntoSheet(g, e.Sheet, s, d);
            dx = e.StateStepX;
            dy = e.StateStepY;
        }
        ++k;
        if (e.Id == kOptionsBarId)
            for (int j = 0; j < 6; ++j)
                StretchIntoSheet(g, e.Sheet, s, optionsBarBlock(j));
    }
    for (int j = 0; j < e.ChildCount; ++j)
        PropagateImport(g, e.Children[size_t(j)]);
}

} // namespace vorlix
