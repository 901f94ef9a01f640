// Tab order in reading order: the window's focusable children row by row
// from the top, and left to right within a row. The rows are found from the
// controls' positions, so a control added anywhere falls into place.
#pragma once

#include <QList>
#include <QObject>

class QWidget;

namespace norvale {

// The window's direct children that Tab can reach (hidden ones included, so
// the order holds when they are shown), in reading order. Two controls share
// a row when their vertical extents overlap by at least half the shorter one.
QList<QWidget*> readingOrder(const QWidget& window);

// Sets the tab order of the window to its reading order.
void applyReadingOrder(QWidget& window);

// Keeps a window's tab order in reading order: once now and again whenever
// the window is shown (controls may have been added or moved meanwhile).
class ReadingOrderKeeper : public QObject {
  Q_OBJECT
 public:
  explicit ReadingOrderKeeper(QWidget& window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
};

}  // namespace norvale
