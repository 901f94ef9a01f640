#include "registry/function_registry.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "engine/engine.h"

namespace {

// The text from 1-based position `from`, `count` characters (or to the end);
// positions past the end give empty text.
std::string piece(const std::string& text, std::size_t from, std::size_t count = std::string::npos) {
  if (from < 1 || from > text.size()) return {};
  return text.substr(from - 1, count);
}

// The leading decimal number of a text, leading blanks skipped; 0 if none.
double leadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::size_t end = i;
  if (end < text.size() && (text[end] == '-' || text[end] == '+')) ++end;
  bool digits = false;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
    ++end;
    digits = true;
  }
  if (end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
      ++end;
      digits = true;
    }
  }
  if (!digits) return 0;
  return std::strtod(text.substr(i, end - i).c_str(), nullptr);
}

std::int32_t lengthOf(const std::string& text) {
  return static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
}

std::string packEntry(const std::string& text, const std::string& frameCharacter, std::int16_t width,
                      std::uint32_t colour) {
  return text + frameCharacter + SignedIntegerText(width) + SignedIntegerText(colour);
}

}  // namespace

void FunctionRegistry::appendEntry(const std::string& text, char frameCharacter, std::int16_t width,
                                   std::uint32_t colour) {
  funcLast_ = static_cast<std::int16_t>(funcLast_ % SLOT_COUNT + 1);
  funcLen_[funcLast_] = lengthOf(text);
  funcRec_[funcLast_] = packEntry(text, std::string(1, frameCharacter), width, colour);
}

void FunctionRegistry::writeEntry(int slot, const std::string& text, char frameCharacter, std::int16_t width,
                                  std::uint32_t colour) {
  funcRec_.at(slot) = packEntry(text, std::string(1, frameCharacter), width, colour);
  funcLen_.at(slot) = lengthOf(text);
}

DecodedEntry FunctionRegistry::decodeEntry(int slot) const {
  const std::string& entry = funcRec_.at(slot);
  const auto length = static_cast<std::size_t>(funcLen_.at(slot) < 0 ? 0 : funcLen_.at(slot));
  DecodedEntry decoded;
  decoded.expression = entry.substr(0, std::min(length, entry.size()));
  decoded.frameCharacter = piece(entry, length + 1, 1);
  decoded.width = static_cast<std::int16_t>(std::lround(leadingNumber(piece(entry, length + 3, 1))));
  const double colour = leadingNumber(piece(entry, length + 4));
  const long long rounded = colour >= 0 && colour < 4294967296.0 ? std::llround(colour) : 0;
  decoded.colour = rounded <= 4294967295LL ? static_cast<std::uint32_t>(rounded) : 0;
  return decoded;
}

void FunctionRegistry::clearEntry(int slot) {
  funcRec_.at(slot).clear();
  funcLen_.at(slot) = 0;
}

void FunctionRegistry::rebuildEntry(int slot, const std::string& newText) {
  const DecodedEntry old = decodeEntry(slot);
  funcRec_.at(slot) = packEntry(newText, old.frameCharacter, old.width, old.colour);
  funcLen_.at(slot) = lengthOf(newText);
}
