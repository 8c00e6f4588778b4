// Editing in the view: pan and select modes, the marquee, clipboard, undo
// and the colour swatches.
#include "mainwindow/MainForm.h"

#include "platform/Blit.h"
#include "platform/Clipboard.h"
#include "platform/ColorNumber.h"
#include "platform/DesktopServices.h"
#include "platform/WindowFocus.h"
#include "skin/GlobalVar.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>

namespace vorlix {

namespace {

// Delete always fills with white, whatever the swatches show.
constexpr ColorNumber kDeleteColor = rgbColorNumber(255, 255, 255);

// Toward zero, saturating: a huge selection at a high zoom must not wrap.
int truncToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= double(INT_MAX))
        return INT_MAX;
    if (v <= double(INT_MIN))
        return INT_MIN;
    return int(v);
}

} // namespace

void TMainForm::setupEditing()
{
    const auto wire = [this](auto *sender, auto signal, void (TMainForm::*handler)()) {
        connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    wire(PanBtn, &QAbstractButton::clicked, &TMainForm::PanBtnClick);
    wire(SelectBtn, &QAbstractButton::clicked, &TMainForm::SelectBtnClick);
    wire(exchClr, &QAbstractButton::clicked, &TMainForm::exchClrClick);
    wire(pbFore, &TPaintBox::doubleClicked, &TMainForm::pbForeDblClick);
    wire(pbBack, &TPaintBox::doubleClicked, &TMainForm::pbBackDblClick);
    wire(DesktopImg, &TOImage::OnMouseDown, &TMainForm::DesktopImgMouseDown);
    wire(DesktopImg, &TOImage::OnRubberband, &TMainForm::DesktopImgRubberband);
    wire(DesktopImg, &TOImage::OnPaint, &TMainForm::DesktopImgPaint);
    connect(DesktopImg, &TOImage::OnDoubleClick, this,
            [this](int x, int y) { guarded([&] { DesktopImgDoubleClick(x, y); }); });
    wire(PlaylistFont, &QLineEdit::editingFinished, &TMainForm::PlaylistFontEdited);
    returnKeyboardAfterDialogs(this);
}

bool TMainForm::noElementSelected() const
{
    const int idx = selectedIndex();
    if (idx < 0)
        return true;
    const SkinElement &e = G().ElementTable[static_cast<size_t>(idx)];
    // An edit there could never be applied: nothing to edit.
    return e.isGroup() || !e.hasSheetPlace();
}

void TMainForm::updateEditCommands()
{
    const bool editable = !noElementSelected();
    for (QAction *a : {Undo1, Cut1, Copy1, Paste1, Delete1, SelectAll1, Deselect1})
        a->setEnabled(editable);
}

// --- Tool buttons ------------------------------------------------------------

// The button has already toggled when these run; each sets its own state, so
// a click on a button that is down leaves it down.
void TMainForm::PanBtnClick()
{
    if (noElementSelected()) {
        PanBtn->setLatched(false);
        return;
    }
    DesktopImg->setMouseMode(TOImage::mmPan);
    G().SelectionRect = Rect{};
    PanBtn->setLatched(true); // releases SelectBtn
    DesktopImg->repaint();
}

void TMainForm::SelectBtnClick()
{
    if (noElementSelected()) {
        SelectBtn->setLatched(false);
        DesktopImg->setMouseMode(TOImage::mmOther);
        return;
    }
    SelectBtn->setLatched(true); // releases PanBtn
    DesktopImg->setMouseMode(TOImage::mmRubberband);
    DesktopImg->update(); // a selection kept from before shows its marquee
}

// --- Selection and marquee ---------------------------------------------------

void TMainForm::DesktopImgMouseDown()
{
    G().SelectionRect = Rect{};
    DesktopImg->repaint();
}

void TMainForm::DesktopImgRubberband()
{
    G().SelectionRect = DesktopImg->RubberbandRect(); // in drag order
    DesktopImg->repaint();
}

void TMainForm::DesktopImgPaint()
{
    if (SelectBtn->isLatched())
        DrawMarquee();
}

void TMainForm::limitSelectionToPicture()
{
    Rect &s = G().SelectionRect;
    const int pw = DesktopImg->Picture().width();
    const int ph = DesktopImg->Picture().height();
    if (s.Right < s.Left)
        std::swap(s.Left, s.Right);
    if (s.Bottom < s.Top)
        std::swap(s.Top, s.Bottom);
    s.Right = std::min(s.Right, pw);
    s.Bottom = std::min(s.Bottom, ph);
    if (pw < s.Left || ph < s.Top)
        s = Rect{};
}

void TMainForm::DrawMarquee()
{
    const double z = DesktopImg->Zoom();
    limitSelectionToPicture();
    const Rect s = G().SelectionRect;
    if (s == Rect{})
        return;
    const double ox = DesktopImg->OffsetX();
    const double oy = DesktopImg->OffsetY();
    // Inset by one screen pixel at the top left and two at the bottom right
    // of the zoomed block, so the outline lies on the selected pixels.
    const int x1 = truncToInt(s.Left * z - ox * z + 1);
    const int y1 = truncToInt(s.Top * z - oy * z + 1);
    const int x2 = truncToInt(truncToInt(s.Right * z - ox * z - 2) + std::trunc(z));
    const int y2 = truncToInt(truncToInt(s.Bottom * z - oy * z - 2) + std::trunc(z));

    // The outline covers left .. right - 1 and top .. bottom - 1, whichever
    // way round the corners came.
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    if (right == left || bottom == top)
        return;
    QPainter painter(DesktopImg);
    QPen pen(Qt::black, 0, Qt::DashDotDotLine);
    pen.setCosmetic(true);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const long long w = static_cast<long long>(right) - left;
    const long long h = static_cast<long long>(bottom) - top;
    if (w == 1 || h == 1) // a one-pixel outline is a single line
        painter.drawLine(left, top, right - 1, bottom - 1);
    else
        painter.drawRect(QRect(left, top, int(w - 1), int(h - 1)));
}

void TMainForm::SelectAll1Click()
{
    if (noElementSelected())
        return;
    SelectBtnClick();
    if (!SelectBtn->isLatched())
        return;
    G().SelectionRect = Rect{0, 0, DesktopImg->Picture().width(), DesktopImg->Picture().height()};
    DesktopImg->repaint();
}

void TMainForm::Deselect1Click()
{
    if (selectedIndex() < 0)
        return;
    G().SelectionRect = Rect{};
    PanBtn->setLatched(false);
    SelectBtn->setLatched(false);
    DesktopImg->repaint(); // the mouse mode stays: bands still select, unmarked
}

// --- Clipboard and undo ------------------------------------------------------

void TMainForm::Copy1Click()
{
    if (!SelectBtn->isLatched() || noElementSelected())
        return;
    // The marquee's paint limits the selection too; a window that has not
    // painted since the band was dragged must copy the same block.
    limitSelectionToPicture();
    DesktopImg->CopyRectToClipboard(G().SelectionRect);
}

void TMainForm::Delete1Click()
{
    if (!SelectBtn->isLatched() || noElementSelected())
        return;
    limitSelectionToPicture();
    DesktopImg->FillArea(G().SelectionRect, quint32(kDeleteColor)); // takes the undo snapshot
    ApplyBtn->setEnabled(true);
}

void TMainForm::Cut1Click()
{
    Copy1Click();
    Delete1Click();
}

void TMainForm::Paste1Click()
{
    // Only where an applied edit can land: never into a group's preview.
    if (noElementSelected())
        return;
    const QImage pasted = pictureFromClipboard();
    if (pasted.isNull())
        return;
    QImage picture = DesktopImg->Picture();
    DesktopImg->setUndoBitmap(picture);
    // Top-left aligned; the picture keeps its size, and where the pasted
    // picture is smaller the pixels beyond it stay as they were.
    blockCopy(picture, 0, 0, picture.width(), picture.height(), pasted, 0, 0);
    DesktopImg->assignPicture(picture);
    ApplyBtn->setEnabled(true);
    DesktopImg->repaint();
}

void TMainForm::Undo1Click()
{
    if (noElementSelected())
        return;
    DesktopImg->RestoreUndo(); // a second undo redoes; ApplyBtn stays as it is
}

// --- Colour swatches -----------------------------------------------------------

QColor TMainForm::askColor(const QColor &initial)
{
    try {
        return services().chooseColor(this, initial);
    } catch (...) {
        services().messageBox(this, QStringLiteral("Vorlix"),
                              QStringLiteral("Color selection dialog failed to load"), MsgIcon::None,
                              MsgButtons::Ok);
        return {};
    }
}

void TMainForm::chooseSwatchColor(TPaintBox *box)
{
    const QColor chosen = askColor(colorFromNumber(box->Color()));
    if (chosen.isValid())
        box->setColorNumber(numberFromColor(chosen));
    box->repaint();
}

void TMainForm::pbForeDblClick()
{
    chooseSwatchColor(pbFore);
}

void TMainForm::pbBackDblClick()
{
    chooseSwatchColor(pbBack);
}

void TMainForm::exchClrClick()
{
    const ColorNumber fore = pbFore->Color();
    pbFore->setColorNumber(pbBack->Color());
    pbBack->setColorNumber(fore);
    pbFore->repaint();
    pbBack->repaint();
}

} // namespace vorlix
