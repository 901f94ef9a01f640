// The main window's design layout in twips (1440 to the inch, 15 to a logical
// pixel) and the start-up arithmetic that stretches it over the screen. The
// window places its children in centimetres after start-up; k converts twips
// to centimetres.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace norvale {

inline constexpr int TWIPS_PER_PIXEL = 15;
inline constexpr double CM_PER_TWIP = 0.001763890832008479;

int twipsToPixels(int twips);
int cmToPixels(double cm);
double pixelsToCm(int pixels);

struct DesignRect {
  const char* name;  // object name; "Label1_0" / "Label1_1" for the two elements of Label1
  int left, top, width, height;
};

// The design rectangle of a control, in twips.
std::optional<DesignRect> designRect(const QString& name);
// The same in logical pixels.
QRect designPixels(const QString& name);

// What start-up computes from the window's outer size (twips), in centimetres.
struct StartupGeometry {
  double canvasLeft = 0, canvasTop = 0;   // design position of the canvas
  double canvasWidth = 0, canvasHeight = 0;
  double picture3Width = 0, picture3Height = 0;
  double exitLeft = 0;     // Command5
  double helpLeft = 0;     // Command10
  double rowTop = 0;       // the control row under the canvas
  double stripTop = 0;     // Picture4
  double aboutTop = 0.212; // Label5 inside Picture4
};

StartupGeometry startupGeometry(int windowWidthTwips, int windowHeightTwips);

}  // namespace norvale
