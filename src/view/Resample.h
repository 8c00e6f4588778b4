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
//
// Along each axis the first and last pixels of source and result line up
// (scale (m - 1) / (n - 1) for n source and m result pixels); a single source
// or result pixel uses the size ratio m / n instead, and a single result pixel
// sits on the first source pixel. Edges are mirrored, and where the kernel
// reaches beyond the mirror image the edge pixel is repeated. The weights of
// every result position are scaled to sum to 1, so a flat colour comes out
// exactly as it went in. The result is
// bit for bit that of a plain two-pass evaluation in floats, each sum adding
// its contributors in order. Running out of memory throws VorlixError too.
QImage Resample(const QImage &source, int width, int height, int radius = 3);

} // namespace vorlix
