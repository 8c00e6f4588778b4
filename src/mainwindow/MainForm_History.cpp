// Undo and redo through the skin's history: every change to the sheets, the
// colours or the view's picture is one step; the view, the miniature, the
// preview and the title follow each step back and forth.
#include "mainwindow/MainForm.h"
#include "mainwindow/SkinState.h"
#include "skin/GlobalVar.h"

namespace vorlix {

ViewShown TMainForm::viewShown() const
{
    return {m_shownElement, m_shownState, ApplyBtn->isEnabled(), DesktopImg->Picture()};
}

SkinColours TMainForm::skinColours()
{
    SkinState &s = skin();
    return {&s.vis, &s.pledit};
}

void TMainForm::beginStep(const QString &action, const QImage *viewBefore)
{
    ViewShown view = viewShown();
    if (viewBefore)
        view.picture = *viewBefore;
    const int idx = m_shownElement;
    const QString name = idx >= 0 ? QStringLiteral("%1 on %2").arg(action, SelTree->caption(idx)) : action;
    m_history.begin(name, G(), skinColours(), view);
}

void TMainForm::endStep()
{
    m_history.end(G(), skinColours(), viewShown());
    if (!m_history.isOpen())
        updateHistoryCommands();
}

void TMainForm::viewLeaving()
{
    if (m_restoringView || m_history.isOpen())
        return;
    m_history.viewLeaving(viewShown());
}

void TMainForm::startNewHistory()
{
    m_history.clear();
    updateHistoryCommands();
}

void TMainForm::DesktopImgStrokeEnd()
{
    if (m_history.isOpen())
        endStep();
}

void TMainForm::updateHistoryCommands()
{
    if (!Undo1 || !Redo1)
        return;
    Undo1->setEnabled(m_history.canUndo());
    Undo1->setText(m_history.canUndo() ? QStringLiteral("Undo %1").arg(m_history.undoName()) : QStringLiteral("Undo"));
    Redo1->setEnabled(m_history.canRedo());
    Redo1->setText(m_history.canRedo() ? QStringLiteral("Redo %1").arg(m_history.redoName()) : QStringLiteral("Redo"));
}

void TMainForm::settleTree()
{
    // A node chosen a moment ago is shown first, so that the step starts
    // from what the tree points at; a late report would re-read the view
    // over what the step restores.
    if (SelTree->takePendingSettle() && selectedIndex() != m_shownElement)
        SelTreeChange();
}

void TMainForm::Undo1Click()
{
    stepHistory(false);
}

void TMainForm::Redo1Click()
{
    stepHistory(true);
}

void TMainForm::stepHistory(bool forward)
{
    // Mid-stroke the picture belongs to the stroke.
    if (DesktopImg->isStroking() || m_history.isOpen())
        return;
    settleTree();
    if (forward ? !m_history.canRedo() : !m_history.canUndo())
        return;
    bool reRead = false;
    const ViewShown view = forward ? m_history.redo(G(), skinColours(), viewShown(), &reRead)
                                   : m_history.undo(G(), skinColours(), viewShown(), &reRead);
    showRestored(view, reRead);
}

void TMainForm::showRestored(const ViewShown &view, bool reRead)
{
    m_restoringView = true;
    struct Reset
    {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_restoringView};

    RefreshMiniature(); // the sheets and colours as restored, and the preview
    if (view.element >= 0 && view.element != selectedIndex()) {
        SelTree->selectAbsoluteNow(view.element);
        SelTreeChange();
    }
    if (view.element >= 0 && view.state != G().CurrentState) {
        const QSignalBlocker quiet(StateChanger);
        StateChanger->setValue(view.state);
        G().CurrentState = std::int16_t(view.state);
        ShowElementState();
    }
    if (!reRead && !view.picture.isNull()) {
        DesktopImg->assignPicture(view.picture);
        DesktopImg->setUndoBitmap(DesktopImg->Picture());
    } else {
        ShowElementState();
    }
    m_shownElement = view.element;
    m_shownState = view.state;
    ApplyBtn->setEnabled(view.pending);
    if (PlaylistFont->isVisible())
        PlaylistFont->setText(skinFont());
    updateSheetNote();
    updateStateText();
    updateZoomLevel();
    updateEditCommands();
    updateHistoryCommands();
    updateWindowTitle();
    DesktopImg->update();
}

} // namespace vorlix
