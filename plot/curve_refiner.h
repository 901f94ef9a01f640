// Drawing a curve between two neighbouring samples where a straight segment
// could lie: at a pole or a jump, where the curve leaves or enters the visible
// band, and at the edge of its domain. Both plotters sample their curve at a
// parameter u (x for y = f(x), the angle for r = f(t)) and hand every pair of
// neighbouring samples to a CurveRefiner, which evaluates more points between
// them by bisection, with the engine exactly as the sweep does, until the
// picture can no longer change.
//
// The rules, all measured on the canvas (the limits and their reasons are in
// plotters.h):
//  - Two samples in band are joined by one segment unless the samples around
//    them bend sharply (suspectBreak). Then the point halfway is evaluated:
//    out of band or undefined, it breaks the curve; within CHORD_TOLERANCE_CM
//    of the chord, the piece is continuous; otherwise both halves are tried
//    the same way. Below REFINE_FLOOR_CM of width only a jump breaks it (see
//    settles). A pair that turns out continuous is still joined by its one
//    segment, exactly as without the refinement; only a pair that breaks is
//    drawn piece by piece.
//  - Where the curve leaves or enters the band, or its domain, the crossing is
//    found by bisection on in band / not in band. The in-band points found on
//    the way are joined as above, so the branch follows the curve up to its
//    end. A band crossing ends within a pixel of the edge it crosses (with a
//    segment on to the point beyond when that lies within a pixel); a domain
//    edge ends once the interval is below REFINE_FLOOR_CM and the last step
//    moved the end by a pixel at most.
//  - Every pair has a budget of MAX_REFINE_EVALUATIONS; once it is spent, what
//    is left undecided is joined as the sweep alone would join it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "canvas/canvas.h"
#include "plot/plotters.h"

// A point of a curve: its parameter, its canvas position (in double, before
// it is handed to the canvas) and whether it lies in the visible band.
struct CurvePoint {
  enum class Place : std::uint8_t { InBand, OutOfBand, Undefined };
  double u = 0;
  double cx = 0;
  double cy = 0;
  Place place = Place::Undefined;
  bool inBand() const { return place == Place::InBand; }
};

// A neighbour or a search point out of view can lie beyond the single range
// once multiplied by the unit length (3E38 at unitLength 15); such an end is
// held at FAR_CANVAS centimetres, where the segment still leaves the canvas
// in the same direction, instead of becoming infinite and being lost.
inline constexpr double FAR_CANVAS = 1e30;
inline float toCanvas(double v) { return static_cast<float>(std::clamp(v, -FAR_CANVAS, FAR_CANVAS)); }

// Distance between two canvas points, in centimetres.
// (Canvas coordinates stay far below the square root of the double range, so
// the plain root of the sum of squares is safe.)
inline double canvasDistance(const CurvePoint& a, const CurvePoint& b) {
  const double dx = b.cx - a.cx;
  const double dy = b.cy - a.cy;
  return std::sqrt(dx * dx + dy * dy);
}

// The second difference of three equally spaced samples: how far the last one
// lies from the line through the first two. A smooth curve bends by a small
// part of its steps, as much as it turns from one step to the next; a pole or
// a jump between the last two bends it by about the height of the last step
// or more, and a pole between two samples at the same height (ln(x^2) about
// 0) by the height of the step before.
inline bool suspectBreak(const CurvePoint& first, const CurvePoint& middle, const CurvePoint& last,
                         double turn = SUSPECT_TURN) {
  if (first.place == CurvePoint::Place::Undefined) return true;
  // The outer two are added first, so the verdict is the same either way round.
  const double bendX = (first.cx + last.cx) - 2 * middle.cx;
  const double bendY = (first.cy + last.cy) - 2 * middle.cy;
  const double bend = bendX * bendX + bendY * bendY;
  if (bend <= SUSPECT_BEND_CM * SUSPECT_BEND_CM) return false;
  const auto squared = [](double dx, double dy) { return dx * dx + dy * dy; };
  const double longerStep = std::max(squared(middle.cx - first.cx, middle.cy - first.cy),
                                     squared(last.cx - middle.cx, last.cy - middle.cy));
  return bend > turn * turn * longerStep;
}

// Curve: CurvePoint at(double u) const, evaluating once; double span(double
// u1, double u2) const, the canvas width of a parameter interval; double
// edgeDistance(inner, outer) const, the canvas distance of a point in band
// from the edges of the band that a point out of band lies beyond.
template <class Curve>
class CurveRefiner {
 public:
  CurveRefiner(const Curve& curve, Canvas& board, std::uint32_t colour)
      : curve_(curve), board_(board), colour_(colour) {}

  // Draws from sample a to its neighbour b. The pen is at a when a is in
  // band and is left at b when b is in band. suspect: whether the samples
  // around hint at a break between two samples in band; when they do not,
  // the two are joined by one segment as they always were.
  // Kept out of line: the sweep calls it for the few pairs that need more
  // than one segment, and its body would slow the sweep's own loop.
  [[gnu::noinline]] void between(const CurvePoint& a, const CurvePoint& b, bool suspect) {
    if (!a.inBand() && !b.inBand()) return;
    if (a.inBand() && b.inBand() && !suspect) {
      board_.lineTo(toCanvas(b.cx), toCanvas(b.cy), colour_);
      return;
    }
    // The pieces wait until it is known whether the curve breaks between the
    // two: a curve that does not is joined by one segment, as it always was.
    budget_ = MAX_REFINE_EVALUATIONS;
    pending_.clear();
    broken_ = false;
    piece(a, b);
    if (a.inBand() && b.inBand() && !broken_) {
      board_.lineTo(toCanvas(b.cx), toCanvas(b.cy), colour_);
      return;
    }
    for (const Stroke& s : pending_) {
      if (s.kind == Stroke::Move)
        board_.moveTo(s.x2, s.y2);
      else if (s.kind == Stroke::To)
        board_.lineTo(s.x2, s.y2, colour_);
      else
        board_.line(s.x1, s.y1, s.x2, s.y2, colour_);
    }
  }

 private:
  void piece(const CurvePoint& a, const CurvePoint& b) {
    if (a.inBand() && b.inBand()) {
      joinInBand(a, b);
    } else if (a.inBand()) {
      leave(a, b);
    } else if (b.inBand()) {
      enter(a, b);
    }
  }

  // How close to the chord the point halfway must lie for the chord to draw
  // the piece: within CHORD_TOLERANCE_CM of the chord's middle, or, for two
  // points of one search for an edge, of the chord's line and well inside its
  // length. Sampled at even steps of the parameter, the steep flank next to a
  // pole puts the point halfway far from the chord's middle though on its
  // line; the points of one search lie within a single step, where a pole
  // between two of them would need a second branch across the band (see
  // NEAR_CM), so there only the shape is at stake.
  enum class Chord : std::uint8_t { Middle, Line };

  // Both ends in band: the point halfway decides. Out of band or undefined,
  // it breaks the curve, and each side is drawn up to where it leaves; close
  // to the chord, the two are joined by one segment; otherwise each half is
  // drawn the same way. Below the floor only a jump breaks the curve.
  void joinInBand(const CurvePoint& a, const CurvePoint& b, Chord rule = Chord::Middle) {
    if (budget_ <= 0) {
      lineTo(b);  // undecided: joined, as the sweep alone would
      return;
    }
    if (!splittable(a, b) || curve_.span(a.u, b.u) <= REFINE_FLOOR_CM) {
      if (settles(a, b))
        lineTo(b);
      else
        moveTo(b);
      return;
    }
    const CurvePoint m = at(middle(a, b));
    if (!m.inBand()) {
      leave(a, m);
      enter(m, b);
      return;
    }
    if (followsChord(a, m, b, rule)) {
      lineTo(b);
      return;
    }
    joinInBand(a, m, rule);
    joinInBand(m, b, rule);
  }

  static bool followsChord(const CurvePoint& a, const CurvePoint& m, const CurvePoint& b, Chord rule) {
    const double tolerance2 = CHORD_TOLERANCE_CM * CHORD_TOLERANCE_CM;
    const double offX = m.cx - (a.cx + b.cx) / 2;
    const double offY = m.cy - (a.cy + b.cy) / 2;
    if (offX * offX + offY * offY <= tolerance2) return true;
    if (rule == Chord::Middle) return false;
    const double chordX = b.cx - a.cx, chordY = b.cy - a.cy;
    const double toX = m.cx - a.cx, toY = m.cy - a.cy;
    const double length2 = chordX * chordX + chordY * chordY;
    const double along = toX * chordX + toY * chordY;  // position along the chord, times its length
    const double across = toX * chordY - toY * chordX;  // distance from its line, times its length
    return across * across <= tolerance2 * length2 && along >= CHORD_INNER_SHARE * length2 &&
           along <= (1 - CHORD_INNER_SHARE) * length2;
  }

  // Two in-band points found on the way to an edge: near each other they are
  // joined at once (see NEAR_CM), farther apart checked against the chord's
  // line.
  void joinNear(const CurvePoint& a, const CurvePoint& b, double distance) {
    if (distance <= NEAR_CM)
      lineTo(b);
    else
      joinInBand(a, b, Chord::Line);
  }

  // An interval too narrow to show. A jump keeps its height however narrow
  // the interval and lies in one half; a steep piece spreads its change over
  // both halves, and a point halfway out of the band or well outside the
  // range of the two ends (the far branch of a pole) breaks the curve. The
  // half holding most of the change is followed until its ends lie within a
  // pixel of each other or it cannot be split any more.
  bool settles(CurvePoint a, CurvePoint b) {
    for (int i = 0; i < MAX_HALVINGS; ++i) {
      if (canvasDistance(a, b) <= SETTLED_CM) return true;
      if (budget_ <= 0) return true;  // undecided: joined, as the sweep alone would
      if (!splittable(a, b)) return false;
      const CurvePoint m = at(middle(a, b));
      if (!m.inBand() || outsideRange(m, a, b)) return false;
      const double left = canvasDistance(a, m);
      const double right = canvasDistance(m, b);
      // Both halves carry a share of the change: a steep piece, no jump.
      if (std::min(left, right) >= SETTLE_SHARE * std::max(left, right)) return true;
      if (left >= right)
        b = m;
      else
        a = m;
    }
    return false;
  }

  static bool outsideRange(const CurvePoint& m, const CurvePoint& a, const CurvePoint& b) {
    const auto beyond = [](double v, double e1, double e2) {
      return v < std::min(e1, e2) - SETTLED_CM || v > std::max(e1, e2) + SETTLED_CM;
    };
    return beyond(m.cx, a.cx, b.cx) || beyond(m.cy, a.cy, b.cy);
  }

  // The end of a branch between inner (in band) and outer (not): reached when
  // outer is out of band and within a pixel of inner, or, at a domain edge,
  // when the interval is below the floor and the last step of the end moved
  // it by a pixel at most.
  bool endReached(const CurvePoint& inner, const CurvePoint& outer, double lastMove) const {
    if (outer.place == CurvePoint::Place::OutOfBand)
      return canvasDistance(inner, outer) <= SETTLED_CM || curve_.edgeDistance(inner, outer) <= SETTLED_CM;
    return curve_.span(inner.u, outer.u) <= REFINE_FLOOR_CM && lastMove <= SETTLED_CM;
  }

  // The branch leaves the band or its domain between a (in band, the pen
  // there) and b.
  void leave(const CurvePoint& a, const CurvePoint& b) {
    broken_ = true;
    CurvePoint inner = a;
    CurvePoint outer = b;
    double lastMove = 0;
    for (int i = 0; i < MAX_HALVINGS && !endReached(inner, outer, lastMove); ++i) {
      if (budget_ <= 0 || !splittable(inner, outer)) break;
      const CurvePoint m = at(middle(inner, outer));
      if (m.inBand()) {
        lastMove = canvasDistance(inner, m);
        joinNear(inner, m, lastMove);
        inner = m;
      } else {
        outer = m;
      }
    }
    if (outer.place == CurvePoint::Place::OutOfBand && canvasDistance(inner, outer) <= SETTLED_CM) lineTo(outer);
  }

  // The branch enters the band or its domain between a and b (in band).
  void enter(const CurvePoint& a, const CurvePoint& b) {
    broken_ = true;
    CurvePoint outer = a;
    std::vector<CurvePoint> inner{b};  // in-band points found, from b towards the edge
    double lastMove = 0;
    for (int i = 0; i < MAX_HALVINGS && !endReached(inner.back(), outer, lastMove); ++i) {
      if (budget_ <= 0 || !splittable(outer, inner.back())) break;
      const CurvePoint m = at(middle(outer, inner.back()));
      if (m.inBand()) {
        lastMove = canvasDistance(m, inner.back());
        inner.push_back(m);
      } else {
        outer = m;
      }
    }
    const CurvePoint& start = inner.back();
    if (outer.place == CurvePoint::Place::OutOfBand && canvasDistance(outer, start) <= SETTLED_CM)
      pending_.push_back({Stroke::Line, toCanvas(outer.cx), toCanvas(outer.cy), toCanvas(start.cx), toCanvas(start.cy)});
    else
      moveTo(start);
    for (std::size_t i = inner.size() - 1; i > 0; --i)
      joinNear(inner[i], inner[i - 1], canvasDistance(inner[i], inner[i - 1]));
  }

  CurvePoint at(double u) {
    --budget_;
    return curve_.at(u);
  }
  static double middle(const CurvePoint& a, const CurvePoint& b) { return a.u + (b.u - a.u) / 2; }
  // Whether a point strictly between the two is still a different value of
  // the variable as the evaluator receives it (in single precision).
  static bool splittable(const CurvePoint& a, const CurvePoint& b) {
    const auto m = static_cast<float>(middle(a, b));
    return m != static_cast<float>(a.u) && m != static_cast<float>(b.u);
  }

  void lineTo(const CurvePoint& p) { pending_.push_back({Stroke::To, 0, 0, toCanvas(p.cx), toCanvas(p.cy)}); }
  void moveTo(const CurvePoint& p) {
    broken_ = true;
    pending_.push_back({Stroke::Move, 0, 0, toCanvas(p.cx), toCanvas(p.cy)});
  }

  // A pen operation waiting for the canvas.
  struct Stroke {
    enum Kind : std::uint8_t { Move, To, Line } kind;
    float x1, y1, x2, y2;
  };
  std::vector<Stroke> pending_;
  bool broken_ = false;  // the curve leaves the band, its domain, or jumps between the two samples

  const Curve& curve_;
  Canvas& board_;
  std::uint32_t colour_;
  int budget_ = 0;
};
