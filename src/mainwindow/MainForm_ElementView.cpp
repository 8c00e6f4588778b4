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
    RefreshSelectImg();
    showSelectionInPreview();
    updateEditCommands();
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
    updateStateText();
}

void TMainForm::ShowElementState()
{
    const int idx = selectedIndex();
    if (idx < 0)
        return;
    viewLeaving(); // what the view holds now stays within undo's reach
    const SkinElement &e = G().ElementTable[static_cast<size_t>(idx)];
    const int w = e.SheetRect.width();
    const int h = e.SheetRect.height();
    const Rect state = stateRect(e, G().CurrentState);
    const QImage *sheet = G().sheet(e.Sheet);
    QImage shown;
    if (w > 0 && h > 0) {
        shown = QImage(w, h, QImage::Format_BGR888);
        shown.fill(Qt::black);
        // What the sheet lacks shows as a checker, never as pixels of ours;
        // the copy below covers everything else.
        if (sheet && !QRect(0, 0, sheet->width(), sheet->height()).contains(state.toQRect()))
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    shown.setPixel(x, y, absentPixelColour(x, y));
    }
    DesktopImg->setDrawStyle(TOImage::dsNormal);
    if (e.Colours != kNoColours) {
        shown = colourSwatches(e.Colours);
    } else if (e.isGroup()) {
        shown = groupPicture(idx);
    } else if (sheet && !shown.isNull()) {
        blockCopy(shown, 0, 0, w, h, *sheet, state.Left, state.Top);
    }
    DesktopImg->assignPicture(shown);
    DesktopImg->setUndoBitmap(DesktopImg->Picture());
    m_shownElement = idx;
    m_shownState = G().CurrentState;
    updateSheetNote();
}

void TMainForm::updateSheetNote()
{
    const int idx = selectedIndex();
    const SkinElement *e = idx >= 0 ? &G().ElementTable[size_t(idx)] : nullptr;
    const QImage *sheet = e && e->hasSheetPlace() ? G().sheet(e->Sheet) : nullptr;
    QString note;
    if (sheet) {
        const QString name = skinFileName(e->Sheet);
        const auto origin = G().SheetStates[size_t(e->Sheet)].Origin;
        // A whole-sheet comparison: only where the origin makes it matter.
        const bool edited = origin != SheetOrigin::File && G().sheetEdited(e->Sheet);
        const QSize usual = sheetSize(e->Sheet);
        const Rect state = stateRect(*e, G().CurrentState);
        if (origin == SheetOrigin::Fallback && !edited) {
            note = QStringLiteral("%1 is not in this skin: players draw it from %2, as shown. It is saved "
                                  "only once you edit it.")
                       .arg(name, skinFileName(fallbackSheet(e->Sheet)));
        } else if (origin == SheetOrigin::BuiltIn && !edited && skinPath().size()) {
            note = QStringLiteral("%1 is not in this skin, or could not be read: the built-in picture stands "
                                  "in. It is saved only once you edit it.")
                       .arg(name);
        } else if (sheet->size() != usual && (state.Right > sheet->width() || state.Bottom > sheet->height())) {
            note = QStringLiteral("%1 is %2 x %3 in this skin: the checkered part lies outside it. An import or "
                                  "an applied edit makes it %4 x %5.")
                       .arg(name)
                       .arg(sheet->width())
                       .arg(sheet->height())
                       .arg(std::max(sheet->width(), usual.width()))
                       .arg(std::max(sheet->height(), usual.height()));
        } else if (sheet->size() != usual) {
            note = QStringLiteral("%1 is %2 x %3 in this skin (usually %4 x %5); it keeps that size.")
                       .arg(name)
                       .arg(sheet->width())
                       .arg(sheet->height())
                       .arg(usual.width())
                       .arg(usual.height());
        }
    }
    if (e && e->Colours != kNoColours)
        note = colourNote(e->Colours);
    SheetNote->setText(note);
    SheetNote->setVisible(!note.isEmpty());
    const bool font = e && e->Colours == kPlaylistColours;
    if (font && !PlaylistFont->isVisible())
        PlaylistFont->setText(skinFont());
    PlaylistFont->setVisible(font);
}

void TMainForm::StateChangerChange()
{
    G().CurrentState = static_cast<std::int16_t>(StateChanger->value());
    ShowElementState();
    updateStateText();
}

void TMainForm::ScrollZoomChange()
{
    const int idx = selectedIndex();
    if (idx >= 0 && G().ElementTable[static_cast<size_t>(idx)].isGroup()) {
        ScrollZoom->setValue(1); // a group is always shown at zoom 1
        return;
    }
    DesktopImg->SetZoom(ScrollZoom->value());
    updateZoomLevel();
}

void TMainForm::selectimgMouseMove(Qt::MouseButtons, int x, int y)
{
    const int candidate = previewHitTest(x, y);
    if (ApplyBtn->isEnabled()) {
        // A question on a mere pointer move would be in the way: outline
        // where a click would go, and leave the selection alone.
        if (candidate == m_hoverCandidate)
            return;
        m_hoverCandidate = candidate;
        selectimg->setPicture(m_miniature);
        drawPreviewOutline(selectimg->picture(), selectedIndex());
        if (candidate != selectedIndex())
            drawPreviewOutline(selectimg->picture(), candidate, qRgb(255, 255, 0));
        selectimg->update();
        return;
    }
    m_hoverCandidate = candidate;
    SelTree->setFocus(Qt::MouseFocusReason);
    SelTree->selectAbsolute(candidate);
}

void TMainForm::selectimgClick()
{
    if (m_hoverCandidate < 0)
        return;
    SelTree->setFocus(Qt::MouseFocusReason);
    SelTree->selectAbsolute(m_hoverCandidate); // the guard asks about the pending edits
}

void TMainForm::RefreshMiniature()
{
    followFallbackSheets(G());
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
    refreshSkinPreview();
    updateWindowTitle();
}

} // namespace vorlix
