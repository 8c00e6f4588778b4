// TOImage's edits of its own picture: rectangle copy and fill, resize, and
// whole-picture cut, copy and paste with their keys.
#include "view/OImage.h"

#include "platform/Blit.h"
#include "platform/Clipboard.h"
#include "platform/ColorNumber.h"
#include "platform/Errors.h"
#include "view/Drawing.h"
#include "view/Resample.h"

#include <QKeyEvent>

#include <algorithm>
#include <climits>

namespace vorlix {

namespace {

// Rectangles arrive in drag order.
Rect normalised(const Rect &r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

VorlixError noMemory()
{
    return VorlixError(QStringLiteral("Not enough memory for a picture of that size"));
}

// A blank 24-bit picture; throws when it can't be had.
QImage blankPicture(long long width, long long height)
{
    QImage image;
    if (width <= INT_MAX && height <= INT_MAX)
        image = QImage(int(width), int(height), QImage::Format_BGR888);
    if (image.isNull())
        throw noMemory();
    image.fill(Qt::black);
    return image;
}

} // namespace

void TOImage::CopyRectToClipboard(Rect r)
{
    const Rect n = normalised(r);
    const long long w = static_cast<long long>(n.Right) - n.Left;
    const long long h = static_cast<long long>(n.Bottom) - n.Top;
    if (w == 0 || h == 0)
        return;
    // Parts beyond the picture keep the blank picture's black.
    QImage block = blankPicture(w, h);
    if (hasPicture())
        blockCopy(block, 0, 0, block.width(), block.height(), m_picture, n.Left, n.Top);
    putPictureOnClipboard(block);
}

void TOImage::FillArea(Rect r, quint32 colorBgr)
{
    FillArea(r, colorFromNumber(ColorNumber(colorBgr)));
}

void TOImage::FillArea(Rect r, const QColor &color)
{
    if (m_undo)
        SaveUndo();
    const Rect n = normalised(r);
    const int x0 = std::max(0, n.Left);
    const int y0 = std::max(0, n.Top);
    const int x1 = std::min(m_picture.width(), n.Right);
    const int y1 = std::min(m_picture.height(), n.Bottom);
    if (x0 < x1 && y0 < y1) {
        if (m_picture.format() != QImage::Format_BGR888)
            m_picture = m_picture.convertToFormat(QImage::Format_BGR888);
        const uchar pixel[3] = {uchar(color.blue()), uchar(color.green()), uchar(color.red())};
        for (int y = y0; y < y1; ++y) {
            uchar *d = m_picture.scanLine(y) + qsizetype(x0) * 3; // detaches from the snapshot
            for (int x = x0; x < x1; ++x, d += 3)
                std::copy(pixel, pixel + 3, d);
        }
    }
    pictureChanged();
}

void TOImage::ResizePicture(int width, int height, int mode)
{
    if (m_undo)
        SaveUndo();
    QImage resized;
    if (width >= 1 && height >= 1) {
        if (mode == 1) {
            resized = Resample(m_picture, width, height, 3);
            if (resized.isNull())
                throw noMemory();
        } else {
            resized = blankPicture(width, height);
            stretchCopy(resized, 0, 0, width, height, m_picture, 0, 0, m_picture.width(),
                        m_picture.height());
        }
    } else if (mode == 1 && !hasPicture()) {
        // The same refusal as for a usable size, so the outcome doesn't
        // depend on the requested size.
        throw VorlixError(QStringLiteral("Source bitmap too small"));
    }
    m_picture = resized.format() == QImage::Format_BGR888 || resized.isNull()
        ? resized
        : resized.convertToFormat(QImage::Format_BGR888);
    pictureChanged();
}

void TOImage::CopyToClipboard()
{
    if (hasPicture())
        putPictureOnClipboard(m_picture);
}

void TOImage::CutToClipboard()
{
    if (!hasPicture())
        return;
    CopyToClipboard();
    if (m_undo)
        SaveUndo();
    m_picture = QImage();
    pictureChanged();
}

void TOImage::PasteFromClipboard()
{
    const QImage picture = pictureFromClipboard();
    if (picture.isNull())
        return;
    if (m_undo)
        SaveUndo();
    m_picture = picture;
    pictureChanged();
    if (m_drawStyle == dsStretchRatio)
        FitRatio();
}

// --- Keys ------------------------------------------------------------------------

TOImage::ClipboardKey TOImage::clipboardKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods.testFlag(Qt::ShiftModifier);
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    const bool alt = mods.testFlag(Qt::AltModifier);
    switch (event->key()) {
    case Qt::Key_Insert:
        if (shift) // before Ctrl: Ctrl+Shift+Insert pastes
            return ClipboardKey::Paste;
        return ctrl ? ClipboardKey::Copy : ClipboardKey::None;
    case Qt::Key_Delete:
        return shift ? ClipboardKey::Cut : ClipboardKey::None;
    // The control characters 3, 24 and 22; Alt+Ctrl types other characters.
    case Qt::Key_C:
        return ctrl && !alt ? ClipboardKey::Copy : ClipboardKey::None;
    case Qt::Key_X:
        return ctrl && !alt ? ClipboardKey::Cut : ClipboardKey::None;
    case Qt::Key_V:
        return ctrl && !alt ? ClipboardKey::Paste : ClipboardKey::None;
    default:
        return ClipboardKey::None;
    }
}

bool TOImage::event(QEvent *event)
{
    // With the focus here, these keys are ours even if a window shortcut
    // uses them too.
    if (event->type() == QEvent::ShortcutOverride
        && clipboardKey(static_cast<QKeyEvent *>(event)) != ClipboardKey::None) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TOImage::keyPressEvent(QKeyEvent *event)
{
    switch (clipboardKey(event)) {
    case ClipboardKey::Copy:
        CopyToClipboard();
        break;
    case ClipboardKey::Cut:
        CutToClipboard();
        break;
    case ClipboardKey::Paste:
        PasteFromClipboard();
        break;
    case ClipboardKey::None:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace vorlix

// --- Drawing ---------------------------------------------------------------------
// (The namespace is reopened: these belong with the other edits.)
namespace vorlix {

void TOImage::setDrawColors(const QColor &fore, const QColor &back)
{
    m_foreColor = fore;
    m_backColor = back;
}

void TOImage::Grayscale(Rect r)
{
    if (m_undo)
        SaveUndo();
    const Rect n = normalised(r);
    QRect area;
    if (n.Right > n.Left && n.Bottom > n.Top)
        area = QRect(QPoint(n.Left, n.Top), QPoint(n.Right - 1, n.Bottom - 1));
    grayscale(m_picture, area);
    pictureChanged();
}

void TOImage::startStroke(QPoint client, TMouseButton button)
{
    if (!hasPicture())
        return;
    const QPoint p = clientToPicture(client);
    const QColor color = button == mbRight ? m_backColor : m_foreColor;
    if (m_mouseMode == mmPicker) {
        const QRect whole(0, 0, m_picture.width(), m_picture.height());
        if (whole.contains(p))
            emit OnColorPicked(button, QColor(m_picture.pixel(p)));
        return;
    }
    if (m_mouseMode == mmFill) {
        // Try on a copy first: a click that changes nothing costs no undo step.
        QImage filled = m_picture;
        if (!floodFill(filled, p, color))
            return;
        if (m_undo)
            SaveUndo();
        m_picture = filled;
        pictureChanged();
        emit OnStroke();
        emit OnStrokeEnd();
        return;
    }
    if (m_undo)
        SaveUndo();
    m_strokeButton = int(button);
    m_strokeMode = m_mouseMode;
    m_strokeColor = color;
    m_strokeStart = m_strokeLast = p;
    m_strokeBase = m_picture;
    continueStroke(client);
    emit OnStroke();
}

void TOImage::continueStroke(QPoint client)
{
    if (!isStroking())
        return;
    const QPoint p = clientToPicture(client);
    switch (m_strokeMode) {
    case mmPencil:
        drawLine(m_picture, m_strokeLast, p, m_strokeColor);
        break;
    case mmLine:
        m_picture = m_strokeBase;
        drawLine(m_picture, m_strokeStart, p, m_strokeColor);
        break;
    case mmRectangle:
        m_picture = m_strokeBase;
        drawRectOutline(m_picture, m_strokeStart, p, m_strokeColor);
        break;
    default:
        break;
    }
    m_strokeLast = p;
    update();
}

void TOImage::endStroke()
{
    const bool was = isStroking();
    m_strokeButton = -1;
    m_strokeBase = QImage();
    pictureChanged();
    if (was)
        emit OnStrokeEnd();
}

} // namespace vorlix
