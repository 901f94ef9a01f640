#include "engine/number_leaf.h"

#include <charconv>
#include <cstddef>

namespace engine_detail {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// For a leaf that is out of range: true when its value is at least 1 (so it
// overflowed), false when it lies below 1 (so it underflowed). Exponents are
// never negative in a leaf, so the value is at least 1 exactly when a non-zero
// digit stands before the point or the exponent exceeds the count of zeros
// that follow the point before the first non-zero digit.
bool AtLeastOne(std::string_view text) {
  std::size_t i = 0;
  bool nonZeroInteger = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) nonZeroInteger |= text[i] != '0';
  if (nonZeroInteger) return true;
  long zerosAfterPoint = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (; i < text.size() && text[i] == '0'; ++i) ++zerosAfterPoint;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
    }
  }
  long exponent = 0;
  if (i < text.size()) {
    for (++i; i < text.size(); ++i) {
      exponent = exponent * 10 + (text[i] - '0');
      if (exponent > 1000000) exponent = 1000000;
    }
  }
  return exponent > zerosAfterPoint;
}

}  // namespace

bool ReadNumberLeaf(std::string_view text, float& value) {
  std::size_t i = 0;
  std::size_t mantissaDigits = 0;
  const std::size_t n = text.size();
  for (; i < n && IsDigit(text[i]); ++i) ++mantissaDigits;
  if (i < n && text[i] == '.') {
    for (++i; i < n && IsDigit(text[i]); ++i) ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    std::size_t exponentDigits = 0;
    for (++i; i < n && IsDigit(text[i]); ++i) ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != n) return false;

  float read = 0.0f;
  const auto result = std::from_chars(text.data(), text.data() + n, read, std::chars_format::general);
  if (result.ec == std::errc() && result.ptr == text.data() + n) {
    value = read;
    return true;
  }
  if (result.ec == std::errc::result_out_of_range && !AtLeastOne(text)) {
    value = 0.0f;
    return true;
  }
  return false;
}

}  // namespace engine_detail
