#pragma once
// Window shapes: the stored region record (a length, then a region-data
// header and its rectangles, little-endian) and the shape computed from a
// picture by cutting out one colour.
#include <QByteArrayView>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <optional>

namespace vorlix {

struct StoredRegion
{
    enum Kind {
        ComputeFromPicture, // the stored length is 0: no stored shape
        Rectangles,         // a well-formed record
        Invalid             // nothing usable: apply no shape
    };
    Kind kind = Invalid;
    QRect bounds;       // the record's bounding box
    QList<QRect> rects; // the record's rectangles, in stored order
    // The union of the non-empty rectangles.
    QRegion region() const;
};

// Parses a stored shape: 4 bytes of length, then that many bytes of a 32-byte
// header (size 32, type 1 = rectangles, count, size of the rectangle data,
// bounding box) and count rectangles of four signed 32-bit numbers (left,
// top, right, bottom; right and bottom exclusive). Bytes after the stated
// length are ignored.
StoredRegion parseStoredRegion(QByteArrayView data);

// The shape of a picture: every pixel whose colour, read as
// red + 256 * green + 65536 * blue, equals transparentColor exactly is cut
// out; the rest is the union of one-row runs. A picture of width or height 0
// gives no shape (std::nullopt), meaning "leave the window rectangular".
std::optional<QRegion> shapeFromPicture(const QImage &picture, std::uint32_t transparentColor);

} // namespace vorlix
