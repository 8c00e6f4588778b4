// The element view: the selected element's current state, copied out of its
// sheet into DesktopImg; a group node shows the outlined miniature instead.
#include "platform/Blit.h"
#include "mainwindow/MainForm.h"
#include "skin/ElementTree.h"
#include "skin/GlobalVar.h"
#include "skin/Miniature.h"

namespace vorlix {

int TMainForm::selectedIndex() const
{
    return SelTree->absoluteIndex();
}

void TMainForm::SelTreeChange()
{
    const int idx = selectedIndex();
    if (idx < 0)
        return; // nothing selected: nothing to show
    const SkinElement &e = G().ElementTable[static_cast<size_t>(idx)];
    if (e.isGroup()) {
        SelectBtn->setLatched(false);
        DesktopImg->setMouseMode(TOImage::mmOther);
        ScrollZoom->setValue(1);
        DesktopImg->SetZoom(ScrollZoom->value());
    }
    G().SelectionRect = Rect{};
    Label1->setText(QString::number(idx));
    Label1->adjustSize();
    selectimg->setPicture(m_miniature); // a fresh copy drops the old outline
    if (idx <= 44)
        RefreshSelectImg();
}

void TMainForm::RefreshSelectImg()
{
    const int idx = selectedIndex();
    if (idx < 0)
        return;
    drawPreviewOutline(selectimg->picture(), idx);
    selectimg->update();

    const SkinElement &e = G().ElementTable[static_cast<size_t>(idx)];
    if (e.MaxState == 0) {
        StateChanger->setEnabled(false);
        StateChanger->setMaximum(1); // a slider needs a maximum above its minimum
    } else {
        StateChanger->setEnabled(true);
        StateChanger->setMaximum(e.MaxState);
    }
    StateChanger->setValue(0);
    // A synchronous repaint would flush every dirty control of the window
    // (the tree above all) on each element change; the next paint pass shows
    // the slider just the same.
    StateChanger->update();
    G().CurrentState = 0;
    ShowElementState();
}

void TMainForm::ShowElementState()
{
    const int idx = selectedIndex();
    if (idx < 0)
        return;
    const SkinElement &e = G().ElementTable[static_cast<size_t>(idx)];
    const int w = e.SheetRect.width();
    const int h = e.SheetRect.height();
    QImage shown;
    if (w > 0 && h > 0) {
        shown = QImage(w, h, QImage::Format_BGR888);
        shown.fill(Qt::black);
    }
    const Rect state = stateRect(e, G().CurrentState);
    DesktopImg->setDrawStyle(TOImage::dsNormal);
    if (e.isGroup()) {
        shown = selectimg->picture().copy(); // outline included
    } else if (const QImage *sheet = G().sheet(e.Sheet); sheet && !shown.isNull()) {
        blockCopy(shown, 0, 0, w, h, *sheet, state.Left, state.Top);
    }
    DesktopImg->assignPicture(shown);
    DesktopImg->setUndoBitmap(DesktopImg->Picture());
}

void TMainForm::StateChangerChange()
{
    G().CurrentState = static_cast<std::int16_t>(StateChanger->value());
    ShowElementState();
}

void TMainForm::ScrollZoomChange()
{
    const int idx = selectedIndex();
    if (idx >= 0 && G().ElementTable[static_cast<size_t>(idx)].isGroup()) {
        ScrollZoom->setValue(1); // a group is always shown at zoom 1
        return;
    }
    DesktopImg->SetZoom(ScrollZoom->value());
}

void TMainForm::selectimgMouseMove(Qt::MouseButtons, int x, int y)
{
    const int candidate = previewHitTest(x, y);
    SelTree->setFocus(Qt::MouseFocusReason);
    SelTree->selectAbsolute(candidate);
}

void TMainForm::RefreshMiniature()
{
    m_miniature = composeMiniature(G());
    selectimg->setPicture(m_miniature);
    const int idx = selectedIndex();
    if (idx >= 0 && idx < kPreviewRows) {
        drawPreviewOutline(selectimg->picture(), idx);
        // A group's view is the outlined miniature: show the new one.
        if (G().ElementTable[static_cast<size_t>(idx)].isGroup())
            ShowElementState();
    }
    selectimg->update();
}

} // namespace vorlix
