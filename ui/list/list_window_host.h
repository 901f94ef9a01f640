// What the function-list window needs from the main window: the frame and pen
// a function typed into an empty row gets, and the redraw of the main canvas
// when the user leaves the list with its exit button.
#pragma once

#include <cstdint>

#include "plot/pen.h"

enum class ListRedrawResult {
  Complete,                 // every entry was visited: the list window closes
  StoppedAtMalformedEntry,  // an entry's expression is malformed: the list window stays open
};

class ListWindowHost {
 public:
  virtual ~ListWindowHost() = default;

  // FRAME_CARTESIAN or FRAME_POLAR: the frame the canvas shows now.
  virtual std::int16_t currentFrameKind() const = 0;
  // The pen; a new row takes the user's choice (lwidthUser, lcolorUser).
  virtual const Pen& pen() const = 0;
  // Clears the main canvas, draws the frame and re-plots the entries of the
  // current frame, telling the user about each failing entry by its slot
  // number ("超出显示范围！" goes on, "函数表达式语法错误！" stops). Afterwards
  // the pen is the user's choice again.
  virtual ListRedrawResult redrawOnListExit() = 0;
};
