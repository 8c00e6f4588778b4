#include "editor/History.h"

#include <algorithm>
#include <cstring>

namespace vorlix {

namespace {

// What a step costs beside its pixels: the record, its name, its lists.
constexpr std::size_t kStepOverhead = 256;
// Rows that differ and lie this close are kept as one rectangle: fewer
// records for a diagonal stroke, a few bytes more.
constexpr int kJoinGap = 3;

int bytesPerPixel(const QImage &image)
{
    return image.depth() >= 8 ? image.depth() / 8 : 0;
}

std::size_t colourBytes(const std::optional<VisColorText> &vis, const std::optional<PlEditText> &pledit)
{
    std::size_t n = 0;
    if (vis)
        n += sizeof(VisColorText) + std::size_t(vis->bytes().size());
    if (pledit)
        n += sizeof(PlEditText) + std::size_t(pledit->bytes().size());
    return n;
}

std::size_t viewBytes(const std::optional<ViewShown> &v)
{
    return v ? sizeof(ViewShown) + std::size_t(v->picture.sizeInBytes()) : 0;
}

} // namespace

// --- PictureChange -------------------------------------------------------------

PictureChange PictureChange::between(const QImage &before, const QImage &after)
{
    PictureChange c;
    c.m_size = after.size();
    if (before.isNull() && after.isNull())
        return c;
    const int pixel = bytesPerPixel(after);
    if (before.size() != after.size() || before.format() != after.format() || pixel == 0) {
        c.m_whole = true;
        c.m_other = before;
        return c;
    }
    // The same pixels shared: nothing was drawn.
    if (before.constBits() == after.constBits())
        return c;
    const int w = after.width();
    const int h = after.height();
    const std::size_t rowBytes = std::size_t(w) * std::size_t(pixel);
    // One rectangle for each run of differing rows, as narrow as its
    // differing columns.
    int runTop = -1, runBottom = -1, runLeft = w, runRight = -1;
    const auto close = [&] {
        if (runTop < 0)
            return;
        Patch p;
        p.rect = QRect(QPoint(runLeft, runTop), QPoint(runRight, runBottom));
        const std::size_t n = std::size_t(p.rect.width()) * std::size_t(pixel);
        p.pixels.resize(qsizetype(n * std::size_t(p.rect.height())));
        char *out = p.pixels.data();
        for (int y = p.rect.top(); y <= p.rect.bottom(); ++y, out += n)
            std::memcpy(out, before.constScanLine(y) + std::size_t(p.rect.left()) * std::size_t(pixel), n);
        c.m_patches.push_back(std::move(p));
        runTop = -1;
        runLeft = w;
        runRight = -1;
    };
    for (int y = 0; y < h; ++y) {
        const uchar *a = before.constScanLine(y);
        const uchar *b = after.constScanLine(y);
        if (std::memcmp(a, b, rowBytes) == 0)
            continue;
        std::size_t first = 0;
        while (a[first] == b[first])
            ++first;
        std::size_t last = rowBytes - 1;
        while (a[last] == b[last])
            --last;
        if (runTop >= 0 && y - runBottom > kJoinGap + 1)
            close();
        if (runTop < 0)
            runTop = y;
        runBottom = y;
        runLeft = std::min(runLeft, int(first / std::size_t(pixel)));
        runRight = std::max(runRight, int(last / std::size_t(pixel)));
    }
    close();
    return c;
}

bool PictureChange::swapWith(QImage &picture)
{
    if (m_whole) {
        std::swap(picture, m_other);
        m_size = picture.size();
        return true;
    }
    if (m_patches.empty())
        return true;
    if (picture.size() != m_size || bytesPerPixel(picture) == 0)
        return false;
    const int pixel = bytesPerPixel(picture);
    for (Patch &p : m_patches) {
        const std::size_t n = std::size_t(p.rect.width()) * std::size_t(pixel);
        char *buffer = p.pixels.data();
        for (int y = p.rect.top(); y <= p.rect.bottom(); ++y, buffer += n) {
            auto *row = reinterpret_cast<char *>(picture.scanLine(y)) + std::size_t(p.rect.left()) * std::size_t(pixel);
            std::swap_ranges(row, row + n, buffer);
        }
    }
    return true;
}

std::size_t PictureChange::bytes() const
{
    std::size_t n = m_whole ? std::size_t(m_other.sizeInBytes()) + sizeof(QImage) : 0;
    for (const Patch &p : m_patches)
        n += sizeof(Patch) + std::size_t(p.pixels.size());
    return n;
}

QList<QRect> PictureChange::rects() const
{
    QList<QRect> out;
    for (const Patch &p : m_patches)
        out << p.rect;
    return out;
}

// --- EditHistory ---------------------------------------------------------------

void EditHistory::clear()
{
    m_steps.clear();
    m_position = 0;
    m_live = Live::AfterPrevious;
    m_bytes = 0;
    m_open.reset();
    m_depth = 0;
}

void EditHistory::setBudget(std::size_t budget)
{
    m_budget = budget;
    trim();
}

void EditHistory::begin(const QString &name, const GlobalVar &g, const SkinColours &colours, const ViewShown &view)
{
    if (m_depth++ > 0)
        return;
    Open o;
    o.name = name;
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        o.waiting[size_t(k)] = g.sheetWaiting(k);
        if (o.waiting[size_t(k)])
            continue; // not decoded yet: it is the built-in picture
        if (const QImage *s = g.sheet(k))
            o.sheets[size_t(k)] = *s;
        o.following[size_t(k)] = g.SheetStates[size_t(k)].Origin == SheetOrigin::Fallback && !g.sheetEdited(k);
    }
    if (colours.vis)
        o.vis = *colours.vis;
    if (colours.pledit)
        o.pledit = *colours.pledit;
    o.view = view;
    // Redoing the step later starts from the view as it is now; that is the
    // view the step before left only while nothing else was shown since.
    const bool nextFindsIt = m_position < int(m_steps.size()) && !m_steps[size_t(m_position)].beforeView;
    o.viewKept = !(m_live == Live::AfterPrevious || (m_live == Live::BeforeNext && nextFindsIt));
    m_open = std::move(o);
}

bool EditHistory::end(const GlobalVar &g, const SkinColours &colours, const ViewShown &view)
{
    if (m_depth == 0)
        return false;
    if (--m_depth > 0)
        return false;
    Open o = std::move(*m_open);
    m_open.reset();

    Step s;
    s.name = o.name;
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        const size_t i = size_t(k);
        if (o.waiting[i] && g.sheetWaiting(k))
            continue;
        const QImage *now = g.Sheets[i].get();
        if (!now)
            continue;
        // A sheet drawn from another one follows it by itself: undoing the
        // other brings it back.
        if (o.following[i] && g.SheetStates[i].Origin == SheetOrigin::Fallback && !g.sheetEdited(k))
            continue;
        const QImage before = o.waiting[i] ? builtInSheet(k) : o.sheets[i];
        PictureChange c = PictureChange::between(before, *now);
        if (!c.isEmpty())
            s.sheets.push_back({k, std::move(c)});
    }
    o.sheets = {}; // the shared copies go before anything else detaches
    if (view.element == o.view.element)
        s.view = PictureChange::between(o.view.picture, view.picture);
    else
        s.view = PictureChange::between(QImage(), view.picture); // never: a step keeps its element
    s.before = {o.view.element, o.view.state, o.view.pending};
    s.after = {view.element, view.state, view.pending};
    if (colours.vis && colours.vis->bytes() != o.vis.bytes())
        s.vis = std::move(o.vis);
    if (colours.pledit && colours.pledit->bytes() != o.pledit.bytes())
        s.pledit = std::move(o.pledit);

    const bool sameContext = s.before.element == s.after.element && s.before.state == s.after.state
        && s.before.pending == s.after.pending;
    if (s.sheets.empty() && s.view.isEmpty() && !s.vis && !s.pledit && sameContext)
        return false; // nothing changed: no step

    if (o.viewKept)
        s.beforeView = std::move(o.view);
    s.bytes = kStepOverhead + std::size_t(s.name.size()) * sizeof(QChar) + s.view.bytes()
        + colourBytes(s.vis, s.pledit) + viewBytes(s.beforeView);
    for (const SheetChange &c : s.sheets)
        s.bytes += sizeof(SheetChange) + c.change.bytes();

    // A change after an undo drops the steps that were undone.
    while (int(m_steps.size()) > m_position) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    m_bytes += s.bytes;
    m_steps.push_back(std::move(s));
    ++m_position;
    m_live = Live::AfterPrevious;
    trim();
    return true;
}

void EditHistory::keepView(std::optional<ViewShown> &slot, const ViewShown &view, Step &owner)
{
    if (slot)
        return;
    slot = view;
    const std::size_t n = viewBytes(slot);
    owner.bytes += n;
    m_bytes += n;
}

void EditHistory::viewLeaving(const ViewShown &live)
{
    if (m_live == Live::Elsewhere || m_open)
        return;
    const bool hasPrevious = m_position > 0;
    const bool hasNext = m_position < int(m_steps.size());
    Step *previous = hasPrevious ? &m_steps[size_t(m_position - 1)] : nullptr;
    Step *next = hasNext ? &m_steps[size_t(m_position)] : nullptr;
    if (m_live == Live::AfterPrevious) {
        if (previous)
            keepView(previous->afterView, live, *previous);
        if (next && !next->beforeView)
            keepView(next->beforeView, live, *next); // the next step found the same view
    } else if (next && !next->beforeView) {
        keepView(next->beforeView, live, *next);
        if (previous)
            keepView(previous->afterView, live, *previous); // the same view as the previous left
    }
    m_live = Live::Elsewhere;
    trim();
}

void EditHistory::apply(Step &s, GlobalVar &g, const SkinColours &colours, ViewShown &view, bool *reRead)
{
    for (SheetChange &c : s.sheets)
        if (QImage *sheet = g.Sheets[size_t(c.kind)].get())
            c.change.swapWith(*sheet);
    if (s.vis && colours.vis)
        std::swap(*s.vis, *colours.vis);
    if (s.pledit && colours.pledit)
        std::swap(*s.pledit, *colours.pledit);
    const bool restored = s.view.swapWith(view.picture);
    if (reRead)
        *reRead = !restored;
}

ViewShown EditHistory::undo(GlobalVar &g, const SkinColours &colours, const ViewShown &live, bool *reRead)
{
    if (reRead)
        *reRead = false;
    if (!canUndo())
        return live;
    Step &s = m_steps[size_t(m_position - 1)];
    const Step *next = m_position < int(m_steps.size()) ? &m_steps[size_t(m_position)] : nullptr;
    // The step is undone from the view it left.
    ViewShown view = live;
    const bool liveIsAfter = m_live == Live::AfterPrevious
        || (m_live == Live::BeforeNext && next && !next->beforeView);
    if (!liveIsAfter && s.afterView)
        view = *s.afterView;
    apply(s, g, colours, view, reRead);
    view.element = s.before.element;
    view.state = s.before.state;
    view.pending = s.before.pending;
    --m_position;
    m_live = Live::BeforeNext;
    return view;
}

ViewShown EditHistory::redo(GlobalVar &g, const SkinColours &colours, const ViewShown &live, bool *reRead)
{
    if (reRead)
        *reRead = false;
    if (!canRedo())
        return live;
    Step &s = m_steps[size_t(m_position)];
    const Step *previous = m_position > 0 ? &m_steps[size_t(m_position - 1)] : nullptr;
    // The step is redone from the view it found.
    ViewShown view = live;
    const bool liveIsBefore = m_live == Live::BeforeNext || (m_live == Live::AfterPrevious && !s.beforeView);
    if (!liveIsBefore) {
        if (s.beforeView)
            view = *s.beforeView;
        else if (previous && previous->afterView)
            view = *previous->afterView;
    }
    apply(s, g, colours, view, reRead);
    view.element = s.after.element;
    view.state = s.after.state;
    view.pending = s.after.pending;
    ++m_position;
    m_live = Live::AfterPrevious;
    return view;
}

QString EditHistory::undoName() const
{
    return canUndo() ? m_steps[size_t(m_position - 1)].name : QString();
}

QString EditHistory::redoName() const
{
    return canRedo() ? m_steps[size_t(m_position)].name : QString();
}

QStringList EditHistory::names() const
{
    QStringList out;
    for (const Step &s : m_steps)
        out << s.name;
    return out;
}

void EditHistory::trim()
{
    // Oldest first, never a step ahead of the present, never the newest.
    while (m_bytes > m_budget && m_position > 0 && m_steps.size() > 1) {
        m_bytes -= m_steps.front().bytes;
        m_steps.pop_front();
        --m_position;
    }
}

} // namespace vorlix
