#pragma once
// The drawing tools' pixel work on a 24-bit picture (QImage::Format_BGR888):
// lines, rectangle outlines, flood fill and grayscale. No widgets here; the
// view only maps the mouse to picture pixels and calls these.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

namespace vorlix {

// Sets one pixel; points outside the picture are left alone.
void plotPixel(QImage &picture, QPoint p, const QColor &color);

// A one-pixel line from a to b, both ends included, without gaps: each step
// moves to one of the eight neighbours. Whatever lies outside the picture is
// not drawn.
void drawLine(QImage &picture, QPoint a, QPoint b, const QColor &color);

// The outline of the rectangle with corners a and b, both corners included
// whichever way round they come, one pixel wide, clipped to the picture.
void drawRectOutline(QImage &picture, QPoint a, QPoint b, const QColor &color);

// Replaces the colour at seed in the area connected to it through edges
// (up, down, left, right; never across a corner) by color. False when
// nothing changed: seed outside the picture, or already that colour.
bool floodFill(QImage &picture, QPoint seed, const QColor &color);

// Every pixel of area (clipped to the picture) becomes grey of its luma,
// 0.299 R + 0.587 G + 0.114 B rounded to the nearest integer. An invalid
// or empty area means the whole picture.
void grayscale(QImage &picture, QRect area = QRect());

} // namespace vorlix
