// The canvas widget: mapping, persistent picture, pens, overlays, mouse.
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <random>

#include "canvas/canvas_widget.h"

namespace {

constexpr std::uint32_t RED = 0x0000FF;
constexpr std::uint32_t FRAME = 0xC0C0C0;
constexpr std::uint32_t WHITE = 0xFFFFFF;

// A canvas 600 x 400 pixels with (0, 0) in the middle and y upwards, the way
// the main window sets it up.
void setUp(CanvasWidget& c, int w = 600, int h = 400) {
  c.resize(w, h);
  const float hw = static_cast<float>(w / CanvasWidget::PIXELS_PER_CM / 2);
  const float hh = static_cast<float>(h / CanvasWidget::PIXELS_PER_CM / 2);
  c.setScale(-hw, hh, hw, -hh);
}

void drawAxes(Canvas& c, float hw, float hh) {
  c.setDrawWidth(1);
  c.line(-hw, 0, hw, 0, FRAME);
  c.line(0, -hh, 0, hh, FRAME);
}

// sin(x) from -hw to hw, sampled every 0.05 units, joined segment by segment.
void drawSine(Canvas& c, float hw, int width, std::uint32_t colour) {
  c.setDrawWidth(width);
  c.moveTo(-hw, std::sin(-hw));
  for (float x = -hw; x <= hw; x += 0.05f) c.lineTo(x, std::sin(x), colour);
}

QImage rendered(CanvasWidget& c) { return c.grab().toImage().convertToFormat(QImage::Format_RGB32); }

std::uint32_t rgbOf(QRgb p) {
  return static_cast<std::uint32_t>(qRed(p)) | (static_cast<std::uint32_t>(qGreen(p)) << 8) |
         (static_cast<std::uint32_t>(qBlue(p)) << 16);
}

}  // namespace

class TestCanvasWidget : public QObject {
  Q_OBJECT

 private slots:
  void mapping_data();
  void mapping();
  void sineInRedOverFrame_data();
  void sineInRedOverFrame();
  void clearWhitensButOverlaysRemain();
  void skippingIsPixelIdentical_data();
  void skippingIsPixelIdentical();
  void redrawAfterClearIsLikeFresh_data();
  void redrawAfterClearIsLikeFresh();
  void gatheredSegmentsMatchOneByOne_data();
  void gatheredSegmentsMatchOneByOne();
  void dottedPenIsVisiblyDotted_data();
  void dottedPenIsVisiblyDotted();
  void farCoordinatesDrawTheVisiblePart_data();
  void farCoordinatesDrawTheVisiblePart();
  void printPlacesTextAndMovesDown();
  void mouseSignalsInCanvasUnits_data();
  void mouseSignalsInCanvasUnits();
  void pictureSurvivesResizeAndRepaint();
  void readoutLabel();
};

void TestCanvasWidget::mapping_data() {
  QTest::addColumn<double>("x");
  QTest::addColumn<double>("y");
  QTest::addColumn<double>("px");
  QTest::addColumn<double>("py");
  QTest::newRow("centre") << 0.0 << 0.0 << 300.0 << 200.0;
  QTest::newRow("one cm right") << 1.0 << 0.0 << 300.0 + 96 / 2.54 << 200.0;
  QTest::newRow("one cm up is fewer pixels") << 0.0 << 1.0 << 300.0 << 200.0 - 96 / 2.54;
  QTest::newRow("upper-left corner") << -300 * 2.54 / 96 << 200 * 2.54 / 96 << 0.0 << 0.0;
}

void TestCanvasWidget::mapping() {
  QFETCH(double, x);
  QFETCH(double, y);
  QFETCH(double, px);
  QFETCH(double, py);
  CanvasWidget c;
  setUp(c);
  const QPointF p = c.toPixel(x, y);
  QVERIFY(std::fabs(p.x() - px) < 1e-3);
  QVERIFY(std::fabs(p.y() - py) < 1e-3);
  const QPointF back = c.toCanvas(p);
  QVERIFY(std::fabs(back.x() - x) < 1e-4);
  QVERIFY(std::fabs(back.y() - y) < 1e-4);
}

void TestCanvasWidget::sineInRedOverFrame_data() {
  QTest::addColumn<float>("x");
  QTest::addColumn<float>("y");
  QTest::addColumn<uint>("colour");
  // On the curve, away from the axes.
  for (float x : {-6.5f, -4.2f, -2.0f, -1.0f, 0.7f, 1.5708f, 2.5f, 4.0f, 6.6f})
    QTest::addRow("sin at %.2f", x) << x << std::sin(x) << uint(RED);
  // On the axes, away from the curve.
  QTest::newRow("x axis") << 1.6f << 0.0f << uint(FRAME);
  QTest::newRow("y axis above") << 0.0f << 2.0f << uint(FRAME);
  QTest::newRow("y axis below") << 0.0f << -2.2f << uint(FRAME);
  QTest::newRow("blank") << 1.0f << 2.0f << uint(WHITE);
}

void TestCanvasWidget::sineInRedOverFrame() {
  QFETCH(float, x);
  QFETCH(float, y);
  QFETCH(uint, colour);
  CanvasWidget c;
  setUp(c);
  drawAxes(c, c.scaleRight(), c.scaleTop());
  drawSine(c, c.scaleRight(), 3, RED);
  QCOMPARE(uint(c.pixelColor(x, y)), colour);
}

void TestCanvasWidget::clearWhitensButOverlaysRemain() {
  // State: frame and curve drawn, markers at their start places, a selection shown.
  CanvasWidget c;
  setUp(c);
  drawAxes(c, c.scaleRight(), c.scaleTop());
  drawSine(c, c.scaleRight(), 3, RED);
  c.setMarker(1, -0.1f, 0.1f);
  c.setMarker(2, 0.9f, 0.1f);
  c.setSelectionLine(1, 1.0f, -2.0f, 3.0f, -2.0f);
  c.setSelectionLineVisible(1, true);
  c.showReadout(-3.0f, 2.0f, QStringLiteral("( 1.5,-.5)"));
  QCOMPARE(uint(c.pixelColor(0.7f, std::sin(0.7f))), uint(RED));

  // Action: clear.
  c.clear();

  // Expected: every pixel of the picture is white; the overlay items remain.
  const QImage& img = c.image();
  QVERIFY(img.size() == QSize(600, 400));
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) QCOMPARE(img.pixel(x, y) & 0xFFFFFFu, 0xFFFFFFu);
  QCOMPARE(c.marker(1).left, -0.1f);
  QCOMPARE(c.marker(2).left, 0.9f);
  QVERIFY(c.selectionLine(1).visible);
  QVERIFY(c.readout()->isVisibleTo(&c));

  // The markers and the selection line are still on screen over the white picture.
  const QImage screen = rendered(c);
  const QPointF m1 = c.toPixel(-0.1, 0.1);
  QCOMPARE(rgbOf(screen.pixel(qRound(m1.x()), qRound(m1.y()) + 3)), FRAME);
  const QPointF m2 = c.toPixel(0.9, 0.1);
  QCOMPARE(rgbOf(screen.pixel(qRound(m2.x()) + 3, qRound(m2.y()))), FRAME);
  const QPointF s = c.toPixel(1.0, -2.0);
  int dark = 0;
  for (int dx = 0; dx < 20; ++dx)
    if (rgbOf(screen.pixel(qRound(s.x()) + dx, qRound(s.y()))) != WHITE) ++dark;
  QVERIFY(dark >= 5);
}

void TestCanvasWidget::skippingIsPixelIdentical_data() {
  QTest::addColumn<double>("unit");
  QTest::addColumn<float>("originX");
  QTest::addColumn<float>("originY");
  QTest::addColumn<bool>("filled");
  QTest::newRow("polar frame at 0.2") << 0.2 << 0.0f << 0.0f << false;
  QTest::newRow("polar frame at 1, pole off-centre") << 1.0 << 6.0f << -4.0f << false;
  QTest::newRow("pole outside the picture") << 0.5 << 30.0f << 12.0f << false;
  QTest::newRow("filled circles") << 3.0 << -2.0f << 1.0f << true;
}

void TestCanvasWidget::skippingIsPixelIdentical() {
  QFETCH(double, unit);
  QFETCH(float, originX);
  QFETCH(float, originY);
  QFETCH(bool, filled);
  // The same drawing with and without skipping: circles, ticks, labels and
  // wide lines, many of them beyond the picture.
  CanvasWidget skipping, plain;
  plain.setSkipInvisible(false);
  for (CanvasWidget* c : {&skipping, &plain}) {
    c->setAntialiased(false);
    setUp(*c, 500, 300);
    const float hw = c->scaleRight(), hh = c->scaleTop();
    c->setFillSolid(filled);
    c->setFillColor(0x00FF00);
    c->setDrawStyle(PenStyle::Dotted);
    const int n = static_cast<int>(100 / unit);
    for (int i = 1; i <= n; ++i) c->circle(originX, originY, static_cast<float>(i * unit), FRAME);
    c->setDrawStyle(PenStyle::Solid);
    c->setFillSolid(false);
    for (int i = 1; i <= n; ++i) {
      const float t = static_cast<float>(i * unit);
      c->line(originX + t, originY - 0.15f, originX + t, originY + 0.15f, FRAME);
      c->line(originX - 0.15f, originY - t, originX + 0.15f, originY - t, FRAME);
      c->setTextColor(FRAME);
      c->moveTo(originX + t - 0.2f, originY + 0.5f);
      std::string label = " ";
      label += std::to_string(i);
      label += ' ';
      c->print(label);
      c->moveTo(originX + 0.3f, originY - t + 0.2f);
      label[0] = '-';
      c->print(label);
    }
    c->setDrawWidth(6);
    c->line(-hw - 0.05f, -hh, -hw - 0.05f, hh, RED);  // just beside the left edge
    c->line(-hw, hh + 0.06f, hw, hh + 0.06f, RED);     // just above the top edge
    c->line(hw + 0.5f, 0, hw + 40, 3, RED);            // wholly right of it
    drawSine(*c, hw + 2, 4, 0xFF0000);
    // A curve that goes round and round, as polar curves do, drawn again in
    // another pen or colour, or crossed by other drawing in between: each
    // pass must show over what was drawn since.
    const struct {
      int width;
      std::uint32_t colour;
      int between;  // 0 nothing, 1 a crossing line, 2 a text
    } passes[] = {{1, 0x00AA00, 0}, {1, RED, 0}, {2, RED, 1}, {1, RED, 2}, {1, 0x00AA00, 0}};
    for (const auto& pass : passes) {
      c->setDrawWidth(pass.width);
      c->moveTo(originX + 2, originY);
      for (float t = 0; t < 30; t += 0.1f)
        c->lineTo(originX + 2 * std::cos(t), originY + 2 * std::sin(t), pass.colour);
      if (pass.between == 1) c->line(originX - 3, originY - 3, originX + 3, originY + 3, 0xFF0000);
      if (pass.between == 2) {
        c->setTextColor(0xFF0000);
        c->moveTo(originX + 1.5f, originY + 0.2f);
        c->print("888");
      }
    }
  }
  QCOMPARE(skipping.image(), plain.image());
}

void TestCanvasWidget::gatheredSegmentsMatchOneByOne_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<bool>("dotted");
  for (int width : {1, 2, 3})
    for (bool dotted : {false, true})
      QTest::addRow("width %d, %s", width, dotted ? "dotted" : "solid") << width << dotted;
}

// The canvas gathers segments and skips repeats; drawing each segment on its
// own as it comes must give the same picture, the same pixels read in
// between, and the same screen without an explicit read of the picture.
void TestCanvasWidget::gatheredSegmentsMatchOneByOne() {
  QFETCH(int, width);
  QFETCH(bool, dotted);
  CanvasWidget gathered, plain;
  plain.setSkipInvisible(false);
  std::vector<std::int64_t> readsGathered, readsPlain;
  for (CanvasWidget* c : {&gathered, &plain}) {
    auto& reads = c == &gathered ? readsGathered : readsPlain;
    c->setAntialiased(false);
    setUp(*c, 320, 200);
    const float hw = c->scaleRight(), hh = c->scaleTop();
    std::mt19937 random(7);
    std::uniform_real_distribution<float> across(-hw - 1, hw + 1), up(-hh - 1, hh + 1), step(-0.05f, 0.05f);
    c->setDrawWidth(width);
    c->setDrawStyle(dotted ? PenStyle::Dotted : PenStyle::Solid);
    const std::uint32_t colours[] = {RED, 0x00AA00, RED, 0x123456};
    for (int round = 0; round < 4; ++round) {
      const std::uint32_t colour = colours[round];
      // A closed curve sampled finer than a pixel and gone round several
      // times, so that most of its segments repeat.
      c->moveTo(2.5f, 0);
      for (float t = 0; t < 20; t += 0.013f)
        c->lineTo(2.5f * std::cos(t) + 0.3f * round, 1.5f * std::sin(2 * t), colour);
      // Random short hops, zero-length segments, repeats and long lines
      // crossing or missing the picture.
      float x = across(random), y = up(random);
      c->moveTo(x, y);
      for (int i = 0; i < 400; ++i) {
        switch (i % 5) {
          case 0: c->lineTo(x, y, colour); break;  // a point
          case 1: c->line(x, y, x + step(random), y + step(random), colour); break;
          case 2: c->line(across(random), up(random), across(random), up(random), colour); break;
          case 3: c->line(x, y, x + 3 * hw, y - hh, colour); break;  // leaves the picture
          default: c->lineTo(x += step(random), y += step(random), colour);
        }
      }
      reads.push_back(c->pixelColor(2.5f + 0.3f * round, 0));
      // Other drawing in between: a filled circle and a text in other colours.
      c->setFillSolid(true);
      c->setFillColor(0x0000AA);
      c->circle(-1, -1, 0.4f, 0xAA0000);
      c->setFillSolid(false);
      c->setTextColor(0x00AAAA);
      c->moveTo(-2, 1);
      c->print("8.8");
    }
    // Left waiting for the next repaint.
    c->moveTo(0, 0);
    for (float t = 0; t < 12; t += 0.05f) c->lineTo(t / 6 * std::cos(t), t / 6 * std::sin(t), 0x808000);
  }
  QCOMPARE(readsGathered, readsPlain);
  QCOMPARE(rendered(gathered), rendered(plain));
  QCOMPARE(gathered.image(), plain.image());
}

void TestCanvasWidget::dottedPenIsVisiblyDotted_data() {
  QTest::addColumn<bool>("isCircle");
  QTest::addColumn<float>("radius");
  QTest::newRow("line") << false << 0.0f;
  QTest::newRow("small circle") << true << 1.0f;
  QTest::newRow("circle crossing the edges") << true << 6.0f;
}

void TestCanvasWidget::dottedPenIsVisiblyDotted() {
  QFETCH(bool, isCircle);
  QFETCH(float, radius);
  CanvasWidget c;
  setUp(c);
  c.setDrawWidth(1);
  c.setDrawStyle(PenStyle::Dotted);
  if (isCircle) {
    c.circle(0, 0, radius, FRAME);
  } else {
    c.line(-4, radius, 4, radius, FRAME);
  }
  // Walk along the line or the circle: both set and unset pixels, and no
  // coloured pixel off the path.
  const QImage& img = c.image();
  const QPointF centre = c.toPixel(0, 0);
  const double rpx = radius * CanvasWidget::PIXELS_PER_CM;
  int on = 0, off = 0, stray = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const bool coloured = rgbOf(img.pixel(x, y)) == FRAME;
      bool onPath;
      if (isCircle) {
        onPath = std::fabs(std::hypot(x - centre.x(), y - centre.y()) - rpx) < 0.6;
      } else {
        onPath = y == qRound(centre.y()) && std::fabs(x - centre.x()) < 4 * CanvasWidget::PIXELS_PER_CM - 2;
      }
      if (onPath) (coloured ? on : off)++;
      else if (coloured && std::fabs(std::hypot(x - centre.x(), y - centre.y()) - rpx) > 1.5 && isCircle) ++stray;
    }
  QVERIFY2(on > 50 && off > on / 3, qPrintable(QStringLiteral("%1 on, %2 off").arg(on).arg(off)));
  QCOMPARE(stray, 0);
}

void TestCanvasWidget::farCoordinatesDrawTheVisiblePart_data() {
  QTest::addColumn<float>("x2");
  QTest::addColumn<float>("y2");
  QTest::addColumn<float>("probeX");
  QTest::addColumn<float>("probeY");
  QTest::newRow("straight up to 1e12") << 0.0f << 1e12f << 0.0f << 2.0f;
  QTest::newRow("straight down to -1e30") << 0.0f << -1e30f << 0.0f << -2.0f;
  QTest::newRow("far right") << 1e15f << 0.0f << 5.0f << 0.0f;
  QTest::newRow("to the largest float") << 3.4e38f << 0.0f << 5.0f << 0.0f;
}

void TestCanvasWidget::farCoordinatesDrawTheVisiblePart() {
  QFETCH(float, x2);
  QFETCH(float, y2);
  QFETCH(float, probeX);
  QFETCH(float, probeY);
  CanvasWidget c;
  setUp(c);
  c.setDrawWidth(2);
  c.line(0, 0, x2, y2, RED);
  QCOMPARE(uint(c.pixelColor(probeX, probeY)), uint(RED));
  QCOMPARE(c.currentX(), x2);
  QCOMPARE(c.currentY(), y2);
  // An infinite end draws nothing and harms nothing.
  c.line(0, 0, INFINITY, 0, RED);
  c.circle(0, 0, INFINITY, RED);
  c.circle(1e30f, 0, 1, RED);
}

void TestCanvasWidget::printPlacesTextAndMovesDown() {
  CanvasWidget c;
  setUp(c);
  c.setTextColor(FRAME);
  c.moveTo(1.0f, 1.0f);
  c.print(" 12 ");
  // The text lies right of and below its upper-left corner.
  const QImage& img = c.image();
  const QPointF tl = c.toPixel(1.0, 1.0);
  int inside = 0, before = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      if (rgbOf(img.pixel(x, y)) == WHITE) continue;
      const bool in = x >= tl.x() - 1 && x <= tl.x() + 40 && y >= tl.y() - 1 && y <= tl.y() + 20;
      (in ? inside : before)++;
    }
  QVERIFY(inside > 5);
  QCOMPARE(before, 0);
  QCOMPARE(c.currentX(), c.scaleLeft());
  QVERIFY(c.currentY() < 1.0f && c.currentY() > 0.4f);
}

void TestCanvasWidget::mouseSignalsInCanvasUnits_data() {
  QTest::addColumn<int>("button");
  QTest::addColumn<int>("code");
  QTest::newRow("left") << int(Qt::LeftButton) << 1;
  QTest::newRow("right") << int(Qt::RightButton) << 2;
  QTest::newRow("middle") << int(Qt::MiddleButton) << 4;
}

void TestCanvasWidget::mouseSignalsInCanvasUnits() {
  QFETCH(int, button);
  QFETCH(int, code);
  CanvasWidget c;
  setUp(c);
  c.show();
  QVERIFY(QTest::qWaitForWindowExposed(&c));
  QSignalSpy press(&c, &CanvasWidget::mousePressed);
  QSignalSpy move(&c, &CanvasWidget::mouseMoved);
  QSignalSpy release(&c, &CanvasWidget::mouseReleased);
  const auto b = static_cast<Qt::MouseButton>(button);
  const QPoint at(300 + 38, 200 - 76);  // about (1, 2) cm
  QTest::mousePress(&c, b, {}, at);
  QTest::mouseMove(&c, at + QPoint(10, 0));
  QTest::mouseRelease(&c, b, {}, at + QPoint(10, 0));
  QCOMPARE(press.count(), 1);
  QCOMPARE(release.count(), 1);
  QVERIFY(move.count() >= 1);
  QVERIFY(std::fabs(press[0][0].toFloat() - 38 * 2.54f / 96) < 1e-3f);
  QVERIFY(std::fabs(press[0][1].toFloat() - 76 * 2.54f / 96) < 1e-3f);
  QCOMPARE(press[0][2].toInt(), code);
  QCOMPARE(release[0][2].toInt(), code);
}

void TestCanvasWidget::pictureSurvivesResizeAndRepaint() {
  CanvasWidget c;
  setUp(c);
  c.setDrawWidth(3);
  c.line(-2, -1, 2, -1, RED);
  c.resize(800, 500);
  c.repaint();
  c.resize(700, 450);
  QCOMPARE(c.image().size(), QSize(700, 450));
  QCOMPARE(uint(c.pixelColor(0, -1)), uint(RED));
  QCOMPARE(uint(c.pixelColorAt(690, 440)), uint(WHITE));
  QCOMPARE(c.pixelColorAt(700, 0), std::int64_t(-1));
  QCOMPARE(c.pixelColor(1000, 0), std::int64_t(-1));
}

void TestCanvasWidget::readoutLabel() {
  CanvasWidget c;
  setUp(c);
  QCOMPARE(c.findChild<QLabel*>(QStringLiteral("Pcrdts")), c.readout());
  QVERIFY(!c.readout()->isVisibleTo(&c));
  c.showReadout(1.0f, 1.0f, QStringLiteral("( 1,-.5)"));
  QCOMPARE(c.readout()->text(), QStringLiteral("( 1,-.5)"));
  QCOMPARE(c.readout()->pos(), c.toPixel(1.0, 1.0).toPoint());
  c.hideReadout();
  QVERIFY(!c.readout()->isVisibleTo(&c));
}

void TestCanvasWidget::redrawAfterClearIsLikeFresh_data() {
  QTest::addColumn<bool>("antialiased");
  QTest::addColumn<int>("seed");
  for (bool smooth : {false, true})
    for (int seed = 1; seed <= 40; ++seed)
      QTest::addRow("%s, seed %d", smooth ? "smooth" : "aliased", seed) << smooth << seed;
}

// A clear whitens only the parts of the picture drawn on since the last one:
// whatever was drawn before (wide pens and their caps, smooth fringes, filled
// and dotted circles, labels, far lines), the picture after a clear and new
// drawing is the picture a fresh canvas gets from the new drawing alone.
void TestCanvasWidget::redrawAfterClearIsLikeFresh() {
  QFETCH(bool, antialiased);
  QFETCH(int, seed);
  const auto drawSome = [](CanvasWidget& c, std::mt19937& r) {
    const float hw = c.scaleRight(), hh = c.scaleTop();
    std::uniform_real_distribution<float> across(-hw * 1.3f, hw * 1.3f), up(-hh * 1.3f, hh * 1.3f), hop(-0.3f, 0.3f);
    std::uniform_int_distribution<int> kind(0, 5), width(1, 6), colour(0, 0xFFFFFF);
    // A few small things each time, so that most of the picture stays white
    // and a part whitened too little shows.
    for (int i = 0; i < 6; ++i) {
      c.setDrawWidth(width(r));
      c.setDrawStyle(kind(r) == 0 ? PenStyle::Dotted : PenStyle::Solid);
      const std::uint32_t ink = static_cast<std::uint32_t>(colour(r));
      switch (kind(r)) {
        case 0:
        case 1: {  // a curve of short hops
          float x = across(r), y = up(r);
          c.moveTo(x, y);
          for (int j = 0; j < 8; ++j) c.lineTo(x += hop(r), y += hop(r), ink);
          break;
        }
        case 2: {
          const float x = across(r), y = up(r);
          c.line(x, y, x + hop(r) * 3, y + hop(r) * 3, ink);
          break;
        }
        case 3:
          c.setFillSolid(kind(r) < 2);
          c.setFillColor(static_cast<std::uint32_t>(colour(r)));
          c.circle(across(r), up(r), std::abs(hop(r)) * 3, ink);
          c.setFillSolid(false);
          break;
        case 4:
          c.setTextColor(ink);
          c.moveTo(across(r), up(r));
          c.print("-12.5 WWW");
          break;
        default:
          c.lineTo(c.currentX() + hop(r), c.currentY() + hop(r), ink);
      }
    }
  };
  CanvasWidget reused, fresh;
  for (CanvasWidget* c : {&reused, &fresh}) {
    c->setAntialiased(antialiased);
    setUp(*c, 500, 300);
  }
  std::mt19937 random(static_cast<unsigned>(seed) * 7919u);
  for (int round = 0; round < 3; ++round) {
    drawSome(reused, random);
    reused.clear();
  }
  std::mt19937 again = random;
  drawSome(reused, random);
  fresh.clear();
  drawSome(fresh, again);
  QCOMPARE(reused.image(), fresh.image());
}

QTEST_MAIN(TestCanvasWidget)
#include "test_canvas_widget.moc"
