#include "engine/engine.h"

std::string SignedIntegerText(std::int64_t value) {
  if (value < 0) {
    // Negate in unsigned arithmetic so the most negative value has a text too.
    const auto magnitude = 0 - static_cast<std::uint64_t>(value);
    return "-" + std::to_string(magnitude);
  }
  return " " + std::to_string(value);
}
