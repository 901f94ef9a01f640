#include "ui/main/design_layout.h"

#include <cmath>

namespace norvale {

namespace {

// left, top, width, height in twips; the design client area is 11940 x 10485.
constexpr DesignRect DESIGN[] = {
    {"Command1", 120, 120, 1215, 375},
    {"Label1_1", 1560, 120, 615, 375},
    {"Text1", 2160, 120, 3615, 375},
    {"Label2", 5880, 240, 1215, 375},
    {"Text2", 6960, 120, 975, 375},
    {"Command2", 8040, 120, 1095, 375},
    {"Command7", 9240, 120, 1095, 375},
    {"Command10", 13560, 120, 735, 375},
    {"lwidthBd", 8040, 480, 2295, 2535},
    {"lcolorBd", 8040, 480, 2295, 1695},
    {"Picture1", 120, 600, 15015, 9495},
    {"Command3", 120, 10200, 855, 375},
    {"Label3", 1080, 10200, 975, 375},
    {"Text3", 2280, 10200, 1095, 375},
    {"Label1_0", 3480, 10200, 615, 375},
    {"Label4", 4080, 10200, 1575, 375},
    {"Command8", 5760, 10200, 975, 375},
    {"Command6", 6840, 10200, 1095, 375},
    {"Command9", 8040, 10200, 1095, 375},
    {"Command4", 9240, 10200, 1095, 375},
    {"Command11", 10440, 10200, 1095, 375},  // analysis, one button pitch right of Command4
    {"Command5", 14280, 10200, 855, 375},
    {"Picture4", 120, 10680, 15015, 375},
    {"Picture2", 3360, 240, 2775, 3015},
    {"Picture3", 4440, 5400, 3135, 975},
};

}  // namespace

int twipsToPixels(int twips) { return static_cast<int>(std::lround(twips / double(TWIPS_PER_PIXEL))); }

int cmToPixels(double cm) { return static_cast<int>(std::lround(cm / (CM_PER_TWIP * TWIPS_PER_PIXEL))); }

double pixelsToCm(int pixels) { return pixels * CM_PER_TWIP * TWIPS_PER_PIXEL; }

std::optional<DesignRect> designRect(const QString& name) {
  for (const DesignRect& r : DESIGN) {
    if (name == QLatin1String(r.name)) return r;
  }
  return std::nullopt;
}

QRect designPixels(const QString& name) {
  const auto r = designRect(name);
  if (!r) return {};
  return {twipsToPixels(r->left), twipsToPixels(r->top), twipsToPixels(r->width), twipsToPixels(r->height)};
}

StartupGeometry startupGeometry(int windowWidthTwips, int windowHeightTwips) {
  const double k = CM_PER_TWIP;
  StartupGeometry g;
  const DesignRect canvas = *designRect(QStringLiteral("Picture1"));
  g.canvasLeft = canvas.left * k;
  g.canvasTop = canvas.top * k;
  g.canvasWidth = windowWidthTwips * k - 0.424;
  g.canvasHeight = windowHeightTwips * k - 3.5;
  g.picture3Width = windowWidthTwips * k - 0.424;
  g.picture3Height = windowHeightTwips * k - 3.0;
  const double right = g.canvasLeft + g.canvasWidth;
  g.exitLeft = right - 1.508;
  g.helpLeft = right - 1.296;
  const double bottom = g.canvasTop + g.canvasHeight;
  g.rowTop = bottom + 0.2;
  g.stripTop = bottom + 1.0;
  return g;
}

}  // namespace norvale
