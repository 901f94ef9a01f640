#include "canvas/canvas_widget.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "canvas/pixel_geometry.h"

using canvas_pixels::clipFar;
using canvas_pixels::FAR_PIXELS;
using canvas_pixels::toPixelInt;
using canvas_pixels::toQColor;

namespace {

std::uint32_t fromQRgb(QRgb rgb) {
  return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
         (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

// The screen picture. A curve visits its pixels in an order that no cache
// foresees, and at a device ratio of 2 a picture of the whole screen spans
// thousands of small memory pages: where the system offers pages of 2 MB,
// a large picture is held on them.
QImage newPicture(QSize size) {
#if defined(MADV_HUGEPAGE)
  constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;
  const qsizetype stride = static_cast<qsizetype>(size.width()) * 4;
  const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(size.height());
  if (bytes >= 2 * HUGE_PAGE) {
    const std::size_t whole = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    if (void* memory = std::aligned_alloc(HUGE_PAGE, whole)) {
      madvise(memory, whole, MADV_HUGEPAGE);  // a request only: small pages serve as well
      return QImage(static_cast<uchar*>(memory), size.width(), size.height(), stride, QImage::Format_RGB32,
                    [](void* m) { std::free(m); }, memory);
    }
  }
#endif
  return QImage(size, QImage::Format_RGB32);
}

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
  painter_ = std::make_unique<CanvasPainter>(font_);
  painter_->drawInto(&image_, screenTarget());
  restoreDrawingState();
  list_.setScale(left_, top_, right_, bottom_);
  list_.pictureResized(QSize(imageWidth_, imageHeight_));

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

CanvasPainter::Target CanvasWidget::screenTarget() const {
  CanvasPainter::Target t;
  t.region = QRect(0, 0, imageWidth_, imageHeight_);
  t.scale = dpr_;
  t.antialiased = antialiased_;
  t.skipInvisible = skipInvisible_;
  t.followPicture = true;
  return t;
}

// The painter's pen, style and mapping are those of the last drawing it did;
// the canvas may have been given others since.
void CanvasWidget::restoreDrawingState() {
  painter_->setMapping(left_, top_, right_, bottom_);
  painter_->setWidth(width_);
  painter_->setStyle(style_);
  painter_->setFill(fillSolid_, fillColour_);
}

void CanvasWidget::endPainting() {
  if (painter_) painter_->end();
}

void CanvasWidget::setSkipInvisible(bool on) {
  endPainting();  // what waits goes out first; the painter is set up for the new mode
  skipInvisible_ = on;
  painter_->drawInto(&image_, screenTarget());
}

void CanvasWidget::setAntialiased(bool on) {
  if (on == antialiased_) return;
  antialiased_ = on;
  rebuildPicture();
}

// The widget may have been resized while hidden, without a resize event, or
// moved to a screen with another pixel ratio.

void CanvasWidget::syncImageSize() {
  const QSize s = size();
  if (std::max(1, s.width()) != imageWidth_ || std::max(1, s.height()) != imageHeight_ ||
      devicePixelRatioF() != dpr_)
    fitImage(s);
}

const QImage& CanvasWidget::image() {
  syncImageSize();
  endPainting();
  // The painter draws in device pixels; readers see the ratio.
  image_.setDevicePixelRatio(dpr_);
  return image_;
}

// The picture made again from what was drawn since the last clear, at the
// current pixel ratio and antialiasing. When too much was drawn to keep, the
// picture held is scaled instead.
void CanvasWidget::rebuildPicture() {
  endPainting();
  dpr_ = devicePixelRatioF();
  const QSize logical(imageWidth_, imageHeight_);
  QImage fresh = newPicture(QSize(static_cast<int>(std::ceil(logical.width() * dpr_)),
                                  static_cast<int>(std::ceil(logical.height() * dpr_))));
  fresh.fill(Qt::white);
  if (!list_.complete()) {
    QPainter p(&fresh);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(fresh.size())), image_, QRectF(QPointF(0, 0), QSizeF(image_.size())));
  }
  image_ = fresh;
  painter_->drawInto(&image_, screenTarget());
  if (list_.complete()) list_.replay(*painter_);
  restoreDrawingState();
  update();
}

void CanvasWidget::clear() {
  endPainting();
  list_.clear();
  list_.setScale(left_, top_, right_, bottom_);
  list_.pictureResized(size().expandedTo(QSize(1, 1)));
  painter_->forgetRun();
  if (devicePixelRatioF() != dpr_) {
    dpr_ = devicePixelRatioF();
    image_ = QImage();
  }
  // The same picture is whitened in place; a new one only when the size changed.
  const QSize want = size().expandedTo(QSize(1, 1));
  const QSize device(static_cast<int>(std::ceil(want.width() * dpr_)), static_cast<int>(std::ceil(want.height() * dpr_)));
  const bool fresh = image_.size() != device;
  if (fresh) image_ = newPicture(device);
  if (fresh || !painter_->whitenDrawn(image_)) canvas_pixels::whiten(image_);
  imageWidth_ = want.width();
  imageHeight_ = want.height();
  if (fresh) {
    painter_->drawInto(&image_, screenTarget());
    restoreDrawingState();
  }
  painter_->startClean();
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
  list_.setScale(left, top, right, bottom);
  painter_->setMapping(left, top, right, bottom);
  placeReadout();
  update();
}

QPointF CanvasWidget::toCanvas(QPointF pixel) const {
  return {left_ + pixel.x() / sx_, top_ + pixel.y() / sy_};
}

void CanvasWidget::setDrawWidth(int pixels) {
  width_ = std::clamp(pixels, 1, 1000);
  painter_->setWidth(width_);
}

void CanvasWidget::setDrawStyle(PenStyle style) {
  style_ = style;
  painter_->setStyle(style);
}

void CanvasWidget::setFillSolid(bool solid) {
  fillSolid_ = solid;
  painter_->setFill(fillSolid_, fillColour_);
}

void CanvasWidget::setFillColor(std::uint32_t colour) {
  fillColour_ = colour;
  painter_->setFill(fillSolid_, fillColour_);
}

void CanvasWidget::setTextColor(std::uint32_t colour) { textColour_ = colour; }

void CanvasWidget::moveTo(float x, float y) {
  curX_ = x;
  curY_ = y;
}

void CanvasWidget::lineTo(float x, float y, std::uint32_t colour) { line(curX_, curY_, x, y, colour); }

// Called for every segment of every curve: the common case stays short.
void CanvasWidget::line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
  followWidgetSize();
  list_.line(x1, y1, x2, y2, colour, width_, style_);
  painter_->line(x1, y1, x2, y2, colour);
  curX_ = x2;
  curY_ = y2;
  if (!repaintPending_) pictureChanged();
}

void CanvasWidget::circle(float cx, float cy, float radius, std::uint32_t colour) {
  curX_ = cx;
  curY_ = cy;
  followWidgetSize();
  list_.circle(cx, cy, radius, colour, width_, style_, fillSolid_, fillColour_);
  painter_->circle(cx, cy, radius, colour);
  pictureChanged();
}

void CanvasWidget::print(std::string_view utf8Text) {
  const QString text = QString::fromUtf8(utf8Text.data(), static_cast<qsizetype>(utf8Text.size()));
  followWidgetSize();
  list_.text(curX_, curY_, text, textColour_);
  painter_->text(curX_, curY_, text, textColour_);
  pictureChanged();
  // The next print starts one line further down, at the left edge.
  curX_ = left_;
  curY_ = static_cast<float>(curY_ + lineHeightPx_ / sy_);
}

std::int64_t CanvasWidget::pixelColorAt(int px, int py) {
  syncImageSize();
  painter_->flush();
  if (px < 0 || py < 0 || px >= imageWidth_ || py >= imageHeight_) return -1;
  // The device pixel at the middle of the logical one.
  const int dx = std::min(image_.width() - 1, static_cast<int>((px + 0.5) * dpr_));
  const int dy = std::min(image_.height() - 1, static_cast<int>((py + 0.5) * dpr_));
  return fromQRgb(image_.pixel(dx, dy));
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
  if (devicePixelRatioF() != dpr_) rebuildPicture();
  painter_->flush();
  QPainter p(this);
  const QRect r = event->rect();
  if (dpr_ == 1.0) {
    p.drawImage(r.topLeft(), image_, r);
  } else {
    p.drawImage(QRectF(r), image_, QRectF(r.x() * dpr_, r.y() * dpr_, r.width() * dpr_, r.height() * dpr_));
  }
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
  paintOverlayMarks(p);
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
  fitImage(event->size());
  QWidget::resizeEvent(event);
}

bool CanvasWidget::event(QEvent* event) {
  // Another screen may have another pixel ratio: the picture follows it.
  if (event->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
      || event->type() == QEvent::DevicePixelRatioChange
#endif
  ) {
    if (devicePixelRatioF() != dpr_) rebuildPicture();
  }
  return QWidget::event(event);
}

// The picture always matches the widget, so exports and pixel queries see
// exactly what is on screen: growing keeps what is drawn and adds white,
// shrinking cuts off the right and bottom. A new pixel ratio draws it again.
void CanvasWidget::fitImage(QSize want) {
  want = want.expandedTo(QSize(1, 1));
  if (devicePixelRatioF() != dpr_) {
    imageWidth_ = want.width();
    imageHeight_ = want.height();
    list_.pictureResized(want);
    rebuildPicture();
    return;
  }
  if (want.width() == imageWidth_ && want.height() == imageHeight_) return;
  endPainting();
  QImage fitted = newPicture(
      QSize(static_cast<int>(std::ceil(want.width() * dpr_)), static_cast<int>(std::ceil(want.height() * dpr_))));
  fitted.fill(Qt::white);
  image_.setDevicePixelRatio(1.0);  // copied pixel for pixel
  {
    QPainter p(&fitted);
    p.drawImage(0, 0, image_);
  }
  image_ = fitted;
  imageWidth_ = want.width();
  imageHeight_ = want.height();
  list_.pictureResized(want);
  painter_->drawInto(&image_, screenTarget());
  restoreDrawingState();
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

void CanvasWidget::wheelEvent(QWheelEvent* event) {
  const int turn = event->angleDelta().y();
  if (turn == 0) {
    event->ignore();  // a sideways scroll is not ours
    return;
  }
  const QPointF c = toCanvas(event->position());
  emit wheelTurned(static_cast<float>(c.x()), static_cast<float>(c.y()), turn);
  event->accept();
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPointF c = toCanvas(event->position());
  emit mouseMoved(static_cast<float>(c.x()), static_cast<float>(c.y()), buttonsCode(event->buttons()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF c = toCanvas(event->position());
  emit mouseReleased(static_cast<float>(c.x()), static_cast<float>(c.y()), buttonCode(event->button()));
}


void CanvasWidget::renderRegion(QPainter& painter, const QRect& logicalRegion, double scale, bool antialiased) const {
  if (logicalRegion.isEmpty() || !(scale > 0)) return;
  painter_->flush();
  if (!list_.complete()) {
    // Too much was drawn to keep: the picture held, scaled.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(0, 0, logicalRegion.width() * scale, logicalRegion.height() * scale), image_,
                      QRectF(logicalRegion.x() * dpr_, logicalRegion.y() * dpr_, logicalRegion.width() * dpr_,
                             logicalRegion.height() * dpr_));
    painter.restore();
    return;
  }
  const int device = painter.device() ? painter.device()->devType() : 0;
  if (scale == 1.0 && !antialiased && (device == QInternal::Image || device == QInternal::Pixmap)) {
    // The plain picture's own pixels.
    painter.drawImage(QPoint(0, 0), renderImageAs(logicalRegion, 1.0, false));
    return;
  }
  CanvasPainter replay(font_);
  CanvasPainter::Target target;
  target.region = logicalRegion;
  target.scale = scale;
  target.antialiased = antialiased;
  target.skipInvisible = skipInvisible_;
  replay.drawThrough(&painter, target);
  list_.replay(replay);
  replay.end();
}

QImage CanvasWidget::renderImage(const QRect& logicalRegion, double scale) const {
  return renderImageAs(logicalRegion, scale, antialiased_);
}

QImage CanvasWidget::renderImageAs(const QRect& logicalRegion, double scale, bool antialiased) const {
  const QRect region = logicalRegion.isValid() ? logicalRegion : QRect(0, 0, 1, 1);
  QImage out(std::max(1, static_cast<int>(std::ceil(region.width() * scale - 1e-9))),
             std::max(1, static_cast<int>(std::ceil(region.height() * scale - 1e-9))), QImage::Format_RGB32);
  out.fill(Qt::white);
  if (!list_.complete()) {
    QPainter p(&out);
    renderRegion(p, region, scale, antialiased);
    return out;
  }
  CanvasPainter replay(font_);
  CanvasPainter::Target target;
  target.region = region;
  target.scale = scale;
  target.antialiased = antialiased;
  target.skipInvisible = skipInvisible_;
  if (scale == 1.0 && !antialiased) {
    // Qt places the pixels of a line cut by a clip a little otherwise than of
    // the whole line: the plain picture is drawn whole, as the screen's was,
    // and the region cut from it.
    const bool all = region == QRect(0, 0, imageWidth_, imageHeight_);
    QImage whole = all ? out : QImage(imageWidth_, imageHeight_, QImage::Format_RGB32);
    if (!all) whole.fill(Qt::white);
    out = QImage();  // drawn into whole without a copy when it is the whole picture
    target.region = whole.rect();
    target.followPicture = true;
    replay.drawInto(&whole, target);
    list_.replay(replay);
    replay.end();
    if (whole.size() != QSize(imageWidth_, imageHeight_)) {
      QImage fitted(imageWidth_, imageHeight_, QImage::Format_RGB32);
      fitted.fill(Qt::white);
      QPainter p(&fitted);
      p.drawImage(0, 0, whole);
      p.end();
      whole = fitted;
    }
    if (all) return whole;
    return whole.copy(region);
  }
  replay.drawInto(&out, target);
  list_.replay(replay);
  replay.end();
  return out;
}
