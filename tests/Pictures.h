#pragma once
// Small pictures for tests.
#include <QColor>
#include <QImage>

// Every pixel tells its own column and row, so a shifted, flipped or
// mis-scaled copy shows. The blue channel's top bit keeps them all apart from
// the plain colours the tests fill with.
inline QImage patterned(int w, int h)
{
    QImage img(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, QColor(x & 255, y & 255, 0x80 | ((x >> 8) & 7) | (((y >> 8) & 7) << 3)));
    return img;
}

inline QImage uniform(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_BGR888);
    img.fill(c);
    return img;
}

// Nearest-neighbour reference: destination index i of n samples source index
// floor((2i + 1) * m / (2n)) of m.
inline QImage sharpReference(const QImage &src, int w, int h)
{
    QImage out(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixelColor(x, y, src.pixelColor(int((2LL * x + 1) * src.width() / (2LL * w)),
                                                   int((2LL * y + 1) * src.height() / (2LL * h))));
    return out;
}
