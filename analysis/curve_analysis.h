// Zeros, local extrema and intersections of functions over an interval,
// found on the engine's own single-precision values.
//
// Every function is sampled at the same points of the interval. A sign
// change between two neighbouring defined samples is refined by bisection in
// double precision until the two ends read as neighbouring values of the
// variable (the evaluator rounds x down to millionths, so that is the limit of
// what its values can tell apart); the zero is then placed between them by
// linear interpolation. A sign change is a zero only when the values at the
// ends of the bracket shrank while it was refined: across a pole they grow
// (1/x, tan), across a jump they stay (abs(x)/x), and neither is reported.
// A sample that is exactly 0 is a zero too, unless it belongs to a run of
// three or more: a curve lying on the axis (or two curves that coincide) has
// no point to show.
//
// A sample higher (lower) than its neighbours brackets a local maximum
// (minimum), refined by golden-section search. When the derivative's text is
// at hand, its sign change inside the bracket then places the extremum to the
// last digit, which the flat top of a single-precision curve cannot do. A peak
// that keeps rising while it is refined is a pole, not an extremum.
//
// Results are in double; write them with 7 significant digits.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace analysis {

// The points at which every function of one analysis is sampled.
struct SampleGrid {
  double from = 0;
  double to = 0;
  std::vector<double> x;
  std::vector<CompiledExpression::Argument> arguments;  // x as the evaluator reads it
};

// intervals + 1 evenly spaced points from `from` to `to`.
SampleGrid makeGrid(double from, double to, int intervals);

// A function to analyse: its compiled text, its derivative's (if any) and
// its values on a grid.
class CurveFunction {
 public:
  // derivativeText may be empty (no derivative: extrema from golden-section only).
  CurveFunction(const std::string& expression, const std::string& derivativeText, const SampleGrid& grid);

  const CompiledExpression& compiled() const { return f_; }
  const CompiledExpression* derivative() const { return derivative_ ? &*derivative_ : nullptr; }
  const std::vector<float>& values() const { return y_; }
  const std::vector<unsigned char>& defined() const { return ok_; }

 private:
  CompiledExpression f_;
  std::optional<CompiledExpression> derivative_;
  std::vector<float> y_;
  std::vector<unsigned char> ok_;
};

enum class FeatureKind { Zero, Maximum, Minimum, Intersection };

struct Feature {
  FeatureKind kind = FeatureKind::Zero;
  double x = 0;
  double y = 0;
};

std::vector<Feature> findZeros(const CurveFunction& f, const SampleGrid& grid);
std::vector<Feature> findExtrema(const CurveFunction& f, const SampleGrid& grid);
// Points where f and g take the same value (y is f's value there).
std::vector<Feature> findIntersections(const CurveFunction& f, const CurveFunction& g, const SampleGrid& grid);

// Zeros, then extrema in order of x.
std::vector<Feature> analyseFunction(const CurveFunction& f, const SampleGrid& grid);

// A number with 7 significant digits, "-" for negative values, "." as
// decimal point, exponent form only from 10^7 on and below 10^-4 (as %.7g);
// -0 reads "0".
std::string sevenDigitText(double value);

}  // namespace analysis
