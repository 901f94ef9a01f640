// The Cartesian and polar plotters against a recording canvas: the exact
// moves and segments at the edges of the band and of the domain, the result
// codes and the notices.
#include "tst_plotters.h"

#include <cmath>
#include <limits>

#include "plot/plotters.h"
#include "support/recording_messages.h"

namespace {

constexpr std::uint32_t RED = 0x0000FF;

struct Window {
  float left, right, bottom, top;
};

// The working view of most rows: 0.5 world units between samples (Jd 0.5 at
// unit length 1), x from -2 to 2, the band from -3 to 1.
constexpr Window SMALL{-2, 2, -1, 1};

std::int16_t plotCartesian(bool withMessages, const std::string& expression, Canvas& canvas, Messages& messages,
                           const Window& w, float jd = 0.5f, double unitLength = 1.0, Pen pen = {}) {
  const PlotContext context{unitLength, pen, messages};
  std::int16_t code = 0;
  if (withMessages)
    drawnorvale(expression, canvas, jd, w.left, w.right, w.bottom, w.top, 0, 0, code, context);
  else
    drawnorvaleMV(expression, canvas, jd, w.left, w.right, w.bottom, w.top, 0, 0, code, context);
  return code;
}

std::int16_t plotPolar(bool withMessages, const std::string& expression, Canvas& canvas, Messages& messages,
                       const Window& w, float jd = 0.1f, double unitLength = 1.0, Pen pen = {}) {
  const PlotContext context{unitLength, pen, messages};
  std::int16_t code = 0;
  if (withMessages)
    drawnorvale2(expression, canvas, jd, w.left, w.right, w.bottom, w.top, 0, 0, code, context);
  else
    drawnorvale2MV(expression, canvas, jd, w.left, w.right, w.bottom, w.top, 0, 0, code, context);
  return code;
}

}  // namespace

void TestPlotters::cartesianPath_data() {
  QTest::addColumn<std::string>("expression");
  QTest::addColumn<float>("left");
  QTest::addColumn<float>("right");
  QTest::addColumn<float>("bottom");
  QTest::addColumn<float>("top");
  QTest::addColumn<std::string>("path");

  // First sample in band: the pen starts there; y = 1 (the top edge) is still
  // in band, 1.5 is not. The last sample lies on the edge already: nothing
  // more is drawn towards it.
  QTest::newRow("x: first sample in band, exit through the top")
      << std::string("x") << -2.f << 2.f << -1.f << 1.f
      << std::string("M -2 -2; S -2 -2 -1.5 -1.5; S -1.5 -1.5 -1 -1; S -1 -1 -0.5 -0.5; S -0.5 -0.5 0 0; "
                     "S 0 0 0.5 0.5; S 0.5 0.5 1 1;");
  // y = -3 is the lowest point of the band (2 units below the bottom edge);
  // the first sample in band lies on it: the pen starts there.
  QTest::newRow("x-1.5: a sample on the lower band edge starts the branch")
      << std::string("x-1.5") << -2.f << 2.f << -1.f << 1.f
      << std::string("M -1.5 -3; S -1.5 -3 -1 -2.5; S -1 -2.5 -0.5 -2; S -0.5 -2 0 -1.5; S 0 -1.5 0.5 -1; "
                     "S 0.5 -1 1 -0.5; S 1 -0.5 1.5 0; S 1.5 0 2 0.5;");
  // The first defined sample right of 0: bisection finds the domain edge at
  // 0, and the points found on the way follow the curve there.
  QTest::newRow("sqr(x): the entry reaches the edge of the domain")
      << std::string("sqr(x)") << -1.9375f << 2.0625f << -1.f << 1.f
      << std::string("M 0 0; S 0 0 0.0625 0.25; S 0.0625 0.25 0.5625 0.75; S 0.5625 0.75 0.8125 0.901388; "
                     "S 0.8125 0.901388 0.9375 0.968246; S 0.9375 0.968246 1 1;");
  // A sample exactly on the boundary: the pen starts there, and the curve
  // does not break between it and the next sample: one segment, as ever.
  QTest::newRow("sqr(x): sample on the boundary starts the branch")
      << std::string("sqr(x)") << -2.f << 2.f << -1.f << 1.f
      << std::string("M 0 0; S 0 0 0.5 0.707107; S 0.5 0.707107 1 1;");
  QTest::newRow("sqr(-x): exit at the boundary sample")
      << std::string("sqr(-x)") << -2.f << 2.f << -1.f << 1.f
      << std::string("M -1 1; S -1 1 -0.5 0.707107; S -0.5 0.707107 0 0;");
  // Leaving the band at the pole and coming back: each side is drawn to within
  // a pixel beyond the band edge (y = -5 below, y = 3 above).
  QTest::newRow("1/x: each side of the pole drawn to the band edge")
      << std::string("1/x") << -2.f << 2.f << -3.f << 3.f
      << std::string("M -2 -0.5; S -2 -0.5 -1.5 -0.666667; S -1.5 -0.666667 -1 -1; S -1 -1 -0.5 -2; "
                     "S -0.5 -2 -0.25 -4; S -0.25 -4 -0.21875 -4.57143; S -0.21875 -4.57143 -0.203125 -4.92308; "
                     "S -0.203125 -4.92308 -0.201172 -4.97087; S -0.201172 -4.97087 -0.200195 -4.9951; "
                     "S -0.200195 -4.9951 -0.199219 -5.0196; M 0.335938 2.97675; S 0.335938 2.97675 0.34375 2.90909; "
                     "S 0.34375 2.90909 0.375 2.66667; S 0.375 2.66667 0.5 2; S 0.5 2 1 1; S 1 1 1.5 0.666667; "
                     "S 1.5 0.666667 2 0.5;");
  QTest::newRow("1/x: the exit does not reach across the pole")
      << std::string("1/x") << -1.25f << 1.75f << -3.f << 3.f
      << std::string("M -1.25 -0.8; S -1.25 -0.8 -0.75 -1.33333; S -0.75 -1.33333 -0.25 -4; "
                     "S -0.25 -4 -0.21875 -4.57143; S -0.21875 -4.57143 -0.203125 -4.92308; "
                     "S -0.203125 -4.92308 -0.201172 -4.97087; S -0.201172 -4.97087 -0.200195 -4.9951; "
                     "S -0.200195 -4.9951 -0.199219 -5.0196; M 0.335938 2.97675; S 0.335938 2.97675 0.34375 2.90909; "
                     "S 0.34375 2.90909 0.375 2.66667; S 0.375 2.66667 0.5 2; S 0.5 2 0.75 1.33333; "
                     "S 0.75 1.33333 1.25 0.8; S 1.25 0.8 1.75 0.571429;");
  // Both sides of the pole in band: the pen is lifted; each side runs to the
  // band edge (y = -7 below, y = 5 above).
  QTest::newRow("1/x: in-band samples on both sides of the pole are not joined")
      << std::string("1/x") << -1.75f << 1.75f << -5.f << 5.f
      << std::string("M -1.75 -0.571429; S -1.75 -0.571429 -1.25 -0.8; S -1.25 -0.8 -0.75 -1.33333; "
                     "S -0.75 -1.33333 -0.25 -4; S -0.25 -4 -0.1875 -5.33333; S -0.1875 -5.33333 -0.15625 -6.4; "
                     "S -0.15625 -6.4 -0.148438 -6.73682; S -0.148438 -6.73682 -0.144531 -6.91888; "
                     "S -0.144531 -6.91888 -0.143555 -6.96597; S -0.143555 -6.96597 -0.143066 -6.98973; "
                     "S -0.143066 -6.98973 -0.142578 -7.01366; S 0.199219 5.01963 0.200195 4.99513; "
                     "S 0.200195 4.99513 0.201172 4.9709; S 0.201172 4.9709 0.203125 4.92308; "
                     "S 0.203125 4.92308 0.21875 4.57143; S 0.21875 4.57143 0.25 4; S 0.25 4 0.75 1.33333; "
                     "S 0.75 1.33333 1.25 0.8; S 1.25 0.8 1.75 0.571429;");
  QTest::newRow("3-100*x^2: a single sample in band, the arch drawn edge to edge")
      << std::string("3-100*x^2") << -2.f << 2.f << -1.f << 3.f
      << std::string("S -0.245117 -3.00828 -0.244629 -2.98433; S -0.244629 -2.98433 -0.244141 -2.96048; "
                     "S -0.244141 -2.96048 -0.242188 -2.8655; S -0.242188 -2.8655 -0.234375 -2.49316; "
                     "S -0.234375 -2.49316 -0.21875 -1.78516; S -0.21875 -1.78516 -0.1875 -0.515625; "
                     "S -0.1875 -0.515625 -0.125 1.4375; S -0.125 1.4375 0 3; S 0 3 0.125 1.4375; "
                     "S 0.125 1.4375 0.1875 -0.515625; S 0.1875 -0.515625 0.21875 -1.78516; "
                     "S 0.21875 -1.78516 0.234375 -2.49316; S 0.234375 -2.49316 0.242188 -2.86545; "
                     "S 0.242188 -2.86545 0.244141 -2.96043; S 0.244141 -2.96043 0.244629 -2.98429; "
                     "S 0.244629 -2.98429 0.245117 -3.00823;");
  QTest::newRow("undefined everywhere draws nothing") << std::string("1/0") << -2.f << 2.f << -1.f << 1.f
                                                      << std::string("");
}

void TestPlotters::cartesianPath() {
  QFETCH(std::string, expression);
  QFETCH(float, left);
  QFETCH(float, right);
  QFETCH(float, bottom);
  QFETCH(float, top);
  QFETCH(std::string, path);

  RecordingCanvas canvas;
  RecordingMessages messages;
  plotCartesian(false, expression, canvas, messages, {left, right, bottom, top});
  COMPARE_PATH(canvas, path);
  QVERIFY(messages.empty());
}

// The result codes, and the notices of drawnorvale (never of drawnorvaleMV).
// Both forms draw the same.
void TestPlotters::cartesianCodes_data() {
  QTest::addColumn<std::string>("expression");
  QTest::addColumn<int>("code");
  QTest::addColumn<std::string>("message");

  const std::string outOfView = MESSAGE_OUT_OF_VIEW;
  const std::string undefined = MESSAGE_UNDEFINED;
  QTest::newRow("drawn") << std::string("x") << int(PLOT_OK) << std::string();
  QTest::newRow("undefined everywhere") << std::string("1/0") << int(PLOT_UNDEFINED) << undefined;
  QTest::newRow("malformed") << std::string("sin(") << int(PLOT_UNDEFINED) << undefined;
  QTest::newRow("trailing division") << std::string("x/") << int(PLOT_UNDEFINED) << undefined;
  QTest::newRow("above the view") << std::string("1000") << int(PLOT_OUT_OF_VIEW) << outOfView;
  QTest::newRow("on the top edge") << std::string("1") << int(PLOT_OK) << std::string();
  QTest::newRow("just above the top edge") << std::string("1.000001") << int(PLOT_OUT_OF_VIEW) << outOfView;
  QTest::newRow("on the lowest point of the band") << std::string("-3") << int(PLOT_OK) << std::string();
  QTest::newRow("just below the band") << std::string("-3.000001") << int(PLOT_OUT_OF_VIEW) << outOfView;
  QTest::newRow("defined on one sample only, out of band") << std::string("sqr(x)+sqr(-x)+5")
                                                           << int(PLOT_OUT_OF_VIEW) << outOfView;
  QTest::newRow("defined on one sample only, in band") << std::string("sqr(x)+sqr(-x)") << int(PLOT_OK)
                                                       << std::string();
}

void TestPlotters::cartesianCodes() {
  QFETCH(std::string, expression);
  QFETCH(int, code);
  QFETCH(std::string, message);

  RecordingCanvas loud;
  RecordingMessages loudMessages;
  QCOMPARE(int(plotCartesian(true, expression, loud, loudMessages, SMALL)), code);
  if (message.empty()) {
    QVERIFY(loudMessages.empty());
  } else {
    QCOMPARE(loudMessages.count(), std::size_t{1});
    QCOMPARE(loudMessages.last().text, message);
    QCOMPARE(loudMessages.last().icon, MessageIcon::Warning);
  }

  RecordingCanvas quiet;
  RecordingMessages quietMessages;
  QCOMPARE(int(plotCartesian(false, expression, quiet, quietMessages, SMALL)), code);
  QVERIFY(quietMessages.empty());
  QVERIFY(quiet.ops() == loud.ops());
}

// Every curve is drawn solid in the pen's colour; a width outside 1..6 never
// reaches the canvas.
void TestPlotters::penReachesCanvas_data() {
  QTest::addColumn<bool>("polar");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("canvasWidth");

  for (bool polar : {false, true}) {
    const char* form = polar ? "polar" : "Cartesian";
    QTest::addRow("%s width 1", form) << polar << 1 << 1;
    QTest::addRow("%s width 6", form) << polar << 6 << 6;
    QTest::addRow("%s width 0 from an empty entry", form) << polar << 0 << 1;
    QTest::addRow("%s width 7", form) << polar << 7 << 1;
    QTest::addRow("%s negative width", form) << polar << -3 << 1;
  }
}

void TestPlotters::penReachesCanvas() {
  QFETCH(bool, polar);
  QFETCH(int, width);
  QFETCH(int, canvasWidth);

  Pen pen;
  pen.lwidth = static_cast<std::int16_t>(width);
  pen.lcolor = RED;
  RecordingCanvas canvas;
  canvas.setDrawStyle(PenStyle::Dotted);
  canvas.reset();
  RecordingMessages messages;
  if (polar)
    plotPolar(false, "1", canvas, messages, {-2, 2, -2, 2}, 0.1f, 1.0, pen);
  else
    plotCartesian(false, "x/2", canvas, messages, SMALL, 0.5f, 1.0, pen);

  QVERIFY(canvas.segmentCount() > 0);
  for (const CanvasOp& op : canvas.ops()) {
    if (op.kind == CanvasOp::Kind::DrawWidth) QCOMPARE(int(op.a), canvasWidth);
    if (op.kind == CanvasOp::Kind::Segment) {
      QCOMPARE(op.width, canvasWidth);
      QCOMPARE(op.style, PenStyle::Solid);
      QCOMPARE(op.colour, RED);
    }
  }
}

// A circle of radius 2: every angle is in band, so the pen is put down once at
// angle 0 and every later angle is joined. The sweep runs to 50 pi (drawnorvale2)
// or 60 pi (drawnorvale2MV) divided by the unit length, one angle per Jd.
void TestPlotters::polarCircleSweep_data() {
  QTest::addColumn<bool>("redraw");
  QTest::addColumn<double>("unitLength");
  QTest::addColumn<int>("angles");

  QTest::newRow("draw, unit 1: 25 turns") << false << 1.0 << 1571;
  QTest::newRow("redraw, unit 1: 30 turns") << true << 1.0 << 1885;
  QTest::newRow("draw, unit 2") << false << 2.0 << 786;
  QTest::newRow("redraw, unit 2") << true << 2.0 << 943;
  QTest::newRow("draw, unit 0.5") << false << 0.5 << 3142;
  QTest::newRow("redraw, unit 0.5") << true << 0.5 << 3770;
}

void TestPlotters::polarCircleSweep() {
  QFETCH(bool, redraw);
  QFETCH(double, unitLength);
  QFETCH(int, angles);

  RecordingCanvas canvas;
  RecordingMessages messages;
  const std::int16_t code = plotPolar(!redraw, "2", canvas, messages, {-4, 4, -3, 3}, 0.1f, unitLength);
  QCOMPARE(code, PLOT_OK);
  QVERIFY(messages.empty());

  const auto moves = canvas.moves();
  QCOMPARE(moves.size(), std::size_t{1});
  QCOMPARE(moves[0].a, static_cast<float>(2 * unitLength));
  QCOMPARE(moves[0].b, 0.0f);
  QCOMPARE(int(canvas.segmentCount()), angles - 1);
  for (const RecordedSegment& s : canvas.segments())
    QVERIFY(std::fabs(std::hypot(s.x2, s.y2) - 2 * unitLength) < 1e-5);
}

// The spiral r = t leaves the view: the pen is lifted there and put down again
// wherever the spiral re-enters, without a segment across the gap.
void TestPlotters::polarSpiralLiftsPen() {
  // A wide, low view: the spiral crosses it about twice a turn.
  RecordingCanvas canvas;
  RecordingMessages messages;
  QCOMPARE(plotPolar(true, "x", canvas, messages, {-10, 10, -1, 1}), PLOT_OK);
  QVERIFY(messages.empty());

  const auto moves = canvas.moves();
  QVERIFY(!moves.empty());
  QCOMPARE(moves[0].a, 0.0f);
  QCOMPARE(moves[0].b, 0.0f);
  // The band: x from -12 to 10, y from -3 to 1; the ends of a branch lie
  // within a pixel beyond it.
  const float px = static_cast<float>(PIXEL_CM);
  const auto inBand = [px](float x, float y) { return x >= -12 - px && x <= 10 + px && y >= -3 - px && y <= 1 + px; };
  int lifts = 0;
  float penX = moves[0].a, penY = moves[0].b;
  for (const RecordedSegment& s : canvas.segments()) {
    QVERIFY(inBand(s.x1, s.y1) && inBand(s.x2, s.y2));
    if (s.x1 != penX || s.y1 != penY) ++lifts;
    penX = s.x2;
    penY = s.y2;
    // The radius of a point is its angle: a segment joins angles at most one
    // step apart, never across a part of the spiral outside the view.
    const double grows = std::hypot(s.x2, s.y2) - std::hypot(s.x1, s.y1);
    QVERIFY2(grows > -1e-4 && grows < 0.1 + 1e-4, qPrintable(QString::number(grows)));
  }
  QVERIFY2(lifts + int(moves.size()) >= 4, qPrintable(QString::number(lifts)));
}

// The polar band: a point on the right or top edge is in; one up to 2 units
// beyond the left or bottom edge is in. sqr(-x) is defined at angle 0 only,
// so exactly one point, (r, 0), is tested.
void TestPlotters::polarBand_data() {
  QTest::addColumn<std::string>("expression");
  QTest::addColumn<float>("left");
  QTest::addColumn<float>("right");
  QTest::addColumn<float>("bottom");
  QTest::addColumn<float>("top");
  QTest::addColumn<int>("code");

  const std::string r3 = "3+sqr(-x)";
  const std::string rMinus3 = "-3+sqr(-x)";
  QTest::newRow("on the right edge") << r3 << -4.f << 3.f << -1.f << 1.f << int(PLOT_OK);
  QTest::newRow("just beyond the right edge") << r3 << -4.f << 2.999f << -1.f << 1.f << int(PLOT_OUT_OF_VIEW);
  QTest::newRow("2 units beyond the left edge") << rMinus3 << -1.f << 4.f << -1.f << 1.f << int(PLOT_OK);
  QTest::newRow("more than 2 beyond the left edge") << rMinus3 << -0.999f << 4.f << -1.f << 1.f
                                                    << int(PLOT_OUT_OF_VIEW);
  QTest::newRow("on the top edge") << r3 << -4.f << 4.f << -1.f << 0.f << int(PLOT_OK);
  QTest::newRow("just above the top edge") << r3 << -4.f << 4.f << -1.f << -0.001f << int(PLOT_OUT_OF_VIEW);
  QTest::newRow("2 units below the bottom edge") << r3 << -4.f << 4.f << 2.f << 3.f << int(PLOT_OK);
  QTest::newRow("more than 2 below the bottom edge") << r3 << -4.f << 4.f << 2.001f << 3.f
                                                     << int(PLOT_OUT_OF_VIEW);
}

void TestPlotters::polarBand() {
  QFETCH(std::string, expression);
  QFETCH(float, left);
  QFETCH(float, right);
  QFETCH(float, bottom);
  QFETCH(float, top);
  QFETCH(int, code);

  RecordingCanvas canvas;
  RecordingMessages messages;
  QCOMPARE(int(plotPolar(false, expression, canvas, messages, {left, right, bottom, top})), code);
  QCOMPARE(canvas.moves().size(), std::size_t{code == PLOT_OK ? 1u : 0u});
  QCOMPARE(canvas.segmentCount(), std::size_t{0});
}

void TestPlotters::polarCodes_data() {
  QTest::addColumn<std::string>("expression");
  QTest::addColumn<int>("code");
  QTest::addColumn<std::string>("message");

  QTest::newRow("circle") << std::string("2") << int(PLOT_OK) << std::string();
  QTest::newRow("undefined at every angle") << std::string("1/0") << int(PLOT_UNDEFINED)
                                            << std::string(MESSAGE_UNDEFINED);
  QTest::newRow("malformed") << std::string("sin(") << int(PLOT_UNDEFINED) << std::string(MESSAGE_UNDEFINED);
  QTest::newRow("circle of radius 1000") << std::string("1000") << int(PLOT_OUT_OF_VIEW)
                                         << std::string(MESSAGE_OUT_OF_VIEW);
}

void TestPlotters::polarCodes() {
  QFETCH(std::string, expression);
  QFETCH(int, code);
  QFETCH(std::string, message);

  for (bool loud : {true, false}) {
    RecordingCanvas canvas;
    RecordingMessages messages;
    QCOMPARE(int(plotPolar(loud, expression, canvas, messages, {-4, 4, -3, 3})), code);
    if (loud && !message.empty()) {
      QCOMPARE(messages.count(), std::size_t{1});
      QCOMPARE(messages.last().text, message);
      QCOMPARE(messages.last().icon, MessageIcon::Warning);
    } else {
      QVERIFY(messages.empty());
    }
  }
}

// The precision decides the number of samples. A precision of 0 or below (the
// field can hold one while it is edited) would never end the sweep: it draws
// as the default 0.1. A very fine precision would take hundreds of millions of
// samples: the samples are never closer than a quarter pixel on the canvas.
void TestPlotters::sweepLength_data() {
  QTest::addColumn<bool>("polar");
  QTest::addColumn<float>("jd");
  QTest::addColumn<qint64>("samples");

  const float nan = std::numeric_limits<float>::quiet_NaN();
  // Cartesian: 33.5 units wide at unit length 1.
  QTest::newRow("Cartesian, default precision") << false << 0.1f << qint64(335);
  QTest::newRow("Cartesian, precision 0") << false << 0.0f << qint64(335);
  QTest::newRow("Cartesian, negative precision") << false << -0.2f << qint64(335);
  QTest::newRow("Cartesian, NaN precision") << false << nan << qint64(335);
  // Samples closer than a quarter pixel cannot change the picture: 0.01 is
  // followed as it is, anything finer is held at a quarter pixel.
  const auto finest = qint64(33.5 / MIN_SAMPLE_SPACING_CM) + 1;
  QTest::newRow("Cartesian, precision 0.01") << false << 0.01f << qint64(3350);
  QTest::newRow("Cartesian, precision 0.0001 held at a quarter pixel") << false << 0.0001f << finest;
  QTest::newRow("Cartesian, precision 1e-7 held at a quarter pixel") << false << 1e-7f << finest;
  // Polar: 60 pi at unit length 1.
  QTest::newRow("polar, default step") << true << 0.1f << qint64(1885);
  QTest::newRow("polar, step 0") << true << 0.0f << qint64(1885);
  QTest::newRow("polar, negative step") << true << -0.5f << qint64(1885);
  // The finest angle step moves the farthest corner of the view (16.75, 8)
  // by a quarter pixel.
  const double finestAngle = MIN_SAMPLE_SPACING_CM / std::hypot(16.75, 8.0);
  QTest::newRow("polar, step 0.001") << true << 0.001f << qint64(188496);
  QTest::newRow("polar, step 1e-7 held at a quarter pixel at the farthest corner")
      << true << 1e-7f << qint64(POLAR_REDRAW_ANGLE / finestAngle) + 1;
}

void TestPlotters::sweepLength() {
  QFETCH(bool, polar);
  QFETCH(float, jd);
  QFETCH(qint64, samples);

  // A curve that is in band everywhere: one move, then one segment per sample.
  CountingCanvas canvas;
  RecordingMessages messages;
  const Window wide{-16.75f, 16.75f, -8, 8};
  const std::int16_t code = polar ? plotPolar(false, "1", canvas, messages, wide, jd)
                                  : plotCartesian(false, "0", canvas, messages, wide, jd);
  QCOMPARE(code, PLOT_OK);
  QCOMPARE(canvas.moves, std::int64_t{1});
  const qint64 drawn = canvas.moves + canvas.segments;
  // Accumulated rounding of the step may add or drop the very last sample.
  QVERIFY2(std::llabs(drawn - samples) <= 1, qPrintable(QString::number(drawn)));
  QVERIFY(drawn <= MAX_SAMPLES_PER_SWEEP + 1);
  // The capped sweep still reaches the far end of its range.
  if (!polar) QVERIFY(canvas.curX > 16.6f);
}

// A redraw lends one table of angles to all its polar curves, and one table of
// values of x to all its Cartesian curves. Each curve must be drawn exactly as
// on its own, also when a later curve sweeps with another step or limit (the
// table then starts over) and when the sweep has too many angles for a table.
void TestPlotters::sharedSweepTables_data() {
  QTest::addColumn<std::vector<std::string>>("expressions");
  QTest::addColumn<std::vector<float>>("steps");
  QTest::addColumn<std::vector<double>>("unitLengths");

  const std::vector<std::string> mixed = {"2", "x", "2*sin(2*x)", "ln(x-3)", "1/(1-0.5*cos(x))", "rnd(1)*x",
                                          "x*rnd(x)", "sqr(x-500)", "1/0", "exp(x/20)"};
  QTest::newRow("one step, many curves") << mixed << std::vector<float>{0.1f} << std::vector<double>{0.2};
  QTest::newRow("the step changes between curves")
      << mixed << std::vector<float>{0.1f, 0.1f, 0.05f, 0.1f, 0.3f} << std::vector<double>{1.0};
  QTest::newRow("the limit changes between curves")
      << mixed << std::vector<float>{0.1f} << std::vector<double>{1.0, 0.2, 0.2, 15.0, 1.0};
  QTest::newRow("angles beyond millionths written in full")
      << std::vector<std::string>{"x", "3*cos(3*x)", "x/1000"} << std::vector<float>{0.25f}
      << std::vector<double>{0.005};
  QTest::newRow("more angles than a table holds")
      << std::vector<std::string>{"2", "x/100"} << std::vector<float>{0.0005f} << std::vector<double>{1.0};
  QTest::newRow("no usable precision") << std::vector<std::string>{"x", "2"} << std::vector<float>{0.0f, -1.0f}
                                       << std::vector<double>{1.0};
}

void TestPlotters::sharedSweepTables() {
  QFETCH(std::vector<std::string>, expressions);
  QFETCH(std::vector<float>, steps);
  QFETCH(std::vector<double>, unitLengths);

  RecordingMessages messages;
  const Pen pen;
  PolarAngleTable angles;
  SweepArguments xValues;
  for (std::size_t i = 0; i < 2 * expressions.size(); ++i) {
    const bool polar = i < expressions.size();
    const std::string& expression = expressions[i % expressions.size()];
    const float jd = steps[i % steps.size()];
    const double unitLength = unitLengths[i % unitLengths.size()];
    const PlotContext context{unitLength, pen, messages};
    const WorldWindow window{-6, 6, -4, 4, 0.5f, -0.25f};

    ResetRandomSequence();
    RecordingCanvas alone;
    const std::int16_t codeAlone = polar ? drawnorvale2MV(expression, alone, jd, window, context)
                                         : drawnorvaleMV(expression, alone, jd, window, context);
    const float drawAfterAlone = NextRandom();

    ResetRandomSequence();
    RecordingCanvas shared;
    const std::int16_t codeShared = polar ? drawnorvale2MV(expression, shared, jd, window, context, angles)
                                          : drawnorvaleMV(expression, shared, jd, window, context, xValues);
    const float drawAfterShared = NextRandom();

    QCOMPARE(codeShared, codeAlone);
    QCOMPARE(shared.ops().size(), alone.ops().size());
    QVERIFY2(shared.ops() == alone.ops(), expression.c_str());
    QCOMPARE(drawAfterShared, drawAfterAlone);
  }
  QVERIFY(messages.empty());
}
