// The value of the variable as the evaluator reads it back from its text,
// computed without forming the text.
//
// CalculateString rounds x down to millionths (r), writes r as text and the
// evaluator reads that text back as a number leaf. The text has at most 7
// significant digits, so the value read back is r rounded to 7 significant
// digits and then to single precision; for values written with all their
// digits (see VariableText) it is r itself. Both are computed here in double
// arithmetic that is exact up to the final rounding; the tests compare this
// path with the text round trip for every rounded value from |x| < 10 and for
// every single-precision value the general path is used for.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/engine.h"

namespace engine_detail {

struct VariableValue {
  float value = 0.0f;
  bool valid = false;  // false: the text is no number (inf, nan) or reads as NO_VALUE
};

// Powers of ten from 10^0 to 10^11, all exact in double.
inline constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,
                                          1e6, 1e7, 1e8, 1e9, 1e10, 1e11};

// The value read back from VariableText(rounded) for a finite rounded value.
inline float ReadBackRounded(float rounded) {
  const double a = std::fabs(static_cast<double>(rounded));
  if (a == 0.0) return 0.0f;  // " 0", also for -0
  // From 10^7 on and below 10^-5 the text carries every digit of the value.
  if (a >= 1e7 || a < 1e-5) return rounded;
  // k = 6 - floor(log10 a), so that a * 10^k lies in [10^6, 10^7). Comparing a
  // single-precision value with the double nearest to a power of ten is exact.
  int k = 11;
  if (a >= 1e-4) k = 10;
  if (a >= 1e-3) k = 9;
  if (a >= 1e-2) k = 8;
  if (a >= 1e-1) k = 7;
  if (a >= 1e0) k = 6;
  if (a >= 1e1) k = 5;
  if (a >= 1e2) k = 4;
  if (a >= 1e3) k = 3;
  if (a >= 1e4) k = 2;
  if (a >= 1e5) k = 1;
  if (a >= 1e6) k = 0;
  // 24 bits times 5^k (at most 26 bits for k <= 11) is exact in double; adding
  // and removing 2^52 rounds half to even, as the text does.
  const double scaled = a * kPowersOfTen[k];
  double digits = (scaled + 0x1p52) - 0x1p52;
  if (digits >= 1e7) {  // 9999999.5 rounds up to 10000000: one digit fewer
    digits = 1e6;
    --k;
  }
  if (k > 10) return rounded;  // below 1E-04: the exponent form, every digit written
  const float magnitude = static_cast<float>(digits / kPowersOfTen[k]);
  return rounded < 0.0f ? -magnitude : magnitude;
}

inline bool IsNoValueMagnitude(float value) {
  return std::fabs(value) == NO_VALUE;
}

// Rounds x as CalculateString does and returns the value read back.
inline VariableValue ReadBackVariable(float x) {
  // floor(x * 10^6): the product is exact (24 by 20 bits); below 2^52 it is
  // floored through a 64-bit integer, above it is an integer already (and
  // NaN and infinities pass through).
  const double scaled = static_cast<double>(x) * 1e6;
  double millionths = scaled;
  if (std::fabs(scaled) < 0x1p52) {
    millionths = static_cast<double>(static_cast<std::int64_t>(scaled));
    if (millionths > scaled) millionths -= 1.0;
  }
  VariableValue result;
  if (std::fabs(millionths) < 1e7) {
    // Below 10 in magnitude the 7 digits hold every millionth, and the value
    // read back is the rounded value itself (adding 0 turns -0 into 0). For
    // these m, m * 10^-6 rounds to the same single as m / 10^6 (the tests
    // check every one), and a product is cheaper than a quotient.
    result.value = static_cast<float>(millionths * 1e-6) + 0.0f;
    result.valid = true;
    return result;
  }
  const float rounded = static_cast<float>(millionths / 1e6);
  if (!std::isfinite(rounded)) return result;
  result.value = ReadBackRounded(rounded);
  result.valid = !IsNoValueMagnitude(result.value);
  return result;
}

}  // namespace engine_detail
