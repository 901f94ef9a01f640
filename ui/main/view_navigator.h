// Zoom and pan without the markers: the wheel zooms about the pointer,
// Ctrl+= and Ctrl+- zoom about the origin, the arrow keys move the picture by
// one unit, Home brings back the start-up view. Every step changes only the
// view (origin marker corner and unit length) and then asks its owner to
// redraw exactly as a marker drag does: both markers follow the view, every
// listed function of the frame is re-plotted and no message is shown.
//
// Choices of this class:
// - The unit stays within what the unit-marker drag can reach, 0.2 to 15
//   canvas centimetres. A zoom beyond a limit stops at the limit (the drag's
//   jump back to 1 past 15 would throw the user's view away).
// - An arrow key moves the picture the way the arrow points, as dragging the
//   origin marker that way would.
// - While a text field has the focus the arrows and Home belong to it (they
//   move its cursor); the zoom keys and the wheel work everywhere.
// - The origin may leave the canvas (zooming about a far point moves it
//   away); it is kept within ORIGIN_REACH centimetres, where a single-precision
//   marker position still resolves a hundredth of a pixel.
#pragma once

#include <QObject>
#include <functional>

#include "plot/view_state.h"

class CanvasWidget;
class QKeySequence;
class QWidget;

namespace norvale {

inline constexpr double MIN_UNIT_LENGTH = 0.2;  // the unit-marker drag keeps the markers 0.2 apart or more
inline constexpr double MAX_UNIT_LENGTH = 15.0; // ... and no further than 15
inline constexpr double ZOOM_STEP = 1.25;       // one wheel notch or one zoom key
inline constexpr int WHEEL_NOTCH = 120;         // angle delta of one notch, in eighths of a degree
inline constexpr double ORIGIN_REACH = 10000.0;

// Zooms the view by `factor` about the canvas point (x, y), which keeps the
// world point there in place. False when the unit is already at the limit
// in that direction (nothing changed).
bool zoomView(ViewState& view, double x, double y, double factor);
// Moves the origin by whole units, right and up.
bool panView(ViewState& view, int unitsRight, int unitsUp);

class ViewNavigator : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    // Puts the markers where the view says and rebuilds the picture as a
    // marker drag does.
    std::function<void()> redraw;
    // True while a marker is being dragged: the wheel waits for the release.
    std::function<bool()> dragging;
  };

  // Remembers the view as it is now as the start view.
  ViewNavigator(ViewState& view, Hooks hooks, QObject* parent = nullptr);

  // Wires the canvas's wheel and the window's keys.
  void attach(QWidget& window, CanvasWidget& canvas);

  void wheel(float x, float y, int angleDelta);
  void zoomIn();
  void zoomOut();
  void pan(int unitsRight, int unitsUp);
  void home();
  const ViewState& startView() const { return start_; }

 private:
  void addKey(QWidget& window, const QKeySequence& key, std::function<void()> action, bool textFieldsFirst);
  void changed(bool any);

  ViewState& view_;
  ViewState start_;
  Hooks hooks_;
};

}  // namespace norvale
