#include "canvas/display_list.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "canvas/canvas_painter.h"

namespace {

std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }
float floatOf(std::uint32_t w) { return std::bit_cast<float>(w); }

}  // namespace

void CanvasDisplayList::clear() {
  used_ = 0;
  // The same labels come back on every redraw: the table of texts outlives a
  // clear, so that a redraw only looks them up, unless it has grown large.
  if (texts_.size() > MAX_KEPT_TEXTS) {
    texts_.clear();
    textIndex_.clear();
  }
  complete_ = true;
  chained_ = false;
}

bool CanvasDisplayList::reserve(std::size_t words) {
  if (!complete_) return false;
  if ((used_ + words) * sizeof(std::uint32_t) > maxBytes_) {
    // Too much to keep: what the list holds can no longer make the picture.
    complete_ = false;
    chained_ = false;
    std::vector<std::uint32_t>().swap(words_);
    used_ = 0;
    texts_.clear();
    textIndex_.clear();
    return false;
  }
  return true;
}

void CanvasDisplayList::grow(std::size_t n) {
  words_.resize(std::max({words_.size() * 2, used_ + n, std::size_t{4096}}));
}

void CanvasDisplayList::put(float v) { put(bitsOf(v)); }

void CanvasDisplayList::setScale(float left, float top, float right, float bottom) {
  if (!reserve(5)) return;
  put(header(SCALE, 1, PenStyle::Solid));
  put(left);
  put(top);
  put(right);
  put(bottom);
  chained_ = false;
}

void CanvasDisplayList::circle(float cx, float cy, float radius, std::uint32_t colour, int width, PenStyle style,
                               bool fillSolid, std::uint32_t fillColour) {
  if (!reserve(6)) return;
  put(header(CIRCLE, width, style, fillSolid));
  put(colour);
  put(fillColour);
  put(cx);
  put(cy);
  put(radius);
  chained_ = false;
}

void CanvasDisplayList::text(float x, float y, const QString& text, std::uint32_t colour) {
  if (!reserve(5)) return;
  auto it = textIndex_.find(text);
  if (it == textIndex_.end()) {
    it = textIndex_.emplace(text, static_cast<std::uint32_t>(texts_.size())).first;
    texts_.push_back(text);
  }
  put(header(TEXT, 1, PenStyle::Solid));
  put(colour);
  put(x);
  put(y);
  put(it->second);
  chained_ = false;
}

void CanvasDisplayList::pictureResized(QSize logicalSize) {
  if (!reserve(3)) return;
  put(header(RESIZE, 1, PenStyle::Solid));
  put(static_cast<std::uint32_t>(logicalSize.width()));
  put(static_cast<std::uint32_t>(logicalSize.height()));
  chained_ = false;
}

void CanvasDisplayList::replay(CanvasPainter& painter) const {
  const std::uint32_t* w = words_.data();
  const std::uint32_t* const end = w + used_;
  float x = 0, y = 0;
  std::uint32_t colour = 0;
  while (w < end) {
    const std::uint32_t h = *w++;
    const auto kind = static_cast<Kind>(h & 0xF);
    if (kind == LINE || kind == LINE_ON || kind == CIRCLE) {
      painter.setWidth(static_cast<int>(h >> 8));
      painter.setStyle((h & 0x10) ? PenStyle::Dotted : PenStyle::Solid);
    }
    switch (kind) {
      case SCALE:
        painter.setMapping(floatOf(w[0]), floatOf(w[1]), floatOf(w[2]), floatOf(w[3]));
        w += 4;
        break;
      case LINE:
        colour = w[0];
        x = floatOf(w[1]);
        y = floatOf(w[2]);
        w += 3;
        [[fallthrough]];
      case LINE_ON: {
        const float x2 = floatOf(w[0]), y2 = floatOf(w[1]);
        w += 2;
        painter.line(x, y, x2, y2, colour);
        x = x2;
        y = y2;
        break;
      }
      case CIRCLE:
        painter.setFill((h & 0x20) != 0, w[1]);
        painter.circle(floatOf(w[2]), floatOf(w[3]), floatOf(w[4]), w[0]);
        w += 5;
        break;
      case TEXT:
        painter.text(floatOf(w[1]), floatOf(w[2]), texts_[w[3]], w[0]);
        w += 4;
        break;
      case RESIZE:
        painter.pictureResized(QSize(static_cast<int>(w[0]), static_cast<int>(w[1])));
        w += 2;
        break;
    }
  }
}
