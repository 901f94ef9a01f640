// The pen of the next curve and of the point mark, and the user's last choice.
#pragma once

#include <cstdint>

struct Pen {
  std::int16_t lwidth = 1;       // line width in pixels, 1 to 6
  std::uint32_t lcolor = 0;      // RGB, red in the low byte
  std::int16_t lwidthUser = 1;
  std::uint32_t lcolorUser = 0;

  // The pickers set both the pen and the user's choice.
  void chooseWidth(std::int16_t width) { lwidth = lwidthUser = width; }
  void chooseColor(std::uint32_t colour) { lcolor = lcolorUser = colour; }
  // A re-plot borrows the pen for each entry and gives it back at its end.
  void restoreUser() {
    lwidth = lwidthUser;
    lcolor = lcolorUser;
  }
};

// Pen widths that reach the canvas: a width outside 1..6 (from a damaged or
// empty entry) draws as 1.
inline int canvasPenWidth(std::int16_t width) { return (width >= 1 && width <= 6) ? width : 1; }
