#pragma once
// Pixel transfers between pictures. Pictures are 24-bit
// (QImage::Format_BGR888); screen frames may be QImage::Format_RGB32, and
// either may be source or destination. Other formats are left untouched.
// Both functions clip: pixels outside either picture are neither read nor
// written, so callers may pass rectangles that reach past an edge.
class QImage;

namespace vorlix {

// Plain source copy of a w x h block from (sx, sy) of src to (dx, dy) of dst.
// Where the source block lies outside src, the destination keeps its pixels.
void blockCopy(QImage &dst, int dx, int dy, int w, int h,
               const QImage &src, int sx, int sy);

// The source index stretchCopy samples for destination pixel i of dn, with
// sn source pixels (both positive).
long long stretchSourceIndex(long long i, long long dn, long long sn);

// Nearest-neighbour stretch of the source rectangle (sx, sy, sw, sh) onto the
// destination rectangle (dx, dy, dw, dh); no blending. Destination pixel i
// samples source pixel floor((2i + 1) * sw / (2 * dw)). A negative extent
// mirrors that axis: the rectangle then runs from x + extent to x.
void stretchCopy(QImage &dst, int dx, int dy, int dw, int dh,
                 const QImage &src, int sx, int sy, int sw, int sh);

} // namespace vorlix
