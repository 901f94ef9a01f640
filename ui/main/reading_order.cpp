#include "ui/main/reading_order.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace norvale {

namespace {

bool sameRow(const QRect& a, const QRect& b) {
  const int overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()) + 1;
  return overlap * 2 >= std::min(a.height(), b.height());
}

}  // namespace

QList<QWidget*> readingOrder(const QWidget& window) {
  QList<QWidget*> controls;
  for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow() || !(child->focusPolicy() & Qt::TabFocus)) continue;
    controls << child;
  }
  // Rows from the top: each row is led by the highest control not yet placed
  // and takes every control beside it.
  std::stable_sort(controls.begin(), controls.end(),
                   [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
  QList<QWidget*> ordered;
  while (!controls.isEmpty()) {
    const QRect lead = controls.first()->geometry();
    QList<QWidget*> row;
    for (auto it = controls.begin(); it != controls.end();) {
      if (sameRow(lead, (*it)->geometry())) {
        row << *it;
        it = controls.erase(it);
      } else {
        ++it;
      }
    }
    std::stable_sort(row.begin(), row.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    ordered << row;
  }
  return ordered;
}

void applyReadingOrder(QWidget& window) {
  const QList<QWidget*> order = readingOrder(window);
  for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

ReadingOrderKeeper::ReadingOrderKeeper(QWidget& window) : QObject(&window), window_(window) {
  applyReadingOrder(window_);
  window_.installEventFilter(this);
}

bool ReadingOrderKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Show) applyReadingOrder(window_);
  return QObject::eventFilter(watched, event);
}

}  // namespace norvale
