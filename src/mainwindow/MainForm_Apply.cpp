// Applying the view's edits back into the skin sheet. ApplyBtn being enabled
// is the only record that the view holds edits not yet written.
#include "platform/Blit.h"
#include "platform/DesktopServices.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

namespace vorlix {

bool TMainForm::ApplyChanges()
{
    const MsgAnswer answer = services().messageBox(this, QStringLiteral("Vorlix"),
                                                   QStringLiteral("Apply Changes ?"),
                                                   MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Cancel)
        return false;
    if (answer == MsgAnswer::Yes) {
        const StepScope step(this, QStringLiteral("Apply"));
        writeViewIntoSheet();
        ApplyBtn->setEnabled(false);
    } else {
        viewLeaving(); // the edits are dropped, and stay within undo's reach
        ApplyBtn->setEnabled(false);
    }
    return true;
}

void TMainForm::writeViewIntoSheet()
{
    const int idx = selectedIndex();
    if (idx < 0)
        return;
    const SkinElement &e = G().ElementTable[static_cast<size_t>(idx)];
    // A record without a place in a sheet (every node outside the main
    // window's branch) takes nothing: for those nodes the view still shows
    // the element selected before.
    if (!e.hasSheetPlace())
        return;
    QImage *sheet = G().sheet(e.Sheet);
    if (!sheet)
        return; // a group has no sheet of its own
    QImage view = DesktopImg->Picture();
    const Rect target = stateRect(e, G().CurrentState);
    // The part of the element the sheet holds, in view pixels; the rest
    // showed as a checker.
    const QRect present = QRect(0, 0, sheet->width(), sheet->height())
                              .intersected(target.toQRect())
                              .translated(-target.Left, -target.Top);
    if (growSheetToCover(G(), e.Sheet, target)) {
        // Checker pixels the user left alone become the black of the grown
        // sheet, as players show what a short file lacks.
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                if (!present.contains(x, y) && view.pixel(x, y) == absentPixelColour(x, y))
                    view.setPixel(x, y, qRgb(0, 0, 0));
    }
    blockCopy(*sheet, target.Left, target.Top, view.width(), view.height(), view, 0, 0);
    RefreshMiniature();
}

void TMainForm::ApplyBtnClick()
{
    ApplyChanges();
}

bool TMainForm::SelTreeChanging()
{
    if (ApplyBtn->isEnabled())
        return ApplyChanges();
    return true;
}

} // namespace vorlix
