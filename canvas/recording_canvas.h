// A canvas that draws nothing and keeps the exact sequence of operations, so
// tests can compare what the plotting code asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "canvas/canvas.h"

struct CanvasOp {
  enum class Kind {
    Clear,
    SetScale,      // a = left, b = top, c = right, d = bottom
    DrawWidth,     // a = width as asked
    DrawStyle,     // a = 0 solid, 1 dotted
    FillSolid,     // a = 0 or 1
    FillColor,     // colour
    MoveTo,        // a, b = point
    Segment,       // a, b -> c, d (from line and lineTo alike)
    Circle,        // a, b = centre, c = radius; fill = filled at the time
    TextColor,     // colour
    Print,         // a, b = where the text starts; text
  };
  Kind kind = Kind::Clear;
  float a = 0, b = 0, c = 0, d = 0;
  std::uint32_t colour = 0;
  std::string text;
  // Segments and circles also keep the pen they were drawn with.
  int width = 1;
  PenStyle style = PenStyle::Solid;
  bool fill = false;

  bool operator==(const CanvasOp&) const = default;
};

struct RecordedSegment {
  float x1, y1, x2, y2;
  std::uint32_t colour;
  int width;
  PenStyle style;
  bool operator==(const RecordedSegment&) const = default;
};

class RecordingCanvas : public Canvas {
 public:
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

  // Every operation in order.
  const std::vector<CanvasOp>& ops() const { return ops_; }
  void reset();  // forgets the operations; the pen and current point stay

  // Helpers for the common questions.
  std::size_t count(CanvasOp::Kind kind) const;
  std::size_t segmentCount() const { return count(CanvasOp::Kind::Segment); }
  std::vector<RecordedSegment> segments() const;
  std::vector<CanvasOp> circles() const;
  std::vector<std::string> printedTexts() const;
  std::vector<CanvasOp> prints() const;
  std::vector<CanvasOp> moves() const;  // explicit moveTo calls only

  int drawWidth() const { return width_; }
  PenStyle drawStyle() const { return style_; }
  bool fillSolid() const { return fillSolid_; }
  std::uint32_t fillColor() const { return fillColor_; }
  std::uint32_t textColor() const { return textColor_; }
  float scaleLeft() const { return left_; }
  float scaleTop() const { return top_; }
  float scaleRight() const { return right_; }
  float scaleBottom() const { return bottom_; }

  // Height of one printed line in canvas units (the current point moves down
  // by this after print); 0.4 cm unless a test chooses otherwise.
  void setLineHeight(float h) { lineHeight_ = h; }

 private:
  void push(CanvasOp op);
  CanvasOp penOp(CanvasOp::Kind kind) const;

  std::vector<CanvasOp> ops_;
  float curX_ = 0, curY_ = 0;
  float left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
  int width_ = 1;
  PenStyle style_ = PenStyle::Solid;
  bool fillSolid_ = false;
  std::uint32_t fillColor_ = 0;
  std::uint32_t textColor_ = 0;
  float lineHeight_ = 0.4f;
};
