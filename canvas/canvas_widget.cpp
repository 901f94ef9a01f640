#include "canvas/canvas_widget.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace {

QColor toQColor(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

std::uint32_t fromQRgb(QRgb rgb) {
  return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
         (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

// Pixel positions further out than this are pulled in along their line before
// rounding, so a curve that shoots off to 10^12 never overflows an int.
constexpr double FAR_PIXELS = 1.0e6;

// Cuts the segment to the square |x|, |y| <= FAR_PIXELS (Liang-Barsky).
// Returns false when nothing of it lies inside.
bool clipFar(double& x1, double& y1, double& x2, double& y2) {
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
int toPixelInt(double v) {
  const double h = v + 0.5;
  int i = static_cast<int>(h);  // towards zero
  if (i > h) --i;
  return i;
}

bool near(double v) { return v > -FAR_PIXELS && v < FAR_PIXELS; }

// Segments gathered before they go to the painter together: enough to spread
// the painter's cost per call, few enough to stay in the cache.
constexpr std::size_t MAX_PENDING = 2048;

}  // namespace

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Picture1"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);

  // A small screen font of about 9 points; the pixel size keeps the text the
  // same on every screen.
  font_ = QFont(QStringList{QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                            QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Sans Serif")});
  font_.setPixelSize(12);
  font_.setStyleStrategy(QFont::NoAntialias);
  lineHeightPx_ = QFontMetricsF(font_).height();

  image_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  image_.fill(Qt::white);
  imageWidth_ = image_.width();
  imageHeight_ = image_.height();

  markers_[0] = {-0.1f, 0.1f, true};
  markers_[1] = {0.9f, 0.1f, true};

  readout_ = new QLabel(this);
  readout_->setObjectName(QStringLiteral("Pcrdts"));
  QFont rf(QStringLiteral("Times New Roman"));
  rf.setPointSize(9);
  readout_->setFont(rf);
  QPalette pal = readout_->palette();
  pal.setColor(QPalette::WindowText, QColor(64, 64, 64));
  readout_->setPalette(pal);
  readout_->setAutoFillBackground(true);
  readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
  readout_->hide();
}

CanvasWidget::~CanvasWidget() { endPainting(); }

QPainter& CanvasWidget::painter() {
  if (!painter_) {
    fitImage(size());
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setFont(font_);
    // A clip that is the whole picture changes no pixel, but lets the painter
    // write thin lines straight into the picture instead of span by span.
    if (skipInvisible_) painter_->setClipRect(image_.rect());
    penValid_ = false;
  }
  return *painter_;
}

void CanvasWidget::endPainting() {
  flushLines();
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
  penValid_ = false;
}

void CanvasWidget::flushLines() {
  if (pendingLines_.empty() && pendingPoints_.empty()) return;
  if (painter_) {  // always open while segments wait: they were queued through it
    if (!pendingLines_.empty()) painter_->drawLines(pendingLines_.data(), static_cast<int>(pendingLines_.size()));
    if (!pendingPoints_.empty())
      painter_->drawPoints(pendingPoints_.data(), static_cast<int>(pendingPoints_.size()));
  }
  dropPendingLines();
}

void CanvasWidget::dropPendingLines() {
  pendingLines_.clear();
  pendingPoints_.clear();
}

// The widget may have been resized while hidden, without a resize event.
void CanvasWidget::syncImageSize() {
  const QSize s = size();
  if (std::max(1, s.width()) != imageWidth_ || std::max(1, s.height()) != imageHeight_) fitImage(s);
}

const QImage& CanvasWidget::image() {
  fitImage(size());
  endPainting();
  return image_;
}

void CanvasWidget::clear() {
  run_.forget();
  dropPendingLines();
  endPainting();
  // The same picture is whitened in place; a new one only when the size changed.
  const QSize want = size().expandedTo(QSize(1, 1));
  if (image_.size() != want) image_ = QImage(want, QImage::Format_RGB32);
  image_.fill(Qt::white);
  imageWidth_ = image_.width();
  imageHeight_ = image_.height();
  // A clear also sends the current point back to (0, 0).
  curX_ = 0;
  curY_ = 0;
  update();
}

void CanvasWidget::setScale(float left, float top, float right, float bottom) {
  left_ = left;
  top_ = top;
  right_ = right;
  bottom_ = bottom;
  // One unit is always one centimetre; the corners give the directions.
  sx_ = right >= left ? PIXELS_PER_CM : -PIXELS_PER_CM;
  sy_ = bottom >= top ? PIXELS_PER_CM : -PIXELS_PER_CM;
  placeReadout();
  update();
}

QPointF CanvasWidget::toCanvas(QPointF pixel) const {
  return {left_ + pixel.x() / sx_, top_ + pixel.y() / sy_};
}

void CanvasWidget::setDrawWidth(int pixels) {
  const int w = std::clamp(pixels, 1, 1000);
  if (w != width_) penValid_ = false;
  width_ = w;
}

void CanvasWidget::setDrawStyle(PenStyle style) {
  if (style != style_) penValid_ = false;
  style_ = style;
}

void CanvasWidget::setFillSolid(bool solid) { fillSolid_ = solid; }
void CanvasWidget::setFillColor(std::uint32_t colour) { fillColour_ = colour; }
void CanvasWidget::setTextColor(std::uint32_t colour) { textColour_ = colour; }

void CanvasWidget::moveTo(float x, float y) {
  curX_ = x;
  curY_ = y;
}

void CanvasWidget::applyPen(std::uint32_t colour) {
  if (penValid_ && colour == penColour_) return;
  QPen pen(toQColor(colour));
  pen.setWidth(width_);
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

CanvasWidget::SegmentRun::SegmentRun() : slots_(std::size_t{1} << BITS, 0) {}

void CanvasWidget::SegmentRun::forget() {
  if (++generation_ == 256) {
    // The tag byte is used up: start the table over.
    std::fill(slots_.begin(), slots_.end(), 0);
    generation_ = 1;
  }
}

inline bool CanvasWidget::SegmentRun::insert(int x1, int y1, int x2, int y2) {
  // Ends from -1024 to 15359 pixels fit 14 bits each; others are not remembered.
  auto fits = [](int v) { return static_cast<unsigned>(v + 1024) < (1u << 14); };
  if (!(fits(x1) && fits(y1) && fits(x2) && fits(y2))) return true;
  auto part = [](int v) { return static_cast<std::uint64_t>(v + 1024); };
  const std::uint64_t key = part(x1) | (part(y1) << 14) | (part(x2) << 28) | (part(y2) << 42);
  const std::uint64_t tagged = key | (generation_ << 56);
  const std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - BITS)) & ~std::size_t{1};
  std::uint64_t* bucket = slots_.data() + i;
  if (bucket[0] == tagged || bucket[1] == tagged) return false;
  // The newest segment goes first; a live older one moves to the second slot.
  if ((bucket[0] >> 56) == generation_) bucket[1] = bucket[0];
  bucket[0] = tagged;
  return true;
}

// Called for every segment of every curve: the common case stays inline.
void CanvasWidget::drawPixelLine(double x1, double y1, double x2, double y2, std::uint32_t colour) {
  if (!(near(x1) && near(y1) && near(x2) && near(y2)) && !clipFar(x1, y1, x2, y2)) return;
  const QSize widgetSize = size();
  if (std::max(1, widgetSize.width()) != imageWidth_ || std::max(1, widgetSize.height()) != imageHeight_)
    fitImage(widgetSize);
  const int ix1 = toPixelInt(x1), iy1 = toPixelInt(y1), ix2 = toPixelInt(x2), iy2 = toPixelInt(y2);
  if (skipInvisible_) {
    const int margin = width_ + 2;
    if (std::max(ix1, ix2) < -margin || std::min(ix1, ix2) > imageWidth_ + margin ||
        std::max(iy1, iy2) < -margin || std::min(iy1, iy2) > imageHeight_ + margin)
      return;
  }
  QPainter& p = painter_ ? *painter_ : painter();
  if (!(penValid_ && colour == penColour_)) applyPen(colour);
  if (skipInvisible_ && !run_.insert(ix1, iy1, ix2, iy2)) return;
  // Plain drawing: this segment alone, now. A thin dotted pen drawing several
  // segments in one call carries its dots on from one segment to the next,
  // so its segments are drawn one by one as well.
  if (!skipInvisible_ || (style_ == PenStyle::Dotted && width_ == 1)) {
    flushLines();
    if (ix1 == ix2 && iy1 == iy2) {
      p.drawPoint(ix1, iy1);
    } else {
      p.drawLine(ix1, iy1, ix2, iy2);
    }
    return;
  }
  if (ix1 == ix2 && iy1 == iy2) {
    pendingPoints_.emplace_back(ix1, iy1);
  } else {
    pendingLines_.emplace_back(ix1, iy1, ix2, iy2);
  }
  if (pendingLines_.size() + pendingPoints_.size() >= MAX_PENDING) flushLines();
}

void CanvasWidget::lineTo(float x, float y, std::uint32_t colour) { line(curX_, curY_, x, y, colour); }

void CanvasWidget::line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
  const QPointF a = toPixel(x1, y1), b = toPixel(x2, y2);
  drawPixelLine(a.x(), a.y(), b.x(), b.y(), colour);
  curX_ = x2;
  curY_ = y2;
  pictureChanged();
}

void CanvasWidget::circle(float cx, float cy, float radius, std::uint32_t colour) {
  run_.forget();
  curX_ = cx;
  curY_ = cy;
  const QPointF c = toPixel(cx, cy);
  const double r = std::fabs(static_cast<double>(radius) * sx_);
  if (!std::isfinite(c.x()) || !std::isfinite(c.y()) || !std::isfinite(r)) return;
  if (std::fabs(c.x()) > FAR_PIXELS || std::fabs(c.y()) > FAR_PIXELS || r > FAR_PIXELS) return;
  syncImageSize();
  if (skipInvisible_) {
    const double margin = width_ + 2.0;
    const double w = imageWidth_, h = imageHeight_;
    // Wholly beside the picture.
    if (c.x() + r < -margin || c.x() - r > w + margin || c.y() + r < -margin || c.y() - r > h + margin)
      return;
    // The picture wholly inside the ring: only a filled circle changes it.
    if (!fillSolid_) {
      const double dx = std::max(std::fabs(c.x() - 0.0), std::fabs(c.x() - w));
      const double dy = std::max(std::fabs(c.y() - 0.0), std::fabs(c.y() - h));
      if (std::hypot(dx, dy) < r - margin) return;
    }
  }
  if (style_ == PenStyle::Dotted && width_ == 1 && !fillSolid_) {
    drawDottedCircle(c.x(), c.y(), r, colour);
    pictureChanged();
    return;
  }
  QPainter& p = painter();
  applyPen(colour);
  flushLines();
  if (fillSolid_) {
    p.setBrush(toQColor(fillColour_));
  } else {
    p.setBrush(Qt::NoBrush);
  }
  p.drawEllipse(c, r, r);
  pictureChanged();
}

// A thin dotted circle, pixel by pixel: the midpoint circle with every other
// pixel of each octant set, and only the pixels that lie on the picture
// touched. Much faster than stroking a dashed ellipse, above all for the
// large circles of which only an arc crosses the picture.
void CanvasWidget::drawDottedCircle(double cx, double cy, double r, std::uint32_t colour) {
  endPainting();  // the pixels are written straight into the picture
  const int icx = toPixelInt(cx), icy = toPixelInt(cy), radius = toPixelInt(r);
  const int w = image_.width(), h = image_.height();
  const QRgb rgb = toQColor(colour).rgb();
  uchar* bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  auto plot = [&](int px, int py) {
    if (px >= 0 && py >= 0 && px < w && py < h) reinterpret_cast<QRgb*>(bits + py * stride)[px] = rgb;
  };
  if (radius <= 0) {
    plot(icx, icy);
    return;
  }
  int x = 0, y = radius, d = 1 - radius;
  while (x <= y) {
    // Skip the rows and columns that miss the picture altogether.
    const bool rowsHit = (icy + y >= 0 && icy - y < h) || (icy + x >= 0 && icy - x < h);
    if ((x & 1) == 0 && rowsHit) {
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

void CanvasWidget::print(std::string_view utf8Text) {
  run_.forget();
  const QString text = QString::fromUtf8(utf8Text.data(), static_cast<qsizetype>(utf8Text.size()));
  const QPointF at = toPixel(curX_, curY_);
  if (std::isfinite(at.x()) && std::isfinite(at.y()) && std::fabs(at.x()) < FAR_PIXELS &&
      std::fabs(at.y()) < FAR_PIXELS && !text.isEmpty()) {
    auto it = texts_.find(text);
    if (it == texts_.end()) {
      if (texts_.size() > 4000) texts_.clear();
      QStaticText st(text);
      st.setTextFormat(Qt::PlainText);
      st.setPerformanceHint(QStaticText::AggressiveCaching);
      st.prepare(QTransform(), font_);
      it = texts_.insert(text, st);
    }
    fitImage(size());
    const QPoint topLeft(toPixelInt(at.x()), toPixelInt(at.y()));
    const QSizeF size = it->size();
    const QRectF box(topLeft, size);
    const bool invisible = box.adjusted(-4, -4, 4, 4).intersected(QRectF(image_.rect())).isEmpty();
    if (!(skipInvisible_ && invisible)) {
      QPainter& p = painter();
      flushLines();
      p.setPen(toQColor(textColour_));
      penValid_ = false;
      p.drawStaticText(topLeft, *it);
      pictureChanged();
    }
  }
  // The next print starts one line further down, at the left edge.
  curX_ = left_;
  curY_ = static_cast<float>(curY_ + lineHeightPx_ / sy_);
}

std::int64_t CanvasWidget::pixelColorAt(int px, int py) {
  syncImageSize();
  flushLines();
  if (px < 0 || py < 0 || px >= image_.width() || py >= image_.height()) return -1;
  return fromQRgb(image_.pixel(px, py));
}

std::int64_t CanvasWidget::pixelColor(float x, float y) {
  const QPointF p = toPixel(x, y);
  if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || std::fabs(p.x()) > FAR_PIXELS ||
      std::fabs(p.y()) > FAR_PIXELS)
    return -1;
  return pixelColorAt(toPixelInt(p.x()), toPixelInt(p.y()));
}

void CanvasWidget::setMarker(int index, float left, float top) {
  if (index < 1 || index > 2) return;
  markers_[index - 1].left = left;
  markers_[index - 1].top = top;
  update();
}

void CanvasWidget::setMarkerVisible(int index, bool visible) {
  if (index < 1 || index > 2) return;
  markers_[index - 1].visible = visible;
  update();
}

CanvasWidget::Marker CanvasWidget::marker(int index) const {
  if (index < 1 || index > 2) return {};
  return markers_[index - 1];
}

void CanvasWidget::setSelectionLine(int index, float x1, float y1, float x2, float y2) {
  if (index < 1 || index > 4) return;
  SelectionLine& l = lines_[index - 1];
  l.x1 = x1;
  l.y1 = y1;
  l.x2 = x2;
  l.y2 = y2;
  update();
}

void CanvasWidget::setSelectionLineVisible(int index, bool visible) {
  if (index < 1 || index > 4) return;
  lines_[index - 1].visible = visible;
  update();
}

CanvasWidget::SelectionLine CanvasWidget::selectionLine(int index) const {
  if (index < 1 || index > 4) return {};
  return lines_[index - 1];
}

void CanvasWidget::showReadout(float x, float y, const QString& text) {
  readoutX_ = x;
  readoutY_ = y;
  readout_->setText(text);
  readout_->adjustSize();
  placeReadout();
  readout_->show();
  readout_->raise();
}

void CanvasWidget::hideReadout() { readout_->hide(); }

void CanvasWidget::placeReadout() {
  if (!readout_) return;
  const QPointF p = toPixel(readoutX_, readoutY_);
  if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return;
  const double lim = 1.0e6;
  readout_->move(toPixelInt(std::clamp(p.x(), -lim, lim)), toPixelInt(std::clamp(p.y(), -lim, lim)));
}

QRectF CanvasWidget::markerRect(const Marker& m) const {
  const QPointF tl = toPixel(m.left, m.top);
  const double side = std::round(MARKER_SIZE * PIXELS_PER_CM);
  return {std::round(tl.x()), std::round(tl.y()), side - 1, side - 1};
}

// Thousands of drawing calls make one redraw: ask for one repaint, not one each.
void CanvasWidget::pictureChanged() {
  if (repaintPending_) return;
  repaintPending_ = true;
  update();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  repaintPending_ = false;
  flushLines();
  QPainter p(this);
  p.drawImage(event->rect().topLeft(), image_, event->rect());
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(toQColor(0xC0C0C0), 1));
  for (const Marker& m : markers_)
    if (m.visible) p.drawRect(markerRect(m));
  QPen dotted(Qt::black, 1);
  dotted.setDashPattern({1.0, 1.0});
  dotted.setCapStyle(Qt::FlatCap);
  p.setPen(dotted);
  for (const SelectionLine& l : lines_) {
    if (!l.visible) continue;
    double x1 = toPixel(l.x1, l.y1).x(), y1 = toPixel(l.x1, l.y1).y();
    double x2 = toPixel(l.x2, l.y2).x(), y2 = toPixel(l.x2, l.y2).y();
    if (!clipFar(x1, y1, x2, y2)) continue;
    p.drawLine(QPointF(std::round(x1), std::round(y1)), QPointF(std::round(x2), std::round(y2)));
  }
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
  fitImage(event->size());
  QWidget::resizeEvent(event);
}

// The picture always matches the widget, so exports and pixel queries see
// exactly what is on screen: growing keeps what is drawn and adds white,
// shrinking cuts off the right and bottom.
void CanvasWidget::fitImage(QSize want) {
  want = want.expandedTo(QSize(1, 1));
  if (want == image_.size()) return;
  run_.forget();
  endPainting();
  QImage fitted(want, QImage::Format_RGB32);
  fitted.fill(Qt::white);
  {
    QPainter p(&fitted);
    p.drawImage(0, 0, image_);
  }
  image_ = fitted;
  imageWidth_ = image_.width();
  imageHeight_ = image_.height();
}

int CanvasWidget::buttonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
  }
}

int CanvasWidget::buttonsCode(Qt::MouseButtons buttons) {
  int code = 0;
  if (buttons & Qt::LeftButton) code |= 1;
  if (buttons & Qt::RightButton) code |= 2;
  if (buttons & Qt::MiddleButton) code |= 4;
  return code;
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  const QPointF c = toCanvas(event->position());
  emit mousePressed(static_cast<float>(c.x()), static_cast<float>(c.y()), buttonCode(event->button()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPointF c = toCanvas(event->position());
  emit mouseMoved(static_cast<float>(c.x()), static_cast<float>(c.y()), buttonsCode(event->buttons()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF c = toCanvas(event->position());
  emit mouseReleased(static_cast<float>(c.x()), static_cast<float>(c.y()), buttonCode(event->button()));
}

void CanvasWidget::setAntialiased(bool on) { antialiased_ = on; }

void CanvasWidget::renderRegion(QPainter& painter, const QRect& logicalRegion, double scale, bool) const {
  const_cast<CanvasWidget*>(this)->endPainting();
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(QRectF(0, 0, logicalRegion.width() * scale, logicalRegion.height() * scale), image_,
                    QRectF(logicalRegion));
  painter.restore();
}

QImage CanvasWidget::renderImage(const QRect& logicalRegion, double scale) const {
  QImage out(qMax(1, qRound(logicalRegion.width() * scale)), qMax(1, qRound(logicalRegion.height() * scale)),
             QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  renderRegion(p, logicalRegion, scale, antialiased_);
  return out;
}
