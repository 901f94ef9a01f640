// A smooth polyline in a thin pen, written straight into a picture of 32-bit
// opaque pixels.
//
// Qt's antialiased pens wider than one pixel go through its general path
// filler, and a pair of one-pixel lines blends most pixels twice over, span by
// span: at a device ratio of 2 that was the better part of a redraw. Here each
// segment is a band of the pen's width about the line, laid column by column
// along its major axis: in each column (row, for a steep segment) the band
// covers an interval of the minor axis, and every pixel gets the part of that
// interval that falls inside it, blended over what is there.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>

// Lays the polyline `points[0..count)` in `colour` with a pen `width` device
// pixels wide (up to about 3: the bands meet without joins), inside
// `allowed` (device pixels of `image`, which holds QImage::Format_RGB32; an
// image of any other format is left alone). A device position u lies in
// pixel floor(u).
//
// Pixel centres along the major axis belong to the segment that starts at or
// before them and ends after them, so a joint is laid once; the polyline is
// cut where its segments change their major axis, and each piece is made
// longer by half the width at both ends, as a square cap is.
void laySmoothBand(QImage& image, const QRect& allowed, QRgb colour, const QPointF* points, int count, double width);
