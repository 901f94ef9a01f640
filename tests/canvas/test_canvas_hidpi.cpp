// The canvas on a screen with two device pixels to the logical one: the
// picture is held at device resolution and lines are drawn there, not
// enlarged; positions in centimetres and pixel queries stay logical.
#include <QApplication>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas/canvas_widget.h"

namespace {

void setUp(CanvasWidget& c, int w, int h) {
  c.resize(w, h);
  const auto hw = static_cast<float>(w / CanvasWidget::PIXELS_PER_CM / 2);
  const auto hh = static_cast<float>(h / CanvasWidget::PIXELS_PER_CM / 2);
  c.setScale(-hw, hh, hw, -hh);
}

bool dark(QRgb p) { return qGray(p) < 128; }

}  // namespace

class TestCanvasHiDpi : public QObject {
  Q_OBJECT

 private slots:
  void pictureAtDeviceResolution();
  void onePixelCurveCoversTwoDevicePixels_data();
  void onePixelCurveCoversTwoDevicePixels();
  void diagonalHasNoDoubledSteps_data();
  void diagonalHasNoDoubledSteps();
  void exportsKeepTheirLogicalSize();
  void smoothCurveDoesNotDependOnSampling_data();
  void smoothCurveDoesNotDependOnSampling();
};

void TestCanvasHiDpi::pictureAtDeviceResolution() {
  CanvasWidget c;
  setUp(c, 300, 200);
  QCOMPARE(c.devicePixelRatioF(), 2.0);
  c.setDrawWidth(3);
  c.line(-2, -1, 2, -1, 0x0000FF);
  const QImage& picture = c.image();
  QCOMPARE(picture.size(), QSize(600, 400));
  QCOMPARE(picture.devicePixelRatio(), 2.0);
  QCOMPARE(uint(c.pixelColor(0, -1)), 0x0000FFu);
  QCOMPARE(uint(c.pixelColor(0, 1)), 0xFFFFFFu);
  QCOMPARE(c.pixelColorAt(300, 0), std::int64_t(-1));
  // Growing keeps the picture at the ratio.
  c.resize(320, 210);
  QCOMPARE(c.image().size(), QSize(640, 420));
  QCOMPARE(uint(c.pixelColor(0, -1)), 0x0000FFu);
}

void TestCanvasHiDpi::onePixelCurveCoversTwoDevicePixels_data() {
  QTest::addColumn<bool>("antialiased");
  QTest::newRow("plain") << false;
  QTest::newRow("smooth") << true;
}

// A gently sloping curve one logical pixel wide: in every device column it
// covers two device pixels (in ink, for the smooth one).
void TestCanvasHiDpi::onePixelCurveCoversTwoDevicePixels() {
  QFETCH(bool, antialiased);
  CanvasWidget c;
  c.setAntialiased(antialiased);
  setUp(c, 300, 200);
  c.setDrawWidth(1);
  c.moveTo(-3, -1);
  for (float x = -3; x <= 3; x += 0.1f) c.lineTo(x, -1 + 0.2f * x, 0x000000);
  const QImage& picture = c.image();
  std::vector<double> inks;
  for (int col = 200; col < 400; ++col) {
    double ink = 0;
    for (int row = 0; row < picture.height(); ++row) ink += (255 - qGray(picture.pixel(col, row))) / 255.0;
    inks.push_back(ink);
    // Where segments meet, their caps overlap a little; never a gap.
    QVERIFY2(ink > 1.5 && ink < 4.0, qPrintable(QStringLiteral("column %1: %2").arg(col).arg(ink)));
  }
  std::sort(inks.begin(), inks.end());
  const double median = inks[inks.size() / 2];
  QVERIFY2(std::fabs(median - 2.0) < 0.3, qPrintable(QString::number(median)));
}

void TestCanvasHiDpi::diagonalHasNoDoubledSteps_data() { onePixelCurveCoversTwoDevicePixels_data(); }

// A 45-degree line drawn at device resolution climbs one device pixel per
// column; a picture enlarged from logical pixels would climb in 2 x 2 steps,
// two neighbouring columns alike.
void TestCanvasHiDpi::diagonalHasNoDoubledSteps() {
  QFETCH(bool, antialiased);
  CanvasWidget c;
  c.setAntialiased(antialiased);
  setUp(c, 300, 200);
  c.setDrawWidth(1);
  c.line(-2, -2, 2, 2, 0x000000);
  const QImage& picture = c.image();
  const QPointF from = c.toPixel(-2, -2) * 2, to = c.toPixel(2, 2) * 2;
  int alike = 0, pairs = 0;
  for (int col = int(from.x()) + 4; col + 1 < int(to.x()) - 4; col += 2) {
    bool same = true;
    for (int row = 0; row < picture.height(); ++row)
      same = same && picture.pixel(col, row) == picture.pixel(col + 1, row);
    alike += same;
    ++pairs;
    // The darkest pixel of each column lies on the line.
    int darkest = 0;
    for (int row = 1; row < picture.height(); ++row)
      if (qGray(picture.pixel(col, row)) < qGray(picture.pixel(col, darkest))) darkest = row;
    const double onLine = from.y() + (col - from.x()) * (to.y() - from.y()) / (to.x() - from.x());
    QVERIFY(std::fabs(darkest - onLine) <= 2.0);
    QVERIFY(dark(picture.pixel(col, darkest)));
  }
  QVERIFY(pairs > 50);
  QVERIFY2(alike <= pairs / 10, qPrintable(QStringLiteral("%1 of %2 column pairs alike").arg(alike).arg(pairs)));
}

void TestCanvasHiDpi::smoothCurveDoesNotDependOnSampling_data() {
  QTest::addColumn<double>("amplitude");  // of y = amplitude sin(2 x), in centimetres
  QTest::addColumn<double>("step");       // between samples, in logical pixels
  for (double amplitude : {0.4, 1.0})
    for (double step : {0.1, 0.38, 1.0, 3.0})
      QTest::addRow("amplitude %g, every %g pixel", amplitude, step) << amplitude << step;
}

// Smoothed, a curve lies where it is whatever its sampling: in every device
// column where it runs more across than up, its ink centres within a third
// of a device pixel of the true curve and adds up to about its width, at
// ratio 1 and at ratio 2. Samples finer than the pixels must neither fall
// back to whole pixels nor darken the joints.
void TestCanvasHiDpi::smoothCurveDoesNotDependOnSampling() {
  QFETCH(double, amplitude);
  QFETCH(double, step);
  CanvasWidget c;
  c.setAntialiased(true);
  setUp(c, 300, 200);
  c.setDrawWidth(1);
  const double dx = step / CanvasWidget::PIXELS_PER_CM;
  const auto f = [&](double x) { return amplitude * std::sin(2 * x); };
  c.moveTo(-3, static_cast<float>(f(-3)));
  for (double x = -3 + dx; x <= 3; x += dx) c.lineTo(static_cast<float>(x), static_cast<float>(f(x)), 0x000000);
  for (double scale : {1.0, 2.0}) {
    const QImage picture = c.renderImage(QRect(0, 0, 300, 200), scale);
    int columns = 0, off = 0;
    for (int col = int(50 * scale); col < int(250 * scale); ++col) {
      const double u = (col + 0.5) / scale - 0.5;  // logical pixel position of the column's centre
      const double x = c.scaleLeft() + u / CanvasWidget::PIXELS_PER_CM;
      if (std::fabs(2 * amplitude * std::cos(2 * x)) > 0.8) continue;
      const double onCurve = (c.toPixel(x, f(x)).y() + 0.5) * scale - 0.5;
      double ink = 0, moment = 0;
      for (int row = std::max(0, int(onCurve) - 6); row < std::min(picture.height(), int(onCurve) + 7); ++row) {
        const double a = (255 - qGray(picture.pixel(col, row))) / 255.0;
        ink += a;
        moment += a * row;
      }
      ++columns;
      QVERIFY2(ink > 0.7 * scale && ink < 1.6 * scale, qPrintable(QStringLiteral("x %1 ratio %2: ink %3")
                                                                 .arg(x).arg(scale).arg(ink)));
      off += std::fabs(moment / ink - onCurve) > 0.34;
    }
    QVERIFY(columns > 40 * scale);
    QVERIFY2(off <= columns / 20, qPrintable(QStringLiteral("ratio %1: %2 of %3 columns off the curve")
                                                 .arg(scale).arg(off).arg(columns)));
  }
}

// Exports are measured in logical pixels whatever the screen: 38 pixels to
// the centimetre at 1x.
void TestCanvasHiDpi::exportsKeepTheirLogicalSize() {
  CanvasWidget c;
  c.setAntialiased(false);
  setUp(c, 300, 200);
  c.setDrawWidth(2);
  c.line(-2, -1, 2, 1, 0x0000FF);
  const QImage once = c.renderImage(QRect(10, 10, 200, 150), 1.0);
  QCOMPARE(once.size(), QSize(200, 150));
  QCOMPARE(once.devicePixelRatio(), 1.0);
  QCOMPARE(c.renderImage(QRect(10, 10, 200, 150), 2.0).size(), QSize(400, 300));
  int coloured = 0;
  for (int y = 0; y < once.height(); ++y)
    for (int x = 0; x < once.width(); ++x) coloured += (once.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
  QVERIFY(coloured > 200);
}

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TestCanvasHiDpi test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_canvas_hidpi.moc"
