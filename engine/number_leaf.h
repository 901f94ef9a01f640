// Reading a number leaf of an expression: the decimal forms
// digits[.digits][E|e digits], locale-independent, correctly rounded to
// single precision.
#pragma once

#include <string_view>

namespace engine_detail {

// Returns false when the text is not exactly one of the accepted forms or its
// value lies beyond the single-precision range; a value too small for single
// precision reads as 0.
bool ReadNumberLeaf(std::string_view text, float& value);

}  // namespace engine_detail
