// The smooth band writer, checked against the geometry of the line it lays:
// generated polylines, the ink in every pixel column (or row) measured back.
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <vector>

#include "canvas/smooth_band.h"

namespace {

QImage whitePicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// How much of a black pen covers the pixel, 0 to 1.
double ink(const QImage& image, int x, int y) { return (255 - qRed(image.pixel(x, y))) / 255.0; }

// A polyline that runs left to right, each segment sloping less than 45°.
std::vector<QPointF> flatPolyline(QRandomGenerator& random, double left, double right, double middle) {
  std::vector<QPointF> points{{left, middle}};
  while (points.back().x() < right) {
    const double dx = 0.05 + random.bounded(6.0);
    const double dy = (random.bounded(1.9) - 0.95) * dx;
    points.emplace_back(points.back().x() + dx, std::clamp(points.back().y() + dy, middle - 15, middle + 15));
  }
  return points;
}

// Height of the polyline at x, and the slope of the segment whose span holds x.
std::pair<double, double> along(const std::vector<QPointF>& points, double x) {
  for (std::size_t k = 1; k < points.size(); ++k) {
    if (x < points[k].x()) {
      const QPointF a = points[k - 1], b = points[k];
      const double slope = (b.y() - a.y()) / (b.x() - a.x());
      return {a.y() + (x - a.x()) * slope, slope};
    }
  }
  return {points.back().y(), 0};
}

}  // namespace

class TestSmoothBand : public QObject {
  Q_OBJECT

 private slots:
  void eachColumnHoldsTheBandOnce_data();
  void eachColumnHoldsTheBandOnce();
  void steepIsTheTransposeOfFlat();
  void staysInsideTheAllowedArea();
};

void TestSmoothBand::eachColumnHoldsTheBandOnce_data() {
  QTest::addColumn<double>("width");
  QTest::newRow("1 px") << 1.0;
  QTest::newRow("1.5 px") << 1.5;
  QTest::newRow("2 px") << 2.0;
  QTest::newRow("2.5 px") << 2.5;
}

// In every column the pen crosses, the ink adds up to the band's height
// there (the pen's width, wider as the segment slopes) and centres on the
// line: a joint laid twice, or a column left out, shows at once.
void TestSmoothBand::eachColumnHoldsTheBandOnce() {
  QFETCH(double, width);
  QRandomGenerator random(7);
  for (int trial = 0; trial < 40; ++trial) {
    QImage image = whitePicture(220, 60);
    const std::vector<QPointF> points = flatPolyline(random, 3.3, 210.0, 30.0 + random.bounded(1.0));
    laySmoothBand(image, image.rect(), qRgb(0, 0, 0), points.data(), static_cast<int>(points.size()), width);
    for (int x = 3 + static_cast<int>(width) + 1; x + 0.5 < points.back().x() - width; ++x) {
      const auto [centre, slope] = along(points, x + 0.5);
      double total = 0, moment = 0;
      for (int y = 0; y < image.height(); ++y) {
        total += ink(image, x, y);
        moment += ink(image, x, y) * (y + 0.5);
      }
      const double height = width * std::sqrt(1 + slope * slope);
      QVERIFY2(std::fabs(total - height) < 0.03,
               qPrintable(QStringLiteral("trial %1, column %2: ink %3, band %4").arg(trial).arg(x).arg(total).arg(height)));
      // Weighed at pixel centres, the ink's centre may stray from the line's
      // by up to an eighth of a pixel; half a pixel is a misplaced band.
      QVERIFY2(std::fabs(moment / total - centre) < 0.125,
               qPrintable(QStringLiteral("trial %1, column %2: centred at %3, line at %4")
                              .arg(trial)
                              .arg(x)
                              .arg(moment / total)
                              .arg(centre)));
    }
  }
}

// Steep segments are laid row by row exactly as flat ones column by column.
void TestSmoothBand::steepIsTheTransposeOfFlat() {
  QRandomGenerator random(11);
  for (int trial = 0; trial < 60; ++trial) {
    std::vector<QPointF> points, swapped;
    for (int k = 0, count = 2 + random.bounded(12); k < count; ++k) {
      points.emplace_back(random.bounded(130.0) - 5, random.bounded(130.0) - 5);
      swapped.emplace_back(points.back().y(), points.back().x());
    }
    const double width = 1.0 + random.bounded(1.5);
    QImage flat = whitePicture(120, 120), steep = whitePicture(120, 120);
    const QRgb colour = qRgb(random.bounded(256), random.bounded(256), random.bounded(256));
    laySmoothBand(flat, flat.rect(), colour, points.data(), static_cast<int>(points.size()), width);
    laySmoothBand(steep, steep.rect(), colour, swapped.data(), static_cast<int>(swapped.size()), width);
    QVERIFY(flat != whitePicture(120, 120));
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 120; ++x) QCOMPARE(steep.pixel(y, x), flat.pixel(x, y));
  }
}

// Nothing is written beyond the area allowed, however far the points lie,
// and what cannot be laid (no segment, a point not finite, an image of
// another format) leaves the picture as it was.
void TestSmoothBand::staysInsideTheAllowedArea() {
  QRandomGenerator random(5);
  const QRect allowed(20, 10, 50, 40);
  for (int trial = 0; trial < 60; ++trial) {
    std::vector<QPointF> points;
    const double reach = trial % 2 ? 1.0e6 : 200.0;
    for (int k = 0, count = 2 + random.bounded(6); k < count; ++k)
      points.emplace_back(random.bounded(2 * reach) - reach + 45, random.bounded(2 * reach) - reach + 30);
    QImage image = whitePicture(100, 80);
    laySmoothBand(image, allowed, qRgb(0, 0, 0), points.data(), static_cast<int>(points.size()), 2.0);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x)
        if (!allowed.contains(x, y)) QCOMPARE(image.pixel(x, y), qRgb(255, 255, 255));
  }
  const QImage white = whitePicture(100, 80);
  const double nan = std::nan("");
  const std::vector<std::vector<QPointF>> nothing = {
      {}, {{30, 30}}, {{30, 30}, {30, 30}, {30, 30}}, {{30, 30}, {nan, 40}, {60, 35}}, {{30, 30}, {1.0 / 0.0, 30}}};
  for (const std::vector<QPointF>& points : nothing) {
    QImage image = white;
    laySmoothBand(image, image.rect(), qRgb(0, 0, 0), points.data(), static_cast<int>(points.size()), 2.0);
    QCOMPARE(image, white);
  }
  QImage other = white.convertToFormat(QImage::Format_ARGB32);
  const QPointF line[] = {{10, 10}, {90, 70}};
  laySmoothBand(other, other.rect(), qRgb(0, 0, 0), line, 2, 2.0);
  QCOMPARE(other, white.convertToFormat(QImage::Format_ARGB32));
}

QTEST_APPLESS_MAIN(TestSmoothBand)
#include "test_smooth_band.moc"
