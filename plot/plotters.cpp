#include "plot/plotters.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/engine.h"

namespace {

// The sample spacing of one sweep over a range of the given length. A
// precision that is not a positive number falls back to the default; a step
// that would need more than MAX_SAMPLES_PER_SWEEP samples is enlarged to cover
// the range in exactly that many.
double sweepStep(double wantedStep, double range) {
  double step = wantedStep;
  if (!(range > 0) || !std::isfinite(range)) return step;
  if (range / step + 1.0 > static_cast<double>(MAX_SAMPLES_PER_SWEEP))
    step = range / static_cast<double>(MAX_SAMPLES_PER_SWEEP - 1);
  return step;
}

double usablePrecision(float Jd) { return Jd > 0 && std::isfinite(Jd) ? Jd : DEFAULT_PRECISION; }

struct Candidate {
  double x;
  float y;
};

// Maps world points onto the canvas: computed in double, handed on as single.
// A neighbour or a search candidate out of view can lie beyond the single
// range once multiplied by the unit length (3E38 at unitLength 15); such an
// end is held at FAR_CANVAS centimetres, where the segment still leaves the
// canvas in the same direction, instead of becoming infinite and being lost.
constexpr double FAR_CANVAS = 1e30;
float toCanvas(double v) { return static_cast<float>(std::clamp(v, -FAR_CANVAS, FAR_CANVAS)); }
struct Mapping {
  double x0, y0, k;
  float cx(double x) const { return toCanvas(x0 + k * x); }
  float cy(double y) const { return toCanvas(y0 + k * y); }
};

void setUpPen(Canvas& board, const Pen& pen) {
  board.setDrawStyle(PenStyle::Solid);
  board.setDrawWidth(canvasPenWidth(pen.lwidth));
}

std::int16_t resultCode(std::int64_t definedCount, std::int64_t inBandCount) {
  if (inBandCount > 0) return PLOT_OK;
  return definedCount > 0 ? PLOT_OUT_OF_VIEW : PLOT_UNDEFINED;
}

void tellUser(std::int16_t code, Messages& messages) {
  if (code == PLOT_OUT_OF_VIEW) messages.show(MESSAGE_OUT_OF_VIEW, MessageIcon::Warning);
  if (code == PLOT_UNDEFINED) messages.show(MESSAGE_UNDEFINED, MessageIcon::Warning);
}

// Looks for the first defined candidate base + sign * h / k, k = 1, 2, ...,
// closing in on base. lastGood is the validity of the last evaluation made.
std::optional<Candidate> search(const CompiledExpression& f, double base, double sign, double h, bool& lastGood) {
  for (int k = 1; k <= MAX_SEARCH_CANDIDATES; ++k) {
    const double xs = base + sign * (h / k);
    const float ys = f.evaluate(static_cast<float>(xs), lastGood);
    if (lastGood) return Candidate{xs, ys};
  }
  return std::nullopt;
}

std::int16_t cartesianSweep(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2,
                            float Ty1, float Ty2, float x0, float y0, const PlotContext& context) {
  setUpPen(Board, context.pen);
  const CompiledExpression f(fgExppression);
  const double k = context.unitLength;
  const Mapping p{x0, y0, k};
  const std::uint32_t colour = context.pen.lcolor;

  const double step = sweepStep(usablePrecision(Jd) / k, static_cast<double>(Tx2) - Tx1);
  const double h = step / 2;  // the reach of the searches
  // The band reaches 2 units below the bottom edge and not at all above the top.
  const double bandLow = static_cast<double>(Ty1) - 2 * k;

  std::int64_t definedCount = 0;
  std::int64_t inBandCount = 0;
  std::int64_t runLength = 0;
  std::int64_t gapLength = 0;
  bool prevDefined = false;
  double prevY = 0;

  for (double x = Tx1; x <= Tx2;) {
    bool ok = false;
    const float y = f.evaluate(static_cast<float>(x), ok);
    if (ok) ++definedCount;
    const bool inBand = ok && bandLow <= y && y <= Ty2;
    if (inBand) {
      ++inBandCount;
      ++runLength;
      gapLength = 0;
    } else {
      runLength = 0;
      ++gapLength;
    }
    bool lastGood = ok;

    if (runLength == 1) {
      const bool firstOfSweep = inBandCount == 1;
      if (firstOfSweep && x == static_cast<double>(Tx1)) {
        Board.moveTo(p.cx(x), p.cy(y));
      } else if (firstOfSweep && prevDefined) {
        // The previous sample was defined but outside the band: join it.
        Board.line(p.cx(x - step), p.cy(prevY), p.cx(x), p.cy(y), colour);
      } else if (const auto entry = search(f, x, -1.0, h, lastGood)) {
        Board.line(p.cx(entry->x), p.cy(entry->y), p.cx(x), p.cy(y), colour);
      } else {
        Board.moveTo(p.cx(x), p.cy(y));
      }
    } else if (runLength > 1) {
      Board.lineTo(p.cx(x), p.cy(y), colour);
    } else if (inBandCount > 0 && gapLength == 1) {
      // The first sample after leaving the band: reach towards the edge from
      // the last in-band sample, where the pen still is.
      if (const auto exit = search(f, x - step, 1.0, h, lastGood))
        Board.lineTo(p.cx(exit->x), p.cy(exit->y), colour);
    }

    prevY = y;
    prevDefined = lastGood;
    const double next = x + step;
    if (!(next > x)) break;  // a step too small to move x any more
    x = next;
  }
  return resultCode(definedCount, inBandCount);
}

std::int16_t polarSweep(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                        float Ty2, float x0, float y0, const PlotContext& context, double angleLimit,
                        PolarAngleTable* table) {
  setUpPen(Board, context.pen);
  const CompiledExpression f(fgExppression);
  const double k = context.unitLength;
  const Mapping p{x0, y0, k};
  const std::uint32_t colour = context.pen.lcolor;

  const double tMax = angleLimit / k;
  const double step = sweepStep(usablePrecision(Jd), tMax);
  const double leftLow = static_cast<double>(Tx1) - 2 * k;
  const double bottomLow = static_cast<double>(Ty1) - 2 * k;

  std::int64_t definedCount = 0;
  std::int64_t inBandCount = 0;
  std::int64_t runLength = 0;

  auto sample = [&](bool ok, double r, double cosine, double sine) {
    if (ok) ++definedCount;
    const double X = cosine * r;
    const double Y = sine * r;
    const bool inBand = ok && leftLow <= X && X <= Tx2 && bottomLow <= Y && Y <= Ty2;
    if (inBand) {
      ++inBandCount;
      ++runLength;
    } else {
      runLength = 0;
    }
    if (runLength == 1) Board.moveTo(p.cx(X), p.cy(Y));
    if (runLength > 1) Board.lineTo(p.cx(X), p.cy(Y), colour);
  };

  const std::vector<PolarAngleTable::Angle>* held = table ? &table->angles(step, tMax) : nullptr;
  if (held && !held->empty()) {
    for (const PolarAngleTable::Angle& angle : *held) {
      bool ok = false;
      const double r = f.evaluate(angle.argument, ok);
      sample(ok, r, angle.cosine, angle.sine);
    }
  } else {
    for (double t = 0; t <= tMax;) {
      bool ok = false;
      const double r = f.evaluate(static_cast<float>(t), ok);
      sample(ok, r, std::cos(t), std::sin(t));
      const double next = t + step;
      if (!(next > t)) break;
      t = next;
    }
  }
  return resultCode(definedCount, inBandCount);
}

}  // namespace

void drawnorvale(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                 float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context) {
  II = cartesianSweep(fgExppression, Board, Jd, Tx1, Tx2, Ty1, Ty2, x0, y0, context);
  tellUser(II, context.messages);
}

void drawnorvaleMV(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                   float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context) {
  II = cartesianSweep(fgExppression, Board, Jd, Tx1, Tx2, Ty1, Ty2, x0, y0, context);
}

void drawnorvale2(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                  float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context) {
  II = polarSweep(fgExppression, Board, Jd, Tx1, Tx2, Ty1, Ty2, x0, y0, context, POLAR_DRAW_ANGLE, nullptr);
  tellUser(II, context.messages);
}

void drawnorvale2MV(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                    float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context) {
  II = polarSweep(fgExppression, Board, Jd, Tx1, Tx2, Ty1, Ty2, x0, y0, context, POLAR_REDRAW_ANGLE, nullptr);
}

std::int16_t drawnorvale(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& w,
                         const PlotContext& context) {
  std::int16_t II = 0;
  drawnorvale(fgExppression, Board, Jd, w.left, w.right, w.bottom, w.top, w.originX, w.originY, II, context);
  return II;
}

std::int16_t drawnorvaleMV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& w,
                           const PlotContext& context) {
  std::int16_t II = 0;
  drawnorvaleMV(fgExppression, Board, Jd, w.left, w.right, w.bottom, w.top, w.originX, w.originY, II, context);
  return II;
}

std::int16_t drawnorvale2(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& w,
                          const PlotContext& context) {
  std::int16_t II = 0;
  drawnorvale2(fgExppression, Board, Jd, w.left, w.right, w.bottom, w.top, w.originX, w.originY, II, context);
  return II;
}

std::int16_t drawnorvale2MV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& w,
                            const PlotContext& context) {
  std::int16_t II = 0;
  drawnorvale2MV(fgExppression, Board, Jd, w.left, w.right, w.bottom, w.top, w.originX, w.originY, II, context);
  return II;
}

std::int16_t drawnorvale2MV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& w,
                            const PlotContext& context, PolarAngleTable& angles) {
  return polarSweep(fgExppression, Board, Jd, w.left, w.right, w.bottom, w.top, w.originX, w.originY, context,
                    POLAR_REDRAW_ANGLE, &angles);
}

const std::vector<PolarAngleTable::Angle>& PolarAngleTable::angles(double step, double tMax) {
  // Compared bit for bit: the same step and limit give the same angles.
  if (held_ && step == step_ && tMax == tMax_) return angles_;
  held_ = true;
  step_ = step;
  tMax_ = tMax;
  angles_.clear();
  if (!(tMax / step < MAX_ANGLES)) {
    angles_.shrink_to_fit();
    return angles_;
  }
  // The same steps as the sweep itself takes.
  for (double t = 0; t <= tMax;) {
    angles_.push_back({std::cos(t), std::sin(t), CompiledExpression::prepare(static_cast<float>(t))});
    const double next = t + step;
    if (!(next > t)) break;
    t = next;
  }
  return angles_;
}
