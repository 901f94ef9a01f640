// Zoom and pan by wheel and keys: the arithmetic over many generated views,
// then the main window driven by real wheel and key events.
#include <QLineEdit>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <memory>
#include <random>

#include "support/recording_messages.h"
#include "ui/main/form1.h"
#include "ui/main/view_navigator.h"

using namespace norvale;

namespace {

constexpr double ONE_PIXEL = 1.0 / CanvasWidget::PIXELS_PER_CM;  // centimetres

// Where a world point lies on the canvas in a view.
QPointF canvasOf(const ViewState& v, QPointF world) {
  return {v.originX() + v.unitLength * world.x(), v.originY() + v.unitLength * world.y()};
}
QPointF worldOf(const ViewState& v, QPointF canvas) {
  return {(canvas.x() - v.originX()) / v.unitLength, (canvas.y() - v.originY()) / v.unitLength};
}

ViewState startView() {
  ViewState v;
  v.canvasLeft = -13.3f;
  v.canvasRight = 13.3f;
  v.canvasBottom = -8.4f;
  v.canvasTop = 8.4f;
  return v;
}

struct Window {
  RecordingMessages messages;
  std::unique_ptr<Form1> form;

  Window() {
    Form1::Options options;
    options.screen = QSize(1024, 768);
    options.messages = &messages;
    form = std::make_unique<Form1>(options);
  }
  CanvasWidget& canvas() const { return form->canvas(); }
  const ViewState& view() const { return form->view(); }
  QLineEdit* field(const char* name) const { return form->findChild<QLineEdit*>(QLatin1String(name)); }

  void wheel(float x, float y, int delta) {
    const QPointF at = canvas().toPixel(x, y);
    QWheelEvent event(at, canvas().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&canvas(), &event);
  }
  void mouse(QEvent::Type type, float x, float y, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF at = canvas().toPixel(x, y);
    QMouseEvent event(type, at, canvas().mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas(), &event);
  }
  void showActive() {
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
  }
  void draw(const char* expression) {
    field("Text1")->setText(QString::fromUtf8(expression));
    QTest::keyClick(field("Text1"), Qt::Key_Return);
  }
  // The markers sit where the view says: the origin marker at its corner,
  // the unit marker one unit to the right.
  bool markersFollowView() const {
    const auto origin = canvas().marker(1);
    const auto unit = canvas().marker(2);
    return origin.left == view().markerLeft && origin.top == view().markerTop && unit.top == view().markerTop &&
           std::fabs(unit.left - (view().markerLeft + view().unitLength)) < 1e-5;
  }
  // Whether curve ink (a dark pixel, whatever the antialiasing made of the
  // black pen) lies within `radius` pixels of a canvas point.
  bool inkNear(double x, double y, int radius = 2) {
    const QPointF p = canvas().toPixel(x, y);
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx) {
        const std::int64_t c = canvas().pixelColorAt(int(std::floor(p.x())) + dx, int(std::floor(p.y())) + dy);
        if (c >= 0 && (c & 0xFF) < 128 && ((c >> 8) & 0xFF) < 128 && ((c >> 16) & 0xFF) < 128) return true;
      }
    return false;
  }
};

}  // namespace

class TestViewNavigator : public QObject {
  Q_OBJECT

 private slots:
  void zoomKeepsThePointAndTheLimits() {
    // Many generated views, points and factors: the world point under the
    // point stays within a pixel, and the unit stays within the drag's limits.
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> unit(MIN_UNIT_LENGTH, MAX_UNIT_LENGTH);
    std::uniform_real_distribution<double> position(-13.0, 13.0);
    std::uniform_real_distribution<double> logFactor(-3.0, 3.0);
    int clampedLow = 0, clampedHigh = 0;
    for (int i = 0; i < 20000; ++i) {
      ViewState v = startView();
      v.unitLength = i % 7 == 0 ? (i % 2 ? MIN_UNIT_LENGTH : MAX_UNIT_LENGTH) : unit(random);
      v.markerLeft = static_cast<float>(position(random));
      v.markerTop = static_cast<float>(position(random) * 0.6);
      const QPointF at(static_cast<float>(position(random)), static_cast<float>(position(random) * 0.6));
      const double factor = std::exp(logFactor(random));
      const ViewState before = v;
      const QPointF world = worldOf(before, at);
      const bool changed = zoomView(v, at.x(), at.y(), factor);
      QVERIFY(v.unitLength >= MIN_UNIT_LENGTH && v.unitLength <= MAX_UNIT_LENGTH);
      const double wanted = before.unitLength * factor;
      if (wanted <= MIN_UNIT_LENGTH) {
        QCOMPARE(v.unitLength, MIN_UNIT_LENGTH);
        ++clampedLow;
      } else if (wanted >= MAX_UNIT_LENGTH) {
        QCOMPARE(v.unitLength, MAX_UNIT_LENGTH);
        ++clampedHigh;
      } else {
        QVERIFY(std::fabs(v.unitLength - wanted) <= 1e-12 * wanted);
      }
      QCOMPARE(changed, v.unitLength != before.unitLength);
      const QPointF now = canvasOf(v, world);
      QVERIFY2(std::fabs(now.x() - at.x()) < ONE_PIXEL && std::fabs(now.y() - at.y()) < ONE_PIXEL,
               qPrintable(QStringLiteral("case %1: (%2, %3) moved to (%4, %5)")
                              .arg(i).arg(at.x()).arg(at.y()).arg(now.x()).arg(now.y())));
    }
    QVERIFY(clampedLow > 100 && clampedHigh > 100);
  }

  void zoomRefusesNonsense_data() {
    QTest::addColumn<double>("factor");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -2.0;
    QTest::newRow("not a number") << std::nan("");
    QTest::newRow("infinite") << HUGE_VAL;
  }
  void zoomRefusesNonsense() {
    QFETCH(double, factor);
    ViewState v = startView();
    const ViewState before = v;
    QVERIFY(!zoomView(v, 3, 2, factor));
    QCOMPARE(v.unitLength, before.unitLength);
    QCOMPARE(v.markerLeft, before.markerLeft);
  }

  void panMovesTheOriginByWholeUnits_data() {
    QTest::addColumn<double>("unit");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("up");
    QTest::newRow("right at 1") << 1.0 << 1 << 0;
    QTest::newRow("left at 0.2") << 0.2 << -1 << 0;
    QTest::newRow("up at 15") << 15.0 << 0 << 1;
    QTest::newRow("down at 2.5") << 2.5 << 0 << -1;
    QTest::newRow("far out stops at the reach") << 15.0 << 1000 << -1000;
  }
  void panMovesTheOriginByWholeUnits() {
    QFETCH(double, unit);
    QFETCH(int, right);
    QFETCH(int, up);
    ViewState v = startView();
    v.unitLength = unit;
    const double x0 = v.originX(), y0 = v.originY();
    QVERIFY(panView(v, right, up));
    const double wantX = std::clamp(x0 + right * unit, -ORIGIN_REACH, ORIGIN_REACH);
    const double wantY = std::clamp(y0 + up * unit, -ORIGIN_REACH, ORIGIN_REACH);
    QVERIFY(std::fabs(v.originX() - wantX) < 1e-3);
    QVERIFY(std::fabs(v.originY() - wantY) < 1e-3);
    QCOMPARE(v.unitLength, unit);
  }

  void wheelZoomsAboutThePointer_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<int>("delta");
    QTest::addColumn<double>("unit");
    QTest::newRow("one notch in, right of the origin") << 3.0f << 2.0f << 120 << 1.25;
    QTest::newRow("one notch out, lower left") << -7.5f << -4.2f << -120 << 0.8;
    QTest::newRow("half a notch (fine wheel)") << 5.0f << -1.0f << 60 << std::sqrt(1.25);
    QTest::newRow("at the origin") << 0.0f << 0.0f << 240 << 1.5625;
  }
  void wheelZoomsAboutThePointer() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(int, delta);
    QFETCH(double, unit);
    Window w;
    w.draw("x");
    // State: the line y = x drawn at the start view.
    const QPointF world = worldOf(w.view(), QPointF(x, y));
    // Action: turn the wheel with the pointer at (x, y).
    w.wheel(x, y, delta);
    // Expected: the unit changed by the step, the world point still under the
    // pointer, markers moved along, the curve re-plotted, no message.
    QVERIFY(std::fabs(w.view().unitLength - unit) < 1e-9);
    const QPointF now = canvasOf(w.view(), world);
    QVERIFY(std::fabs(now.x() - x) < ONE_PIXEL && std::fabs(now.y() - y) < ONE_PIXEL);
    QVERIFY(w.markersFollowView());
    const QPointF onCurve = canvasOf(w.view(), QPointF(1.5, 1.5));
    QVERIFY(w.inkNear(onCurve.x(), onCurve.y()));
    QVERIFY(w.messages.empty());
    QCOMPARE(w.form->registry().funcLast(), 1);
  }

  void wheelStopsAtTheDragLimits() {
    Window w;
    for (int i = 0; i < 40; ++i) w.wheel(2, 1, 120);
    QCOMPARE(w.view().unitLength, MAX_UNIT_LENGTH);
    QVERIFY(w.markersFollowView());
    for (int i = 0; i < 80; ++i) w.wheel(-2, -1, -120);
    QCOMPARE(w.view().unitLength, MIN_UNIT_LENGTH);
    QVERIFY(w.markersFollowView());
    // The unit marker can still be dragged: it lies right of the origin marker.
    QVERIFY(w.canvas().marker(2).left > w.canvas().marker(1).left);
  }

  void wheelWaitsForAMarkerDrag() {
    Window w;
    // State: the origin marker held.
    w.mouse(QEvent::MouseButtonPress, 0, 0, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(w.form->originDrag());
    // Action: the wheel turns. Expected: nothing changes until the release.
    w.wheel(3, 3, 120);
    QCOMPARE(w.view().unitLength, 1.0);
    w.mouse(QEvent::MouseButtonRelease, 0, 0, Qt::LeftButton, Qt::NoButton);
    w.wheel(3, 3, 120);
    QCOMPARE(w.view().unitLength, 1.25);
  }

  void keysZoomPanAndGoHome() {
    Window w;
    w.draw("sin(x)");
    w.showActive();
    w.canvas().setFocus();
    const ViewState start = w.view();
    // Ctrl+= and Ctrl+- zoom about the origin: the origin stays.
    QTest::keyClick(w.form.get(), Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(w.view().unitLength, 1.25);
    QCOMPARE(w.view().markerLeft, start.markerLeft);
    QCOMPARE(w.view().markerTop, start.markerTop);
    QVERIFY(w.markersFollowView());
    QTest::keyClick(w.form.get(), Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(w.form.get(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(w.view().unitLength, 0.8);
    // The arrows move the picture by one unit the way they point.
    QTest::keyClick(&w.canvas(), Qt::Key_Right);
    QTest::keyClick(&w.canvas(), Qt::Key_Up);
    QTest::keyClick(&w.canvas(), Qt::Key_Up);
    QVERIFY(std::fabs(w.view().originX() - 0.8f) < 1e-5);
    QVERIFY(std::fabs(w.view().originY() - 1.6f) < 1e-5);
    QVERIFY(w.markersFollowView());
    QVERIFY(w.inkNear(w.view().originX() + 0.8 * M_PI / 2, w.view().originY() + 0.8));
    // The wheel somewhere else, then Home: the start view and markers again.
    w.wheel(6, -3, 360);
    QTest::keyClick(&w.canvas(), Qt::Key_Home);
    QCOMPARE(w.view().unitLength, start.unitLength);
    QCOMPARE(w.view().markerLeft, start.markerLeft);
    QCOMPARE(w.view().markerTop, start.markerTop);
    QVERIFY(w.markersFollowView());
    QCOMPARE(w.canvas().marker(2).left, 0.9f);
    QVERIFY(w.inkNear(M_PI / 2, 1));
    QVERIFY(w.messages.empty());
  }

  void textFieldKeepsItsCursorKeys() {
    Window w;
    w.showActive();
    QLineEdit* text = w.field("Text1");
    text->setFocus();
    text->setText(QStringLiteral("sin(x)"));
    text->setCursorPosition(3);
    const ViewState start = w.view();
    // Action: the arrows and Home in the expression field.
    QTest::keyClick(text, Qt::Key_Left);
    QCOMPARE(text->cursorPosition(), 2);
    QTest::keyClick(text, Qt::Key_Right);
    QTest::keyClick(text, Qt::Key_Right);
    QCOMPARE(text->cursorPosition(), 4);
    QTest::keyClick(text, Qt::Key_Up);
    QTest::keyClick(text, Qt::Key_Down);
    QTest::keyClick(text, Qt::Key_Home);
    QCOMPARE(text->cursorPosition(), 0);
    // Expected: the view did not move; the zoom keys still work from the field.
    QCOMPARE(w.view().markerLeft, start.markerLeft);
    QCOMPARE(w.view().markerTop, start.markerTop);
    QCOMPARE(w.view().unitLength, 1.0);
    QTest::keyClick(text, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(w.view().unitLength, 1.25);
    QCOMPARE(text->text(), QStringLiteral("sin(x)"));
  }

  void arrowsPanFromAButton() {
    Window w;
    w.showActive();
    auto* draw = w.form->findChild<QPushButton*>(QStringLiteral("Command3"));
    draw->setFocus();
    QTest::keyClick(draw, Qt::Key_Left);
    QVERIFY(std::fabs(w.view().originX() + 1.0f) < 1e-5);
    QCOMPARE(QApplication::focusWidget(), draw);
  }
};

QTEST_MAIN(TestViewNavigator)
#include "tst_view_navigator.moc"
