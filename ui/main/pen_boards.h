// The two pop-up boards of the pen: the width board with six sample lines and
// a click target over the left part of each, and the colour board showing the
// palette picture, on which a press of any button picks the displayed colour.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <array>
#include <cstdint>

namespace norvale {

// A caption-less label that reports a click (press and release on it).
class ClickTarget : public QLabel {
  Q_OBJECT
 public:
  explicit ClickTarget(QWidget* parent = nullptr) : QLabel(parent) {}
 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

class WidthBoard : public QWidget {
  Q_OBJECT
 public:
  explicit WidthBoard(QWidget* parent = nullptr);
  // Click targets dLL1 .. dLL6 (index 1 to 6).
  ClickTarget* target(int width) const { return targets_.at(width - 1); }
  // Vertical position of sample line n (1 to 6) in board pixels.
  static int sampleLineY(int width);
  static int sampleLineLeft();
  static int sampleLineRight();

 signals:
  void widthChosen(int width);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<ClickTarget*, 6> targets_{};
};

class ColourBoard : public QWidget {
  Q_OBJECT
 public:
  explicit ColourBoard(QWidget* parent = nullptr);
  const QImage& palettePicture() const { return palette_; }
  // The colour shown at a point of the board (board pixels), red in the low
  // byte: the palette picture's pixel, or the board's background colour where
  // the picture does not reach.
  std::uint32_t colourAt(QPoint position) const;

 signals:
  void colourChosen(std::uint32_t colour);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage palette_;
};

// 32-bit colour value (red in the low byte) of a QColor and back.
std::uint32_t colourValue(const QColor& colour);
QColor colourFromValue(std::uint32_t value);

}  // namespace norvale
