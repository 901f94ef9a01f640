// Draws the canvas operations onto any QPainter: the screen picture, an image
// at any scale, an SVG generator, a PDF writer or a printer. One class for all
// of them keeps the screen, exports and prints alike by construction.
//
// Positions come in canvas units and are mapped by the scale corners to
// logical pixels of the picture (one centimetre = 96 / 2.54 logical pixels),
// then to the target: the target region's upper-left logical pixel lands at
// the painter's origin and one logical pixel covers `scale` device units.
// A logical pixel P is the square [P, P + 1), so a position u is drawn at
// (u - origin + 0.5) x scale, the centre of the square it rounds into; at
// scale 1 without antialiasing the plain pixel positions are drawn as they
// round, which are exactly the pixels of the aliased picture.
//
// Antialiasing smooths curves (sloping segments) and solid-pen circles. Lines
// parallel to an axis (the axes, ticks, straight curves), texts and dotted
// circles stay crisp: they are snapped to device pixels.
#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QStaticText>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/text_hash.h"

class CanvasPainter {
 public:
  static constexpr double PIXELS_PER_CM = 96.0 / 2.54;

  struct Target {
    QRect region{0, 0, 1, 1};  // logical pixels of the picture that are drawn
    double scale = 1;          // device units per logical pixel
    bool antialiased = false;
    // Off draws every segment on its own as it comes, even where it cannot
    // show or was drawn already (the plain drawing, only to compare against).
    bool skipInvisible = true;
    // The region is the whole picture, and the image drawn into follows the
    // picture's resizes as the screen picture did (kept, cut or widened with
    // white), so that the drawing is the picture's own pixel for pixel.
    bool followPicture = false;
  };

  // The canvas font at its logical pixel size.
  explicit CanvasPainter(const QFont& font);
  ~CanvasPainter();
  CanvasPainter(const CanvasPainter&) = delete;
  CanvasPainter& operator=(const CanvasPainter&) = delete;

  // Draws into an image that it opens a painter on when needed and closes in
  // end(). The image is the picture at `target`; it must outlive the drawing.
  void drawInto(QImage* image, const Target& target);
  // Draws through a painter that the caller holds open; its state is saved
  // here and restored by end().
  void drawThrough(QPainter* painter, const Target& target);
  // Draws what waits and lets go of the painter. Drawing may go on after it.
  void end();
  // Draws what waits (the picture is about to be read or shown).
  void flush();

  // Whitens the parts of the picture drawn on since startClean(), when the
  // painter knows them (it drew into this very image all along); false when
  // the whole picture must be whitened. A redraw whitens the picture first,
  // and most of it is still white from the last one.
  bool whitenDrawn(QImage& image) const;
  // The picture drawn into is white all over.
  void startClean();

  // The drawing state.
  void setMapping(float left, float top, float right, float bottom);
  void setWidth(int pixels);
  void setStyle(PenStyle style);
  void setFill(bool solid, std::uint32_t colour);
  // Forgets which segments were drawn since the pen changed (the picture
  // was whitened or replaced).
  void forgetRun();
  // The picture took a new logical size: what lay beyond it is cut off and
  // the drawing that follows stays inside it.
  void pictureResized(QSize logicalSize);

  // The drawing operations, positions in canvas units.
  void line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    drawSegment((x1 - left_) * sx_, (y1 - top_) * sy_, (x2 - left_) * sx_, (y2 - top_) * sy_, colour);
  }
  void circle(float cx, float cy, float radius, std::uint32_t colour);
  // The text with its upper-left corner at (x, y).
  void text(float x, float y, const QString& text, std::uint32_t colour);

  // Height of one line of text in logical pixels.
  double lineHeight() const { return lineHeight_; }
  // Logical pixel position of a point in canvas units under the current mapping.
  QPointF toPixel(double x, double y) const { return {(x - left_) * sx_, (y - top_) * sy_}; }

 private:
  // The segments drawn since the pen or anything else on the picture last
  // changed: drawing one of them again cannot change a pixel (an opaque
  // segment over pixels of its own colour), so it is skipped. Curves that go
  // round many times (polar ones at a small unit) repeat most of their
  // segments. A direct-mapped cache of two-slot buckets: a segment it has
  // lost is merely drawn again. Each slot holds the generation in its top
  // byte, so forgetting everything is one increment.
  class SegmentRun {
   public:
    SegmentRun();
    void forget();
    // False when the segment was drawn in this run already.
    bool insert(int x1, int y1, int x2, int y2);
    // Counts the forgets: what was drawn under one epoch is still on the picture.
    std::uint64_t epoch() const { return epoch_; }

   private:
    static constexpr int BITS = 14;  // 16384 slots of 8 bytes
    std::vector<std::uint64_t> slots_;
    std::uint64_t generation_ = 1;
    std::uint64_t last_ = 0;  // the key inserted last, tagged; consecutive repeats end here
    std::uint64_t epoch_ = 1;
  };

  // Which tiles of the picture were drawn on, in device pixels; everything
  // when unknown.
  class DrawnTiles {
   public:
    static constexpr int SHIFT = 5;  // tiles of 32 x 32 device pixels
    void reset(int width, int height);
    void markAll() { all_ = true; }
    bool all() const { return all_; }
    // An inclusive rectangle of device pixels, clamped to the picture.
    void mark(int x1, int y1, int x2, int y2) {
      if (all_) return;
      x1 = std::max(x1, 0);
      y1 = std::max(y1, 0);
      x2 = std::min(x2, width_ - 1);
      y2 = std::min(y2, height_ - 1);
      if (x1 > x2 || y1 > y2) return;
      for (int ty = y1 >> SHIFT; ty <= y2 >> SHIFT; ++ty)
        for (int tx = x1 >> SHIFT; tx <= x2 >> SHIFT; ++tx) tiles_[static_cast<std::size_t>(ty * columns_ + tx)] = 1;
    }
    // A pixel on the picture.
    void markPixel(int x, int y) {
      if (!all_) tiles_[static_cast<std::size_t>((y >> SHIFT) * columns_ + (x >> SHIFT))] = 1;
    }
    void whiten(QImage& image) const;

   private:
    bool all_ = true;
    int width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
    std::vector<std::uint8_t> tiles_;
  };
  void markDrawn(double x1, double y1, double x2, double y2, double margin);
  void updateCullMargin();

  QPainter& painter();
  void applyPen(std::uint32_t colour);
  void clipToPicture(QPainter& p, Qt::ClipOperation operation) const;
  void followResize(QSize logicalSize);
  void flushLines();
  void drawSmoothRuns(QPainter& p);
  void layHairlines(QPainter& p, const QPointF* points, int count, double w);
  bool writesDirectly() const;
  QRect directArea() const;
  void addSmooth(QPointF from, QPointF to);
  void endSmoothRun();
  void addToPath(QPointF from, QPointF to);
  void drawCrispLines(QPainter& p);
  // Device position of a logical pixel position, for aliased drawing (rounded)
  // and for smooth drawing.
  int crispX(double u) const;
  int crispY(double u) const;
  double smoothX(double u) const { return (u - origin_.x() + 0.5) * scale_; }
  double smoothY(double u) const { return (u - origin_.y() + 0.5) * scale_; }
  void drawSegment(double x1, double y1, double x2, double y2, std::uint32_t colour);
  bool paintsItsEnd(int ix1, int iy1, int ix2, int iy2, bool smooth) const;
  // reach: how far from the centre the circle's pixels can lie.
  void drawDottedCircle(double cx, double cy, double r, std::uint32_t colour, double reach);
  const QStaticText& staticText(const QString& text);

  Target target_;
  QImage* image_ = nullptr;          // drawInto: the picture
  QPainter* external_ = nullptr;     // drawThrough: the caller's painter
  // drawThrough: the caller's own clip, if any, which every clip to the
  // picture's current size starts again from (the picture grows and shrinks).
  bool callerClipped_ = false;
  QPainterPath callerClip_;
  std::unique_ptr<QPainter> own_;    // drawInto: opened when needed
  bool raster_ = true;               // pixels (dots, static texts) or a vector device
  bool clipped_ = false;             // the picture was resized: drawing stays inside it
  QRect pictureRect_;                // logical, when clipped_
  QPoint origin_;                    // target_.region's upper-left
  double scale_ = 1;
  bool unitScale_ = true;            // scale 1: plain rounding
  int deviceWidth_ = 1, deviceHeight_ = 1;

  SegmentRun run_;
  DrawnTiles drawn_;
  // The end of the last segment in logical and device pixels (NaN: none).
  struct Chain {
    double x = std::numeric_limits<double>::quiet_NaN(), y = std::numeric_limits<double>::quiet_NaN();
    int ix = 0, iy = 0;
    // The segment that ended here, when it was drawn (or was a repeat of one
    // drawn) in the run's current epoch: its start and how it was drawn.
    std::uint64_t drawn = 0;
    int fromX = 0, fromY = 0;
    bool smooth = false;
  };
  Chain chain_;
  // Segments and single points of the current pen not yet drawn. They go out
  // in one call each when the pen changes, before any other drawing and
  // before the picture is read or shown. Within one opaque pen the order of
  // segments cannot change a pixel.
  std::vector<QLine> crispLines_;
  std::vector<QPoint> crispPoints_;
  // Smooth segments that each start where the last one ended form a run,
  // drawn as one polyline: the smoothing is laid once over each joint
  // instead of twice, as separate lines would lay it. Within a run, samples
  // that stay within SMOOTH_TOLERANCE of a straight stretch are kept only at
  // its ends: samples finer than the pixels then cost the painter nothing.
  // The points of the runs one after another; each run's first index.
  std::vector<QPointF> smoothRunPoints_;
  std::vector<int> smoothRunStarts_;
  struct SmoothStretch {
    bool open = false;       // a run goes on from smoothRunPoints_.back()
    bool tentative = false;  // back() is the stretch's end, which a later sample may still replace
    bool aimed = false;      // lo and hi bound the directions left
    QPointF anchor;          // the stretch's start
    QPointF lo, hi;          // the directions from the anchor that keep every sample so far close
    double farthest = 0;     // the greatest distance of a sample from the anchor
  };
  SmoothStretch stretch_;
  static constexpr double SMOOTH_TOLERANCE = 0.125;  // device pixels
  std::vector<QPoint> dots_;
  std::vector<QLineF> lines_;             // drawSmoothRuns: the single segments
  std::vector<QPointF> piece_, shifted_;  // layHairlines
  std::vector<QLine> crispHairlines_;
  QPainterPath path_;  // vector devices: the segments of the current pen
  static constexpr double HAIRLINE_WIDTH = 2.5;

  float left_ = 0, top_ = 0;
  double sx_ = PIXELS_PER_CM, sy_ = -PIXELS_PER_CM;  // logical pixels per unit, signed
  int width_ = 1;
  // Segments wholly further than this beyond the picture cannot touch it
  // (device pixels: the pen's width, and a pixel for rounding either way).
  int cullMargin_ = 3;
  PenStyle style_ = PenStyle::Solid;
  bool fillSolid_ = false;
  std::uint32_t fillColour_ = 0;
  bool penValid_ = false;
  std::uint32_t penColour_ = 0;

  QFont font_;        // logical size
  QFont deviceFont_;  // at the target's scale
  double lineHeight_ = 15;
  std::unordered_map<QString, QStaticText, TextHash> texts_;
};
