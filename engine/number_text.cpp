#include <charconv>
#include <cmath>

#include "engine/engine.h"
#include "engine/number_leaf.h"

std::string SignedIntegerText(std::int64_t value) {
  if (value < 0) {
    // Negate in unsigned arithmetic so the most negative value has a text too.
    const auto magnitude = 0 - static_cast<std::uint64_t>(value);
    return "-" + std::to_string(magnitude);
  }
  return " " + std::to_string(value);
}

namespace {

// The sign place: a blank for 0 (either zero) and positive values.
const char* SignPlace(float value) { return std::signbit(value) && value != 0.0f ? "-" : " "; }

// Drops the zero before the decimal point: "0.5" -> ".5".
std::string WithoutLeadingZero(std::string digits) {
  if (digits.size() >= 2 && digits[0] == '0' && digits[1] == '.') digits.erase(0, 1);
  return digits;
}

}  // namespace

std::string SignedNumberText(float value) {
  if (std::isnan(value)) return " nan";
  if (std::isinf(value)) return value > 0 ? " inf" : "-inf";
  if (value == 0.0f) return " 0";
  char buffer[64];
  // %.7G on the exact binary value: 7 significant digits, half to even,
  // trailing zeros dropped, exponent form outside [1E-04, 1E+07).
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                 std::chars_format::general, 7).ptr;
  std::string digits(buffer, end);
  for (char& c : digits) {
    if (c == 'e') c = 'E';
  }
  std::string text(SignPlace(value));
  text += WithoutLeadingZero(std::move(digits));
  return text;
}

std::string VariableText(float rounded) {
  std::string text = SignedNumberText(rounded);
  if (text.find('E') == std::string::npos) return text;
  // An exponent would carry a sign, which the evaluator splits at; write the
  // shortest digits that read back as this very value, without an exponent.
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(rounded),
                                 std::chars_format::fixed).ptr;
  text = SignPlace(rounded);
  text += WithoutLeadingZero(std::string(buffer, end));
  return text;
}
