// The frame: tick counts, label texts and positions, circles, the start-up
// frame, at the unit lengths where the rules change.
#include "tst_frame.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "plot/frame.h"

namespace {

ViewState viewAt(double unitLength, std::int16_t frameKind, float markerLeft = -0.1f, float markerTop = 0.1f) {
  ViewState view;
  view.unitLength = unitLength;
  view.canvasLeft = -16.75f;
  view.canvasRight = 16.75f;
  view.canvasBottom = -8.2f;
  view.canvasTop = 8.2f;
  view.frameKind = frameKind;
  view.markerLeft = markerLeft;
  view.markerTop = markerTop;
  return view;
}

bool near(float a, double b) { return std::fabs(a - b) < 1e-4; }

// Expected labels as "text@x,y" items separated by '|'; the text's blanks are
// written as '_' to keep them visible.
bool hasLabels(const RecordingCanvas& canvas, const std::string& wanted, QString& missing) {
  std::istringstream in(wanted);
  std::string item;
  const auto prints = canvas.prints();
  while (std::getline(in, item, '|')) {
    if (item.empty()) continue;
    const auto at = item.find('@');
    std::string text = item.substr(0, at);
    std::replace(text.begin(), text.end(), '_', ' ');
    double x = 0, y = 0;
    char comma = 0;
    std::istringstream(item.substr(at + 1)) >> x >> comma >> y;
    const bool found = std::any_of(prints.begin(), prints.end(), [&](const CanvasOp& p) {
      return p.text == text && near(p.a, x) && near(p.b, y);
    });
    if (!found) {
      missing = QString::fromStdString(item);
      return false;
    }
  }
  return true;
}

std::size_t frameSegments(const RecordingCanvas& canvas) {
  std::size_t n = 0;
  for (const RecordedSegment& s : canvas.segments()) {
    if (s.colour == FRAME_COLOUR) ++n;
  }
  return n;
}

}  // namespace

void TestFrame::cartesianScale_data() {
  QTest::addColumn<double>("unitLength");
  QTest::addColumn<int>("frameKind");
  QTest::addColumn<float>("markerLeft");
  QTest::addColumn<float>("markerTop");
  QTest::addColumn<int>("ticks");
  QTest::addColumn<int>("labels");
  QTest::addColumn<std::string>("someLabels");

  const int cart = FRAME_CARTESIAN;
  const int polar = FRAME_POLAR;
  QTest::newRow("K 1: every centimetre, labels on all four half-axes")
      << 1.0 << cart << -0.1f << 0.1f << 400 << 400
      << std::string("_1_@0.8,0.5|-1_@-1.2,0.5|_100_@99.8,0.5|-100_@-100.2,0.5|_1_@0.3,1.2|-1_@0.3,-0.8|"
                     "_2_@0.3,2.2|-2_@0.3,-1.8");
  QTest::newRow("K 0.6: just above the label threshold") << 0.6 << cart << -0.1f << 0.1f << 664 << 664
                                                         << std::string("_1_@0.4,0.5|-166_@-99.8,0.5");
  QTest::newRow("K 0.5 exactly: ticks but no labels") << 0.5 << cart << -0.1f << 0.1f << 800 << 0 << std::string();
  QTest::newRow("K 15: i runs 1 to 6") << 15.0 << cart << -0.1f << 0.1f << 24 << 24
                                       << std::string("_6_@89.8,0.5|-6_@-90.2,0.5|_6_@0.3,90.2|-6_@0.3,-89.8");
  QTest::newRow("K 0.2: 500 rounds, no labels") << 0.2 << cart << -0.1f << 0.1f << 2000 << 0 << std::string();
  QTest::newRow("moved origin, K 2") << 2.0 << cart << 0.9f << 1.1f << 200 << 200
                                     << std::string("_1_@2.8,1.5|-1_@-1.2,1.5|_1_@1.3,3.2|-1_@1.3,-0.8");
  QTest::newRow("polar: labels only right of the pole") << 1.0 << polar << -0.1f << 0.1f << 400 << 100
                                                        << std::string("_1_@0.8,0.5|_100_@99.8,0.5");
  QTest::newRow("polar K 0.5: no labels at all") << 0.5 << polar << -0.1f << 0.1f << 800 << 0 << std::string();
}

void TestFrame::cartesianScale() {
  QFETCH(double, unitLength);
  QFETCH(int, frameKind);
  QFETCH(float, markerLeft);
  QFETCH(float, markerTop);
  QFETCH(int, ticks);
  QFETCH(int, labels);
  QFETCH(std::string, someLabels);

  const ViewState view = viewAt(unitLength, static_cast<std::int16_t>(frameKind), markerLeft, markerTop);
  RecordingCanvas canvas;
  drawCartesianScale(canvas, view);

  QCOMPARE(int(canvas.segmentCount()), ticks);
  QCOMPARE(int(frameSegments(canvas)), ticks);
  QCOMPARE(int(canvas.prints().size()), labels);
  QString missing;
  QVERIFY2(hasLabels(canvas, someLabels, missing), qPrintable(missing));

  const double x0 = view.originX();
  const double y0 = view.originY();
  // Every tick is 0.3 long and crosses its axis at its middle.
  for (const RecordedSegment& s : canvas.segments()) {
    const bool vertical = s.x1 == s.x2;
    QVERIFY(vertical ? near(s.y1, y0 - 0.15) && near(s.y2, y0 + 0.15)
                     : near(s.x1, x0 - 0.15) && near(s.x2, x0 + 0.15) && s.y1 == s.y2);
  }
  // Labels in the frame colour; the text colour is black again afterwards.
  for (const CanvasOp& p : canvas.prints()) {
    QCOMPARE(p.colour, FRAME_COLOUR);
    if (frameKind == FRAME_POLAR) {
      QVERIFY(p.a > x0);
      QVERIFY(near(p.b, y0 + 0.5));
    }
  }
  QCOMPARE(canvas.textColor(), 0u);
}

void TestFrame::polarCircles_data() {
  QTest::addColumn<double>("unitLength");
  QTest::addColumn<bool>("labelled");
  QTest::addColumn<int>("circles");
  QTest::addColumn<std::string>("someLabels");

  QTest::newRow("K 1 labelled") << 1.0 << true << 100 << std::string("_1_@0.8,0.5|_100_@99.8,0.5");
  QTest::newRow("K 0.5 labelled: no threshold for circles") << 0.5 << true << 200
                                                            << std::string("_1_@0.3,0.5|_200_@99.8,0.5");
  QTest::newRow("K 0.2 unlabelled: 500 circles") << 0.2 << false << 500 << std::string();
  QTest::newRow("K 15 labelled") << 15.0 << true << 6 << std::string("_6_@89.8,0.5");
}

void TestFrame::polarCircles() {
  QFETCH(double, unitLength);
  QFETCH(bool, labelled);
  QFETCH(int, circles);
  QFETCH(std::string, someLabels);

  const ViewState view = viewAt(unitLength, FRAME_POLAR, 0.9f, -0.9f);  // pole at (1, -1)
  RecordingCanvas canvas;
  drawPolarCircles(canvas, view, labelled);

  const auto drawn = canvas.circles();
  QCOMPARE(int(drawn.size()), circles);
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    QVERIFY(near(drawn[i].a, 1.0) && near(drawn[i].b, -1.0));
    QVERIFY(near(drawn[i].c, static_cast<double>(i + 1) * unitLength));
    QCOMPARE(drawn[i].style, PenStyle::Dotted);
    QCOMPARE(drawn[i].colour, FRAME_COLOUR);
  }
  QCOMPARE(int(canvas.prints().size()), labelled ? circles : 0);
  // Labels relative to the pole at (1, -1).
  std::string shifted;
  std::istringstream in(someLabels);
  std::string item;
  while (std::getline(in, item, '|')) {
    const auto at = item.find('@');
    double x = 0, y = 0;
    char comma = 0;
    std::istringstream(item.substr(at + 1)) >> x >> comma >> y;
    shifted += item.substr(0, at + 1) + std::to_string(x + 1) + "," + std::to_string(y - 1) + "|";
  }
  QString missing;
  QVERIFY2(hasLabels(canvas, shifted, missing), qPrintable(missing));
  QCOMPARE(canvas.drawStyle(), PenStyle::Solid);
  QCOMPARE(canvas.textColor(), 0u);
}

// On a canvas 33.5 wide and 16.4 high: x ticks from floor(-16.75) - 1 = -18 to
// 16, y ticks from -10 to 8, no label at 0, the y labels 0.15 above their tick.
void TestFrame::startupFrame() {
  ViewState view = viewAt(1.0, FRAME_CARTESIAN);
  view.unitLength = 3.0;  // the start-up frame assumes unit 1 whatever the view says
  RecordingCanvas canvas;
  canvas.setDrawWidth(4);
  canvas.reset();
  drawStartupFrame(canvas, view);

  QCOMPARE(canvas.ops().front().kind, CanvasOp::Kind::DrawWidth);
  QCOMPARE(canvas.drawWidth(), 1);
  const auto segments = canvas.segments();
  QCOMPARE(int(segments.size()), 35 + 19 + 2);
  QVERIFY(near(segments.front().x1, -18) && near(segments.front().y1, -0.15));
  QVERIFY(near(segments[34].x1, 16));
  QVERIFY(near(segments[35].y1, -10) && near(segments[35].x1, -0.15));
  QVERIFY(near(segments[53].y1, 8));
  QCOMPARE(segments[54], (RecordedSegment{-16.75f, 0, 16.75f, 0, FRAME_COLOUR, 1, PenStyle::Solid}));
  QCOMPARE(segments[55], (RecordedSegment{0, -8.2f, 0, 8.2f, FRAME_COLOUR, 1, PenStyle::Solid}));

  QCOMPARE(int(canvas.prints().size()), 34 + 18);
  QString missing;
  QVERIFY2(hasLabels(canvas, "-18_@-18.2,0.5|-1_@-1.2,0.5|_1_@0.8,0.5|_16_@15.8,0.5|"
                             "-10_@0.3,-9.85|-1_@0.3,-0.85|_1_@0.3,1.15|_8_@0.3,8.15",
                     missing),
           qPrintable(missing));
  for (const CanvasOp& p : canvas.prints()) QVERIFY(p.text != " 0 ");
}

void TestFrame::axesThroughOrigin() {
  const ViewState view = viewAt(2.0, FRAME_CARTESIAN, 0.9f, 1.1f);
  RecordingCanvas canvas;
  drawAxes(canvas, view);
  const auto segments = canvas.segments();
  QCOMPARE(segments.size(), std::size_t{2});
  QCOMPARE(segments[0], (RecordedSegment{-16.75f, 1.0f, 16.75f, 1.0f, FRAME_COLOUR, 1, PenStyle::Solid}));
  QCOMPARE(segments[1], (RecordedSegment{1.0f, -8.2f, 1.0f, 8.2f, FRAME_COLOUR, 1, PenStyle::Solid}));
}
