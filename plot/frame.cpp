#include "plot/frame.h"

#include <cmath>

#include "engine/engine.h"

namespace {

// Prints the integer i with the upper-left corner of its text at (x, y), in
// the frame colour; the text colour goes back to black afterwards.
void label(Canvas& canvas, long long i, double x, double y) {
  canvas.moveTo(static_cast<float>(x), static_cast<float>(y));
  canvas.setTextColor(FRAME_COLOUR);
  canvas.print(frameLabelText(i));
  canvas.setTextColor(0);
}

void frameLine(Canvas& canvas, double x1, double y1, double x2, double y2) {
  canvas.line(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2),
              FRAME_COLOUR);
}

}  // namespace

std::string frameLabelText(long long i) { return SignedIntegerText(i) + " "; }

void drawStartupFrame(Canvas& canvas, const ViewState& view) {
  canvas.setDrawWidth(1);
  const auto firstX = static_cast<long long>(std::floor(view.canvasLeft)) - 1;
  const auto lastX = static_cast<long long>(std::floor(view.canvasRight));
  for (long long i = firstX; i <= lastX; ++i) {
    const auto x = static_cast<double>(i);
    frameLine(canvas, x, -TICK_HALF_LENGTH, x, TICK_HALF_LENGTH);
    if (i != 0) label(canvas, i, x + X_LABEL_DX, X_LABEL_DY);
  }
  const auto firstY = static_cast<long long>(std::floor(view.canvasBottom)) - 1;
  const auto lastY = static_cast<long long>(std::floor(view.canvasTop));
  for (long long i = firstY; i <= lastY; ++i) {
    const auto y = static_cast<double>(i);
    frameLine(canvas, -TICK_HALF_LENGTH, y, TICK_HALF_LENGTH, y);
    if (i != 0) label(canvas, i, Y_LABEL_DX, y + Y_LABEL_DY_STARTUP);
  }
  frameLine(canvas, view.canvasLeft, 0, view.canvasRight, 0);
  frameLine(canvas, 0, view.canvasBottom, 0, view.canvasTop);
}

void drawCartesianScale(Canvas& canvas, const ViewState& view) {
  const double k = view.unitLength;
  const double x0 = view.originX();
  const double y0 = view.originY();
  const double n = TICK_RANGE / k;
  const bool labelled = k > LABEL_THRESHOLD;
  const bool cartesian = view.frameKind == FRAME_CARTESIAN;
  // The x axis: ticks both ways; in the polar frame only the positive side is
  // labelled, where the numbers read as the radii of the circles.
  for (long long i = 1; static_cast<double>(i) <= n; ++i) {
    const double d = static_cast<double>(i) * k;
    frameLine(canvas, x0 + d, y0 - TICK_HALF_LENGTH, x0 + d, y0 + TICK_HALF_LENGTH);
    frameLine(canvas, x0 - d, y0 - TICK_HALF_LENGTH, x0 - d, y0 + TICK_HALF_LENGTH);
    if (labelled) {
      label(canvas, i, x0 + d + X_LABEL_DX, y0 + X_LABEL_DY);
      if (cartesian) label(canvas, -i, x0 - d + X_LABEL_DX, y0 + X_LABEL_DY);
    }
  }
  for (long long i = 1; static_cast<double>(i) <= n; ++i) {
    const double d = static_cast<double>(i) * k;
    frameLine(canvas, x0 - TICK_HALF_LENGTH, y0 + d, x0 + TICK_HALF_LENGTH, y0 + d);
    frameLine(canvas, x0 - TICK_HALF_LENGTH, y0 - d, x0 + TICK_HALF_LENGTH, y0 - d);
    if (labelled && cartesian) {
      label(canvas, i, x0 + Y_LABEL_DX, y0 + d + Y_LABEL_DY);
      label(canvas, -i, x0 + Y_LABEL_DX, y0 - d + Y_LABEL_DY);
    }
  }
}

void drawPolarCircles(Canvas& canvas, const ViewState& view, bool labelled) {
  const double k = view.unitLength;
  const float x0 = view.originX();
  const float y0 = view.originY();
  const double n = TICK_RANGE / k;
  canvas.setDrawStyle(PenStyle::Dotted);
  for (long long i = 1; static_cast<double>(i) <= n; ++i) {
    const double r = static_cast<double>(i) * k;
    canvas.circle(x0, y0, static_cast<float>(r), FRAME_COLOUR);
    // The circle labels appear whatever the unit length.
    if (labelled) label(canvas, i, x0 + r + X_LABEL_DX, y0 + X_LABEL_DY);
  }
  canvas.setDrawStyle(PenStyle::Solid);
}

void drawAxes(Canvas& canvas, const ViewState& view) {
  const float x0 = view.originX();
  const float y0 = view.originY();
  canvas.line(view.canvasLeft, y0, view.canvasRight, y0, FRAME_COLOUR);
  canvas.line(x0, view.canvasBottom, x0, view.canvasTop, FRAME_COLOUR);
}
