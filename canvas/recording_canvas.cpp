#include "canvas/recording_canvas.h"

#include <algorithm>

void RecordingCanvas::push(CanvasOp op) { ops_.push_back(std::move(op)); }

CanvasOp RecordingCanvas::penOp(CanvasOp::Kind kind) const {
  CanvasOp op;
  op.kind = kind;
  op.width = width_;
  op.style = style_;
  op.fill = fillSolid_;
  return op;
}

void RecordingCanvas::reset() { ops_.clear(); }

void RecordingCanvas::clear() {
  // Like the real canvas, a clear sends the current point to (0, 0).
  curX_ = 0;
  curY_ = 0;
  push(penOp(CanvasOp::Kind::Clear));
}

void RecordingCanvas::setScale(float left, float top, float right, float bottom) {
  left_ = left;
  top_ = top;
  right_ = right;
  bottom_ = bottom;
  CanvasOp op = penOp(CanvasOp::Kind::SetScale);
  op.a = left;
  op.b = top;
  op.c = right;
  op.d = bottom;
  push(op);
}

void RecordingCanvas::setDrawWidth(int pixels) {
  width_ = pixels;
  CanvasOp op = penOp(CanvasOp::Kind::DrawWidth);
  op.a = static_cast<float>(pixels);
  push(op);
}

void RecordingCanvas::setDrawStyle(PenStyle style) {
  style_ = style;
  CanvasOp op = penOp(CanvasOp::Kind::DrawStyle);
  op.a = style == PenStyle::Dotted ? 1.0f : 0.0f;
  push(op);
}

void RecordingCanvas::setFillSolid(bool solid) {
  fillSolid_ = solid;
  CanvasOp op = penOp(CanvasOp::Kind::FillSolid);
  op.a = solid ? 1.0f : 0.0f;
  push(op);
}

void RecordingCanvas::setFillColor(std::uint32_t colour) {
  fillColor_ = colour;
  CanvasOp op = penOp(CanvasOp::Kind::FillColor);
  op.colour = colour;
  push(op);
}

void RecordingCanvas::moveTo(float x, float y) {
  curX_ = x;
  curY_ = y;
  CanvasOp op = penOp(CanvasOp::Kind::MoveTo);
  op.a = x;
  op.b = y;
  push(op);
}

void RecordingCanvas::lineTo(float x, float y, std::uint32_t colour) {
  line(curX_, curY_, x, y, colour);
}

void RecordingCanvas::line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
  CanvasOp op = penOp(CanvasOp::Kind::Segment);
  op.a = x1;
  op.b = y1;
  op.c = x2;
  op.d = y2;
  op.colour = colour;
  push(op);
  curX_ = x2;
  curY_ = y2;
}

void RecordingCanvas::circle(float cx, float cy, float radius, std::uint32_t colour) {
  CanvasOp op = penOp(CanvasOp::Kind::Circle);
  op.a = cx;
  op.b = cy;
  op.c = radius;
  op.colour = colour;
  push(op);
  curX_ = cx;
  curY_ = cy;
}

void RecordingCanvas::setTextColor(std::uint32_t colour) {
  textColor_ = colour;
  CanvasOp op = penOp(CanvasOp::Kind::TextColor);
  op.colour = colour;
  push(op);
}

void RecordingCanvas::print(std::string_view utf8Text) {
  CanvasOp op = penOp(CanvasOp::Kind::Print);
  op.a = curX_;
  op.b = curY_;
  op.colour = textColor_;
  op.text = std::string(utf8Text);
  push(op);
  // The next print starts one line further down, at the left edge.
  curX_ = left_;
  curY_ += (bottom_ < top_ ? -lineHeight_ : lineHeight_);
}

std::size_t RecordingCanvas::count(CanvasOp::Kind kind) const {
  return static_cast<std::size_t>(
      std::count_if(ops_.begin(), ops_.end(), [kind](const CanvasOp& op) { return op.kind == kind; }));
}

std::vector<RecordedSegment> RecordingCanvas::segments() const {
  std::vector<RecordedSegment> out;
  for (const CanvasOp& op : ops_)
    if (op.kind == CanvasOp::Kind::Segment)
      out.push_back({op.a, op.b, op.c, op.d, op.colour, op.width, op.style});
  return out;
}

static std::vector<CanvasOp> filtered(const std::vector<CanvasOp>& ops, CanvasOp::Kind kind) {
  std::vector<CanvasOp> out;
  for (const CanvasOp& op : ops)
    if (op.kind == kind) out.push_back(op);
  return out;
}

std::vector<CanvasOp> RecordingCanvas::circles() const { return filtered(ops_, CanvasOp::Kind::Circle); }
std::vector<CanvasOp> RecordingCanvas::prints() const { return filtered(ops_, CanvasOp::Kind::Print); }
std::vector<CanvasOp> RecordingCanvas::moves() const { return filtered(ops_, CanvasOp::Kind::MoveTo); }

std::vector<std::string> RecordingCanvas::printedTexts() const {
  std::vector<std::string> out;
  for (const CanvasOp& op : ops_)
    if (op.kind == CanvasOp::Kind::Print) out.push_back(op.text);
  return out;
}
