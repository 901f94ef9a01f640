#include "canvas/canvas_painter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>

#include "canvas/pixel_geometry.h"
#include "canvas/smooth_band.h"

using canvas_pixels::clipFar;
using canvas_pixels::FAR_PIXELS;
using canvas_pixels::toPixelInt;
using canvas_pixels::toQColor;

namespace {

inline bool near(double v) { return v > -FAR_PIXELS && v < FAR_PIXELS; }

// Segments gathered before they go to the painter together: enough to spread
// the painter's cost per call, few enough to stay in the cache.
constexpr std::size_t MAX_PENDING = 2048;

bool isRaster(const QPaintDevice* device) {
  if (!device) return false;
  const int type = device->devType();
  return type == QInternal::Image || type == QInternal::Pixmap || type == QInternal::Widget;
}

}  // namespace

CanvasPainter::CanvasPainter(const QFont& font) : font_(font), deviceFont_(font) {
  lineHeight_ = QFontMetricsF(font_).height();
}

CanvasPainter::~CanvasPainter() { end(); }

void CanvasPainter::drawInto(QImage* image, const Target& target) {
  end();
  image_ = image;
  external_ = nullptr;
  target_ = target;
  raster_ = true;
  clipped_ = false;
  origin_ = target.region.topLeft();
  scale_ = target.scale;
  unitScale_ = scale_ == 1.0;
  updateCullMargin();
  deviceWidth_ = std::max(1, static_cast<int>(std::ceil(target.region.width() * scale_)));
  deviceHeight_ = std::max(1, static_cast<int>(std::ceil(target.region.height() * scale_)));
  deviceFont_ = font_;
  if (!unitScale_) deviceFont_.setPixelSize(std::max(1, static_cast<int>(std::lround(font_.pixelSize() * scale_))));
  texts_.clear();
  run_.forget();
  chain_ = Chain{};
  drawn_.markAll();  // a new picture: what it holds is not known
}

void CanvasPainter::drawThrough(QPainter* painter, const Target& target) {
  drawInto(nullptr, target);
  external_ = painter;
  raster_ = isRaster(painter->device());
  painter->save();
  penValid_ = false;
  callerClipped_ = painter->hasClipping();
  callerClip_ = callerClipped_ ? painter->clipPath() : QPainterPath();
  // The caller's painter starts out as a fresh one would.
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setFont(deviceFont_);
  if (unitScale_) {
    painter->setClipRect(QRect(QPoint(0, 0), target.region.size()), Qt::IntersectClip);
  } else {
    painter->setClipRect(QRectF(0, 0, target.region.width() * scale_, target.region.height() * scale_),
                         Qt::IntersectClip);
  }
}

QPainter& CanvasPainter::painter() {
  if (external_) return *external_;
  if (!own_) {
    // Drawn in device pixels: a ratio on the image would scale the painter.
    if (image_->devicePixelRatio() != 1.0) image_->setDevicePixelRatio(1.0);
    own_ = std::make_unique<QPainter>(image_);
    own_->setRenderHint(QPainter::Antialiasing, false);
    own_->setFont(deviceFont_);
    // A clip that is the whole picture changes no pixel, but lets the painter
    // write thin lines straight into the picture instead of span by span.
    if (target_.skipInvisible) own_->setClipRect(QRect(0, 0, deviceWidth_, deviceHeight_));
    if (clipped_) clipToPicture(*own_, Qt::ReplaceClip);
    penValid_ = false;
  }
  return *own_;
}

void CanvasPainter::end() {
  flushLines();
  if (own_) {
    own_->end();
    own_.reset();
  }
  if (external_) {
    external_->restore();
    external_ = nullptr;
  }
  penValid_ = false;
}

void CanvasPainter::flush() { flushLines(); }

bool CanvasPainter::whitenDrawn(QImage& image) const {
  if (&image != image_ || drawn_.all() || external_) return false;
  drawn_.whiten(image);
  return true;
}

void CanvasPainter::startClean() { drawn_.reset(deviceWidth_, deviceHeight_); }

void CanvasPainter::DrawnTiles::reset(int width, int height) {
  all_ = false;
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  columns_ = ((width_ - 1) >> SHIFT) + 1;
  rows_ = ((height_ - 1) >> SHIFT) + 1;
  tiles_.assign(static_cast<std::size_t>(columns_ * rows_), 0);
}

// Each run of drawn tiles in a row of tiles is whitened line by line.
void CanvasPainter::DrawnTiles::whiten(QImage& image) const {
  const int width = std::min(width_, image.width()), height = std::min(height_, image.height());
  uchar* const bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  for (int ty = 0; ty < rows_; ++ty) {
    const int top = ty << SHIFT, bottom = std::min(height, (ty + 1) << SHIFT);
    for (int tx = 0; tx < columns_;) {
      if (!tiles_[static_cast<std::size_t>(ty * columns_ + tx)]) {
        ++tx;
        continue;
      }
      const int first = tx;
      while (tx < columns_ && tiles_[static_cast<std::size_t>(ty * columns_ + tx)]) ++tx;
      const int left = first << SHIFT, right = std::min(width, tx << SHIFT);
      if (left >= right) continue;
      for (int y = top; y < bottom; ++y)
        std::memset(bits + y * stride + left * 4, 0xFF, static_cast<std::size_t>(right - left) * 4);
    }
  }
}

// Device pixel positions of the drawing, with a margin for the pen, its caps
// and the smoothing fringe.
void CanvasPainter::markDrawn(double x1, double y1, double x2, double y2, double margin) {
  if (!std::isfinite(x1 + y1 + x2 + y2 + margin)) {
    drawn_.markAll();
    return;
  }
  const auto clampInt = [](double v) { return static_cast<int>(std::clamp(v, -1.0e9, 1.0e9)); };
  drawn_.mark(clampInt(std::floor(std::min(x1, x2) - margin)), clampInt(std::floor(std::min(y1, y2) - margin)),
              clampInt(std::ceil(std::max(x1, x2) + margin)), clampInt(std::ceil(std::max(y1, y2) + margin)));
}

void CanvasPainter::flushLines() {
  if (!path_.isEmpty()) {
    QPainter& p = painter();
    p.setRenderHint(QPainter::Antialiasing, target_.antialiased);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path_);
    p.setRenderHint(QPainter::Antialiasing, false);
    path_.clear();
  }
  endSmoothRun();
  if (crispLines_.empty() && crispPoints_.empty() && smoothRunStarts_.empty()) return;
  QPainter& p = painter();  // always open while segments wait: they were queued through it
  if (!crispLines_.empty()) drawCrispLines(p);
  if (!crispPoints_.empty()) p.drawPoints(crispPoints_.data(), static_cast<int>(crispPoints_.size()));
  if (!smoothRunStarts_.empty()) {
    p.setRenderHint(QPainter::Antialiasing, true);
    drawSmoothRuns(p);
    p.setRenderHint(QPainter::Antialiasing, false);
  }
  crispLines_.clear();
  crispPoints_.clear();
}

// Into a picture of 32-bit pixels of our own, pens up to HAIRLINE_WIDTH
// device pixels (a one-pixel curve at ratio 1 and 2, a two-pixel one at
// ratio 1) are written straight in as bands (smooth_band.h): each pixel is
// read and blended once, and a diagonal gets the ink of its true width.
//
// Through any other painter, a pen of one device pixel draws each run as one
// polyline (two-point runs go together as separate lines, in one call). Qt
// strokes an antialiased pen wider than one pixel through its general path
// filler, many times slower than its one-pixel lines (seconds for a steep
// curve as one polyline): up to HAIRLINE_WIDTH the runs are laid as parallel
// one-pixel lines instead (see layHairlines). Wider pens, whose cores
// parallel lines would leave lighter, stroke each segment.
void CanvasPainter::drawSmoothRuns(QPainter& p) {
  const double w = width_ * scale_;
  const bool bands = w <= HAIRLINE_WIDTH && writesDirectly();
  const bool hairlines = !bands && w > 1.0 && w <= HAIRLINE_WIDTH;
  const QRect area = bands ? directArea() : QRect();
  const QPen pen = p.pen();
  if (hairlines) {
    QPen hair(pen.color(), 1);
    hair.setCosmetic(true);
    hair.setCapStyle(Qt::FlatCap);
    p.setPen(hair);
  }
  lines_.clear();
  smoothRunStarts_.push_back(static_cast<int>(smoothRunPoints_.size()));
  for (std::size_t r = 0; r + 1 < smoothRunStarts_.size(); ++r) {
    const int first = smoothRunStarts_[r], count = smoothRunStarts_[r + 1] - first;
    const QPointF* points = smoothRunPoints_.data() + first;
    if (bands) {
      laySmoothBand(*image_, area, pen.color().rgb(), points, count, w);
    } else if (hairlines) {
      layHairlines(p, points, count, w);
    } else if (count > 2 && w <= 1.0) {
      p.drawPolyline(points, count);
    } else {
      for (int i = 1; i < count; ++i) lines_.emplace_back(points[i - 1], points[i]);
    }
  }
  if (!lines_.empty()) p.drawLines(lines_.data(), static_cast<int>(lines_.size()));
  if (hairlines) p.setPen(pen);
  smoothRunPoints_.clear();
  smoothRunStarts_.clear();
}

// Dotted circles and smooth bands go straight into a picture of our own,
// past the painter, which draws at once and keeps nothing of the pixels.
bool CanvasPainter::writesDirectly() const { return image_ && !external_ && image_->format() == QImage::Format_RGB32; }

// The device pixels of the picture that direct writes may touch.
QRect CanvasPainter::directArea() const {
  QRect allowed = QRect(0, 0, deviceWidth_, deviceHeight_) & image_->rect();
  if (clipped_) {
    const QRect inside = pictureRect_.intersected(target_.region);
    allowed &= QRect(static_cast<int>(std::floor((inside.x() - origin_.x()) * scale_)),
                     static_cast<int>(std::floor((inside.y() - origin_.y()) * scale_)),
                     static_cast<int>(std::ceil(inside.width() * scale_)),
                     static_cast<int>(std::ceil(inside.height() * scale_)));
  }
  return allowed;
}

// A run in a pen of up to HAIRLINE_WIDTH device pixels: cut where its
// segments change their major axis or the number of one-pixel lines that
// cover the pen's width across that axis, each piece goes as that many
// lines one pixel apart across the minor axis, lengthened by half the width
// at its two ends as a square cap would be. Pieces go as polylines at once;
// runs of a single segment wait in lines_ to go together.
void CanvasPainter::layHairlines(QPainter& p, const QPointF* points, int count, double w) {
  struct Lay {
    bool xMajor;
    int lines;
    bool operator==(const Lay&) const = default;
  };
  const auto major = [](QPointF d) { return std::max(std::fabs(d.x()), std::fabs(d.y())); };
  const auto layOf = [w, &major](QPointF d, Lay previous) {
    if (!(major(d) > 0)) return previous;
    const double length = std::hypot(d.x(), d.y());
    return Lay{std::fabs(d.x()) >= std::fabs(d.y()), std::max(2, static_cast<int>(std::lround(w * length / major(d))))};
  };
  const auto lengthened = [w](QPointF from, QPointF to) {
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    return length > 0 ? to + d * (w / 2 / length) : to;
  };
  for (int i = 0; i + 1 < count;) {
    const Lay lay = layOf(points[i + 1] - points[i], Lay{true, 2});
    int j = i + 1;
    while (j + 1 < count && layOf(points[j + 1] - points[j], lay) == lay) ++j;
    // A run of one segment waits with the others like it; a zero one is none.
    const bool single = count == 2;
    if (single && !(major(points[1] - points[0]) > 0)) break;
    piece_.assign(points + i, points + j + 1);
    piece_.front() = lengthened(points[i + 1], points[i]);
    piece_.back() = lengthened(points[j - 1], points[j]);
    shifted_.resize(piece_.size());
    for (int line = 0; line < lay.lines; ++line) {
      const double off = line - (lay.lines - 1) / 2.0;
      const QPointF shift = lay.xMajor ? QPointF(0, off) : QPointF(off, 0);
      if (single) {
        lines_.emplace_back(piece_.front() + shift, piece_.back() + shift);
        continue;
      }
      for (std::size_t k = 0; k < piece_.size(); ++k) shifted_[k] = piece_[k] + shift;
      p.drawPolyline(shifted_.data(), static_cast<int>(shifted_.size()));
    }
    i = j;
  }
}

namespace {

double cross(QPointF a, QPointF b) { return a.x() * b.y() - a.y() * b.x(); }

}  // namespace

// A smooth segment in device positions. It continues the open run when it
// starts at the run's last point, else it begins a new run.
//
// Within a run, a stretch from its anchor ends at the last sample while every
// sample since the anchor lies within SMOOTH_TOLERANCE of the line to it.
// Each sample farther from the anchor than the tolerance allows the
// directions within asin(tolerance / distance) of its own; the stretch keeps
// the directions all its samples allow (lo to hi, turning one way), and a
// sample outside them, or one that turns back towards the anchor, fixes the
// stretch's end at the sample before and starts the next stretch there.
void CanvasPainter::addSmooth(QPointF from, QPointF to) {
  SmoothStretch& s = stretch_;
  if (!s.open || smoothRunPoints_.back().x() != from.x() || smoothRunPoints_.back().y() != from.y()) {
    endSmoothRun();
    smoothRunStarts_.push_back(static_cast<int>(smoothRunPoints_.size()));
    smoothRunPoints_.push_back(from);
    s = SmoothStretch{true, false, false, from, {}, {}, 0};
  }
  QPointF v = to - s.anchor;
  double d = std::sqrt(v.x() * v.x() + v.y() * v.y());
  const bool turnsBack = d < s.farthest - SMOOTH_TOLERANCE;
  const bool strays = s.aimed && d > SMOOTH_TOLERANCE && (cross(s.lo, v) < 0 || cross(v, s.hi) < 0);
  if (s.tentative && (turnsBack || strays)) {
    s.anchor = smoothRunPoints_.back();
    s.tentative = false;
    s.aimed = false;
    s.farthest = 0;
    v = to - s.anchor;
    d = std::sqrt(v.x() * v.x() + v.y() * v.y());
  }
  if (d > SMOOTH_TOLERANCE) {
    const double sine = SMOOTH_TOLERANCE / d, cosine = std::sqrt(1 - sine * sine);
    const QPointF lo(v.x() * cosine + v.y() * sine, v.y() * cosine - v.x() * sine);
    const QPointF hi(v.x() * cosine - v.y() * sine, v.y() * cosine + v.x() * sine);
    if (!s.aimed || cross(s.lo, lo) > 0) s.lo = lo;
    if (!s.aimed || cross(hi, s.hi) > 0) s.hi = hi;
    s.aimed = true;
  }
  s.farthest = std::max(s.farthest, d);
  if (s.tentative) {
    smoothRunPoints_.back() = to;
  } else {
    smoothRunPoints_.push_back(to);
    s.tentative = true;
  }
}

void CanvasPainter::endSmoothRun() { stretch_.open = false; }

// Crisp lines at a scale other than 1 (where a one-pixel pen is two device
// pixels wide or more) go as parallel one-pixel aliased lines too, whole
// device pixels apart. At scale 1 Qt's own wide lines keep the plain pixels.
void CanvasPainter::drawCrispLines(QPainter& p) {
  const double w = width_ * scale_;
  if (unitScale_ || w <= 1.0 || w > HAIRLINE_WIDTH || style_ != PenStyle::Solid) {
    p.drawLines(crispLines_.data(), static_cast<int>(crispLines_.size()));
    return;
  }
  const int k = std::max(1, static_cast<int>(std::lround(w)));
  const int half = k / 2;
  crispHairlines_.clear();
  for (const QLine& l : crispLines_) {
    const int dx = l.dx(), dy = l.dy();
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    // Square caps: half the width more at both ends along the major axis.
    const int sx = xMajor ? (dx >= 0 ? half : -half) : 0, sy = xMajor ? 0 : (dy >= 0 ? half : -half);
    const QPoint a(l.x1() - sx, l.y1() - sy), b(l.x2() + sx - (sx > 0) + (sx < 0), l.y2() + sy - (sy > 0) + (sy < 0));
    for (int i = 0; i < k; ++i) {
      const int off = i - half;
      const QPoint shift = xMajor ? QPoint(0, off) : QPoint(off, 0);
      crispHairlines_.emplace_back(a + shift, b + shift);
    }
  }
  const QPen wide = p.pen();
  QPen hair(wide.color(), 1);
  hair.setCosmetic(true);
  hair.setCapStyle(Qt::SquareCap);  // the last pixel too
  p.setPen(hair);
  p.drawLines(crispHairlines_.data(), static_cast<int>(crispHairlines_.size()));
  p.setPen(wide);
}

void CanvasPainter::setMapping(float left, float top, float right, float bottom) {
  left_ = left;
  top_ = top;
  // One unit is always one centimetre; the corners give the directions.
  sx_ = right >= left ? PIXELS_PER_CM : -PIXELS_PER_CM;
  sy_ = bottom >= top ? PIXELS_PER_CM : -PIXELS_PER_CM;
}

void CanvasPainter::setWidth(int pixels) {
  const int w = std::clamp(pixels, 1, 1000);
  if (w != width_) penValid_ = false;
  width_ = w;
  updateCullMargin();
}

void CanvasPainter::updateCullMargin() { cullMargin_ = static_cast<int>(width_ * scale_) + 2; }

void CanvasPainter::setStyle(PenStyle style) {
  if (style != style_) penValid_ = false;
  style_ = style;
}

void CanvasPainter::setFill(bool solid, std::uint32_t colour) {
  fillSolid_ = solid;
  fillColour_ = colour;
}

void CanvasPainter::forgetRun() { run_.forget(); }

void CanvasPainter::pictureResized(QSize logicalSize) {
  flushLines();
  run_.forget();
  if (image_ && target_.followPicture) {
    followResize(logicalSize.expandedTo(QSize(1, 1)));
    return;
  }
  pictureRect_ = QRect(QPoint(0, 0), logicalSize.expandedTo(QSize(1, 1)));
  clipped_ = true;
  drawn_.markAll();
  QPainter& p = painter();
  const QRect region = target_.region;
  auto device = [this](const QRect& r) {
    return QRectF((r.x() - origin_.x()) * scale_, (r.y() - origin_.y()) * scale_, r.width() * scale_,
                  r.height() * scale_);
  };
  // What lay right of or below the new picture is gone.
  const QRect right(pictureRect_.right() + 1, region.top(), std::max(0, region.right() - pictureRect_.right()),
                    region.height());
  const QRect below(region.left(), pictureRect_.bottom() + 1, region.width(),
                    std::max(0, region.bottom() - pictureRect_.bottom()));
  for (const QRect& gone : {right, below})
    if (gone.intersects(region)) p.fillRect(device(gone.intersected(region)), Qt::white);
  clipToPicture(p, Qt::ReplaceClip);
}

// Whole device pixels as a plain rectangle: Qt clips a line at a QRectF
// otherwise than at the same QRect, which moves the dots of a dotted one.
void CanvasPainter::clipToPicture(QPainter& p, Qt::ClipOperation operation) const {
  const QRect inside = pictureRect_.intersected(target_.region);
  const QRectF device((inside.x() - origin_.x()) * scale_, (inside.y() - origin_.y()) * scale_,
                      inside.width() * scale_, inside.height() * scale_);
  // A caller's clip stays in force; the picture's own clip replaces the one of
  // its earlier size rather than narrowing it, or a picture that grew after a
  // small first size would clip everything away.
  if (external_ && operation == Qt::ReplaceClip && callerClipped_) {
    p.setClipPath(callerClip_, Qt::ReplaceClip);
    operation = Qt::IntersectClip;
  }
  if (unitScale_) {
    p.setClipRect(device.toRect(), operation);
  } else {
    p.setClipRect(device, operation);
  }
}

// The image takes the new size, keeping what is drawn at its place.
void CanvasPainter::followResize(QSize logicalSize) {
  end();
  drawn_.markAll();
  const QSize device(static_cast<int>(std::ceil(logicalSize.width() * scale_)),
                     static_cast<int>(std::ceil(logicalSize.height() * scale_)));
  if (image_->size() != device) {
    QImage fitted(device, QImage::Format_RGB32);
    fitted.fill(Qt::white);
    image_->setDevicePixelRatio(1.0);
    {
      QPainter p(&fitted);
      p.drawImage(0, 0, *image_);
    }
    *image_ = fitted;
  }
  Target t = target_;
  t.region = QRect(QPoint(0, 0), logicalSize);
  const int width = width_;
  const PenStyle style = style_;
  drawInto(image_, t);
  setWidth(width);
  style_ = style;
}

void CanvasPainter::applyPen(std::uint32_t colour) {
  if (penValid_ && colour == penColour_) return;
  QPen pen(toQColor(colour));
  if (unitScale_) {
    pen.setWidth(width_);
  } else {
    pen.setWidthF(width_ * scale_);
  }
  if (style_ == PenStyle::Dotted) {
    // One pixel on, one off: visibly dotted at width 1.
    pen.setDashPattern({1.0, 1.0});
    pen.setCapStyle(Qt::FlatCap);
  } else {
    // Square caps close the joints of a curve drawn segment by segment; round
    // ones look a little softer at width 4 to 6 but cost four times as much.
    pen.setCapStyle(Qt::SquareCap);
  }
  pen.setJoinStyle(Qt::RoundJoin);
  flushLines();  // what waits belongs to the old pen
  painter().setPen(pen);
  run_.forget();
  penColour_ = colour;
  penValid_ = true;
}

inline int CanvasPainter::crispX(double u) const {
  return unitScale_ ? toPixelInt(u) - origin_.x() : toPixelInt((u - origin_.x() + 0.5) * scale_ - 0.5);
}

inline int CanvasPainter::crispY(double u) const {
  return unitScale_ ? toPixelInt(u) - origin_.y() : toPixelInt((u - origin_.y() + 0.5) * scale_ - 0.5);
}

CanvasPainter::SegmentRun::SegmentRun() : slots_(std::size_t{1} << BITS, 0) {}

void CanvasPainter::SegmentRun::forget() {
  last_ = 0;
  ++epoch_;
  if (++generation_ == 256) {
    // The tag byte is used up: start the table over.
    std::fill(slots_.begin(), slots_.end(), 0);
    generation_ = 1;
  }
}

inline bool CanvasPainter::SegmentRun::insert(int x1, int y1, int x2, int y2) {
  // Ends from -1024 to 15359 pixels fit 14 bits each; others are not remembered.
  auto fits = [](int v) { return static_cast<unsigned>(v + 1024) < (1u << 14); };
  if (!(fits(x1) && fits(y1) && fits(x2) && fits(y2))) return true;
  auto part = [](int v) { return static_cast<std::uint64_t>(v + 1024); };
  const std::uint64_t key = part(x1) | (part(y1) << 14) | (part(x2) << 28) | (part(y2) << 42);
  const std::uint64_t tagged = key | (generation_ << 56);
  // Samples finer than a pixel give runs of one segment over and over.
  if (tagged == last_) return false;
  last_ = tagged;
  const std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - BITS)) & ~std::size_t{1};
  std::uint64_t* bucket = slots_.data() + i;
  if (bucket[0] == tagged || bucket[1] == tagged) return false;
  // The newest segment goes first; a live older one moves to the second slot.
  if ((bucket[0] >> 56) == generation_) bucket[1] = bucket[0];
  bucket[0] = tagged;
  return true;
}

// Whether drawing the segment (or having drawn it before in this run) leaves
// its end pixel in the pen's colour: a point does, in any solid pen; so does a
// short crisp line in a one-pixel pen that lies wholly on the picture (the
// painter's thin lines end on their last pixel, except long, nearly level
// ones, which may stop a pixel short, and lines it had to cut).
inline bool CanvasPainter::paintsItsEnd(int ix1, int iy1, int ix2, int iy2, bool smooth) const {
  if (style_ != PenStyle::Solid || smooth || !target_.skipInvisible) return false;
  if (ix1 == ix2 && iy1 == iy2) return true;
  constexpr int SHORT_LINE = 32;
  const auto onPicture = [this](int x, int y) {
    return static_cast<unsigned>(x) < static_cast<unsigned>(deviceWidth_) &&
           static_cast<unsigned>(y) < static_cast<unsigned>(deviceHeight_);
  };
  return unitScale_ && width_ == 1 && !clipped_ && std::abs(ix2 - ix1) <= SHORT_LINE &&
         std::abs(iy2 - iy1) <= SHORT_LINE && onPicture(ix1, iy1) && onPicture(ix2, iy2);
}

// Called for every segment of every curve: the common case stays short.
void CanvasPainter::drawSegment(double x1, double y1, double x2, double y2, std::uint32_t colour) {
  int ix1, iy1, ix2, iy2;
  if (x1 == chain_.x && y1 == chain_.y && near(x2) && near(y2)) {
    // A curve's next segment starts where the last one ended: its start is
    // rounded already.
    ix1 = chain_.ix;
    iy1 = chain_.iy;
    ix2 = crispX(x2);
    iy2 = crispY(y2);
    // Samples finer than the pixels: the segment stays in the pixel where the
    // last one ended, which that one painted in this pen already.
    chain_.x = x2;
    chain_.y = y2;
    if (ix2 == ix1 && iy2 == iy1 && chain_.drawn == run_.epoch() && penValid_ && colour == penColour_ &&
        paintsItsEnd(chain_.fromX, chain_.fromY, ix1, iy1, chain_.smooth))
      return;
    chain_.ix = ix2;
    chain_.iy = iy2;
    chain_.drawn = 0;
  } else {
    if (!(near(x1) && near(y1) && near(x2) && near(y2)) && !clipFar(x1, y1, x2, y2)) {
      chain_ = Chain{};
      return;
    }
    ix1 = crispX(x1);
    iy1 = crispY(y1);
    ix2 = crispX(x2);
    iy2 = crispY(y2);
    chain_ = near(x2) && near(y2) ? Chain{x2, y2, ix2, iy2} : Chain{};
  }
  if (target_.skipInvisible &&
      (std::max(ix1, ix2) < -cullMargin_ || std::min(ix1, ix2) > deviceWidth_ + cullMargin_ ||
       std::max(iy1, iy2) < -cullMargin_ || std::min(iy1, iy2) > deviceHeight_ + cullMargin_))
    return;
  if (!(penValid_ && colour == penColour_)) applyPen(colour);
  if (!raster_) {
    if (target_.skipInvisible && !run_.insert(ix1, iy1, ix2, iy2)) return;
    addToPath(QPointF(smoothX(x1), smoothY(y1)), QPointF(smoothX(x2), smoothY(y2)));
    return;
  }
  // A segment that slopes at all is a curve: smooth when antialiased, however
  // short (rounding its ends to pixels would put back the steps of the plain
  // picture). Dotted pens keep their crisp dots.
  bool repeated;
  const bool smooth = target_.antialiased && style_ == PenStyle::Solid && x1 != x2 && y1 != y2;
  // A smooth piece within one pixel that goes on from the open run costs
  // nothing once it joins the run's stretch, and the stretch needs it.
  const auto insideRun = [&](int a1, int b1, int a2, int b2) {
    return smooth && a1 == a2 && b1 == b2 && stretch_.open && smoothRunPoints_.back().x() == smoothX(x1) &&
           smoothRunPoints_.back().y() == smoothY(y1);
  };
  if (unitScale_) {
    repeated = target_.skipInvisible && !insideRun(ix1, iy1, ix2, iy2) && !run_.insert(ix1, iy1, ix2, iy2);
  } else {
    // Finer than the picture's pixels (a high-density screen, an export for
    // print), a curve that comes round again lands a device pixel beside its
    // last pass as often as on it: a segment that repeats one of this run in
    // the picture's own pixels adds nothing that shows, and is skipped.
    const int lx1 = toPixelInt(x1), ly1 = toPixelInt(y1), lx2 = toPixelInt(x2), ly2 = toPixelInt(y2);
    repeated = target_.skipInvisible && !insideRun(lx1, ly1, lx2, ly2) && !run_.insert(lx1, ly1, lx2, ly2);
  }
  // A repeat in device pixels was drawn before in this pen; one in logical
  // pixels only may lie a device pixel aside.
  if (unitScale_ || !repeated) chain_.drawn = run_.epoch();
  chain_.fromX = ix1;
  chain_.fromY = iy1;
  chain_.smooth = smooth;
  if (repeated) return;
  drawn_.mark(std::min(ix1, ix2) - cullMargin_, std::min(iy1, iy2) - cullMargin_, std::max(ix1, ix2) + cullMargin_,
              std::max(iy1, iy2) + cullMargin_);
  // Plain drawing: this segment alone, now. A thin dotted pen drawing several
  // segments in one call carries its dots on from one segment to the next,
  // so its segments are drawn one by one as well.
  if (!target_.skipInvisible || (style_ == PenStyle::Dotted && width_ == 1)) {
    flushLines();
    QPainter& p = painter();
    if (ix1 == ix2 && iy1 == iy2) {
      p.drawPoint(ix1, iy1);
    } else if (smooth) {
      p.setRenderHint(QPainter::Antialiasing, true);
      p.drawLine(QLineF(smoothX(x1), smoothY(y1), smoothX(x2), smoothY(y2)));
      p.setRenderHint(QPainter::Antialiasing, false);
    } else {
      p.drawLine(ix1, iy1, ix2, iy2);
    }
    return;
  }
  if (smooth) {
    addSmooth(QPointF(smoothX(x1), smoothY(y1)), QPointF(smoothX(x2), smoothY(y2)));
  } else if (ix1 == ix2 && iy1 == iy2) {
    crispPoints_.emplace_back(ix1, iy1);
  } else {
    crispLines_.emplace_back(ix1, iy1, ix2, iy2);
  }
  if (crispLines_.size() + crispPoints_.size() + smoothRunPoints_.size() >= MAX_PENDING) flushLines();
}

// On a vector device the segments of one pen join into one path, so that a
// curve stays one curve in the file.
void CanvasPainter::addToPath(QPointF from, QPointF to) {
  if (path_.isEmpty() || path_.currentPosition() != from) path_.moveTo(from);
  path_.lineTo(to);
  if (path_.elementCount() >= 65536) flushLines();
}

void CanvasPainter::circle(float cx, float cy, float radius, std::uint32_t colour) {
  run_.forget();
  const QPointF c = toPixel(cx, cy);
  const double r = std::fabs(static_cast<double>(radius) * sx_);
  if (!std::isfinite(c.x()) || !std::isfinite(c.y()) || !std::isfinite(r)) return;
  if (std::fabs(c.x()) > FAR_PIXELS || std::fabs(c.y()) > FAR_PIXELS || r > FAR_PIXELS) return;
  // Device centre and radius.
  const bool smooth = target_.antialiased && style_ == PenStyle::Solid;
  double dcx, dcy;
  if (unitScale_ && !smooth) {
    dcx = c.x() - origin_.x();
    dcy = c.y() - origin_.y();
  } else {
    dcx = smoothX(c.x()) - (smooth ? 0.0 : 0.5);
    dcy = smoothY(c.y()) - (smooth ? 0.0 : 0.5);
  }
  const double dr = r * scale_;
  if (target_.skipInvisible) {
    const double margin = width_ * scale_ + 2.0;
    const double w = deviceWidth_, h = deviceHeight_;
    // Wholly beside the picture.
    if (dcx + dr < -margin || dcx - dr > w + margin || dcy + dr < -margin || dcy - dr > h + margin) return;
    // The picture wholly inside the ring: only a filled circle changes it.
    if (!fillSolid_) {
      const double dx = std::max(std::fabs(dcx), std::fabs(dcx - w));
      const double dy = std::max(std::fabs(dcy), std::fabs(dcy - h));
      if (std::hypot(dx, dy) < dr - margin) return;
    }
  }
  const double reach = dr + width_ * scale_ + 3.0;  // the pen, its caps and the smoothing fringe
  if (style_ == PenStyle::Dotted && width_ == 1 && !fillSolid_ && raster_) {
    drawDottedCircle(dcx, dcy, dr, colour, reach);
    return;
  }
  markDrawn(dcx, dcy, dcx, dcy, reach);
  QPainter& p = painter();
  applyPen(colour);
  flushLines();
  if (fillSolid_) {
    p.setBrush(toQColor(fillColour_));
  } else {
    p.setBrush(Qt::NoBrush);
  }
  if (smooth) p.setRenderHint(QPainter::Antialiasing, true);
  p.drawEllipse(QPointF(dcx, dcy), dr, dr);
  if (smooth) p.setRenderHint(QPainter::Antialiasing, false);
}

// A thin dotted circle, pixel by pixel: the midpoint circle with every other
// pixel of each octant set, and only the pixels that lie on the picture
// touched. Much faster than stroking a dashed ellipse, above all for the
// large circles of which only an arc crosses the picture. At a scale above 1
// the dots and the ring grow with it.
void CanvasPainter::drawDottedCircle(double cx, double cy, double r, std::uint32_t colour, double reach) {
  const int icx = toPixelInt(cx), icy = toPixelInt(cy);
  const int k = std::max(1, static_cast<int>(std::lround(scale_)));
  const int w = deviceWidth_, h = deviceHeight_;
  // Into the picture's own pixels straight away, which is many times faster
  // than the painter's points; the painter may stay open, as it draws at once
  // and keeps nothing of the pixels, once what waited has gone out.
  const bool direct = writesDirectly();
  QRect allowed(0, 0, w, h);
  if (direct) {
    flushLines();
    allowed = directArea();
  }
  const int left = allowed.left(), top = allowed.top(), right = allowed.right(), bottom = allowed.bottom();
  const QRgb rgb = toQColor(colour).rgb();
  uchar* const bits = direct ? image_->bits() : nullptr;
  const qsizetype stride = direct ? image_->bytesPerLine() : 0;
  dots_.clear();
  // A large circle crosses few of the tiles its box covers: written
  // directly, each dot marks its own.
  if (!direct) markDrawn(cx, cy, cx, cy, reach);
  auto plot = [&](int px, int py) {
    if (px < left || py < top || px > right || py > bottom) return;
    if (direct) {
      reinterpret_cast<QRgb*>(bits + py * stride)[px] = rgb;
      drawn_.markPixel(px, py);
    } else {
      dots_.emplace_back(px, py);
    }
  };
  for (int ring = 0; ring < k; ++ring) {
    const int radius = toPixelInt(r - (k - 1) / 2.0) + ring;
    if (radius <= 0) {
      plot(icx, icy);
      continue;
    }
    int x = 0, y = radius, d = 1 - radius;
    while (x <= y) {
      // Skip the rows and columns that miss the picture altogether.
      const bool rowsHit = (icy + y >= 0 && icy - y < h) || (icy + x >= 0 && icy - x < h);
      if (((x / k) & 1) == 0 && rowsHit) {
        plot(icx + x, icy - y);
        plot(icx - x, icy - y);
        plot(icx + x, icy + y);
        plot(icx - x, icy + y);
        plot(icx + y, icy - x);
        plot(icx - y, icy - x);
        plot(icx + y, icy + x);
        plot(icx - y, icy + x);
      }
      ++x;
      if (d < 0) {
        d += 2 * x + 1;
      } else {
        --y;
        d += 2 * (x - y) + 1;
      }
    }
  }
  if (direct || dots_.empty()) return;
  flushLines();
  QPainter& p = painter();
  QPen dot(toQColor(colour), 1);
  dot.setCosmetic(true);  // the plain one-pixel point, without the stroker
  p.setPen(dot);
  penValid_ = false;
  p.drawPoints(dots_.data(), static_cast<int>(dots_.size()));
}

const QStaticText& CanvasPainter::staticText(const QString& text) {
  auto it = texts_.find(text);
  if (it == texts_.end()) {
    if (texts_.size() > 4000) texts_.clear();
    QStaticText st(text);
    st.setTextFormat(Qt::PlainText);
    st.setPerformanceHint(QStaticText::AggressiveCaching);
    st.prepare(QTransform(), deviceFont_);
    it = texts_.emplace(text, st).first;
  }
  return it->second;
}

void CanvasPainter::text(float x, float y, const QString& text, std::uint32_t colour) {
  const QPointF at = toPixel(x, y);
  if (!std::isfinite(at.x()) || !std::isfinite(at.y()) || std::fabs(at.x()) >= FAR_PIXELS ||
      std::fabs(at.y()) >= FAR_PIXELS || text.isEmpty())
    return;
  // The text's corner sits on the pixel grid of the plain picture.
  const QPoint topLeft(toPixelInt(at.x()), toPixelInt(at.y()));
  // Most labels of a long axis lie far beyond the picture: skipped before
  // their text is even looked up (no label reaches this far).
  constexpr int FAR_LABEL = 2000;
  const QRect& region = target_.region;
  if (target_.skipInvisible && (topLeft.x() > region.right() + 5 || topLeft.y() > region.bottom() + 5 ||
                                topLeft.x() < region.left() - FAR_LABEL || topLeft.y() < region.top() - FAR_LABEL))
    return;
  const QStaticText& st = staticText(text);
  const QSizeF size = st.size() / scale_;
  const QRectF box(topLeft, size);
  const bool invisible = box.adjusted(-4, -4, 4, 4).intersected(QRectF(target_.region)).isEmpty();
  // A label that cannot show changes no pixel, so the segments drawn so far
  // still need not be drawn again.
  if (target_.skipInvisible && invisible) return;
  run_.forget();
  // Glyphs may reach a little beyond the text's box.
  constexpr double GLYPH_MARGIN = 8;
  markDrawn((topLeft.x() - origin_.x()) * scale_, (topLeft.y() - origin_.y()) * scale_,
            (topLeft.x() - origin_.x() + size.width()) * scale_, (topLeft.y() - origin_.y() + size.height()) * scale_,
            GLYPH_MARGIN * scale_);
  QPainter& p = painter();
  flushLines();
  p.setPen(toQColor(colour));
  penValid_ = false;
  if (unitScale_ && raster_) {
    p.drawStaticText(topLeft - origin_, st);
    return;
  }
  const QPointF deviceTopLeft((topLeft.x() - origin_.x()) * scale_, (topLeft.y() - origin_.y()) * scale_);
  if (raster_) {
    p.drawStaticText(QPointF(std::round(deviceTopLeft.x()), std::round(deviceTopLeft.y())), st);
  } else {
    // Vector devices keep the label as text.
    p.drawText(deviceTopLeft + QPointF(0, QFontMetricsF(deviceFont_, p.device()).ascent()), text);
  }
}
