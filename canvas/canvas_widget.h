// The drawing canvas on screen: a widget that owns a persistent picture
// (a white RGB32 QImage at device resolution: logical size x device pixel
// ratio) and paints it in paintEvent. Positions are canvas units: one unit is
// one centimetre (96 / 2.54 logical pixels), measured from the upper-left
// corner given to setScale, with y growing upwards when top > bottom. Pen
// widths are in logical pixels.
//
// Every drawing call since the last clear is also recorded, and one
// CanvasPainter draws both the picture and every other rendering of it (an
// image at any scale, SVG, PDF, a printer), so they agree by construction.
//
// Overlay items live above the picture and survive clear(): the origin and
// unit markers, the four selection lines and the coordinate read-out label.
// They are not part of image(), so an exported picture never shows them.
#pragma once

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QStaticText>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/canvas_painter.h"
#include "canvas/display_list.h"

class CanvasWidget : public QWidget, public Canvas {
  Q_OBJECT

 public:
  // Logical pixels per centimetre (the 997 / 26.37898 of the old screen).
  static constexpr double PIXELS_PER_CM = 96.0 / 2.54;
  // Side of the two markers in canvas units.
  static constexpr float MARKER_SIZE = 0.2f;
  static constexpr std::uint32_t BACKGROUND = 0xFFFFFF;

  struct Marker {
    float left = 0;  // upper-left corner, canvas units
    float top = 0;
    bool visible = true;
  };
  struct SelectionLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // canvas units
    bool visible = false;
  };

  explicit CanvasWidget(QWidget* parent = nullptr);
  ~CanvasWidget() override;

  // Canvas
  void clear() override;
  void setScale(float left, float top, float right, float bottom) override;
  void setDrawWidth(int pixels) override;
  void setDrawStyle(PenStyle style) override;
  void setFillSolid(bool solid) override;
  void setFillColor(std::uint32_t colour) override;
  void moveTo(float x, float y) override;
  float currentX() const override { return curX_; }
  float currentY() const override { return curY_; }
  void lineTo(float x, float y, std::uint32_t colour) override;
  void line(float x1, float y1, float x2, float y2, std::uint32_t colour) override;
  void circle(float cx, float cy, float radius, std::uint32_t colour) override;
  void setTextColor(std::uint32_t colour) override;
  void print(std::string_view utf8Text) override;

  // The scale corners as last set.
  float scaleLeft() const { return left_; }
  float scaleTop() const { return top_; }
  float scaleRight() const { return right_; }
  float scaleBottom() const { return bottom_; }
  // Inner size of the canvas in centimetres.
  double innerWidthCm() const { return width() / PIXELS_PER_CM; }
  double innerHeightCm() const { return height() / PIXELS_PER_CM; }

  // Unit conversions between canvas units and logical pixels of the picture.
  QPointF toPixel(double x, double y) const { return {(x - left_) * sx_, (y - top_) * sy_}; }
  QPointF toCanvas(QPointF pixel) const;
  static double cmToPixels(double cm) { return cm * PIXELS_PER_CM; }
  static double pixelsToCm(double pixels) { return pixels / PIXELS_PER_CM; }

  // The persistent picture (without overlays).
  const QImage& image();
  // Colour (red in the low byte) of the picture at a point in canvas units,
  // or -1 when the point lies outside the picture.
  std::int64_t pixelColor(float x, float y);
  // The same for a pixel of the picture.
  std::int64_t pixelColorAt(int px, int py);

  // Overlay items; index 1 or 2 for the markers (Shape1, Shape2), 1 to 4 for
  // the selection lines (Line1 .. Line4). Other indexes are ignored.
  void setMarker(int index, float left, float top);
  void setMarkerVisible(int index, bool visible);
  Marker marker(int index) const;
  void setSelectionLine(int index, float x1, float y1, float x2, float y2);
  void setSelectionLineVisible(int index, bool visible);
  SelectionLine selectionLine(int index) const;
  // The coordinate read-out Pcrdts, upper-left corner at (x, y) in canvas units.
  void showReadout(float x, float y, const QString& text);
  void hideReadout();
  QLabel* readout() const { return readout_; }

  // Marks of results (a zero, an extremum): a dot with its caption at a point
  // in canvas units, painted over the picture and not part of it, so a clear
  // or a redraw leaves them in place until they are replaced.
  struct OverlayMark {
    float x = 0, y = 0;
    QString caption;
    std::uint32_t colour = 0;  // red in the low byte
  };
  void setOverlayMarks(std::vector<OverlayMark> marks);
  const std::vector<OverlayMark>& overlayMarks() const { return overlayMarks_; }

  // Drawing that cannot touch the picture is skipped, and segments are
  // gathered and drawn together; off (every segment drawn on its own as it
  // comes) only to compare against the plain drawing.
  void setSkipInvisible(bool on);

  // Curves and solid circles are drawn antialiased (on by default); the
  // scale, the ticks, axis-parallel lines, texts and dotted circles stay
  // crisp either way. Off draws the plain aliased pixels. Changing it redraws
  // the picture from what was drawn since the last clear.
  void setAntialiased(bool on);
  bool antialiased() const { return antialiased_; }

  // Draws again what the picture holds, so that logicalRegion (logical pixels
  // of the picture, (0, 0) its upper-left corner) lands with its upper-left
  // corner at the painter's origin and one logical pixel covers `scale`
  // device units of the painter. Lines, circles and texts are drawn at that
  // resolution; on vector devices curves become paths and labels text.
  void renderRegion(QPainter& painter, const QRect& logicalRegion, double scale, bool antialiased) const;
  // The same into a new white RGB32 image of logicalRegion's size x scale,
  // in the current antialiasing mode. At scale 1 without antialiasing it is
  // image().copy(logicalRegion) at device pixel ratio 1, byte for byte.
  QImage renderImage(const QRect& logicalRegion, double scale) const;

  // Standard mouse button codes of the handlers: 1 left, 2 right, 4 middle.
  static int buttonCode(Qt::MouseButton button);
  static int buttonsCode(Qt::MouseButtons buttons);

 signals:
  void mousePressed(float x, float y, int button);
  void mouseMoved(float x, float y, int buttons);
  void mouseReleased(float x, float y, int button);
  // The mouse wheel over the canvas: the pointer in canvas units and the
  // vertical turn in eighths of a degree (120 for one notch, positive away
  // from the user).
  void wheelTurned(float x, float y, int angleDelta);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void endPainting();
  void fitImage(QSize want);
  void pictureChanged();
  void syncImageSize();
  // Drawing follows the widget's size only: asking for the pixel ratio goes
  // through the screen lookup, far too slow for every segment, label and
  // circle. A new ratio remakes the picture from the record when it is shown
  // or read. Inline: called for every segment.
  void followWidgetSize() {
    const QSize s = size();
    if (std::max(1, s.width()) != imageWidth_ || std::max(1, s.height()) != imageHeight_) fitImage(s);
  }
  void rebuildPicture();
  QImage renderImageAs(const QRect& logicalRegion, double scale, bool antialiased) const;
  CanvasPainter::Target screenTarget() const;
  void restoreDrawingState();
  QRectF markerRect(const Marker& m) const;
  void paintOverlayMarks(QPainter& p) const;
  void placeReadout();

  // The picture at device resolution (logical size x dpr_, with the device
  // pixel ratio set), what was drawn on it since the last clear, and the one
  // painter that draws both the picture and every other rendering.
  QImage image_;
  int imageWidth_ = 1, imageHeight_ = 1;  // logical size, read on every segment
  double dpr_ = 1;
  CanvasDisplayList list_;
  std::unique_ptr<CanvasPainter> painter_;
  float left_ = 0, top_ = 0, right_ = 1, bottom_ = -1;
  double sx_ = PIXELS_PER_CM, sy_ = -PIXELS_PER_CM;  // pixels per unit, signed
  float curX_ = 0, curY_ = 0;
  int width_ = 1;
  PenStyle style_ = PenStyle::Solid;
  bool fillSolid_ = false;
  std::uint32_t fillColour_ = 0;
  std::uint32_t textColour_ = 0;
  bool skipInvisible_ = true;
  bool repaintPending_ = false;
  QFont font_;
  double lineHeightPx_ = 15;

  std::array<Marker, 2> markers_{};
  std::array<SelectionLine, 4> lines_{};
  std::vector<OverlayMark> overlayMarks_;
  QLabel* readout_ = nullptr;
  float readoutX_ = 0, readoutY_ = 0;
  bool antialiased_ = true;
};
