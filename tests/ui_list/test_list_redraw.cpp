// Leaving the function-list window redraws the scene from the registry: real
// key and mouse events on the window, the real scene redraw on a recording
// canvas, notices kept by a recorder.
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QtTest>
#include <cmath>

#include "canvas/recording_canvas.h"
#include "plot/view_state.h"
#include "registry/function_registry.h"
#include "support/recording_messages.h"
#include "ui/list/form2.h"
#include "ui/list/scene_list_host.h"

namespace {

constexpr std::uint32_t RED = 0x0000FF;
constexpr std::uint32_t BLUE = 0xFF0000;
constexpr std::uint32_t GREEN = 0x00FF00;
constexpr std::uint32_t GREY = 0x808080;  // the user's colour
constexpr std::int16_t USER_WIDTH = 3;

// State: a 20 x 14 cm canvas, one centimetre per unit, origin in the middle,
// Cartesian frame; the user's pen is width 3, grey. Slot 1 holds x (width 2,
// red), slot 3 the polar sin(2*e) (width 5, blue), slot 5 cos(x) (width 6,
// green); slots 2 and 4 are empty.
struct Scene {
  Scene() {
    view.canvasLeft = -10;
    view.canvasRight = 10;
    view.canvasBottom = -7;
    view.canvasTop = 7;
    pen.chooseWidth(USER_WIDTH);
    pen.chooseColor(GREY);
    registry.appendEntry("x", '1', 2, RED);
    registry.appendEntry("1", '1', 1, 0);
    registry.appendEntry("sin(2*e)", '0', 5, BLUE);
    registry.appendEntry("1", '1', 1, 0);
    registry.appendEntry("cos(x)", '1', 6, GREEN);
    registry.clearEntry(2);
    registry.clearEntry(4);
  }

  // The curves drawn, as "colour/width" (frame lines left out).
  QSet<QString> curves() const {
    QSet<QString> drawn;
    for (const RecordedSegment& s : canvas.segments()) {
      if (s.colour != FRAME_COLOUR) drawn.insert(QStringLiteral("%1/%2").arg(s.colour, 6, 16, QChar('0')).arg(s.width));
    }
    return drawn;
  }

  RecordingCanvas canvas;
  ViewState view;
  Pen pen;
  FunctionRegistry registry;
  RecordingMessages messages;
  SceneListHost host{canvas, view, pen, registry, messages, [] { return 0.1f; }};
};

QString curve(std::uint32_t colour, int width) {
  return QStringLiteral("%1/%2").arg(colour, 6, 16, QChar('0')).arg(width);
}

void deletePending() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class TestListRedraw : public QObject {
  Q_OBJECT

 private slots:
  void exitRedrawsFromTheRegistry_data();
  void exitRedrawsFromTheRegistry();
  void editedExpressionIsRedrawnInItsPen();
  void correctedEntryLetsTheWindowClose();
};

void TestListRedraw::exitRedrawsFromTheRegistry_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<std::int16_t>("frameWhileTyping");
  QTest::addColumn<QTestEventList>("events");
  QTest::addColumn<QStringList>("notices");
  QTest::addColumn<bool>("staysOpen");
  QTest::addColumn<QSet<QString>>("drawn");

  QTestEventList none;
  QTest::newRow("no edit") << 0 << FRAME_CARTESIAN << none << QStringList{} << false
                           << QSet<QString>{curve(RED, 2), curve(GREEN, 6)};

  QTestEventList replace;
  replace.addKeyClick(Qt::Key_A, Qt::ControlModifier);
  replace.addKeyClicks("2*x");
  QTest::newRow("x edited to 2*x") << 0 << FRAME_CARTESIAN << replace << QStringList{} << false
                                   << QSet<QString>{curve(RED, 2), curve(GREEN, 6)};

  QTestEventList unmatched;
  unmatched.addKeyClick(Qt::Key_End);
  unmatched.addKeyClicks(")");
  QTest::newRow("malformed slot 1 stops before slot 5")
      << 0 << FRAME_CARTESIAN << unmatched << QStringList{QStringLiteral("第 1个函数函数表达式语法错误！")} << true << QSet<QString>{};
  QTest::newRow("malformed slot 5 after slot 1 was drawn")
      << 4 << FRAME_CARTESIAN << unmatched << QStringList{QStringLiteral("第 5个函数函数表达式语法错误！")} << true
      << QSet<QString>{curve(RED, 2)};

  QTestEventList high;
  high.addKeyClick(Qt::Key_A, Qt::ControlModifier);
  high.addKeyClicks("x+100");
  QTest::newRow("out of view: notice, the redraw goes on")
      << 0 << FRAME_CARTESIAN << high << QStringList{QStringLiteral("第 1个函数超出显示范围！")} << false
      << QSet<QString>{curve(GREEN, 6)};

  QTestEventList erase;
  erase.addKeyClick(Qt::Key_A, Qt::ControlModifier);
  erase.addKeyClick(Qt::Key_Delete);
  QTest::newRow("erased row is not drawn as y = 0") << 0 << FRAME_CARTESIAN << erase << QStringList{} << false
                                                    << QSet<QString>{curve(GREEN, 6)};

  QTestEventList typed;
  typed.addKeyClicks("x^2");
  QTest::newRow("function typed into empty row 1 takes the user's pen")
      << 1 << FRAME_CARTESIAN << typed << QStringList{} << false
      << QSet<QString>{curve(RED, 2), curve(GREY, USER_WIDTH), curve(GREEN, 6)};
  QTest::newRow("polar function typed into a Cartesian view is kept, not drawn")
      << 3 << FRAME_POLAR << typed << QStringList{} << false << QSet<QString>{curve(RED, 2), curve(GREEN, 6)};
}

void TestListRedraw::exitRedrawsFromTheRegistry() {
  QFETCH(int, row);
  QFETCH(std::int16_t, frameWhileTyping);
  QFETCH(QTestEventList, events);
  QFETCH(QStringList, notices);
  QFETCH(bool, staysOpen);
  QFETCH(QSet<QString>, drawn);

  Scene scene;
  scene.view.frameKind = frameWhileTyping;
  QPointer<Form2> window;
  openFunctionList(window, scene.registry, scene.host, nullptr);

  // Action: the edit, then the exit button.
  events.simulate(window->text1(row));
  scene.view.frameKind = FRAME_CARTESIAN;  // the list is always left in the Cartesian frame here
  QTest::mouseClick(window->command2(), Qt::LeftButton);
  deletePending();

  // Expected: the notices in slot order, each with the warning icon; the window
  // closed unless an entry is malformed; the curves in their entries' pens.
  QStringList shown;
  for (const auto& record : scene.messages.records) {
    shown << QString::fromStdString(record.text);
    QCOMPARE(record.icon, MessageIcon::Warning);
  }
  QCOMPARE(shown, notices);
  QCOMPARE(!window.isNull(), staysOpen);
  QCOMPARE(scene.curves(), drawn);
  QCOMPARE(scene.canvas.count(CanvasOp::Kind::Clear), std::size_t(1));
  // No pen width below 1 ever reaches the canvas.
  for (const CanvasOp& op : scene.canvas.ops()) {
    if (op.kind == CanvasOp::Kind::DrawWidth) QVERIFY2(op.a >= 1, "pen width below 1 reached the canvas");
    if (op.kind == CanvasOp::Kind::Segment) QVERIFY(op.width >= 1 && op.width <= 6);
  }
  // After the redraw the pen is the user's again.
  QCOMPARE(scene.pen.lwidth, USER_WIDTH);
  QCOMPARE(scene.pen.lcolor, GREY);
  delete window.data();
}

void TestListRedraw::editedExpressionIsRedrawnInItsPen() {
  // State: only slot 1, x, in red width 2.
  Scene scene;
  scene.registry.clearEntry(3);
  scene.registry.clearEntry(5);
  QPointer<Form2> window;
  openFunctionList(window, scene.registry, scene.host, nullptr);

  // Action: row 0 from x to 2*x by typing, then exit.
  QTest::keyClick(window->text1(0), Qt::Key_Backspace);
  QTest::keyClicks(window->text1(0), "2*x");
  QTest::mouseClick(window->command2(), Qt::LeftButton);
  deletePending();

  // Expected: every curve segment lies on y = 2x, red, width 2, and spans the
  // visible band from y = -7 to 7.
  QVERIFY(window.isNull());
  float lowest = 1e9f;
  float highest = -1e9f;
  int curveSegments = 0;
  for (const RecordedSegment& s : scene.canvas.segments()) {
    if (s.colour == FRAME_COLOUR) continue;
    ++curveSegments;
    QCOMPARE(s.colour, RED);
    QCOMPARE(s.width, 2);
    QVERIFY2(std::fabs(s.y1 - 2 * s.x1) < 1e-3f && std::fabs(s.y2 - 2 * s.x2) < 1e-3f, "segment off y = 2x");
    lowest = std::min({lowest, s.y1, s.y2});
    highest = std::max({highest, s.y1, s.y2});
  }
  QVERIFY(curveSegments > 10);
  QVERIFY(lowest < -6.5f && highest > 6.5f);
}

void TestListRedraw::correctedEntryLetsTheWindowClose() {
  // State: the user typed a malformed row and pressed exit: one notice, window open.
  Scene scene;
  QPointer<Form2> window;
  openFunctionList(window, scene.registry, scene.host, nullptr);
  QTest::keyClicks(window->text1(0), ")");
  QTest::mouseClick(window->command2(), Qt::LeftButton);
  deletePending();
  QVERIFY(!window.isNull());
  QCOMPARE(scene.messages.count(), std::size_t(1));

  // Action: the user removes the bracket and presses exit again.
  scene.canvas.reset();
  QTest::keyClick(window->text1(0), Qt::Key_Backspace);
  QTest::mouseClick(window->command2(), Qt::LeftButton);
  deletePending();

  // Expected: no further notice, the window is gone, both Cartesian curves drawn.
  QCOMPARE(scene.messages.count(), std::size_t(1));
  QVERIFY(window.isNull());
  QCOMPARE(scene.curves(), (QSet<QString>{curve(RED, 2), curve(GREEN, 6)}));
}

QTEST_MAIN(TestListRedraw)
#include "test_list_redraw.moc"
