// What the canvas shows: the unit length, the canvas edges, the frame kind and
// the origin marker's corner, from which the origin is derived.
#pragma once

#include <cstdint>

inline constexpr std::int16_t FRAME_CARTESIAN = 1;
inline constexpr std::int16_t FRAME_POLAR = 0;
inline constexpr std::uint32_t FRAME_COLOUR = 0xC0C0C0;  // RGB 192, 192, 192

// The part of the world the canvas shows, in the order the plotters take it.
struct WorldWindow {
  float left = 0;    // Tx1
  float right = 0;   // Tx2
  float bottom = 0;  // Ty1
  float top = 0;     // Ty2
  float originX = 0; // x0
  float originY = 0; // y0
};

struct ViewState {
  double unitLength = 1.0;  // canvas centimetres per world unit, 0 < unitLength <= 15
  float canvasLeft = 0;
  float canvasRight = 0;
  float canvasBottom = 0;
  float canvasTop = 0;
  std::int16_t frameKind = FRAME_CARTESIAN;

  // Top-left corner of the origin marker Shape1; the unit marker Shape2 sits
  // at (markerLeft + unitLength, markerTop).
  float markerLeft = -0.1f;
  float markerTop = 0.1f;

  // The origin is the marker's corner moved by exactly +0.1 / -0.1.
  float originX() const { return markerLeft + 0.1f; }
  float originY() const { return markerTop - 0.1f; }

  // Computed fresh before every draw, in single precision.
  WorldWindow worldWindow() const {
    const float x0 = originX();
    const float y0 = originY();
    const auto k = static_cast<float>(unitLength);
    return {(canvasLeft - x0) / k, (canvasRight - x0) / k,
            (canvasBottom - y0) / k, (canvasTop - y0) / k, x0, y0};
  }
};
