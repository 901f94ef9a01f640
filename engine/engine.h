// The expression engine: evaluates the text of a school function, such as
// "2*x^2-3/x", at one value of the variable in single precision.
//
// Everything here uses only the C++ standard library. Every failure (a
// malformed text, a value outside a function's domain, an overflow) comes back
// as NO_VALUE; nothing here throws towards its callers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The single-precision number nearest to 10^12: the result of every undefined
// or malformed expression.
inline constexpr float NO_VALUE = 999999995904.0f;

// Evaluates a constant expression text (no variable) by splitting it at the
// operator of the lowest level.
float EvaluateExpr(std::string_view text);

// Rounds xxx down to millionths, writes it into expr in brackets in place of
// every x or X and evaluates the result. good is true exactly when the result
// is not NO_VALUE.
float CalculateString(std::string_view expr, bool& good, float xxx);

// Polar expressions are typed with the angle letter e; this turns every
// lowercase e into x, except the e that begins "exp(".
std::string ReplaceAngleLetter(std::string_view expression);

// The sign-reserving number text: a blank before values that are 0 or
// positive, "-" before negative ones, no zero before the decimal point.
std::string SignedNumberText(float value);      // at most 7 significant digits
std::string SignedIntegerText(std::int64_t value);

// An expression compiled once and evaluated at many values of x with results
// identical to CalculateString(expression, good, x). Copies share the compiled
// form; evaluation does not change the object.
class CompiledExpression {
 public:
  explicit CompiledExpression(std::string_view expression);
  ~CompiledExpression();
  CompiledExpression(const CompiledExpression&);
  CompiledExpression& operator=(const CompiledExpression&);

  float evaluate(float x, bool& good) const;

 private:
  struct Program;
  std::shared_ptr<const Program> program_;
};
