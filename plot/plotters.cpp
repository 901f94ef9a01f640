#include "plot/plotters.h"

#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "plot/curve_refiner.h"

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

// Visits the values of a sweep: from, then each sum plus step while it stays
// within to, until a step too small to move the value any more. Every sweep
// and every table of a sweep's values takes these same sums.
template <class Visit>
void forEachSweepValue(double from, double step, double to, Visit&& visit) {
  for (double u = from; u <= to;) {
    visit(u);
    const double next = u + step;
    if (!(next > u)) break;
    u = next;
  }
}

double usablePrecision(float Jd) { return Jd > 0 && std::isfinite(Jd) ? Jd : DEFAULT_PRECISION; }

// y = f(x): the point at x, in band when y lies from 2 units below the
// bottom edge (the band's margin, unequal on purpose) up to the top edge.
struct CartesianCurve {
  static constexpr double suspectTurn = SUSPECT_TURN;
  const CompiledExpression& f;
  double x0, y0, k;
  double bandLow, bandHigh;

  void fill(CurvePoint& p, double x, float y, bool ok) const {
    p.u = x;
    if (!ok) {
      p.cx = p.cy = 0;
      p.place = CurvePoint::Place::Undefined;
      return;
    }
    p.cx = x0 + k * x;
    p.cy = y0 + k * static_cast<double>(y);
    p.place = bandLow <= y && y <= bandHigh ? CurvePoint::Place::InBand : CurvePoint::Place::OutOfBand;
  }
  CurvePoint point(double x, float y, bool ok) const {
    CurvePoint p;
    fill(p, x, y, ok);
    return p;
  }
  CurvePoint at(double x) const {
    bool ok = false;
    const float y = f.evaluate(static_cast<float>(x), ok);
    return point(x, y, ok);
  }
  double span(double x1, double x2) const { return k * std::fabs(x2 - x1); }
  double edgeDistance(const CurvePoint& inner, const CurvePoint& outer) const {
    const double top = y0 + k * bandHigh;
    return outer.cy > top ? top - inner.cy : inner.cy - (y0 + k * bandLow);
  }
};

// r = f(t): the point (cos t r, sin t r), in band inside the view widened by
// 2 units beyond its left and bottom edges.
struct PolarCurve {
  static constexpr double suspectTurn = SUSPECT_TURN_POLAR;
  const CompiledExpression& f;
  double x0, y0, k;
  double left, right, bottom, top;
  double reach;  // canvas distance from the pole to the farthest corner of the view

  void fill(CurvePoint& p, double t, double r, double cosine, double sine, bool ok) const {
    p.u = t;
    if (!ok) {
      p.cx = p.cy = 0;
      p.place = CurvePoint::Place::Undefined;
      return;
    }
    const double X = cosine * r;
    const double Y = sine * r;
    p.cx = x0 + k * X;
    p.cy = y0 + k * Y;
    p.place = left <= X && X <= right && bottom <= Y && Y <= top ? CurvePoint::Place::InBand
                                                                   : CurvePoint::Place::OutOfBand;
  }
  CurvePoint point(double t, double r, double cosine, double sine, bool ok) const {
    CurvePoint p;
    fill(p, t, r, cosine, sine, ok);
    return p;
  }
  CurvePoint at(double t) const {
    bool ok = false;
    const double r = f.evaluate(static_cast<float>(t), ok);
    return point(t, r, std::cos(t), std::sin(t), ok);
  }
  // No point of the view moves farther than this along its arc.
  double span(double t1, double t2) const { return reach * std::fabs(t2 - t1); }
  double edgeDistance(const CurvePoint& inner, const CurvePoint& outer) const {
    const double l = x0 + k * left, r = x0 + k * right, b = y0 + k * bottom, t = y0 + k * top;
    double d = FAR_CANVAS;
    if (outer.cx < l) d = std::min(d, inner.cx - l);
    if (outer.cx > r) d = std::min(d, r - inner.cx);
    if (outer.cy < b) d = std::min(d, inner.cy - b);
    if (outer.cy > t) d = std::min(d, t - inner.cy);
    return d;
  }
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

// Walks the samples of a sweep in order and hands each pair of neighbours to
// the refiner; the first sample, when in band, puts the pen down. Counts the
// defined and the in-band samples for the result code (points found by the
// refinement do not count).
template <class Curve>
class SampleWalk {
 public:
  SampleWalk(const Curve& curve, Canvas& board, std::uint32_t colour)
      : refiner_(curve, board, colour), board_(board), colour_(colour) {}

  // The sweep writes each sample into incoming() and then adds it. Each pair
  // of neighbours is drawn once the sample after it is known: a pole between
  // two samples bends the three samples on either side.
  CurvePoint& incoming() { return slot(count_); }
  void add() {
    const CurvePoint& p = slot(count_);
    if (p.place != CurvePoint::Place::Undefined) ++definedCount_;
    if (p.inBand()) ++inBandCount_;
    if (count_ >= 2) {
      drawPair(&p);
    } else if (count_ == 0 && p.inBand()) {
      board_.moveTo(toCanvas(p.cx), toCanvas(p.cy));
    }
    ++count_;
  }
  // Draws the last pair; the result code of the sweep.
  std::int16_t finish() {
    if (count_ >= 2) drawPair(nullptr);
    return resultCode(definedCount_, inBandCount_);
  }

 private:
  // The last four samples, in a ring: neither copied along nor rotated through
  // pointers (a pair of pointers stored one by one and read back together, or
  // a sample read back whole just after it was written field by field, stalls
  // the processor on every sample).
  CurvePoint& slot(std::int64_t i) { return ring_[static_cast<std::size_t>(i) & 3]; }

  // The pair is the last two samples added, `before` the one before them
  // (when count_ > 2), and next the sample after them. The three samples a,
  // b, next are tested once: the verdict serves this pair (looking ahead) and
  // the next one (looking back).
  void drawPair(const CurvePoint* next) {
    const CurvePoint& a = slot(count_ - 2);
    const CurvePoint& b = slot(count_ - 1);
    const bool bothInBand = a.inBand() && b.inBand();
    const bool lookedBack =
        bothInBand &&
        (count_ < 3 || (aheadKnown_ ? aheadSuspect_ : suspectBreak(slot(count_ - 3), a, b, Curve::suspectTurn)));
    aheadKnown_ = false;
    bool suspect = lookedBack;
    if (bothInBand && !lookedBack && next) {
      aheadKnown_ = true;
      aheadSuspect_ = next->place == CurvePoint::Place::Undefined || suspectBreak(*next, b, a, Curve::suspectTurn);
      suspect = aheadSuspect_;
    }
    if (bothInBand && !suspect)
      board_.lineTo(toCanvas(b.cx), toCanvas(b.cy), colour_);  // the common case, as the refiner would draw it
    else if (a.inBand() || b.inBand())
      refiner_.between(a, b, suspect);
  }

  CurveRefiner<Curve> refiner_;
  Canvas& board_;
  std::uint32_t colour_;
  CurvePoint ring_[4];
  bool aheadKnown_ = false;   // whether aheadSuspect_ holds for the pair now drawn
  bool aheadSuspect_ = false;  // the verdict on the last three samples, made while looking ahead
  std::int64_t count_ = 0;
  std::int64_t definedCount_ = 0;
  std::int64_t inBandCount_ = 0;
};

// The step in x of the Cartesian sweep.
double cartesianStep(float Jd, float Tx1, float Tx2, double k) {
  const double spacing = std::max(usablePrecision(Jd), MIN_SAMPLE_SPACING_CM);
  return sweepStep(spacing / k, static_cast<double>(Tx2) - Tx1);
}

std::int16_t cartesianSweep(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2,
                            float Ty1, float Ty2, float x0, float y0, const PlotContext& context,
                            SweepArguments* table, std::span<const SweepSample> samples) {
  setUpPen(Board, context.pen);
  const CompiledExpression f(fgExppression);
  const double k = context.unitLength;
  const CartesianCurve curve{f, x0, y0, k, static_cast<double>(Ty1) - 2 * k, Ty2};
  const double step = cartesianStep(Jd, Tx1, Tx2, k);

  SampleWalk<CartesianCurve> walk(curve, Board, context.pen.lcolor);
  const std::span<const SweepArguments::Value> held =
      table ? table->over(Tx1, step, Tx2) : std::span<const SweepArguments::Value>();
  if (!held.empty() && samples.size() == held.size()) {
    for (std::size_t i = 0; i < held.size(); ++i) {
      curve.fill(walk.incoming(), held[i].x, samples[i].y, samples[i].defined);
      walk.add();
    }
    return walk.finish();
  }
  if (!held.empty()) {
    for (const SweepArguments::Value& value : held) {
      bool ok = false;
      const float y = f.evaluate(value.argument, ok);
      curve.fill(walk.incoming(), value.x, y, ok);
      walk.add();
    }
    return walk.finish();
  }
  forEachSweepValue(Tx1, step, Tx2, [&](double x) {
    bool ok = false;
    const float y = f.evaluate(static_cast<float>(x), ok);
    curve.fill(walk.incoming(), x, y, ok);
    walk.add();
  });
  return walk.finish();
}

// Canvas distance from the pole to the farthest corner of the view.
double polarReach(float Tx1, float Tx2, float Ty1, float Ty2, double k) {
  const double dx = std::max(std::fabs(static_cast<double>(Tx1)), std::fabs(static_cast<double>(Tx2)));
  const double dy = std::max(std::fabs(static_cast<double>(Ty1)), std::fabs(static_cast<double>(Ty2)));
  return k * std::hypot(dx, dy);
}

std::int16_t polarSweep(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                        float Ty2, float x0, float y0, const PlotContext& context, double angleLimit,
                        PolarAngleTable* table) {
  setUpPen(Board, context.pen);
  const CompiledExpression f(fgExppression);
  const double k = context.unitLength;
  const double reach = polarReach(Tx1, Tx2, Ty1, Ty2, k);
  const PolarCurve curve{f, x0, y0, k, static_cast<double>(Tx1) - 2 * k, Tx2, static_cast<double>(Ty1) - 2 * k,
                         Ty2, reach};

  const double tMax = angleLimit / k;
  const double finest = reach > 0 && std::isfinite(reach) ? MIN_SAMPLE_SPACING_CM / reach : 0.0;
  const double step = sweepStep(std::max(usablePrecision(Jd), finest), tMax);

  SampleWalk<PolarCurve> walk(curve, Board, context.pen.lcolor);
  const std::span<const PolarAngleTable::Angle> held =
      table ? table->angles(step, tMax) : std::span<const PolarAngleTable::Angle>();
  const std::span<const PolarAngleTable::Radius> radii =
      held.empty() ? std::span<const PolarAngleTable::Radius>() : table->radii(fgExppression, f, held.size());
  if (!radii.empty()) {
    for (std::size_t i = 0; i < held.size(); ++i) {
      const PolarAngleTable::Angle& angle = held[i];
      curve.fill(walk.incoming(), angle.t, radii[i].r, angle.cosine, angle.sine, radii[i].defined);
      walk.add();
    }
  } else if (!held.empty()) {
    for (const PolarAngleTable::Angle& angle : held) {
      bool ok = false;
      const double r = f.evaluate(angle.argument, ok);
      curve.fill(walk.incoming(), angle.t, r, angle.cosine, angle.sine, ok);
      walk.add();
    }
  } else {
    forEachSweepValue(0.0, step, tMax, [&](double t) {
      bool ok = false;
      const double r = f.evaluate(static_cast<float>(t), ok);
      curve.fill(walk.incoming(), t, r, std::cos(t), std::sin(t), ok);
      walk.add();
    });
  }
  return walk.finish();
}

}  // namespace

void drawnorvale(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                 float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context) {
  II = cartesianSweep(fgExppression, Board, Jd, Tx1, Tx2, Ty1, Ty2, x0, y0, context, nullptr, {});
  tellUser(II, context.messages);
}

void drawnorvaleMV(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                   float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context) {
  II = cartesianSweep(fgExppression, Board, Jd, Tx1, Tx2, Ty1, Ty2, x0, y0, context, nullptr, {});
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

std::int16_t drawnorvaleMV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& w,
                           const PlotContext& context, SweepArguments& arguments,
                           std::span<const SweepSample> samples) {
  return cartesianSweep(fgExppression, Board, Jd, w.left, w.right, w.bottom, w.top, w.originX, w.originY, context,
                        &arguments, samples);
}

std::span<const SweepArguments::Value> SweepArguments::forView(float Jd, const WorldWindow& window,
                                                               double unitLength) {
  return over(window.left, cartesianStep(Jd, window.left, window.right, unitLength), window.right);
}

std::span<const SweepArguments::Value> SweepArguments::over(double from, double step, double to) {
  // The same three give the same sums.
  if (from == from_ && step == step_ && to == to_) return values_;
  from_ = from;
  step_ = step;
  to_ = to;
  values_.clear();
  if (!(step > 0) || !((to - from) / step < MAX_VALUES)) return {};
  forEachSweepValue(from, step, to, [this](double x) {
    values_.push_back({x, CompiledExpression::prepare(static_cast<float>(x))});
  });
  return values_;
}

std::span<const PolarAngleTable::Angle> PolarAngleTable::angles(double step, double tMax) {
  if (!(tMax / step < MAX_ANGLES)) return {};
  // Compared bit for bit: the same step gives the same angles, so those held
  // serve any limit.
  if (step != step_) {
    step_ = step;
    complete_ = false;
    angles_.clear();
    curves_.clear();
  }
  // The same sums as the sweep itself takes: t = 0, then t + step while t
  // moves and stays within the limit.
  const auto add = [this](double t) {
    angles_.push_back({t, std::cos(t), std::sin(t), CompiledExpression::prepare(static_cast<float>(t))});
  };
  if (angles_.empty() && 0.0 <= tMax) add(0.0);
  while (!complete_ && !angles_.empty()) {
    const double t = angles_.back().t;
    const double next = t + step;
    if (!(next > t)) {
      complete_ = true;
    } else if (next <= tMax) {
      add(next);
    } else {
      break;
    }
  }
  const auto beyond = std::upper_bound(angles_.begin(), angles_.end(), tMax,
                                       [](double limit, const Angle& a) { return limit < a.t; });
  return {angles_.data(), static_cast<std::size_t>(beyond - angles_.begin())};
}

std::span<const PolarAngleTable::Radius> PolarAngleTable::radii(const std::string& expression,
                                                                const CompiledExpression& f, std::size_t count) {
  if (f.drawsRandomNumbers() || count > angles_.size()) return {};
  Curve& curve = curves_[expression];
  curve.used = true;
  for (std::size_t i = curve.radii.size(); i < count; ++i) {
    bool ok = false;
    const float r = f.evaluate(angles_[i].argument, ok);
    curve.radii.push_back({r, ok});
  }
  return {curve.radii.data(), count};
}

void PolarAngleTable::startRedraw() {
  std::erase_if(curves_, [](const auto& entry) { return !entry.second.used; });
  for (auto& entry : curves_) entry.second.used = false;
}
