#include "ui/analysis/curve_readout.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "engine/engine.h"
#include "plot/view_state.h"

namespace norvale {

namespace {

QString htmlColour(std::uint32_t rgb) {
  return QStringLiteral("#%1%2%3")
      .arg(rgb & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((rgb >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((rgb >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

// The pointer's angle about the pole, from 0 up to 2 pi.
double pointerAngle(double worldX, double worldY) {
  double angle = std::atan2(worldY, worldX);
  if (angle < 0) angle += 2 * std::numbers::pi;
  return angle;
}

}  // namespace

std::vector<CurveReading> curveReadings(const FunctionRegistry& registry, std::int16_t frameKind, double worldX,
                                        double worldY, const std::function<QString(float)>& valueText) {
  std::vector<CurveReading> readings;
  const bool cartesian = frameKind == FRAME_CARTESIAN;
  const double argument = cartesian ? worldX : pointerAngle(worldX, worldY);
  const bool representable = std::isfinite(argument) && std::fabs(argument) <= std::numeric_limits<float>::max();
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    if (registry.isEmpty(slot)) continue;
    const DecodedEntry entry = registry.decodeEntry(slot);
    if (entry.frameCharacter != (cartesian ? "1" : "0")) continue;
    const std::string text = cartesian ? entry.expression : ReplaceAngleLetter(entry.expression);
    bool ok = false;
    const float value = representable ? CalculateString(text, ok, static_cast<float>(argument)) : NO_VALUE;
    const QString shown = ok ? valueText(value) : QStringLiteral(" ") + QString::fromUtf8(READOUT_UNDEFINED);
    readings.push_back({QString::fromStdString(entry.expression) + QStringLiteral(" =") + shown, entry.colour});
  }
  return readings;
}

QString readoutWithCurves(const QString& firstLine, const std::vector<CurveReading>& readings) {
  if (readings.empty()) return firstLine;
  QString html = QStringLiteral("<p style=\"white-space:pre; margin:0\">") + firstLine.toHtmlEscaped();
  for (const CurveReading& r : readings) {
    html += QStringLiteral("<br><span style=\"color:%1\">%2</span>").arg(htmlColour(r.colour), r.text.toHtmlEscaped());
  }
  html += QStringLiteral("</p>");
  return html;
}

}  // namespace norvale
