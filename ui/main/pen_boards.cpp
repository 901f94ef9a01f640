#include "ui/main/pen_boards.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/main/design_layout.h"

namespace norvale {

namespace {

// Sample lines run from x = 120 to 2160 twips at y = 360, 720, ... 2160 twips;
// the click targets are 1095 x 255 twips, 120 twips above their line.
constexpr int LINE_LEFT_TWIPS = 120;
constexpr int LINE_RIGHT_TWIPS = 2160;
constexpr int LINE_SPACING_TWIPS = 360;
constexpr int TARGET_WIDTH_TWIPS = 1095;
constexpr int TARGET_HEIGHT_TWIPS = 255;
constexpr int TARGET_ABOVE_LINE_TWIPS = 120;

}  // namespace

std::uint32_t colourValue(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
         (static_cast<std::uint32_t>(colour.blue()) << 16);
}

QColor colourFromValue(std::uint32_t value) {
  return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void ClickTarget::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void ClickTarget::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) emit clicked();
}

WidthBoard::WidthBoard(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("lwidthBd"));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(p);
  for (int n = 1; n <= 6; ++n) {
    auto* target = new ClickTarget(this);
    target->setObjectName(QStringLiteral("dLL%1").arg(n));
    target->setGeometry(twipsToPixels(LINE_LEFT_TWIPS),
                        twipsToPixels(n * LINE_SPACING_TWIPS - TARGET_ABOVE_LINE_TWIPS),
                        twipsToPixels(TARGET_WIDTH_TWIPS), twipsToPixels(TARGET_HEIGHT_TWIPS));
    target->setCursor(Qt::PointingHandCursor);
    connect(target, &ClickTarget::clicked, this, [this, n] { emit widthChosen(n); });
    targets_[n - 1] = target;
  }
}

int WidthBoard::sampleLineY(int width) { return twipsToPixels(width * LINE_SPACING_TWIPS); }
int WidthBoard::sampleLineLeft() { return twipsToPixels(LINE_LEFT_TWIPS); }
int WidthBoard::sampleLineRight() { return twipsToPixels(LINE_RIGHT_TWIPS); }

void WidthBoard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int n = 1; n <= 6; ++n) {  // dL1 .. dL6
    painter.setPen(QPen(Qt::black, n, Qt::SolidLine, Qt::FlatCap));
    const int y = sampleLineY(n);
    painter.drawLine(sampleLineLeft(), y, sampleLineRight(), y);
  }
}

ColourBoard::ColourBoard(QWidget* parent)
    : QWidget(parent), palette_(QImage(QStringLiteral(":/norvale/palette.png")).convertToFormat(QImage::Format_RGB32)) {
  setObjectName(QStringLiteral("lcolorBd"));
  setAutoFillBackground(true);
  setCursor(Qt::CrossCursor);
}

std::uint32_t ColourBoard::colourAt(QPoint position) const {
  if (palette_.valid(position)) return colourValue(QColor(palette_.pixel(position)));
  return colourValue(palette().color(QPalette::Window));
}

void ColourBoard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, palette_);
}

void ColourBoard::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit colourChosen(colourAt(event->position().toPoint()));
}

}  // namespace norvale
