// Editing in the view: pan and select modes, the drawing tools, the
// marquee, clipboard, undo, grayscale, screen capture and the colour
// swatches.
#include "mainwindow/MainForm.h"

#include "platform/Blit.h"
#include "platform/Clipboard.h"
#include "platform/ColorNumber.h"
#include "platform/DesktopServices.h"
#include "platform/Errors.h"
#include "platform/WindowFocus.h"
#include "skin/GlobalVar.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>

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
    wire(DesktopImg, &TOImage::OnStroke, &TMainForm::DesktopImgStroke);
    wire(DesktopImg, &TOImage::OnStrokeEnd, &TMainForm::DesktopImgStrokeEnd);
    connect(DesktopImg, &TOImage::OnColorPicked, this,
            [this](TOImage::TMouseButton b, QColor c) { guarded([&] { DesktopImgColorPicked(b, c); }); });

    // Plain letters, so they don't meet the Edit menu's Ctrl shortcuts; they
    // act anywhere in the window but in the playlist font's box, which
    // takes typed letters first.
    const struct { TSpeedButton *button; Qt::Key key; const char *name; } keys[] = {
        {PencilBtn, Qt::Key_P, "PencilKey"}, {LineBtn, Qt::Key_L, "LineKey"},
        {RectBtn, Qt::Key_R, "RectKey"},     {FillBtn, Qt::Key_F, "FillKey"},
        {PickerBtn, Qt::Key_I, "PickerKey"},
    };
    for (const auto &k : keys) {
        auto *a = new QAction(this);
        a->setObjectName(QLatin1String(k.name));
        a->setShortcut(QKeySequence(k.key));
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        TSpeedButton *button = k.button;
        connect(a, &QAction::triggered, this, [this, button] {
            guarded([this, button] {
                if (!button->isLatched()) // as a click on a button that is up
                    DrawToolClick(button);
            });
        });
        ToolKeys.append(a);
    }
    for (const auto &[button, mode] : drawTools()) {
        TSpeedButton *b = button;
        connect(b, &QAbstractButton::clicked, this, [this, b] { guarded([this, b] { DrawToolClick(b); }); });
    }
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
    for (QAction *a : {Cut1, Copy1, Paste1, Delete1, SelectAll1, Deselect1, Grayscale1, CaptureImage1})
        a->setEnabled(editable);
    updateHistoryCommands(); // undo and redo reach any element
    // Nothing to draw on: the tools grey out, and one that was chosen lets
    // go, as Select does on a group.
    for (const auto &[button, mode] : drawTools()) {
        button->setEnabled(editable);
        if (!editable && button->isLatched()) {
            button->setLatched(false);
            DesktopImg->setMouseMode(TOImage::mmOther);
        }
    }
    for (QAction *a : ToolKeys)
        a->setEnabled(editable);
}

QList<QPair<TSpeedButton *, TOImage::TMouseMode>> TMainForm::drawTools() const
{
    return {{PencilBtn, TOImage::mmPencil},
            {LineBtn, TOImage::mmLine},
            {RectBtn, TOImage::mmRectangle},
            {FillBtn, TOImage::mmFill},
            {PickerBtn, TOImage::mmPicker}};
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
    // The tools draw in the swatches' colours as they are at the press.
    DesktopImg->setDrawColors(colorFromNumber(pbFore->Color()), colorFromNumber(pbBack->Color()));
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
    const StepScope step(this, QStringLiteral("Delete"));
    DesktopImg->FillArea(G().SelectionRect, quint32(kDeleteColor));
    ApplyBtn->setEnabled(true);
}

void TMainForm::Cut1Click()
{
    const StepScope step(this, QStringLiteral("Cut"));
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
    const StepScope step(this, QStringLiteral("Paste"));
    pasteIntoView(pasted);
}

void TMainForm::pasteIntoView(const QImage &pasted)
{
    QImage picture = DesktopImg->Picture();
    DesktopImg->setUndoBitmap(picture);
    // Top-left aligned; the picture keeps its size, and where the pasted
    // picture is smaller the pixels beyond it stay as they were.
    blockCopy(picture, 0, 0, picture.width(), picture.height(), pasted, 0, 0);
    DesktopImg->assignPicture(picture);
    ApplyBtn->setEnabled(true);
    DesktopImg->repaint();
}

// --- Drawing tools -------------------------------------------------------------

void TMainForm::DrawToolClick(TSpeedButton *button)
{
    if (noElementSelected()) {
        button->setLatched(false);
        return;
    }
    for (const auto &[b, mode] : drawTools())
        if (b == button)
            DesktopImg->setMouseMode(mode);
    // The marquee belongs to Select Mode; a selection kept from it is not
    // shown while drawing, so it must not limit Grayscale either.
    G().SelectionRect = Rect{};
    button->setLatched(true); // releases the other tools, Pan and Select
    DesktopImg->update();
}

void TMainForm::DesktopImgStroke()
{
    if (noElementSelected())
        return;
    // The stroke is one step from its press to its release; the picture
    // before it is the view's snapshot taken at the press.
    QString tool = QStringLiteral("Drawing");
    switch (DesktopImg->MouseMode()) {
    case TOImage::mmPencil: tool = QStringLiteral("Pencil"); break;
    case TOImage::mmLine: tool = QStringLiteral("Line"); break;
    case TOImage::mmRectangle: tool = QStringLiteral("Rectangle"); break;
    case TOImage::mmFill: tool = QStringLiteral("Fill"); break;
    default: break;
    }
    if (!m_history.isOpen())
        beginStep(tool, &DesktopImg->UndoBitmap());
    ApplyBtn->setEnabled(true);
}

void TMainForm::DesktopImgColorPicked(TOImage::TMouseButton button, const QColor &color)
{
    TPaintBox *box = button == TOImage::mbRight ? pbBack : pbFore;
    box->setColorNumber(numberFromColor(color));
    box->repaint();
}

void TMainForm::Grayscale1Click()
{
    if (noElementSelected())
        return;
    Rect area; // empty: the whole picture
    if (SelectBtn->isLatched()) {
        limitSelectionToPicture();
        area = G().SelectionRect;
    }
    const StepScope step(this, QStringLiteral("Grayscale"));
    DesktopImg->Grayscale(area);
    ApplyBtn->setEnabled(true);
    DesktopImg->repaint();
}

void TMainForm::CaptureImage1Click()
{
    if (noElementSelected())
        return;
    // Where no program may read the screen, say so with everything left in
    // place: a hidden window comes back wherever the compositor puts it.
    QString refusal = services().screenReadRefusal();
    if (!refusal.isEmpty()) {
        services().messageBox(this, QStringLiteral("Vorlix"), refusal, MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    QImage captured;
    {
        // Vorlix's windows (this one, the preview, the manual) step aside so
        // that what lies under them can be taken, and come back whatever
        // happens.
        struct Hidden
        {
            QList<QPointer<QWidget>> windows;
            QWidget *main;
            explicit Hidden(QWidget *mainWindow) : main(mainWindow)
            {
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (w->isVisible() && (w == main || w->parentWidget() == main))
                        windows << w;
                for (QWidget *w : windows)
                    w->hide();
            }
            ~Hidden()
            {
                for (QWidget *w : windows)
                    if (w)
                        w->show();
                if (windows.contains(main)) {
                    main->raise();
                    main->activateWindow();
                }
            }
        } hidden(this);
        try {
            captured = services().captureScreenRegion(this);
        } catch (const VorlixError &e) {
            refusal = e.message();
        }
    }
    if (!refusal.isEmpty()) { // said with the windows back
        services().messageBox(this, QStringLiteral("Vorlix"), refusal, MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    if (captured.isNull() || captured.width() < 1 || captured.height() < 1)
        return; // cancelled
    const StepScope step(this, QStringLiteral("Capture"));
    pasteIntoView(captured.convertToFormat(QImage::Format_BGR888));
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
