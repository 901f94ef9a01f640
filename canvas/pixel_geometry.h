// Pixel arithmetic shared by the screen picture and every rendering of it:
// colours of the canvas interface as QColor, rounding to whole pixels, and the
// far-off limit that keeps a curve shooting off to 10^12 from overflowing an int.
#pragma once

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace canvas_pixels {

// Red in the low byte, then green, then blue.
inline QColor toQColor(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

// Pixel positions further out than this are pulled in along their line before
// rounding, whatever the scale of the target.
inline constexpr double FAR_PIXELS = 1.0e6;

// Cuts the segment to the square |x|, |y| <= FAR_PIXELS (Liang-Barsky).
// Returns false when nothing of it lies inside.
inline bool clipFar(double& x1, double& y1, double& x2, double& y2) {
  if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) return false;
  const double dx = x2 - x1, dy = y2 - y1;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 + FAR_PIXELS, FAR_PIXELS - x1, y1 + FAR_PIXELS, FAR_PIXELS - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  const double ox = x1, oy = y1;
  x1 = ox + t0 * dx;
  y1 = oy + t0 * dy;
  x2 = ox + t1 * dx;
  y2 = oy + t1 * dy;
  return true;
}

// Rounds half up; v is finite and within FAR_PIXELS.
inline int toPixelInt(double v) {
  const double h = v + 0.5;
  const int i = static_cast<int>(h);  // towards zero
  return i - (i > h);
}

// Whitens a picture. White is all bits set in the 32-bit formats, which the C
// library's memset writes at full memory speed; a redraw at device ratio 2
// whitens 30 MB, where Qt's own fill is markedly slower.
inline void whiten(QImage& image) {
  const QImage::Format f = image.format();
  if ((f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied) &&
      image.bytesPerLine() == image.width() * 4) {
    std::memset(image.bits(), 0xFF, static_cast<std::size_t>(image.sizeInBytes()));
  } else {
    image.fill(Qt::white);
  }
}

}  // namespace canvas_pixels
