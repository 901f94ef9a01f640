// The canvas drawn again from its record: at scale 1 without antialiasing
// the very pixels of the picture, at other scales the same drawing sharper,
// on a vector device as paths and text. The plain (aliased) picture itself
// is checked against lines drawn straight with QPainter.
#include <QBuffer>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QtTest>
#include <cmath>
#include <random>

#include "canvas/canvas_widget.h"

namespace {

constexpr std::uint32_t FRAME = 0xC0C0C0;

void setUp(CanvasWidget& c, int w, int h) {
  c.resize(w, h);
  const auto hw = static_cast<float>(w / CanvasWidget::PIXELS_PER_CM / 2);
  const auto hh = static_cast<float>(h / CanvasWidget::PIXELS_PER_CM / 2);
  c.setScale(-hw, hh, hw, -hh);
}

void label(Canvas& c, float x, float y, int n) {
  c.setTextColor(FRAME);
  c.moveTo(x, y);
  std::string text = " ";
  text += std::to_string(n);
  text += ' ';
  c.print(text);
  c.setTextColor(0);
}

// The kinds of drawing a session leaves on the canvas.
void drawScene(CanvasWidget& c, int scene) {
  const float hw = c.scaleRight(), hh = c.scaleTop();
  c.setDrawWidth(1);
  c.line(-hw, 0, hw, 0, FRAME);
  c.line(0, -hh, 0, hh, FRAME);
  for (int i = -12; i <= 12; ++i) {
    c.line(float(i), -0.15f, float(i), 0.15f, FRAME);
    if (i != 0) label(c, i - 0.2f, 0.5f, i);
  }
  switch (scene) {
    case 0: {  // curves of several widths, one with poles
      const std::uint32_t colours[] = {0x0000FF, 0x008000, 0xFF0000};
      for (int k = 0; k < 3; ++k) {
        c.setDrawWidth(k + 1);
        c.moveTo(-hw, 0);
        for (float x = -hw; x <= hw; x += 0.1f) {
          const float y = k == 0 ? std::sin(x) : k == 1 ? x * x / 4 - 2 : std::tan(x);
          if (std::fabs(y) < 2 * hh) c.lineTo(x, y, colours[k]);
          else c.moveTo(x, y);
        }
      }
      break;
    }
    case 1: {  // the polar frame: dotted circles, a rose gone round many times, a point
      c.setDrawStyle(PenStyle::Dotted);
      for (int i = 1; i <= 20; ++i) c.circle(0.5f, -0.3f, 0.6f * i, FRAME);
      c.setDrawStyle(PenStyle::Solid);
      c.setDrawWidth(2);
      c.moveTo(0.5f + 3, -0.3f);
      for (float t = 0; t < 40; t += 0.02f)
        c.lineTo(0.5f + 3 * std::cos(3 * t) * std::cos(t), -0.3f + 3 * std::cos(3 * t) * std::sin(t), 0x800080);
      c.setFillSolid(true);
      c.setFillColor(0x0000FF);
      c.circle(2, 1, 0.08f, 0x0000FF);
      c.setFillSolid(false);
      break;
    }
    case 2: {  // wide pens, far ends, zero-length segments, a dotted line, a resize in between
      c.setDrawWidth(6);
      c.line(-2, -2, 1e9f, 3e9f, 0x008080);
      c.setDrawWidth(4);
      c.line(1, 1, 1, 1, 0xFF00FF);
      c.line(-3, 1.5f, -3.5f, 1.5f, 0xFF00FF);
      c.resize(c.width() - 60, c.height() - 40);
      c.setDrawStyle(PenStyle::Dotted);
      c.setDrawWidth(1);
      c.line(-hw, -1, hw, 2, 0x000000);
      c.setDrawStyle(PenStyle::Solid);
      c.resize(c.width() + 100, c.height() + 50);
      c.setDrawWidth(3);
      c.moveTo(-hw, -hh);
      for (float x = -hw; x <= hw + 2; x += 0.05f) c.lineTo(x, std::sin(3 * x) * 2, 0x336699);
      break;
    }
    default: break;
  }
}

// Mean of |a - b| over the channels of two images of one size.
double meanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}

int count(const QByteArray& text, const char* what) {
  int n = 0;
  for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + 1)) ++n;
  return n;
}

}  // namespace

class TestCanvasRender : public QObject {
  Q_OBJECT

 private slots:
  void aliasedDrawsPlainQtLines();
  void oneTimesAliasedIsThePicture_data();
  void oneTimesAliasedIsThePicture();
  void switchingAntialiasingRedrawsTheRecord();
  void twiceIsSharperButAlike_data();
  void twiceIsSharperButAlike();
  void vectorDevicesGetPathsAndText();
  void clearForgetsTheRecord();
  void recordStopsAtItsBound();
};

// Property: whatever segments come, the plain picture is what QPainter draws
// for each segment rounded to whole pixels with the canvas's pen (square caps,
// round joins), the repeats skipped and the gathering notwithstanding.
void TestCanvasRender::aliasedDrawsPlainQtLines() {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    CanvasWidget c;
    c.setAntialiased(false);
    setUp(c, 300, 200);
    QImage expected(300, 200, QImage::Format_RGB32);
    expected.fill(Qt::white);
    QPainter plain(&expected);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> across(-5, 5), up(-3.5f, 3.5f), step(-0.3f, 0.3f);
    const std::uint32_t colours[] = {0x0000FF, 0x00AA00, 0x123456};
    float x = 0, y = 0;
    for (int i = 0; i < 600; ++i) {
      const int width = 1 + (i / 100) % 3;
      const std::uint32_t colour = colours[(i / 37) % 3];
      c.setDrawWidth(width);
      float x1 = x, y1 = y;
      if (i % 7 == 0) {
        x1 = across(random);
        y1 = up(random);
      }
      const float x2 = i % 5 == 0 ? x1 : x1 + step(random), y2 = i % 5 == 0 ? y1 : y1 + step(random);
      c.line(x1, y1, x2, y2, colour);
      x = x2;
      y = y2;
      QPen pen(QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int(colour >> 16)), width);
      pen.setCapStyle(Qt::SquareCap);
      pen.setJoinStyle(Qt::RoundJoin);
      plain.setPen(pen);
      const QPointF a = c.toPixel(x1, y1), b = c.toPixel(x2, y2);
      const QPoint ia(int(std::floor(a.x() + 0.5)), int(std::floor(a.y() + 0.5)));
      const QPoint ib(int(std::floor(b.x() + 0.5)), int(std::floor(b.y() + 0.5)));
      if (ia == ib) plain.drawPoint(ia);
      else plain.drawLine(ia, ib);
    }
    plain.end();
    QVERIFY2(c.image() == expected, qPrintable(QStringLiteral("seed %1").arg(seed)));
  }
}

void TestCanvasRender::oneTimesAliasedIsThePicture_data() {
  QTest::addColumn<int>("scene");
  QTest::addColumn<QRect>("region");
  const QRect regions[] = {QRect(0, 0, 640, 420), QRect(37, 21, 200, 150), QRect(500, 300, 140, 120),
                           QRect(1, 1, 1, 1)};
  for (int scene = 0; scene < 3; ++scene)
    for (const QRect& r : regions)
      QTest::addRow("scene %d, %dx%d at %d,%d", scene, r.width(), r.height(), r.x(), r.y()) << scene << r;
}

void TestCanvasRender::oneTimesAliasedIsThePicture() {
  QFETCH(int, scene);
  QFETCH(QRect, region);
  CanvasWidget c;
  c.setAntialiased(false);
  setUp(c, 640, 420);
  drawScene(c, scene);
  const QRect inside = region.intersected(QRect(QPoint(0, 0), c.size()));
  QCOMPARE(c.renderImage(inside, 1.0), c.image().copy(inside));
  // The same through a painter the caller holds, placed by its origin.
  QImage held(inside.size() + QSize(10, 10), QImage::Format_RGB32);
  held.fill(Qt::white);
  QPainter p(&held);
  p.translate(10, 10);
  c.renderRegion(p, inside, 1.0, false);
  p.end();
  QCOMPARE(held.copy(QRect(QPoint(10, 10), inside.size())), c.image().copy(inside));
}

// State: a picture drawn with antialiasing. Action: switch it off. Expected:
// the very picture of the same drawing made without antialiasing, and back.
void TestCanvasRender::switchingAntialiasingRedrawsTheRecord() {
  for (int scene = 0; scene < 3; ++scene) {
    CanvasWidget smooth, plain;
    plain.setAntialiased(false);
    for (CanvasWidget* c : {&smooth, &plain}) {
      setUp(*c, 500, 320);
      drawScene(*c, scene);
    }
    const QImage smoothPicture = smooth.image().copy();
    QVERIFY(smoothPicture != plain.image());
    smooth.setAntialiased(false);
    QCOMPARE(smooth.image(), plain.image());
    smooth.setAntialiased(true);
    QCOMPARE(smooth.image(), smoothPicture);
  }
}

void TestCanvasRender::twiceIsSharperButAlike_data() {
  QTest::addColumn<int>("scene");
  QTest::addColumn<bool>("antialiased");
  for (int scene = 0; scene < 3; ++scene)
    for (bool aa : {false, true}) QTest::addRow("scene %d, %s", scene, aa ? "smooth" : "plain") << scene << aa;
}

// The 2x rendering has twice the pixels in each direction, more detail than
// the 1x one (it is not the 1x enlarged), and shrunk back looks like it.
void TestCanvasRender::twiceIsSharperButAlike() {
  QFETCH(int, scene);
  QFETCH(bool, antialiased);
  CanvasWidget c;
  c.setAntialiased(antialiased);
  setUp(c, 400, 300);
  drawScene(c, scene);
  const QRect region(20, 10, 360, 270);
  const QImage once = c.renderImage(region, 1.0);
  const QImage twice = c.renderImage(region, 2.0);
  QCOMPARE(twice.size(), region.size() * 2);
  const QImage enlarged = once.scaled(twice.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  QVERIFY(twice != enlarged);
  const QImage shrunk = twice.scaled(once.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const double difference = meanDifference(shrunk, once);
  QVERIFY2(difference < 6.0, qPrintable(QString::number(difference)));
  // Four times: the same again.
  const QImage four = c.renderImage(region, 4.0);
  QCOMPARE(four.size(), region.size() * 4);
  const double far = meanDifference(four.scaled(once.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation), once);
  QVERIFY2(far < 7.0, qPrintable(QString::number(far)));
}

void TestCanvasRender::vectorDevicesGetPathsAndText() {
  CanvasWidget c;
  setUp(c, 500, 300);
  drawScene(c, 0);
  QBuffer file;
  file.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&file);
  svg.setSize(QSize(1000, 600));
  svg.setViewBox(QRect(0, 0, 1000, 600));
  QPainter p(&svg);
  c.renderRegion(p, QRect(0, 0, 500, 300), 2.0, true);
  p.end();
  const QByteArray text = file.data();
  // Each curve a path of many points, not a picture and not thousands of lines.
  QVERIFY(!text.contains("<image"));
  QVERIFY2(count(text, "<path") >= 3, text.left(400).constData());
  QVERIFY(count(text, "<path") < 200);
  QVERIFY(count(text, "<text") >= 8);  // the labels in view
  QVERIFY(text.contains("-3"));

  // A PDF page takes the same drawing, at the printer's resolution.
  QBuffer pdfFile;
  pdfFile.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&pdfFile);
  pdf.setResolution(300);
  QPainter pp(&pdf);
  c.renderRegion(pp, QRect(0, 0, 500, 300), 300.0 / 96.0, true);
  pp.end();
  QVERIFY(pdfFile.data().startsWith("%PDF"));
  QVERIFY(pdfFile.data().size() > 2000);
}

void TestCanvasRender::clearForgetsTheRecord() {
  CanvasWidget c;
  c.setAntialiased(false);
  setUp(c, 300, 200);
  drawScene(c, 0);
  c.clear();
  c.setDrawWidth(2);
  c.line(-1, -1, 1, 1, 0x0000FF);
  const QImage again = c.renderImage(QRect(0, 0, 300, 200), 1.0);
  QCOMPARE(again, c.image());
  int coloured = 0;
  for (int y = 0; y < again.height(); ++y)
    for (int x = 0; x < again.width(); ++x) coloured += (again.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  QVERIFY(coloured > 100 && coloured < 400);  // the one segment, nothing from before the clear
}

// Past its bound the record gives up whole (a partial record would draw a
// wrong picture) and says so; a clear starts it afresh. Segments that
// continue one another cost half as much as loose ones.
void TestCanvasRender::recordStopsAtItsBound() {
  CanvasDisplayList chained(4000), loose(4000);
  for (int i = 0; i < 150; ++i) {
    chained.line(float(i), 0, float(i + 1), 0, 0x0000FF, 1, PenStyle::Solid);
    loose.line(float(i), 0, float(i), 1, 0x0000FF, 1, PenStyle::Solid);
  }
  QVERIFY(chained.complete());
  QVERIFY(loose.complete());
  QVERIFY(chained.bytes() * 3 < loose.bytes() * 2);
  for (int i = 0; i < 400; ++i) chained.line(float(i), 0, float(i + 1), 0, 0x0000FF, 1, PenStyle::Solid);
  QVERIFY(!chained.complete());
  QCOMPARE(chained.bytes(), std::size_t{0});
  chained.line(0, 0, 1, 1, 0x0000FF, 1, PenStyle::Solid);
  QVERIFY(!chained.complete());
  chained.clear();
  chained.line(0, 0, 1, 1, 0x0000FF, 1, PenStyle::Solid);
  QVERIFY(chained.complete());
  QVERIFY(!chained.empty());
}

QTEST_MAIN(TestCanvasRender)
#include "test_canvas_render.moc"
