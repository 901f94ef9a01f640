#include "ui/main/view_navigator.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

#include "canvas/canvas_widget.h"

namespace norvale {

namespace {

constexpr double MARKER_HALF = 0.1;  // the origin is the marker's corner moved by (+0.1, -0.1)

double withinReach(double v) { return std::clamp(v, -ORIGIN_REACH, ORIGIN_REACH); }

void placeOrigin(ViewState& view, double x, double y) {
  view.markerLeft = static_cast<float>(withinReach(x) - MARKER_HALF);
  view.markerTop = static_cast<float>(withinReach(y) + MARKER_HALF);
}

// A widget where the arrows and Home move a text cursor.
bool editsText(const QWidget* w) {
  if (!w) return false;
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
      qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w))
    return true;
  const auto* combo = qobject_cast<const QComboBox*>(w);
  return combo && combo->isEditable();
}

}  // namespace

bool zoomView(ViewState& view, double x, double y, double factor) {
  const double unit = view.unitLength;
  if (!(factor > 0) || !std::isfinite(factor) || !(unit > 0)) return false;
  const double wanted = std::clamp(unit * factor, MIN_UNIT_LENGTH, MAX_UNIT_LENGTH);
  if (wanted == unit) return false;
  // The world point under (x, y) is (x - origin) / unit; it stays at (x, y)
  // when the origin moves towards (x, y) in the ratio of the units.
  const double ratio = wanted / unit;
  const double ox = view.originX();
  const double oy = view.originY();
  view.unitLength = wanted;
  placeOrigin(view, x - (x - ox) * ratio, y - (y - oy) * ratio);
  return true;
}

bool panView(ViewState& view, int unitsRight, int unitsUp) {
  if (unitsRight == 0 && unitsUp == 0) return false;
  const float left = view.markerLeft;
  const float top = view.markerTop;
  placeOrigin(view, view.originX() + unitsRight * view.unitLength, view.originY() + unitsUp * view.unitLength);
  return left != view.markerLeft || top != view.markerTop;
}

ViewNavigator::ViewNavigator(ViewState& view, Hooks hooks, QObject* parent)
    : QObject(parent), view_(view), start_(view), hooks_(std::move(hooks)) {}

void ViewNavigator::attach(QWidget& window, CanvasWidget& canvas) {
  connect(&canvas, &CanvasWidget::wheelTurned, this, &ViewNavigator::wheel);
  addKey(window, QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { zoomIn(); }, false);
  addKey(window, QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { zoomIn(); }, false);
  addKey(window, QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { zoomOut(); }, false);
  addKey(window, QKeySequence(Qt::Key_Left), [this] { pan(-1, 0); }, true);
  addKey(window, QKeySequence(Qt::Key_Right), [this] { pan(1, 0); }, true);
  addKey(window, QKeySequence(Qt::Key_Up), [this] { pan(0, 1); }, true);
  addKey(window, QKeySequence(Qt::Key_Down), [this] { pan(0, -1); }, true);
  addKey(window, QKeySequence(Qt::Key_Home), [this] { home(); }, true);
}

void ViewNavigator::addKey(QWidget& window, const QKeySequence& key, std::function<void()> action, bool textFieldsFirst) {
  auto* shortcut = new QShortcut(key, &window);
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, this, [action = std::move(action), textFieldsFirst] {
    // A field takes its cursor keys itself; Up and Down mean nothing there
    // and are not taken from it either.
    if (textFieldsFirst && editsText(QApplication::focusWidget())) return;
    action();
  });
}

void ViewNavigator::wheel(float x, float y, int angleDelta) {
  if (hooks_.dragging && hooks_.dragging()) return;
  const double notches = static_cast<double>(angleDelta) / WHEEL_NOTCH;
  changed(zoomView(view_, x, y, std::pow(ZOOM_STEP, notches)));
}

void ViewNavigator::zoomIn() { changed(zoomView(view_, view_.originX(), view_.originY(), ZOOM_STEP)); }

void ViewNavigator::zoomOut() { changed(zoomView(view_, view_.originX(), view_.originY(), 1.0 / ZOOM_STEP)); }

void ViewNavigator::pan(int unitsRight, int unitsUp) { changed(panView(view_, unitsRight, unitsUp)); }

void ViewNavigator::home() {
  const bool any = view_.unitLength != start_.unitLength || view_.markerLeft != start_.markerLeft ||
                   view_.markerTop != start_.markerTop;
  view_.unitLength = start_.unitLength;
  view_.markerLeft = start_.markerLeft;
  view_.markerTop = start_.markerTop;
  changed(any);
}

void ViewNavigator::changed(bool any) {
  if (any && hooks_.redraw) hooks_.redraw();
}

}  // namespace norvale
