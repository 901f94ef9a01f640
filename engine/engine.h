// The expression engine: evaluates the text of a school function, such as
// "2*x^2-3/x", at one value of the variable in single precision.
//
// Everything here uses only the C++ standard library. Every failure (a
// malformed text, a value outside a function's domain, an overflow) comes back
// as NO_VALUE; nothing here throws towards its callers.
//
// Texts are byte strings; every byte counts as one character (the length rule
// and the positions below count bytes). A byte outside ASCII is an unknown
// character, so a text containing one never evaluates to a number.
//
// Choices of this engine where the rules leave room:
//  - Number leaves: exactly the decimal forms digits[.digits][E|e digits]
//    ("5", "5.", ".5", "1E5", "2.5e3"; at least one mantissa digit, digits
//    after an exponent letter required), read with "." as the decimal point in
//    every locale, correctly rounded to single precision. No sign, blank,
//    group separator, hexadecimal form, "inf" or "nan" inside a leaf. A value
//    beyond the single-precision range is NO_VALUE; a value too small for it
//    reads as 0. A leaf with a bare exponent letter ("1E", as left over when
//    "1E-05" is split at its sign) is NO_VALUE.
//  - The variable's text: the 7-digit sign-reserving text (SignedNumberText)
//    whenever that text has no exponent. A value whose 7-digit text would need
//    an exponent (below 10^-4 or from 10^7 on) is written instead as a plain
//    decimal with the shortest digits that read back as exactly that value
//    (x = 0.0005 reads back as 0.0005, x = 20000000 as 20000000), so the
//    evaluator never sees an exponent sign it would split at.
//  - A variable value that is infinite or NaN is written as " inf", "-inf" or
//    " nan", which no leaf accepts: an expression using x then yields NO_VALUE.
//  - -0 is written as " 0" (a zero is never negative in the text).
//  - arccot / arcctg is the inverse of the cotangent, pi/2 - arctan v, in
//    (0, pi), decreasing: arccot(1) = pi/4, arccot(-1) = 3 pi/4.
//  - rnd: SplitMix64 from a fixed start state, 24 bits per draw, so every draw
//    is k / 2^24 for some k in 0..2^24-1, in [0, 1). The sequence is shared by
//    the whole process, starts the same in every run and advances once per
//    evaluated rnd call; ResetRandomSequence() restarts it (for tests).
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
// is not NO_VALUE. Compiled forms of recently used texts are cached per thread,
// so calling this once per sample with the same text costs one evaluation.
float CalculateString(std::string_view expr, bool& good, float xxx);

// Polar expressions are typed with the angle letter e; this turns every
// lowercase e into x, except the e that begins "exp(".
std::string ReplaceAngleLetter(std::string_view expression);

// The sign-reserving number text: a blank before values that are 0 or
// positive, "-" before negative ones, no zero before the decimal point.
// At most 7 significant digits, rounded half to even on the exact binary
// value, no trailing zeros; from 10^7 on and below 10^-4 the exponent form
// " 1.234568E+07", " 1E-05" (as C's %.7G, with "E", a sign and two digits).
std::string SignedNumberText(float value);      // at most 7 significant digits
std::string SignedIntegerText(std::int64_t value);

// The variable's value rounded down to millionths: floor(x * 10^6) / 10^6 in
// double precision, stored as single precision.
float RoundVariable(float x);

// The text written in place of the variable for an already rounded value (see
// the choices above), without the surrounding brackets.
std::string VariableText(float rounded);

// The random sequence behind rnd.
float NextRandom();
void ResetRandomSequence();

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
  // Whether evaluating draws random numbers (rnd of something): then the same
  // x gives another value each time, and the sequence moves on.
  bool drawsRandomNumbers() const;

  // A value of x read back as the evaluator reads it, worked out once for
  // evaluating many expressions at the same x (a redraw sweeps every curve
  // over the same values).
  struct Argument {
    float x = 0.0f;
    float value = 0.0f;
    bool valid = false;
  };
  static Argument prepare(float x);
  // The same result as evaluate(argument.x, good).
  float evaluate(const Argument& argument, bool& good) const;

 private:
  struct Program;
  std::shared_ptr<const Program> program_;
};
