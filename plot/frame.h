// The frame drawn under the curves: axes through the origin, ticks one world
// unit apart with numbered labels, and the dotted circles of the polar frame.
// Everything is drawn in FRAME_COLOUR with a pen of width 1; K is the unit
// length and (X0, Y0) the origin, both read from the view when a call runs.
// None of these clears the canvas; the caller does that first.
#pragma once

#include <string>

#include "canvas/canvas.h"
#include "plot/view_state.h"

// Fixed drawing constants, in canvas centimetres.
inline constexpr double TICK_HALF_LENGTH = 0.15;
inline constexpr double X_LABEL_DX = -0.2;         // label of an x tick: left of the tick ...
inline constexpr double X_LABEL_DY = 0.5;          // ... and above the axis
inline constexpr double Y_LABEL_DX = 0.3;          // label of a y tick: right of the axis ...
inline constexpr double Y_LABEL_DY = 0.2;          // ... and above the tick (later redraws)
inline constexpr double Y_LABEL_DY_STARTUP = 0.15; // the start-up frame's labels sit a little lower
inline constexpr double TICK_RANGE = 100.0;        // ticks and circles for i = 1 .. TICK_RANGE / K
inline constexpr double LABEL_THRESHOLD = 0.5;     // axis labels only when K > LABEL_THRESHOLD

// The text a label prints for the integer i: a blank in place of the sign when
// i is not negative, "-" otherwise, then the digits and a trailing blank.
std::string frameLabelText(long long i);

// The frame drawn once at start-up, from the canvas edges, with the origin at
// the canvas centre and one unit per centimetre.
void drawStartupFrame(Canvas& canvas, const ViewState& view);
// Ticks on both axes through the origin and their labels (in the polar frame
// only the positive x axis is labelled).
void drawCartesianScale(Canvas& canvas, const ViewState& view);
// Dotted circles around the pole, radius 1, 2, ... units, optionally labelled.
void drawPolarCircles(Canvas& canvas, const ViewState& view, bool labelled);
// The two axis lines through the origin across the whole canvas.
void drawAxes(Canvas& canvas, const ViewState& view);
