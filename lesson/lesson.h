// A lesson: everything a teacher prepares and opens again in class — the
// twenty slots of the function list with their frames and pens, the ring
// position, the frame the canvas shows, the origin and the unit, the drawing
// precision and the user's pen.
//
// On disk a lesson is a small UTF-8 JSON document (extension ".norvale"):
//
//   {
//     "format": "norvale-lesson",
//     "version": 1,
//     "functions": [ {"expression": "sin(x)", "frame": "cartesian", "width": 2, "colour": 255}, null, ... ],
//     "ringPosition": 1,
//     "frameShown": "cartesian",
//     "origin": {"x": 0, "y": 0},
//     "unit": 1,
//     "precision": 0.1,
//     "pen": {"width": 1, "colour": 0}
//   }
//
// - "functions" holds exactly 20 elements, slot 1 first; null is an empty slot.
// - "frame" / "frameShown": "cartesian" or "polar".
// - widths 1 to 6 (pixels); colours 0 to 16777215 (0xFFFFFF), red in the low
//   byte as everywhere in the program.
// - "ringPosition": the slot written last, 0 (none yet) to 20.
// - "origin": the origin marker's centre in canvas centimetres from the
//   canvas centre, y upwards; "unit": canvas centimetres per world unit, in
//   the range the unit marker can be dragged to.
// - "precision": the drawing precision, 0 < p < 1.
// Unknown members are ignored, so a later version 1 writer may add some; a
// higher "version" is refused.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "plot/pen.h"
#include "plot/view_state.h"
#include "registry/function_registry.h"

namespace lesson {

inline constexpr int FORMAT_VERSION = 1;
inline constexpr const char* FORMAT_NAME = "norvale-lesson";
inline constexpr const char* FILE_SUFFIX = "norvale";
// Twenty expressions of the longest kind a row takes are about 0.7 MB; a
// file over this size is no lesson and is not read at all.
inline constexpr std::int64_t MAX_FILE_BYTES = 4 * 1024 * 1024;
// As many bytes as a 16-bit expression length counts.
inline constexpr std::size_t MAX_EXPRESSION_BYTES = 32767;
inline constexpr int MIN_WIDTH = 1;
inline constexpr int MAX_WIDTH = 6;
inline constexpr std::uint32_t MAX_COLOUR = 0xFFFFFF;
// The unit marker is dragged to between 0.2 cm and 15 cm from the origin;
// the lower end is the difference of two singles, so a hair below 0.2 is a
// dragged value too.
inline constexpr double MIN_UNIT = 0.2 - 1e-4;
inline constexpr double MAX_UNIT = 15.0;
// No screen is two metres wide: an origin further out is a damaged value.
inline constexpr double MAX_ORIGIN_CM = 100.0;

struct Function {
  std::string expression;  // UTF-8, as typed (a polar one keeps its angle letter e)
  std::int16_t frameKind = FRAME_CARTESIAN;
  std::int16_t width = 1;
  std::uint32_t colour = 0;
  bool operator==(const Function&) const = default;
};

struct Lesson {
  std::array<std::optional<Function>, FunctionRegistry::SLOT_COUNT> functions{};  // [0] is slot 1
  std::int16_t ringPosition = 0;
  std::int16_t frameShown = FRAME_CARTESIAN;
  double originX = 0;
  double originY = 0;
  double unit = 1.0;
  double precision = 0.1;
  std::int16_t penWidth = 1;
  std::uint32_t penColour = 0;
  bool operator==(const Lesson&) const = default;
};

// The function list of a lesson from the registry and back. A slot whose
// entry does not decode to a function of either frame is left empty.
void takeFunctions(const FunctionRegistry& registry, Lesson& lesson);
FunctionRegistry registryOf(const Lesson& lesson);

}  // namespace lesson
