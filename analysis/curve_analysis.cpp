#include "analysis/curve_analysis.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <limits>

namespace analysis {

namespace {

constexpr int MAX_BISECTIONS = 200;
constexpr int MAX_GOLDEN_STEPS = 120;
// A refined peak may lie above the sampled one by at most this many times the
// drop to the lower neighbour; a smooth peak lies within a quarter of it.
constexpr double PEAK_EXCESS_LIMIT = 2.0;
// The bracket's end values must shrink to this fraction for a sign change to
// count as a zero.
constexpr double ZERO_SHRINK = 0.5;

// One value as the evaluator gives it, at x as the evaluator reads it.
struct Reading {
  bool defined = false;
  double x = 0;      // the variable's value read back
  double value = 0;
};

Reading readAt(const CompiledExpression& f, double x) {
  Reading r;
  const CompiledExpression::Argument argument = CompiledExpression::prepare(static_cast<float>(x));
  if (!argument.valid) return r;
  bool good = false;
  const float v = f.evaluate(argument, good);
  r.x = argument.value;
  r.defined = good;
  r.value = v;
  return r;
}

// f alone, or the difference f - g of two functions.
struct Signal {
  const CompiledExpression& f;
  const CompiledExpression* g = nullptr;

  Reading operator()(double x) const {
    Reading a = readAt(f, x);
    if (!g || !a.defined) return a;
    const Reading b = readAt(*g, x);
    a.defined = b.defined;
    a.value -= b.value;
    return a;
  }
};

double sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// A refined zero: x lies the fraction t of the way from the value of the
// variable `below` to its neighbouring value `above`.
struct Crossing {
  double x = 0;
  double below = 0;
  double above = 0;
  double t = 0;
};

// Refines a sign change of s between lo and hi (values of opposite signs).
// Returns the zero, or nothing when the change is a pole, a jump or a gap.
std::optional<Crossing> refineSignChange(const Signal& s, double lo, double hi) {
  Reading a = s(lo);
  Reading b = s(hi);
  if (!a.defined || !b.defined || sign(a.value) * sign(b.value) >= 0) return std::nullopt;
  const double startSize = std::fabs(a.value) + std::fabs(b.value);
  for (int i = 0; i < MAX_BISECTIONS; ++i) {
    const Reading m = s((lo + hi) / 2);
    if (m.x == a.x || m.x == b.x) break;  // the ends are neighbouring values of x
    if (!m.defined) return std::nullopt;  // undefined inside: a gap, not a zero
    if (m.value == 0) return Crossing{m.x, m.x, m.x, 0};
    if (sign(m.value) == sign(a.value)) {
      lo = (lo + hi) / 2;
      a = m;
    } else {
      hi = (lo + hi) / 2;
      b = m;
    }
  }
  const double endSize = std::fabs(a.value) + std::fabs(b.value);
  if (!(endSize <= ZERO_SHRINK * startSize)) return std::nullopt;
  const double t = a.value / (a.value - b.value);
  return Crossing{a.x + t * (b.x - a.x), a.x, b.x, t};
}

// Sign changes and exact zeros of s over the grid, given its sampled values.
std::vector<Crossing> zerosOf(const Signal& s, const SampleGrid& grid, const std::vector<double>& value,
                              const std::vector<unsigned char>& ok) {
  std::vector<Crossing> zeros;
  const std::size_t n = grid.x.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (!ok[i]) continue;
    if (value[i] == 0) {
      // One zero for a sample or two on the axis; a longer run is a piece of
      // curve lying on the axis (or two curves that coincide), which has no
      // point to show.
      const bool startsRun = i == 0 || !ok[i - 1] || value[i - 1] != 0;
      std::size_t end = i;
      while (end + 1 < n && ok[end + 1] && value[end + 1] == 0) ++end;
      const double x = grid.arguments[i].value;
      if (startsRun && end - i < 2) zeros.push_back({x, x, x, 0});
      continue;
    }
    if (i + 1 < n && ok[i + 1] && value[i + 1] != 0 && sign(value[i]) != sign(value[i + 1])) {
      if (auto z = refineSignChange(s, grid.x[i], grid.x[i + 1])) zeros.push_back(*z);
    }
  }
  return zeros;
}

// Golden-section search for the maximum of direction * f in [lo, hi].
Reading goldenPeak(const CompiledExpression& f, double direction, double lo, double hi, Reading best) {
  const double ratio = (std::sqrt(5.0) - 1) / 2;
  auto score = [&](const Reading& r) {
    return r.defined ? direction * r.value : -std::numeric_limits<double>::infinity();
  };
  double c = hi - ratio * (hi - lo);
  double d = lo + ratio * (hi - lo);
  Reading rc = readAt(f, c);
  Reading rd = readAt(f, d);
  for (int i = 0; i < MAX_GOLDEN_STEPS && rc.x != rd.x; ++i) {
    if (score(rc) > score(best)) best = rc;
    if (score(rd) > score(best)) best = rd;
    if (score(rc) >= score(rd)) {
      hi = d;
      d = c;
      rd = rc;
      c = hi - ratio * (hi - lo);
      rc = readAt(f, c);
    } else {
      lo = c;
      c = d;
      rc = rd;
      d = lo + ratio * (hi - lo);
      rd = readAt(f, d);
    }
  }
  if (score(rc) > score(best)) best = rc;
  if (score(rd) > score(best)) best = rd;
  return best;
}

// The derivative's sign change in [lo, hi], where f is at least as high
// (direction * f) as the golden-section result within single precision.
std::optional<Reading> polishWithDerivative(const CurveFunction& f, double direction, double lo, double hi,
                                            const Reading& golden) {
  const CompiledExpression* d = f.derivative();
  if (!d) return std::nullopt;
  const Signal slope{*d};
  std::optional<double> x;
  const Reading atGolden = slope(golden.x);
  if (atGolden.defined && atGolden.value == 0) {
    x = golden.x;
  } else {
    // Narrow to the sign change nearest the golden point first.
    const Reading a = slope(lo);
    const Reading b = slope(hi);
    if (!a.defined || !b.defined || sign(a.value) * sign(b.value) > 0) return std::nullopt;
    if (a.value == 0) x = a.x;
    else if (b.value == 0) x = b.x;
    else if (auto c = refineSignChange(slope, lo, hi)) x = c->x;
  }
  if (!x) return std::nullopt;
  const Reading r = readAt(f.compiled(), *x);
  if (!r.defined) return std::nullopt;
  const double tolerance = 4 * std::numeric_limits<float>::epsilon() * std::max(1.0, std::fabs(golden.value));
  if (direction * r.value < direction * golden.value - tolerance) return std::nullopt;
  Reading placed = r;
  placed.x = *x;
  return placed;
}

// A peak (direction 1) or trough (-1) bracketed by samples lo .. hi around the
// sampled top `top`, whose lower neighbour lies `drop` below it.
std::optional<Feature> refinePeak(const CurveFunction& f, double direction, const SampleGrid& grid, std::size_t lo,
                                  std::size_t top, std::size_t hi, double drop) {
  Reading sampled;
  sampled.defined = true;
  sampled.x = grid.arguments[top].value;
  sampled.value = f.values()[top];
  const Reading golden = goldenPeak(f.compiled(), direction, grid.x[lo], grid.x[hi], sampled);
  const double excess = direction * (golden.value - sampled.value);
  if (excess > PEAK_EXCESS_LIMIT * drop) return std::nullopt;  // still rising: a pole
  Reading best = golden;
  if (auto polished = polishWithDerivative(f, direction, grid.x[lo], grid.x[hi], golden)) best = *polished;
  return Feature{direction > 0 ? FeatureKind::Maximum : FeatureKind::Minimum, best.x, best.value};
}

}  // namespace

SampleGrid makeGrid(double from, double to, int intervals) {
  SampleGrid grid;
  grid.from = from;
  grid.to = to;
  intervals = std::max(intervals, 1);
  grid.x.reserve(intervals + 1);
  grid.arguments.reserve(intervals + 1);
  for (int i = 0; i <= intervals; ++i) {
    const double x = from + (to - from) * i / intervals;
    grid.x.push_back(x);
    grid.arguments.push_back(CompiledExpression::prepare(static_cast<float>(x)));
  }
  return grid;
}

CurveFunction::CurveFunction(const std::string& expression, const std::string& derivativeText,
                             const SampleGrid& grid)
    : f_(expression) {
  if (!derivativeText.empty()) derivative_.emplace(derivativeText);
  y_.resize(grid.x.size());
  ok_.resize(grid.x.size());
  for (std::size_t i = 0; i < grid.x.size(); ++i) {
    bool good = false;
    y_[i] = grid.arguments[i].valid ? f_.evaluate(grid.arguments[i], good) : NO_VALUE;
    ok_[i] = good;
  }
}

std::vector<Feature> findZeros(const CurveFunction& f, const SampleGrid& grid) {
  const std::vector<double> values(f.values().begin(), f.values().end());
  std::vector<Feature> zeros;
  for (const Crossing& c : zerosOf(Signal{f.compiled()}, grid, values, f.defined()))
    zeros.push_back({FeatureKind::Zero, c.x, 0});
  return zeros;
}

std::vector<Feature> findExtrema(const CurveFunction& f, const SampleGrid& grid) {
  std::vector<Feature> extrema;
  const std::vector<float>& y = f.values();
  const std::vector<unsigned char>& ok = f.defined();
  const std::size_t n = y.size();
  std::size_t i = 1;
  while (i + 1 < n) {
    // A run of equal samples i..j (a flat top of at most three samples).
    std::size_t j = i;
    while (j + 1 < n && ok[j + 1] && y[j + 1] == y[i] && j - i < 3) ++j;
    if (ok[i] && ok[i - 1] && j + 1 < n && ok[j + 1] && j - i < 3) {
      const double left = y[i - 1];
      const double right = y[j + 1];
      const double top = y[i];
      const std::size_t middle = (i + j) / 2;
      if (left < top && right < top) {
        if (auto e = refinePeak(f, 1, grid, i - 1, middle, j + 1, top - std::min(left, right))) extrema.push_back(*e);
      } else if (left > top && right > top) {
        if (auto e = refinePeak(f, -1, grid, i - 1, middle, j + 1, std::max(left, right) - top)) extrema.push_back(*e);
      }
    }
    i = j + 1;
  }
  return extrema;
}

std::vector<Feature> findIntersections(const CurveFunction& f, const CurveFunction& g, const SampleGrid& grid) {
  const std::size_t n = grid.x.size();
  std::vector<double> difference(n);
  std::vector<unsigned char> ok(n);
  for (std::size_t i = 0; i < n; ++i) {
    ok[i] = f.defined()[i] && g.defined()[i];
    difference[i] = ok[i] ? double(f.values()[i]) - double(g.values()[i]) : 0;
  }
  std::vector<Feature> points;
  for (const Crossing& c : zerosOf(Signal{f.compiled(), &g.compiled()}, grid, difference, ok)) {
    // f's value where the curves cross, between its values at the two
    // neighbouring values of x that bracket the crossing.
    const Reading below = readAt(f.compiled(), c.below);
    const Reading above = readAt(f.compiled(), c.above);
    if (!below.defined || !above.defined) continue;
    points.push_back({FeatureKind::Intersection, c.x, below.value + c.t * (above.value - below.value)});
  }
  return points;
}

std::vector<Feature> analyseFunction(const CurveFunction& f, const SampleGrid& grid) {
  std::vector<Feature> all = findZeros(f, grid);
  std::vector<Feature> extrema = findExtrema(f, grid);
  // A trough or peak that touches the axis is a zero too (x^2 at 0).
  for (const Feature& e : extrema) {
    if (e.y != 0) continue;
    const bool known = std::any_of(all.begin(), all.end(), [&](const Feature& z) {
      return std::fabs(z.x - e.x) <= 1e-6 * std::max(1.0, std::fabs(e.x));
    });
    if (!known) all.push_back({FeatureKind::Zero, e.x, 0});
  }
  std::stable_sort(all.begin(), all.end(), [](const Feature& a, const Feature& b) { return a.x < b.x; });
  all.insert(all.end(), extrema.begin(), extrema.end());
  return all;
}

std::string sevenDigitText(double value) {
  if (value == 0 || !std::isfinite(value)) return std::isfinite(value) ? "0" : "";
  char buffer[64];
  // %.7g without the locale: "." whatever the user's settings.
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
  return std::string(buffer, result.ptr);
}

}  // namespace analysis
