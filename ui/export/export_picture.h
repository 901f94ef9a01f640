// What the save-as window writes: the captured picture at one logical pixel
// per pixel (38 pixels per canvas unit), and, where the canvas can draw the
// captured region again, the way to draw it at any scale onto any paint
// device (a larger image, an SVG generator, a PDF writer, a printer).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <functional>

#include "ui/export/export_format.h"

class QPainter;

// Draws part of a region (logical pixels) with the part's upper-left corner
// at the painter's origin, one logical pixel covering `scale` device units.
using RegionDrawer = std::function<void(QPainter& painter, const QRect& part, double scale)>;
// The same part drawn into a new white image of its size times scale.
using RegionImager = std::function<QImage(const QRect& part, double scale)>;

struct ExportPicture {
  QImage picture;     // the captured pixels, at scale 1
  RegionDrawer draw;  // parts relative to the picture; empty: only the pixels exist
  RegionImager image; // the quicker way to larger pixels, where there is one

  QSize logicalSize() const { return picture.size(); }
};

// The sizes the save-as window offers, as multiples of the screen size.
inline constexpr int EXPORT_SCALES[] = {1, 2, 4};

// The picture at `scale` times its size. Scale 1 is the captured picture
// itself; larger ones are drawn again (enlarged pixels only when nothing can
// draw the region). A null image when it cannot be made.
QImage pictureAtScale(const ExportPicture& source, int scale);

// The file's bytes in the format; raster formats at `scale`, vector ones at
// true size (one canvas centimetre is one centimetre). Empty on failure.
QByteArray encodePicture(const ExportPicture& source, ExportFormat format, int scale);
