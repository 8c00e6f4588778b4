#pragma once
// The history of every change to the skin: each change (an import, an
// apply, a colour, a stroke in the view) is one step that can be undone and
// redone. A step keeps only what it changed: per sheet and for the view's
// picture the rectangles of rows that differ, the colour files when they
// changed, and which element and state the view showed before and after.
#include "editor/SkinText.h"
#include "skin/GlobalVar.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

namespace vorlix {

// What the element view shows: the element (absolute index, -1 for none),
// its state, whether the picture holds edits not yet applied, and the
// picture itself.
struct ViewShown
{
    int element = -1;
    int state = 0;
    bool pending = false;
    QImage picture;
};

// The skin's colour files as the window edits them.
struct SkinColours
{
    VisColorText *vis = nullptr;
    PlEditText *pledit = nullptr;
};

// The pixels one change altered in one picture. Applying it swaps them with
// the picture's, so the same record undoes and redoes.
class PictureChange
{
public:
    // Empty when the two are the same.
    static PictureChange between(const QImage &before, const QImage &after);
    bool isEmpty() const { return !m_whole && m_patches.empty(); }
    // Swaps the recorded pixels with the picture's. False, and nothing
    // touched, when the picture is not the size the change was made on.
    bool swapWith(QImage &picture);
    std::size_t bytes() const;
    // The rectangles kept (none when the whole picture is kept).
    QList<QRect> rects() const;

private:
    struct Patch
    {
        QRect rect;
        QByteArray pixels; // rect's rows, each rect.width() * pixel size bytes
    };
    bool m_whole = false; // size or format changed: the other picture whole
    QImage m_other;
    QSize m_size;
    std::vector<Patch> m_patches;
};

class EditHistory
{
public:
    // Enough for hundreds of whole-window imports, while a dot costs bytes.
    static constexpr std::size_t kDefaultBudget = std::size_t(256) << 20;
    explicit EditHistory(std::size_t budget = kDefaultBudget) : m_budget(budget) {}

    void clear();

    // A change begins: the skin and the view as they are now (shared copies,
    // cheap). Steps opened inside an open one belong to it.
    void begin(const QString &name, const GlobalVar &g, const SkinColours &colours, const ViewShown &view);
    bool isOpen() const { return m_depth > 0; }
    // The change ends: what differs from its beginning becomes one step,
    // dropping the steps that were undone; nothing differing, no step.
    // True when a step was added.
    bool end(const GlobalVar &g, const SkinColours &colours, const ViewShown &view);

    // The view is about to show something no step leads to (another
    // element, edits dropped): keeps what it shows now so that undo and
    // redo find it again.
    void viewLeaving(const ViewShown &live);

    bool canUndo() const { return !isOpen() && m_position > 0; }
    bool canRedo() const { return !isOpen() && m_position < int(m_steps.size()); }
    QString undoName() const;
    QString redoName() const;
    // Takes the sheets and colours one step back (or forward) in place and
    // returns what the view must show. reRead is set when the view's
    // picture could not be restored and must be read from the sheets.
    ViewShown undo(GlobalVar &g, const SkinColours &colours, const ViewShown &live, bool *reRead = nullptr);
    ViewShown redo(GlobalVar &g, const SkinColours &colours, const ViewShown &live, bool *reRead = nullptr);

    int count() const { return int(m_steps.size()); }
    int position() const { return m_position; } // steps behind the present
    QStringList names() const;
    std::size_t bytes() const { return m_bytes; }
    std::size_t budget() const { return m_budget; }
    void setBudget(std::size_t budget);

private:
    struct Context
    {
        int element = -1;
        int state = 0;
        bool pending = false;
    };
    struct SheetChange
    {
        SheetKind kind;
        PictureChange change;
    };
    struct Step
    {
        QString name;
        std::vector<SheetChange> sheets;
        PictureChange view;
        Context before, after;
        // The colour files on the other side of the step, when it changed them.
        std::optional<VisColorText> vis;
        std::optional<PlEditText> pledit;
        // The view as it was before the step, when the view had been left
        // since the step before; and as the step left it, once left.
        std::optional<ViewShown> beforeView;
        std::optional<ViewShown> afterView;
        std::size_t bytes = 0;
    };
    // Where the live view stands: as the step before the present left it,
    // as the step after it found it, or elsewhere (kept in the steps).
    enum class Live { AfterPrevious, BeforeNext, Elsewhere };

    void apply(Step &s, GlobalVar &g, const SkinColours &colours, ViewShown &view, bool *reRead);
    void keepView(std::optional<ViewShown> &slot, const ViewShown &view, Step &owner);
    void trim();

    std::deque<Step> m_steps;
    int m_position = 0;
    Live m_live = Live::AfterPrevious;
    std::size_t m_bytes = 0;
    std::size_t m_budget;

    // The change being made.
    struct Open
    {
        QString name;
        std::array<QImage, kSheetCount> sheets;
        std::array<bool, kSheetCount> waiting{};
        std::array<bool, kSheetCount> following{};
        VisColorText vis;
        PlEditText pledit;
        ViewShown view;
        bool viewKept = false; // the view before it must be kept
    };
    std::optional<Open> m_open;
    int m_depth = 0;
};

} // namespace vorlix
