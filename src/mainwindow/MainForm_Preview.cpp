// The other windows of the player as the skin draws them: a group's view,
// and the preview of the whole skin in a window of its own.
#include "dialogs/SkinPreview.h"
#include "mainwindow/MainForm.h"
#include "platform/DesktopServices.h"
#include "mainwindow/SkinState.h"
#include "platform/Blit.h"
#include "skin/ElementTree.h"
#include "skin/GlobalVar.h"
#include "skin/Miniature.h"
#include "skin/WindowCompose.h"

namespace vorlix {

PlaylistLook TMainForm::playlistLook() const
{
    const PlEditText &t = m_skin->pledit;
    return {t.colour(PlaylistColour::Normal), t.colour(PlaylistColour::Current),
            t.colour(PlaylistColour::NormalBG), t.colour(PlaylistColour::SelectedBG), t.font()};
}

VisPalette TMainForm::visPalette() const
{
    VisPalette palette{};
    for (int i = 0; i < kVisColourCount; ++i)
        palette[size_t(i)] = m_skin->vis.colour(i);
    return palette;
}

QImage TMainForm::groupPicture(int index) const
{
    const SkinElement &e = G().ElementTable[size_t(index)];
    if (index < kPreviewRows)
        return selectimg->picture().copy(); // the main window's groups: outline included
    const SheetSet sheets = sheetSet(G());
    switch (e.Window) {
    case kEqualizerWindow:
        return composeEqualizer(sheets);
    case kPlaylistWindow:
        return composePlaylist(sheets, playlistLook());
    case kPlaylistShade:
        return composeShade(sheets, SkinWindow::PlaylistShade);
    case kMainWindow:
        return composeMainWindow(sheets, visPalette());
    default:
        break;
    }
    if (index == 48) { // the three shaded bars, one below the other
        QImage bars(kWindowWidth, 3 * kShadeHeight, QImage::Format_BGR888);
        bars.fill(Qt::black);
        const SkinWindow shades[] = {SkinWindow::MainShade, SkinWindow::EqualizerShade, SkinWindow::PlaylistShade};
        for (int i = 0; i < 3; ++i)
            blockCopy(bars, 0, kShadeHeight * i, kWindowWidth, kShadeHeight, composeShade(sheets, shades[i]), 0, 0);
        return bars;
    }
    // Letters and digits: where the main window shows them.
    return composeMainWindow(sheets, visPalette());
}

void TMainForm::SkinPreview1Click()
{
    if (!m_preview) {
        m_preview = new TSkinPreview(this);
        m_preview->elementAt = [](QPoint p) { return previewElementAt(G().ElementTable, p); };
        m_preview->areaOf = [](int index) {
            return index >= 0 ? previewArea(G().ElementTable[size_t(index)]) : QRect();
        };
        connect(m_preview, &TSkinPreview::elementChosen, this, [this](int index) {
            guarded([&] {
                SelTree->setFocus(Qt::MouseFocusReason);
                SelTree->selectAbsolute(index);
            });
        });
    }
    m_preview->show();
    refreshSkinPreview();
    m_preview->raise();
    m_preview->activateWindow();
}

void TMainForm::refreshSkinPreview()
{
    if (!m_preview || !m_preview->isVisible())
        return;
    m_preview->setPicture(composeSkinPreview(sheetSet(G()), playlistLook(), visPalette(), 1));
    showSelectionInPreview();
}

void TMainForm::showSelectionInPreview()
{
    if (!m_preview)
        return;
    const int idx = selectedIndex();
    m_preview->setSelectedArea(idx >= 0 ? previewArea(G().ElementTable[size_t(idx)]) : QRect());
}

} // namespace vorlix
