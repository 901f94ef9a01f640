#include "canvas/smooth_band.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

struct Pixels {
  uchar* bits;
  qsizetype stride;
  QRect area;  // where pixels may be written
  QRgb* at(int x, int y) const { return reinterpret_cast<QRgb*>(bits + y * stride) + x; }
};

// `alpha` of 256 parts of the colour over the pixel.
inline void blend(QRgb* pixel, QRgb colour, unsigned alpha) {
  if (alpha >= 256) {
    *pixel = colour;
    return;
  }
  const QRgb under = *pixel;
  const unsigned rb = (((colour & 0xff00ffu) * alpha + (under & 0xff00ffu) * (256 - alpha)) >> 8) & 0xff00ffu;
  const unsigned g = (((colour & 0xff00u) * alpha + (under & 0xff00u) * (256 - alpha)) >> 8) & 0xff00u;
  *pixel = 0xff000000u | rb | g;
}

// Major-axis coordinate u and minor v of a point.
template <bool XMajor>
double majorOf(QPointF p) {
  return XMajor ? p.x() : p.y();
}
template <bool XMajor>
double minorOf(QPointF p) {
  return XMajor ? p.y() : p.x();
}

// The pixel lines across the major axis whose centres lie in [a, b) going
// forwards, or in (b, a] going backwards, limited to [low, high].
struct LineRange {
  int first, last;
};
LineRange centresBetween(double a, double b, int low, int high) {
  double first, last;
  if (b > a) {
    first = std::ceil(a - 0.5);
    last = std::ceil(b - 0.5) - 1;
  } else {
    first = std::floor(b - 0.5) + 1;
    last = std::floor(a - 0.5);
  }
  first = std::max(first, static_cast<double>(low));
  last = std::min(last, static_cast<double>(high));
  if (!(first <= last)) return {1, 0};
  return {static_cast<int>(first), static_cast<int>(last)};
}

// Positions across the major axis in fixed point, 2^-24 of a pixel: a step
// per pixel line adds up to less than a thousandth of a pixel over the
// widest picture, and no rounding to whole pixels goes through the
// floating-point unit.
constexpr int FRACTION = 24;
constexpr std::int64_t ONE = std::int64_t{1} << FRACTION;

std::int64_t toFixed(double v) { return std::llround(std::clamp(v, -1.0e9, 1.0e9) * static_cast<double>(ONE)); }

template <bool XMajor>
void laySegment(const Pixels& px, QRgb colour, QPointF a, QPointF b, double halfWidth) {
  const double au = majorOf<XMajor>(a), av = minorOf<XMajor>(a);
  const double du = majorOf<XMajor>(b) - au;
  if (du == 0) return;
  const double slope = (minorOf<XMajor>(b) - av) / du;
  // Across the major axis the band is wider than the pen as it slopes.
  const double half = halfWidth * std::sqrt(1 + slope * slope);
  const QRect& area = px.area;
  const LineRange lines = XMajor ? centresBetween(au, au + du, area.left(), area.right())
                                 : centresBetween(au, au + du, area.top(), area.bottom());
  if (lines.first > lines.last) return;
  const std::int64_t low = XMajor ? area.top() : area.left(), high = XMajor ? area.bottom() : area.right();
  const double centre = av + (lines.first + 0.5 - au) * slope;
  std::int64_t from = toFixed(centre - half), to = toFixed(centre + half);
  const std::int64_t step = toFixed(slope);
  // Reading the pixels under the band is most of the cost: a large picture
  // is mostly out of the caches, so the pixels a few lines ahead are asked
  // for early (two cache lines of pixels along a row, eight rows down a steep
  // segment).
  constexpr int AHEAD = XMajor ? 32 : 8;
  const int lastAhead = lines.last - AHEAD;
  for (int c = lines.first; c <= lines.last; ++c, from += step, to += step) {
    if (c <= lastAhead) {
      const auto at = static_cast<int>(std::clamp((from + AHEAD * step) >> FRACTION, low, high));
      __builtin_prefetch(XMajor ? px.at(c + AHEAD, at) : px.at(at, c + AHEAD), 1);
    }
    const std::int64_t first = std::max(from >> FRACTION, low), last = std::min((to - 1) >> FRACTION, high);
    for (std::int64_t j = first; j <= last; ++j) {
      const std::int64_t cover = std::min((j + 1) << FRACTION, to) - std::max(j << FRACTION, from);
      const auto alpha = static_cast<unsigned>((cover + (ONE >> 9)) >> (FRACTION - 8));
      const int row = static_cast<int>(j);
      if (alpha != 0) blend(XMajor ? px.at(c, row) : px.at(row, c), colour, alpha);
    }
  }
}

QPointF beyond(QPointF from, QPointF to, double distance) {
  const QPointF d = to - from;
  return to + d * (distance / std::hypot(d.x(), d.y()));
}

// points[0..count) all slope along one major axis; the first and the last
// segment are not empty.
template <bool XMajor>
void layPiece(const Pixels& px, QRgb colour, const QPointF* points, int count, double halfWidth) {
  for (int k = 0; k + 1 < count; ++k) {
    const QPointF a = k == 0 ? beyond(points[1], points[0], halfWidth) : points[k];
    const QPointF b = k + 2 == count ? beyond(points[k], points[k + 1], halfWidth) : points[k + 1];
    laySegment<XMajor>(px, colour, a, b, halfWidth);
  }
}

bool empty(QPointF d) { return d.x() == 0 && d.y() == 0; }
bool runsAcross(QPointF d) { return std::fabs(d.x()) >= std::fabs(d.y()); }

}  // namespace

void laySmoothBand(QImage& image, const QRect& allowed, QRgb colour, const QPointF* points, int count,
                   double width) {
  const QRect area = allowed & image.rect();
  if (area.isEmpty() || image.format() != QImage::Format_RGB32) return;
  const Pixels px{image.bits(), image.bytesPerLine(), area};
  colour |= 0xff000000u;
  const double halfWidth = width / 2;
  for (int i = 0; i + 1 < count;) {
    const QPointF d = points[i + 1] - points[i];
    if (empty(d) || !std::isfinite(d.x() + d.y())) {
      ++i;
      continue;
    }
    const bool across = runsAcross(d);
    // The piece ends at the last point that a non-empty segment along the
    // same major axis reaches.
    int end = i + 1;
    for (int j = i + 1; j + 1 < count; ++j) {
      const QPointF e = points[j + 1] - points[j];
      if (empty(e)) continue;
      if (!std::isfinite(e.x() + e.y()) || runsAcross(e) != across) break;
      end = j + 1;
    }
    if (across) {
      layPiece<true>(px, colour, points + i, end - i + 1, halfWidth);
    } else {
      layPiece<false>(px, colour, points + i, end - i + 1, halfWidth);
    }
    i = end;
  }
}
