#pragma once
// Smooth resize: a separable two-pass Lanczos filter on 24-bit pictures.
// Pure pixel code; no widgets, no painter.
#include <QImage>

namespace vorlix {

// Returns source resized to width x height with the Lanczos kernel of the
// given radius (3 for the editor's smooth resize). The result is
// QImage::Format_BGR888. Throws VorlixError("Source bitmap too small") when the
// source has no width or height. A width or height below 1 gives an empty
// picture.
QImage Resample(const QImage &source, int width, int height, int radius = 3);

} // namespace vorlix
