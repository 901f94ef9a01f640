// The drawn curve against the function itself. Each function is plotted on a
// recording canvas at many views (unit length 0.2 to 2.5, the origin in the
// middle and off it, two canvas sizes), and the recording is checked for what
// a pupil would take for mathematics:
//  - no segment longer than a pixel and a half has a point in between where
//    the function is undefined or lies outside the band (a line across a
//    pole, a jump or a gap of the domain);
//  - every branch ends within a pixel of the top or bottom edge, at the left
//    or right end of the sweep, or where the function beyond the end is
//    undefined, out of the band or a jump away: never short of the edge.
#include "tst_curve_geometry.h"

#include <cmath>
#include <optional>
#include <sstream>

#include "engine/engine.h"
#include "plot/plotters.h"
#include "support/recording_messages.h"

namespace {

struct View {
  double unit;
  float originX, originY;
  int widthPx, heightPx;
};

std::string describe(const View& v) {
  std::ostringstream out;
  out << "unit " << v.unit << ", origin (" << v.originX << ", " << v.originY << "), " << v.widthPx << "x"
      << v.heightPx;
  return out.str();
}

ViewState viewState(const View& v) {
  ViewState view;
  view.unitLength = v.unit;
  const auto halfWidth = static_cast<float>(v.widthPx * PIXEL_CM / 2);
  const auto halfHeight = static_cast<float>(v.heightPx * PIXEL_CM / 2);
  view.canvasLeft = -halfWidth;
  view.canvasRight = halfWidth;
  view.canvasBottom = -halfHeight;
  view.canvasTop = halfHeight;
  view.markerLeft = v.originX - 0.1f;
  view.markerTop = v.originY + 0.1f;
  return view;
}

std::vector<View> allViews() {
  std::vector<View> views;
  for (double unit : {0.2, 0.3, 0.6, 1.0, 2.5})
    for (const auto& [ox, oy] : {std::pair{0.0f, 0.0f}, std::pair{3.3f, -2.1f}})
      for (const auto& [w, h] : {std::pair{1900, 1000}, std::pair{1280, 700}}) views.push_back({unit, ox, oy, w, h});
  return views;
}

// A branch: points joined one after the other without lifting the pen.
using Branch = std::vector<std::pair<float, float>>;

std::vector<Branch> branchesOf(const RecordingCanvas& canvas) {
  std::vector<Branch> branches;
  for (const CanvasOp& op : canvas.ops()) {
    if (op.kind == CanvasOp::Kind::MoveTo) {
      branches.push_back({{op.a, op.b}});
    } else if (op.kind == CanvasOp::Kind::Segment) {
      if (branches.empty() || branches.back().back() != std::pair{op.a, op.b}) branches.push_back({{op.a, op.b}});
      branches.back().push_back({op.c, op.d});
    }
  }
  return branches;
}

// The function on the canvas: evaluated as the plotters evaluate it.
struct Plotted {
  CompiledExpression f;
  WorldWindow w;
  double k;

  double worldX(double canvasX) const { return (canvasX - w.originX) / k; }
  // The canvas y of the function at world x, or nothing where it is undefined.
  std::optional<double> canvasY(double x) const {
    bool ok = false;
    const float y = f.evaluate(static_cast<float>(x), ok);
    if (!ok) return std::nullopt;
    return w.originY + k * static_cast<double>(y);
  }
  double bandLowCanvas() const { return w.originY + k * (static_cast<double>(w.bottom) - 2 * k); }
  double topCanvas() const { return w.originY + k * static_cast<double>(w.top); }
  bool inBand(double cy, double slack) const { return cy >= bandLowCanvas() - slack && cy <= topCanvas() + slack; }
};

// A segment longer than a pixel and a half must follow the function: at
// every point between its ends the function is defined and in band (with
// the slack a chord may take off a curved piece).
std::string segmentFault(const Plotted& p, const RecordedSegment& s) {
  if (std::hypot(s.x2 - s.x1, s.y2 - s.y1) <= 1.5 * PIXEL_CM) return {};
  // A stroke less than a pixel wide: its x cannot be read back from the
  // canvas finely enough to evaluate between its ends.
  if (std::fabs(s.x2 - s.x1) < PIXEL_CM) return {};
  const double slack = 3 * PIXEL_CM;
  const int parts = 24;
  for (int j = 1; j < parts; ++j) {
    const double cx = s.x1 + (s.x2 - s.x1) * j / parts;
    const auto cy = p.canvasY(p.worldX(cx));
    if (!cy || !p.inBand(*cy, slack)) {
      // An excursion narrower than the refinement's floor (the thin spike of
      // ln|u| at u = 0, a fiftieth of a pixel wide) cannot show as a gap.
      const auto before = p.canvasY(p.worldX(cx - REFINE_FLOOR_CM));
      const auto after = p.canvasY(p.worldX(cx + REFINE_FLOOR_CM));
      if (before && after && p.inBand(*before, slack) && p.inBand(*after, slack)) continue;
      std::ostringstream out;
      out << "segment (" << s.x1 << ", " << s.y1 << ") -> (" << s.x2 << ", " << s.y2 << ") crosses "
          << (cy ? "a part out of the band" : "an undefined point") << " at canvas x " << cx;
      return out.str();
    }
  }
  return {};
}

// Whether the curve may legitimately stop at canvas point (cx, cy), going in
// direction dir (+1 for the end of a branch, -1 for its start).
bool endReached(const Plotted& p, const WorldWindow& w, float cx, float cy, int dir, double stepCm) {
  const double px = PIXEL_CM;
  const double top = p.topCanvas();
  const double bottom = w.originY + p.k * static_cast<double>(w.bottom);
  if (cy >= top - px || cy <= bottom + px) return true;
  const double left = w.originX + p.k * static_cast<double>(w.left);
  const double right = w.originX + p.k * static_cast<double>(w.right);
  if (dir < 0 && cx <= left + px) return true;
  if (dir > 0 && cx >= right - stepCm - px) return true;
  // Beyond the end: the domain ends, the band ends or the curve jumps.
  for (double beyond : {0.25, 0.5, 1.0}) {
    const auto next = p.canvasY(p.worldX(cx + dir * beyond * px));
    if (!next || !p.inBand(*next, 0) || std::fabs(*next - cy) > 2 * px) return true;
  }
  return false;
}

std::string checkCartesian(const std::string& expression, const View& v, float precision) {
  const ViewState view = viewState(v);
  const WorldWindow w = view.worldWindow();
  RecordingCanvas canvas;
  RecordingMessages messages;
  const Pen pen;
  drawnorvaleMV(expression, canvas, precision, w, PlotContext{v.unit, pen, messages});
  const Plotted p{CompiledExpression(expression), w, v.unit};

  for (const RecordedSegment& s : canvas.segments())
    if (std::string fault = segmentFault(p, s); !fault.empty()) return fault;
  const double stepCm = std::max<double>(precision, MIN_SAMPLE_SPACING_CM);
  for (const Branch& b : branchesOf(canvas)) {
    const auto [sx, sy] = b.front();
    const auto [ex, ey] = b.back();
    std::ostringstream out;
    if (!endReached(p, w, sx, sy, -1, stepCm)) out << "a branch starts short of its edge at (" << sx << ", " << sy << ")";
    else if (!endReached(p, w, ex, ey, +1, stepCm)) out << "a branch stops short of its edge at (" << ex << ", " << ey << ")";
    if (!out.str().empty()) return out.str();
  }
  return {};
}

}  // namespace

void TestCurveGeometry::cartesianBranches_data() {
  QTest::addColumn<std::string>("expression");
  for (const char* f :
       {"tg(x)",        "ctg(x)",        "1/x",          "1/(x-1)",      "-1/x^2",      "1/x^2",       "ln(x^2)",
        "lg(x)",        "ln(x)",         "sqr(x)",       "sqr(-x)",      "sqr(4-x^2)",  "sqr(x^2-1)",  "x^2",
        "x^3",          "x^5/20",        "exp(x)",       "-exp(x)",      "1/sin(x)",    "1/cos(x)",    "tg(2*x)",
        "x+1/x",        "1/(x^2-4)",     "abs(x)/x",     "lg(abs(x-2))", "arcsin(x)",   "arccos(x/3)", "1/sqr(x)",
        "1/(x-0.5)^3",  "tg(x)^2",       "ln(abs(tg(x)))", "(x-1)/(x+2)", "exp(1/x)",    "3*abs(x-1)/(x-1)+x",
        "sqr(x)+1/(x-3)", "20*sin(x)"})
    QTest::newRow(f) << std::string(f);
}

void TestCurveGeometry::cartesianBranches() {
  QFETCH(std::string, expression);
  for (const View& v : allViews()) {
    for (float precision : {0.1f, 0.03f}) {
      const std::string fault = checkCartesian(expression, v, precision);
      QVERIFY2(fault.empty(), qPrintable(QString::fromStdString(describe(v) + ", precision " +
                                                                 std::to_string(precision) + ": " + fault)));
    }
  }
}

// Curves with no pole, no band crossing and no domain edge in view: one move
// to the first sample, then one segment to every later sample, exactly.
void TestCurveGeometry::smoothCurvesAsBefore_data() {
  QTest::addColumn<std::string>("expression");
  QTest::addColumn<double>("unit");
  QTest::addColumn<float>("precision");
  QTest::newRow("sin(x) at unit 1") << std::string("sin(x)") << 1.0 << 0.1f;
  QTest::newRow("sin(x) at unit 0.2, precision 0.5") << std::string("sin(x)") << 0.2 << 0.5f;
  QTest::newRow("x/4 at unit 2.5") << std::string("x/4") << 2.5 << 0.1f;
  QTest::newRow("x^2/100 at unit 0.5") << std::string("x^2/100") << 0.5 << 0.1f;
  QTest::newRow("cos(3*x)+1 at unit 1, precision 0.01") << std::string("cos(3*x)+1") << 1.0 << 0.01f;
  QTest::newRow("arctg(x) at unit 0.3") << std::string("arctg(x)") << 0.3 << 0.1f;
  QTest::newRow("exp(-x^2) at unit 2.5, precision 0.05") << std::string("exp(-x^2)") << 2.5 << 0.05f;
  QTest::newRow("1/(x^2+1) at unit 0.6") << std::string("1/(x^2+1)") << 0.6 << 0.1f;
}

void TestCurveGeometry::smoothCurvesAsBefore() {
  QFETCH(std::string, expression);
  QFETCH(double, unit);
  QFETCH(float, precision);
  for (const View& v : {View{unit, 0, 0, 1900, 1000}, View{unit, 1.7f, 0.6f, 1280, 700}}) {
    const WorldWindow w = viewState(v).worldWindow();
    RecordingCanvas canvas;
    RecordingMessages messages;
    const Pen pen;
    QCOMPARE(drawnorvaleMV(expression, canvas, precision, w, PlotContext{unit, pen, messages}), PLOT_OK);

    // The sweep as it always was.
    std::vector<PathStep> expected;
    const CompiledExpression f(expression);
    const double step = precision / unit;
    for (double x = w.left; x <= w.right; x += step) {
      bool ok = false;
      const float y = f.evaluate(static_cast<float>(x), ok);
      QVERIFY(ok);
      const float cx = static_cast<float>(w.originX + unit * x);
      const float cy = static_cast<float>(w.originY + unit * static_cast<double>(y));
      if (expected.empty())
        expected.push_back({'M', {cx, cy}});
      else
        expected.push_back({'S', {expected.back().v[expected.back().v.size() - 2], expected.back().v.back(), cx, cy}});
    }
    const auto drawn = recordedPath(canvas);
    QCOMPARE(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      QCOMPARE(drawn[i].kind, expected[i].kind);
      for (std::size_t j = 0; j < drawn[i].v.size(); ++j) QCOMPARE(float(drawn[i].v[j]), float(expected[i].v[j]));
    }
  }
}

// The conic sections r = p / (1 - e cos t) with e >= 1 have poles in r
// where cos t = 1 / e, and the radius changes sign only there. A point of
// the conic lies on r - e X = p (positive radius) or on r + e X = -p
// (negative radius): a segment whose ends lie on different ones crosses a
// pole. A segment across the pole of the parabola (e = 1) joins the ends of
// its two arms; its midpoint lies far from the curve.
void TestCurveGeometry::polarConics_data() {
  QTest::addColumn<double>("p");
  QTest::addColumn<double>("e");
  for (double p : {0.5, 2.0})
    for (double e : {1.0, 1.5, 2.0, 4.0}) QTest::addRow("p %g, e %g", p, e) << p << e;
}

void TestCurveGeometry::polarConics() {
  QFETCH(double, p);
  QFETCH(double, e);
  const std::string expression = std::to_string(p) + "/(1-" + std::to_string(e) + "*cos(x))";
  // Distance of a world point from each of the two loci, divided by the gradient.
  const auto offPositive = [p, e](double X, double Y) {
    const double r = std::hypot(X, Y);
    return std::fabs(r - e * X - p) / std::hypot(X / r - e, Y / r);
  };
  const auto offNegative = [p, e](double X, double Y) {
    const double r = std::hypot(X, Y);
    return std::fabs(r + e * X + p) / std::hypot(X / r + e, Y / r);
  };
  const auto offConic = [&](double X, double Y) { return std::min(offPositive(X, Y), offNegative(X, Y)); };
  const auto positive = [&](double X, double Y) { return offPositive(X, Y) <= offNegative(X, Y); };

  for (const View& v : allViews()) {
    const WorldWindow w = viewState(v).worldWindow();
    RecordingCanvas canvas;
    RecordingMessages messages;
    const Pen pen;
    QCOMPARE(drawnorvale2MV(expression, canvas, 0.1f, w, PlotContext{v.unit, pen, messages}), PLOT_OK);
    int checked = 0;
    for (const RecordedSegment& s : canvas.segments()) {
      const double length = std::hypot(s.x2 - s.x1, s.y2 - s.y1);
      if (length <= 1.5 * PIXEL_CM) continue;
      const double X1 = (s.x1 - w.originX) / v.unit, Y1 = (s.y1 - w.originY) / v.unit;
      const double X2 = (s.x2 - w.originX) / v.unit, Y2 = (s.y2 - w.originY) / v.unit;
      const double off = offConic((X1 + X2) / 2, (Y1 + Y2) / 2) * v.unit;
      const bool sameBranch = e == 1.0 || positive(X1, Y1) == positive(X2, Y2);
      QVERIFY2(sameBranch && off <= std::max(3 * PIXEL_CM, length / 8),
               qPrintable(QString("%1: segment (%2, %3) -> (%4, %5) %6, its midpoint %7 cm off the conic")
                              .arg(QString::fromStdString(describe(v)))
                              .arg(s.x1)
                              .arg(s.y1)
                              .arg(s.x2)
                              .arg(s.y2)
                              .arg(sameBranch ? "on one branch" : "joins two branches")
                              .arg(off)));
      ++checked;
    }
    QVERIFY(checked > 0);
  }
}

// The band reaches 2 units below the bottom edge: 2 x K canvas centimetres,
// whatever the unit length K.
void TestCurveGeometry::cartesianBandMargin_data() {
  QTest::addColumn<double>("unit");
  QTest::addColumn<double>("value");
  QTest::addColumn<int>("code");
  // The window's bottom is at world y = -1; the band ends at -1 - 2 K.
  for (double unit : {0.25, 0.5, 2.0, 3.0}) {
    const double low = -1 - 2 * unit;
    QTest::addRow("K %g: on the lowest point of the band", unit) << unit << low << int(PLOT_OK);
    QTest::addRow("K %g: just below the band", unit) << unit << low - 0.001 << int(PLOT_OUT_OF_VIEW);
    QTest::addRow("K %g: 2 units below the bottom", unit) << unit << -3.0 << int(unit >= 1 ? PLOT_OK : PLOT_OUT_OF_VIEW);
  }
}

void TestCurveGeometry::cartesianBandMargin() {
  QFETCH(double, unit);
  QFETCH(double, value);
  QFETCH(int, code);
  std::ostringstream text;
  text.precision(9);
  text << value;
  RecordingCanvas canvas;
  RecordingMessages messages;
  const Pen pen;
  const WorldWindow w{-2, 2, -1, 1, 0, 0};
  QCOMPARE(int(drawnorvaleMV(text.str(), canvas, 0.5f, w, PlotContext{unit, pen, messages})), code);
  QCOMPARE(canvas.segmentCount() > 0, code == PLOT_OK);
}
