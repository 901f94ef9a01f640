// The coordinate read-out with every curve under the pointer: under its first
// line, one line per listed function of the current frame with the function's
// value at the pointer (polar: its radius at the pointer's angle), in the
// function's own colour, or "无定义" where it has no value.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "registry/function_registry.h"

namespace norvale {

inline constexpr const char* READOUT_UNDEFINED = "无定义";

struct CurveReading {
  QString text;          // "sin(x) = .841" or "1/x = 无定义"
  std::uint32_t colour;  // red in the low byte
};

// worldX, worldY: the pointer in world coordinates. frameKind: FRAME_CARTESIAN
// or FRAME_POLAR; in the polar frame the angle is the pointer's, from 0 up to
// (not including) 2 pi. valueText writes a value as the point evaluation does.
std::vector<CurveReading> curveReadings(const FunctionRegistry& registry, std::int16_t frameKind, double worldX,
                                        double worldY, const std::function<QString(float)>& valueText);

// The read-out's text: the first line alone (plain) when there are no
// readings, otherwise rich text with each reading in its colour.
QString readoutWithCurves(const QString& firstLine, const std::vector<CurveReading>& readings);

}  // namespace norvale
