// Rebuilding the picture from the registry: which entries are drawn, in which
// pen, what each caller is told, and the user's pen afterwards.
#include "tst_scene.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>

#include "plot/frame.h"
#include "plot/plotters.h"
#include "plot/scene.h"
#include "support/recording_messages.h"

Q_DECLARE_METATYPE(ReplotMessages)

namespace {

constexpr std::int16_t USER_WIDTH = 3;
constexpr std::uint32_t USER_COLOUR = 0x123456;

ViewState smallView(std::int16_t frameKind) {
  ViewState view;
  view.canvasLeft = -4;
  view.canvasRight = 4;
  view.canvasBottom = -3;
  view.canvasTop = 3;
  view.frameKind = frameKind;
  return view;
}

Pen userPen() {
  Pen pen;
  pen.chooseWidth(USER_WIDTH);
  pen.chooseColor(USER_COLOUR);
  return pen;
}

// Entries as "expression,frame,width,colour" separated by '|'; an item "-"
// leaves its slot empty.
FunctionRegistry registryOf(const std::string& entries) {
  FunctionRegistry registry;
  std::istringstream in(entries);
  std::string item;
  std::vector<int> emptied;
  while (std::getline(in, item, '|')) {
    if (item == "-") {
      registry.appendEntry("", '1', 1, 0);
      emptied.push_back(registry.funcLast());
      continue;
    }
    std::istringstream fields(item);
    std::string expression, frame, width, colour;
    std::getline(fields, expression, ',');
    std::getline(fields, frame, ',');
    std::getline(fields, width, ',');
    std::getline(fields, colour, ',');
    registry.appendEntry(expression, frame[0], static_cast<std::int16_t>(std::stoi(width)),
                         static_cast<std::uint32_t>(std::stoul(colour)));
  }
  for (int slot : emptied) registry.clearEntry(slot);
  return registry;
}

// The colours of the curves on the canvas, in the order they were first drawn.
std::vector<std::uint32_t> curveColours(const RecordingCanvas& canvas) {
  std::vector<std::uint32_t> colours;
  for (const RecordedSegment& s : canvas.segments())
    if (s.colour != FRAME_COLOUR && std::find(colours.begin(), colours.end(), s.colour) == colours.end())
      colours.push_back(s.colour);
  return colours;
}

std::vector<std::string> texts(const RecordingMessages& messages) {
  std::vector<std::string> out;
  for (const auto& r : messages.records) out.push_back(r.text);
  return out;
}

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, '|'))
    if (!item.empty()) out.push_back(item);
  return out;
}

}  // namespace

// Slot 2 Cartesian, slot 5 polar: each frame draws only its own entry, in the
// entry's width and colour, after the complete frame; then the user's pen is back.
void TestScene::redrawDrawsEntriesOfTheFrame_data() {
  QTest::addColumn<int>("frameKind");
  QTest::addColumn<quint32>("colour");
  QTest::addColumn<int>("width");

  QTest::newRow("Cartesian frame draws slot 2") << int(FRAME_CARTESIAN) << 255u << 4;
  QTest::newRow("polar frame draws slot 5") << int(FRAME_POLAR) << 65280u << 2;
}

void TestScene::redrawDrawsEntriesOfTheFrame() {
  QFETCH(int, frameKind);
  QFETCH(quint32, colour);
  QFETCH(int, width);

  const FunctionRegistry registry = registryOf("-|x/2,1,4,255|-|-|2,0,2,65280");
  const ViewState view = smallView(static_cast<std::int16_t>(frameKind));
  Pen pen = userPen();
  RecordingCanvas canvas;
  RecordingMessages messages;
  const SceneContext scene{canvas, view, pen, registry, 0.1f, messages};

  QCOMPARE(redrawScene(ReplotMessages::FrameToggle, scene), ReplotOutcome::Completed);

  QVERIFY(messages.empty());
  QCOMPARE(curveColours(canvas), std::vector<std::uint32_t>{colour});
  const auto& ops = canvas.ops();
  QCOMPARE(ops.front().kind, CanvasOp::Kind::Clear);
  std::size_t lastFrameOp = 0;
  std::size_t firstCurveOp = ops.size();
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const bool frame = (ops[i].kind == CanvasOp::Kind::Segment || ops[i].kind == CanvasOp::Kind::Circle) &&
                       ops[i].colour == FRAME_COLOUR;
    if (frame) lastFrameOp = i;
    if (ops[i].kind == CanvasOp::Kind::Segment && ops[i].colour == colour) {
      firstCurveOp = std::min(firstCurveOp, i);
      QCOMPARE(ops[i].width, width);
      QCOMPARE(ops[i].style, PenStyle::Solid);
    }
  }
  QVERIFY(lastFrameOp < firstCurveOp);
  QCOMPARE(pen.lwidth, USER_WIDTH);
  QCOMPARE(pen.lcolor, USER_COLOUR);
  // The circles belong to the polar frame only.
  QCOMPARE(canvas.circles().empty(), frameKind == FRAME_CARTESIAN);
}

// How each caller reports entries that cannot be plotted. Colours 11, 22, ...
// tell the slots apart on the canvas.
void TestScene::failingEntries_data() {
  QTest::addColumn<std::string>("entries");
  QTest::addColumn<int>("frameKind");
  QTest::addColumn<ReplotMessages>("mode");
  QTest::addColumn<std::string>("messages");
  QTest::addColumn<bool>("stopped");
  QTest::addColumn<std::string>("drawnSlots");

  const std::string mixed = "1000,1,1,11|x,1,1,22|1/0,1,1,33|x+1,1,1,44";
  QTest::newRow("toggle: out of view goes on, undefined stops")
      << mixed << int(FRAME_CARTESIAN) << ReplotMessages::FrameToggle
      << std::string("第 1个函数函数表达式语法错误或超出显示范围！|第 3个函数函数表达式语法错误！") << true
      << std::string("2");
  QTest::newRow("list close: its own reason, undefined stops")
      << mixed << int(FRAME_CARTESIAN) << ReplotMessages::ListClose
      << std::string("第 1个函数超出显示范围！|第 3个函数函数表达式语法错误！") << true << std::string("2");
  QTest::newRow("drag: silent, goes on") << mixed << int(FRAME_CARTESIAN) << ReplotMessages::Drag << std::string()
                                         << false << std::string("2|4");
  QTest::newRow("two entries out of view: two notices in slot order")
      << std::string("1000,1,1,11|x,1,1,22|-5000,1,1,33") << int(FRAME_CARTESIAN) << ReplotMessages::FrameToggle
      << std::string("第 1个函数函数表达式语法错误或超出显示范围！|第 3个函数函数表达式语法错误或超出显示范围！")
      << false << std::string("2");
  QTest::newRow("entries of the other frame are never plotted nor reported")
      << std::string("1/0,0,1,11|x,1,1,22") << int(FRAME_CARTESIAN) << ReplotMessages::FrameToggle << std::string()
      << false << std::string("2");
  QTest::newRow("polar: undefined stops the re-plot")
      << std::string("2,0,1,11|sqr(-1),0,1,22|3,0,1,33") << int(FRAME_POLAR) << ReplotMessages::ListClose
      << std::string("第 2个函数函数表达式语法错误！") << true << std::string("1");
  QTest::newRow("slot numbers past 9") << std::string("x,1,1,1|x,1,1,2|x,1,1,3|x,1,1,4|x,1,1,5|x,1,1,6|x,1,1,7|"
                                                      "x,1,1,8|x,1,1,9|x,1,1,10|x,1,1,11|1/0,1,1,12")
                                       << int(FRAME_CARTESIAN) << ReplotMessages::FrameToggle
                                       << std::string("第 12个函数函数表达式语法错误！") << true
                                       << std::string("1|2|3|4|5|6|7|8|9|10|11");
}

void TestScene::failingEntries() {
  QFETCH(std::string, entries);
  QFETCH(int, frameKind);
  QFETCH(ReplotMessages, mode);
  QFETCH(std::string, messages);
  QFETCH(bool, stopped);
  QFETCH(std::string, drawnSlots);

  const FunctionRegistry registry = registryOf(entries);
  const ViewState view = smallView(static_cast<std::int16_t>(frameKind));
  Pen pen = userPen();
  RecordingCanvas canvas;
  RecordingMessages sink;
  const SceneContext scene{canvas, view, pen, registry, 0.1f, sink};

  const ReplotOutcome outcome = replotEntries(view.frameKind, mode, scene);

  QCOMPARE(outcome, stopped ? ReplotOutcome::StoppedOnUndefined : ReplotOutcome::Completed);
  QCOMPARE(texts(sink), split(messages));
  for (const auto& r : sink.records) QCOMPARE(r.icon, MessageIcon::Warning);
  std::vector<std::uint32_t> wanted;
  for (const std::string& slot : split(drawnSlots)) {
    wanted.push_back(registry.decodeEntry(std::stoi(slot)).colour);
  }
  QCOMPARE(curveColours(canvas), wanted);
  QCOMPARE(pen.lwidth, USER_WIDTH);
  QCOMPARE(pen.lcolor, USER_COLOUR);
}

// A polar entry keeps its angle letter in the registry and is plotted in x;
// the e that begins exp stays.
void TestScene::polarEntriesUseTheAngleLetter() {
  const FunctionRegistry registry = registryOf("sin(2*e),0,1,5|exp(e)/20,0,1,6");
  const ViewState view = smallView(FRAME_POLAR);
  Pen pen = userPen();
  RecordingCanvas canvas;
  RecordingMessages messages;
  const SceneContext scene{canvas, view, pen, registry, 0.1f, messages};
  QCOMPARE(replotEntries(FRAME_POLAR, ReplotMessages::FrameToggle, scene), ReplotOutcome::Completed);
  QVERIFY(messages.empty());

  RecordingCanvas direct;
  Pen entryPen;
  entryPen.lcolor = 5;
  const PlotContext first{1.0, entryPen, messages};
  QCOMPARE(drawnorvale2MV("sin(2*x)", direct, 0.1f, view.worldWindow(), first), PLOT_OK);
  entryPen.lcolor = 6;
  QCOMPARE(drawnorvale2MV("exp(x)/20", direct, 0.1f, view.worldWindow(), first), PLOT_OK);
  QVERIFY(canvas.segmentCount() > 100);
  QVERIFY(canvas.segments() == direct.segments());
}

// Widths from damaged or odd entries (0, 9; a rebuilt empty slot gives 0) are drawn as 1 and never handed to the canvas as they are.
void TestScene::damagedWidthsNeverReachTheCanvas() {
  FunctionRegistry registry = registryOf("x,1,0,1|x/2,1,9,2|x/4,1,6,4");
  registry.rebuildEntry(7, "x/5");  // an empty slot rebuilt: blank frame mark, width 0
  const ViewState view = smallView(FRAME_CARTESIAN);
  Pen pen = userPen();
  RecordingCanvas canvas;
  RecordingMessages messages;
  const SceneContext scene{canvas, view, pen, registry, 0.1f, messages};
  QCOMPARE(redrawScene(ReplotMessages::FrameToggle, scene), ReplotOutcome::Completed);

  QVERIFY(messages.empty());
  QCOMPARE(curveColours(canvas), (std::vector<std::uint32_t>{1, 2, 4}));
  for (const CanvasOp& op : canvas.ops()) {
    if (op.kind == CanvasOp::Kind::DrawWidth) QVERIFY(op.a >= 1 && op.a <= 6);
    if (op.kind == CanvasOp::Kind::Segment && op.colour != FRAME_COLOUR)
      QCOMPARE(op.width, op.colour == 4 ? 6 : 1);
  }
  QCOMPARE(pen.lwidth, USER_WIDTH);
}

// The precision is the one handed to the redraw, the field's value at that time.
void TestScene::precisionOfTheRedraw() {
  const FunctionRegistry registry = registryOf("0,1,1,7");
  const ViewState view = smallView(FRAME_CARTESIAN);
  for (float precision : {0.5f, 0.25f}) {
    Pen pen = userPen();
    RecordingCanvas canvas;
    RecordingMessages messages;
    const SceneContext scene{canvas, view, pen, registry, precision, messages};
    replotEntries(FRAME_CARTESIAN, ReplotMessages::Drag, scene);
    // 8 units wide: 8 / precision + 1 samples, all in band.
    QCOMPARE(int(canvas.segmentCount()), int(8 / precision));
  }
}

void TestScene::emptyRegistryGivesTheFrameOnly() {
  const FunctionRegistry registry;
  const ViewState view = smallView(FRAME_CARTESIAN);
  Pen pen = userPen();
  RecordingCanvas canvas;
  RecordingMessages messages;
  const SceneContext scene{canvas, view, pen, registry, 0.1f, messages};
  QCOMPARE(redrawScene(ReplotMessages::ListClose, scene), ReplotOutcome::Completed);
  QVERIFY(messages.empty());
  QVERIFY(curveColours(canvas).empty());
  QCOMPARE(canvas.drawWidth(), int(USER_WIDTH));
}

// The frames of the toggle and of the clear button, against their parts.
void TestScene::toggleAndClearFrames_data() {
  QTest::addColumn<bool>("toggle");
  QTest::addColumn<int>("frameKind");
  QTest::addColumn<int>("circles");
  QTest::addColumn<int>("frameSegments");
  QTest::addColumn<int>("labels");
  QTest::addColumn<bool>("curves");

  // At unit 1: 400 ticks, 2 axes, 100 circles.
  QTest::newRow("toggle to polar: labelled circles, axes, no ticks") << true << int(FRAME_POLAR) << 100 << 2 << 100
                                                                     << true;
  QTest::newRow("toggle to Cartesian: scale and axes") << true << int(FRAME_CARTESIAN) << 0 << 402 << 400 << true;
  QTest::newRow("clear, polar: circles, scale, axes") << false << int(FRAME_POLAR) << 100 << 402 << 100 << false;
  QTest::newRow("clear, Cartesian: scale and axes") << false << int(FRAME_CARTESIAN) << 0 << 402 << 400 << false;
}

void TestScene::toggleAndClearFrames() {
  QFETCH(bool, toggle);
  QFETCH(int, frameKind);
  QFETCH(int, circles);
  QFETCH(int, frameSegments);
  QFETCH(int, labels);
  QFETCH(bool, curves);

  const FunctionRegistry registry = registryOf("x,1,2,9|1,0,2,9");
  const ViewState view = smallView(static_cast<std::int16_t>(frameKind));
  Pen pen = userPen();
  RecordingCanvas canvas;
  RecordingMessages messages;
  if (toggle) {
    const SceneContext scene{canvas, view, pen, registry, 0.1f, messages};
    QCOMPARE(redrawAfterToggle(scene), ReplotOutcome::Completed);
  } else {
    clearScene(canvas, view, pen);
  }

  const auto& ops = canvas.ops();
  QCOMPARE(ops[0].kind, CanvasOp::Kind::Clear);
  QCOMPARE(ops[1].kind, CanvasOp::Kind::DrawWidth);
  QCOMPARE(ops[1].a, 1.0f);
  QCOMPARE(int(canvas.circles().size()), circles);
  int frameLines = 0;
  for (const RecordedSegment& s : canvas.segments())
    if (s.colour == FRAME_COLOUR) ++frameLines;
  QCOMPARE(frameLines, frameSegments);
  QCOMPARE(int(canvas.prints().size()), labels);
  QCOMPARE(curveColours(canvas).empty(), !curves);
  if (!toggle) {
    QCOMPARE(ops.back().kind, CanvasOp::Kind::DrawWidth);
    QCOMPARE(ops.back().a, float(USER_WIDTH));
    // The clear in the polar frame draws the circles before the scale.
    if (frameKind == FRAME_POLAR) QCOMPARE(ops[3].kind, CanvasOp::Kind::Circle);
  }
  QVERIFY(messages.empty());
}

// A drag or the list window's close redraws the polar frame with its circles
// unlabelled: the only texts are the scale's, and at unit length 0.5 or less
// the scale has none either.
void TestScene::polarRedrawLeavesCirclesUnlabelled_data() {
  QTest::addColumn<double>("unitLength");
  QTest::addColumn<ReplotMessages>("caller");
  for (double unit : {1.0, 0.5, 0.3, 0.2}) {
    QTest::addRow("drag at unit %g", unit) << unit << ReplotMessages::Drag;
    QTest::addRow("list close at unit %g", unit) << unit << ReplotMessages::ListClose;
  }
}

void TestScene::polarRedrawLeavesCirclesUnlabelled() {
  QFETCH(double, unitLength);
  QFETCH(ReplotMessages, caller);
  const FunctionRegistry registry = registryOf("2,0,1,9|x,1,1,9");
  ViewState view = smallView(FRAME_POLAR);
  view.unitLength = unitLength;
  Pen pen = userPen();
  RecordingCanvas canvas;
  RecordingMessages messages;
  const SceneContext scene{canvas, view, pen, registry, 0.1f, messages};
  QCOMPARE(redrawScene(caller, scene), ReplotOutcome::Completed);

  RecordingCanvas scaleOnly;
  drawCartesianScale(scaleOnly, view);
  QCOMPARE(int(canvas.circles().size()), int(TICK_RANGE / unitLength));
  QCOMPARE(canvas.printedTexts(), scaleOnly.printedTexts());
  if (unitLength <= LABEL_THRESHOLD) QVERIFY(canvas.prints().empty());
  QVERIFY(messages.empty());
}

// A table of angles and radii kept from redraw to redraw (as the window keeps
// it) must ask the canvas for exactly what a fresh redraw asks for, through
// drags of the origin, units up and down, precision changes, edits of the list
// and curves that draw random numbers.
void TestScene::keptPolarSamplesDrawTheSame() {
  FunctionRegistry registry = registryOf("2*sin(3*e),0,1,255|e/3,0,2,65280|1/(1-cos(e)),0,1,16711680|x,1,1,0");
  ViewState view = smallView(FRAME_POLAR);
  Pen pen = userPen();
  RecordingMessages messages;
  PolarAngleTable kept;
  float precision = 0.1f;
  const auto step = [&](const char* what) {
    RecordingCanvas withKept, fresh;
    ResetRandomSequence();
    redrawScene(ReplotMessages::Drag, {withKept, view, pen, registry, precision, messages, &kept});
    ResetRandomSequence();
    redrawScene(ReplotMessages::Drag, {fresh, view, pen, registry, precision, messages});
    QVERIFY2(withKept.ops() == fresh.ops(), what);
    QVERIFY2(withKept.ops().size() > 100, what);
  };
  step("first redraw");
  for (int move = 1; move <= 4; ++move) {
    view.markerLeft = -0.1f + 0.37f * static_cast<float>(move);
    view.markerTop = 0.1f - 0.23f * static_cast<float>(move);
    step("origin dragged");
  }
  for (double unit : {0.5, 2.0, 0.3, 7.5, 1.0}) {
    view.unitLength = unit;
    step("unit dragged");
  }
  precision = 0.05f;
  step("finer precision");
  precision = 0.1f;
  step("precision back");
  registry.appendEntry("e+rnd(1)", '0', 1, 0x808080);
  step("a curve with random numbers added");
  registry.appendEntry("2*sin(3*e)+0", '0', 3, 0x00FF00);
  step("another curve added");
  view.frameKind = FRAME_CARTESIAN;
  step("Cartesian frame");
  view.frameKind = FRAME_POLAR;
  step("polar frame again");
}


void TestScene::curvesEvaluatedAheadDrawTheSame_data() {
  QTest::addColumn<QString>("functions");
  QTest::addColumn<ReplotMessages>("messages");
  QTest::addColumn<double>("unitLength");
  const QString school = "sin(x)|tg(x)|x+rnd(1)|1/x|lg(x)|x^2|rnd(x)*2|sqr(x)|exp(x)|ctg(x)|abs(x)|x^3-2*x";
  QTest::newRow("drag, unit 1") << school << ReplotMessages::Drag << 1.0;
  QTest::newRow("drag, unit 0.3") << school << ReplotMessages::Drag << 0.3;
  QTest::newRow("toggle stops at a malformed curve")
      << "sin(x)|x+rnd(1)|cos(x)|x^2|(|tg(x)|exp(x)|1/x" << ReplotMessages::FrameToggle << 1.0;
  QTest::newRow("two curves") << "ln(x)|rnd(1)+x" << ReplotMessages::Drag << 0.5;
}

// The Cartesian curves of a redraw, evaluated ahead on a second thread, must
// ask the canvas for exactly what drawing each of them alone asks for, leave
// the random sequence where drawing them in turn leaves it, and stop where
// the redraw stops.
void TestScene::curvesEvaluatedAheadDrawTheSame() {
  QFETCH(QString, functions);
  QFETCH(ReplotMessages, messages);
  QFETCH(double, unitLength);
  const std::vector<std::string> list = split(functions.toStdString());
  const auto entry = [](const std::string& f, std::size_t i) {
    return f + ",1," + std::to_string(i % 3 + 1) + "," + std::to_string(1000 * i + 7);
  };
  std::string all;
  for (std::size_t i = 0; i < list.size(); ++i) all += entry(list[i], i) + "|";
  ViewState view = smallView(FRAME_CARTESIAN);
  view.unitLength = unitLength;
  Pen pen = userPen();
  RecordingMessages told;
  const auto redraw = [&](RecordingCanvas& canvas, const FunctionRegistry& registry) {
    return redrawScene(messages, {canvas, view, pen, registry, 0.01f, told});
  };

  RecordingCanvas together;
  ResetRandomSequence();
  const ReplotOutcome outcome = redraw(together, registryOf(all));
  const float randomAfter = NextRandom();

  RecordingCanvas frame;
  redraw(frame, FunctionRegistry());
  std::vector<CanvasOp> expected = frame.ops();
  ResetRandomSequence();
  ReplotOutcome alone = ReplotOutcome::Completed;
  for (std::size_t i = 0; i < list.size() && alone == ReplotOutcome::Completed; ++i) {
    RecordingCanvas canvas;
    alone = redraw(canvas, registryOf(entry(list[i], i)));
    expected.insert(expected.end(), canvas.ops().begin() + static_cast<std::ptrdiff_t>(frame.ops().size()),
                    canvas.ops().end());
  }
  QCOMPARE(outcome, alone);
  // What is drawn, each segment with its pen (the pen's changes in between
  // differ only by what the curve before left set).
  const auto drawn = [](const std::vector<CanvasOp>& ops) {
    std::vector<CanvasOp> out;
    std::copy_if(ops.begin(), ops.end(), std::back_inserter(out), [](const CanvasOp& op) {
      return op.kind == CanvasOp::Kind::Segment || op.kind == CanvasOp::Kind::MoveTo;
    });
    return out;
  };
  QVERIFY(drawn(together.ops()) == drawn(expected));
  QVERIFY(together.ops().size() > frame.ops().size() + 100);
  QCOMPARE(NextRandom(), randomAfter);
}
