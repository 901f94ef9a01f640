// The marks of analysis results, painted over the picture after everything
// else, so they stay visible above curves, markers and selection lines.
#include <QPainter>
#include <cmath>

#include "canvas/canvas_widget.h"

namespace {

constexpr double DOT_RADIUS_PX = 4;
constexpr double FAR_PX = 1.0e6;  // positions beyond this cannot be on screen

QColor markColour(std::uint32_t rgb) { return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)); }

}  // namespace

void CanvasWidget::setOverlayMarks(std::vector<OverlayMark> marks) {
  overlayMarks_ = std::move(marks);
  update();
}

void CanvasWidget::paintOverlayMarks(QPainter& p) const {
  if (overlayMarks_.empty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  QFont captionFont(QStringLiteral("Times New Roman"));
  captionFont.setPointSize(9);
  p.setFont(captionFont);
  for (const OverlayMark& m : overlayMarks_) {
    const QPointF at = toPixel(m.x, m.y);
    if (!std::isfinite(at.x()) || !std::isfinite(at.y()) || std::fabs(at.x()) > FAR_PX || std::fabs(at.y()) > FAR_PX)
      continue;
    const QColor colour = markColour(m.colour);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(colour);
    p.drawEllipse(at, DOT_RADIUS_PX, DOT_RADIUS_PX);
    // The caption on a light backing, up and to the right of the dot.
    const QRectF text = p.fontMetrics().boundingRect(m.caption);
    const QRectF box(at.x() + DOT_RADIUS_PX + 2, at.y() - DOT_RADIUS_PX - text.height() - 2, text.width() + 6,
                     text.height() + 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawRect(box);
    p.setPen(colour.darker(130));
    p.drawText(box, Qt::AlignCenter, m.caption);
  }
  p.restore();
}
