// What the user sees: scenes drawn on the real canvas, probed pixel by pixel.
#include <QApplication>
#include <QtTest>

#include <cmath>
#include <string>
#include <vector>

#include "canvas/canvas_widget.h"
#include "plot/scene.h"
#include "support/recording_messages.h"

Q_DECLARE_METATYPE(std::string)

namespace {

constexpr std::int64_t RED = 0x0000FF;

struct Scene {
  CanvasWidget canvas;
  ViewState view;
  Pen pen;
  FunctionRegistry registry;
  RecordingMessages messages;

  Scene(int widthPx, int heightPx) {
    canvas.resize(widthPx, heightPx);
    view.canvasLeft = -static_cast<float>(CanvasWidget::pixelsToCm(widthPx) / 2);
    view.canvasRight = -view.canvasLeft;
    view.canvasBottom = -static_cast<float>(CanvasWidget::pixelsToCm(heightPx) / 2);
    view.canvasTop = -view.canvasBottom;
    canvas.setScale(view.canvasLeft, view.canvasTop, view.canvasRight, view.canvasBottom);
  }
  SceneContext context(float precision = 0.1f) { return {canvas, view, pen, registry, precision, messages}; }
};

void fillRegistry(FunctionRegistry& registry, const std::string& list, char frame) {
  std::size_t start = 0;
  std::uint32_t colour = 0x0000C0;
  std::int16_t width = 1;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find('|', start), list.size());
    registry.appendEntry(list.substr(start, end - start), frame, width, colour);
    width = static_cast<std::int16_t>(width % 4 + 1);
    colour = (colour * 7 + 0x203040) & 0xFFFFFF;
    start = end + 1;
  }
}

bool colourNear(CanvasWidget& canvas, double x, double y, std::int64_t colour) {
  const QPointF p = canvas.toPixel(x, y);
  const int px = static_cast<int>(std::lround(p.x()));
  const int py = static_cast<int>(std::lround(p.y()));
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (canvas.pixelColorAt(px + dx, py + dy) == colour) return true;
  return false;
}

}  // namespace

class TestScenePixels : public QObject {
  Q_OBJECT

 private slots:
  // State: sin(x) registered in red, width 3, at the start-up view.
  // Action: a redraw. Expected: red where the curve passes, the frame colour
  // on the axes; after a clear the curve's pixels are white again.
  void sineInRedOverTheAxes() {
    Scene s(800, 500);
    s.registry.appendEntry("sin(x)", '1', 3, 255);
    redrawScene(ReplotMessages::FrameToggle, s.context());
    QVERIFY(s.messages.empty());

    // A curve drawn 3 pixels wide covers the pixel nearest to each of its
    // points or one of that pixel's neighbours.
    for (double x = -9.75; x <= 9.75; x += 0.5) {
      const double y = std::sin(x);
      QVERIFY2(colourNear(s.canvas, x, y, RED), qPrintable(QString("x = %1").arg(x)));
    }
    for (float x : {-8.5f, -5.5f, -1.5f, 1.5f, 4.5f, 7.5f})
      QCOMPARE(s.canvas.pixelColor(x, 0), std::int64_t{0xC0C0C0});
    for (float y : {-5.5f, -2.5f, 2.5f, 4.5f}) QCOMPARE(s.canvas.pixelColor(0, y), std::int64_t{0xC0C0C0});

    clearScene(s.canvas, s.view, s.pen);
    for (double x = -9.75; x <= 9.75; x += 0.5) {
      const double y = std::sin(x);
      if (std::fabs(y) > 0.3) QVERIFY(!colourNear(s.canvas, x, y, RED));
    }
    QCOMPARE(s.canvas.pixelColor(1.5f, 0), std::int64_t{0xC0C0C0});
  }

  // State: the polar frame at unit 1. Action: the clear button's frame, and
  // the same circle drawn solid on a second canvas. Expected: the frame's
  // circle of radius 3 sets clearly fewer pixels of its ring than the solid
  // one (it is dotted), yet enough to be seen.
  void polarCirclesAreDotted() {
    Scene dotted(600, 400);
    dotted.view.frameKind = FRAME_POLAR;
    clearScene(dotted.canvas, dotted.view, dotted.pen);
    Scene solid(600, 400);
    solid.canvas.setAntialiased(false);  // the ring is counted by its exact colour
    solid.canvas.clear();
    solid.canvas.setDrawWidth(1);
    solid.canvas.setDrawStyle(PenStyle::Solid);
    solid.canvas.circle(0, 0, 3, FRAME_COLOUR);

    const auto ringPixels = [](Scene& s) {
      const QPointF centre = s.canvas.toPixel(0, 0);
      const double radius = 3 * CanvasWidget::PIXELS_PER_CM;
      int set = 0;
      for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x) {
          const double dx = x - centre.x(), dy = y - centre.y();
          // Off the axes and their ticks.
          if (std::fabs(dx) < 8 || std::fabs(dy) < 8) continue;
          if (std::fabs(std::hypot(dx, dy) - radius) > 1.5) continue;
          if (s.canvas.pixelColorAt(x, y) == std::int64_t{FRAME_COLOUR}) ++set;
        }
      return set;
    };
    const int dots = ringPixels(dotted);
    const int line = ringPixels(solid);
    QVERIFY2(line > 300, qPrintable(QString::number(line)));
    QVERIFY2(dots <= line * 3 / 4 && dots >= line / 5, qPrintable(QString("%1 of %2").arg(dots).arg(line)));
  }

  // Skipping drawing that cannot reach the picture must not change a pixel.
  void skippingChangesNoPixel_data() {
    QTest::addColumn<int>("frameKind");
    QTest::addColumn<double>("unitLength");
    QTest::addColumn<float>("markerLeft");
    QTest::addColumn<std::string>("functions");

    const std::string school = "sin(x)|x^2|1/x|sqr(x)|ln(x)|tg(x)|exp(x)|arcsin(x)|x^3-2*x|abs(x)";
    const std::string polar = "2|e|2*sin(2*e)|1+cos(e)|e/2|3*sin(5*e)";
    QTest::newRow("Cartesian, unit 1") << int(FRAME_CARTESIAN) << 1.0 << -0.1f << school;
    QTest::newRow("Cartesian, unit 0.2") << int(FRAME_CARTESIAN) << 0.2 << -0.1f << school;
    QTest::newRow("Cartesian, unit 15, origin near the edge") << int(FRAME_CARTESIAN) << 15.0 << 9.0f << school;
    QTest::newRow("polar, unit 0.2") << int(FRAME_POLAR) << 0.2 << -0.1f << polar;
    QTest::newRow("polar, unit 1, pole off centre") << int(FRAME_POLAR) << 1.0 << -7.0f << polar;
  }

  void skippingChangesNoPixel() {
    QFETCH(int, frameKind);
    QFETCH(double, unitLength);
    QFETCH(float, markerLeft);
    QFETCH(std::string, functions);

    Scene skipped(900, 500);
    Scene plain(900, 500);
    plain.canvas.setSkipInvisible(false);
    for (Scene* s : {&skipped, &plain}) {
      s->canvas.setAntialiased(false);
      s->view.frameKind = static_cast<std::int16_t>(frameKind);
      s->view.unitLength = unitLength;
      s->view.markerLeft = markerLeft;
      fillRegistry(s->registry, functions, frameKind == FRAME_CARTESIAN ? '1' : '0');
      redrawScene(ReplotMessages::Drag, s->context());
    }
    QVERIFY(skipped.canvas.image() == plain.canvas.image());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TestScenePixels test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_scene_pixels.moc"
