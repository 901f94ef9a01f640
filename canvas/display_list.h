// What was drawn on the canvas since the last clear, as a compact list of the
// drawing operations in canvas units, so that the picture can be drawn again
// at another scale, with or without antialiasing, or onto a vector device.
// The screen picture itself is a history of single drawing calls (redraws,
// single curves, evaluated points, labels), so it cannot be made again from
// the plotted functions alone.
//
// Memory is bounded: a segment that continues the previous one in the same
// pen costs 12 bytes, any other operation 16 to 24. Past MAX_BYTES the list
// stops recording and says so (complete() turns false) until the next clear;
// the canvas then falls back to scaling the picture it holds.
#pragma once

#include <QHash>
#include <QSize>
#include <QString>
#include <bit>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/text_hash.h"

class CanvasPainter;

class CanvasDisplayList {
 public:
  static constexpr std::size_t MAX_BYTES = std::size_t{24} << 20;  // some 2 million segments
  static constexpr std::size_t MAX_KEPT_TEXTS = 4096;

  explicit CanvasDisplayList(std::size_t maxBytes = MAX_BYTES) : maxBytes_(maxBytes) {}

  // Forgets everything; the list is complete again.
  void clear();
  bool complete() const { return complete_; }
  bool empty() const { return used_ == 0; }
  std::size_t bytes() const { return used_ * sizeof(std::uint32_t); }

  void setScale(float left, float top, float right, float bottom);
  // Inline: it is called for every segment the canvas draws.
  void line(float x1, float y1, float x2, float y2, std::uint32_t colour, int width, PenStyle style);
  void circle(float cx, float cy, float radius, std::uint32_t colour, int width, PenStyle style, bool fillSolid,
              std::uint32_t fillColour);
  void text(float x, float y, const QString& text, std::uint32_t colour);
  void pictureResized(QSize logicalSize);

  // Draws every operation in order through the painter, which is left with
  // the last scale, width and style of the list.
  void replay(CanvasPainter& painter) const;

 private:
  enum Kind : std::uint32_t { SCALE, LINE, LINE_ON, CIRCLE, TEXT, RESIZE };
  static std::uint32_t header(Kind kind, int width, PenStyle style, bool fillSolid = false) {
    return static_cast<std::uint32_t>(kind) | (style == PenStyle::Dotted ? 0x10u : 0u) | (fillSolid ? 0x20u : 0u) |
           (static_cast<std::uint32_t>(width) << 8);
  }
  bool reserve(std::size_t words);
  // Room for n more words at the end, which count as written.
  std::uint32_t* grab(std::size_t n) {
    if (used_ + n > words_.size()) grow(n);
    std::uint32_t* at = words_.data() + used_;
    used_ += n;
    return at;
  }
  void grow(std::size_t n);
  void put(float v);
  void put(std::uint32_t v) { *grab(1) = v; }

  std::size_t maxBytes_;
  // Its size is the room allocated; the first used_ words are the list. A
  // segment is then a few stores, without the vector's per-word bookkeeping.
  std::vector<std::uint32_t> words_;
  std::size_t used_ = 0;
  std::vector<QString> texts_;
  std::unordered_map<QString, std::uint32_t, TextHash> textIndex_;
  bool complete_ = true;
  // The end of the last segment, to chain the next one onto it.
  bool chained_ = false;
  std::uint32_t endX_ = 0, endY_ = 0, lastColour_ = 0, lastHeader_ = 0;
};

// Called for every segment of every curve: one check, one append.
inline void CanvasDisplayList::line(float x1, float y1, float x2, float y2, std::uint32_t colour, int width,
                                    PenStyle style) {
  const std::uint32_t lineHeader = header(LINE, width, style);
  const bool continues = chained_ && std::bit_cast<std::uint32_t>(x1) == endX_ &&
                         std::bit_cast<std::uint32_t>(y1) == endY_ && colour == lastColour_ &&
                         lineHeader == lastHeader_;
  const std::size_t need = continues ? 3 : 6;
  if ((used_ + need) * sizeof(std::uint32_t) > maxBytes_ && !reserve(need)) return;
  if (!complete_) return;
  std::uint32_t* w = grab(need);
  if (continues) {
    *w++ = header(LINE_ON, width, style);
  } else {
    *w++ = lineHeader;
    *w++ = colour;
    *w++ = std::bit_cast<std::uint32_t>(x1);
    *w++ = std::bit_cast<std::uint32_t>(y1);
  }
  w[0] = endX_ = std::bit_cast<std::uint32_t>(x2);
  w[1] = endY_ = std::bit_cast<std::uint32_t>(y2);
  chained_ = true;
  lastColour_ = colour;
  lastHeader_ = lineHeader;
}
