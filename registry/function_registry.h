// The last 20 functions drawn successfully, each packed into one string:
// the expression as typed, the frame character ("1" Cartesian, "0" polar),
// the width text and the colour text (both sign-reserving number texts).
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct DecodedEntry {
  std::string expression;
  std::string frameCharacter;  // "1", "0", or empty / other for odd entries
  std::int16_t width = 0;
  std::uint32_t colour = 0;
};

class FunctionRegistry {
 public:
  static constexpr int SLOT_COUNT = 20;

  // Writes the slot after the one written last (1, 2, ..., 20, 1, ...).
  void appendEntry(const std::string& text, char frameCharacter, std::int16_t width, std::uint32_t colour);
  DecodedEntry decodeEntry(int slot) const;
  void clearEntry(int slot);
  // Replaces the expression of a slot and keeps its frame, width and colour.
  void rebuildEntry(int slot, const std::string& newText);
  // Writes one slot as the draw command would, without moving funcLast (the
  // list window uses it when the user types a function into an empty row).
  void writeEntry(int slot, const std::string& text, char frameCharacter, std::int16_t width, std::uint32_t colour);

  bool isEmpty(int slot) const { return funcRec_.at(slot).empty(); }
  const std::string& entryText(int slot) const { return funcRec_.at(slot); }
  // Bytes of the expression at the front of the entry. Held wider than 16 bits:
  // a longer expression would otherwise wrap to a negative length and its entry
  // would decode as garbage.
  std::int32_t expressionLength(int slot) const { return funcLen_.at(slot); }
  std::int16_t funcLast() const { return funcLast_; }
  // Puts the ring position back (0 to 20) as a saved lesson or an undone step
  // had it; out-of-range values leave it unchanged.
  void restoreFuncLast(std::int16_t slot) {
    if (slot >= 0 && slot <= SLOT_COUNT) funcLast_ = slot;
  }

  bool operator==(const FunctionRegistry&) const = default;

 private:
  std::array<std::string, SLOT_COUNT + 1> funcRec_{};   // slot 0 unused
  std::array<std::int32_t, SLOT_COUNT + 1> funcLen_{};
  std::int16_t funcLast_ = 0;
};
