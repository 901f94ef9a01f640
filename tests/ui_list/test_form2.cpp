// The function-list window driven by real key and mouse events, with a host
// that records what the window asks of the main window.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "plot/view_state.h"
#include "registry/function_registry.h"
#include "ui/list/form2.h"

namespace {

constexpr std::uint32_t RED = 0x0000FF;
constexpr std::uint32_t BLUE = 0xFF0000;
constexpr std::uint32_t GREEN = 0x00FF00;
constexpr std::uint32_t WHITE = 0xFFFFFF;

class FakeHost : public ListWindowHost {
 public:
  std::int16_t currentFrameKind() const override { return frameKind; }
  const Pen& pen() const override { return userPen; }
  ListRedrawResult redrawOnListExit() override {
    ++redraws;
    return ListRedrawResult::Complete;
  }

  std::int16_t frameKind = FRAME_CARTESIAN;
  Pen userPen;
  int redraws = 0;
};

// A registry with "x" (Cartesian, width 2, red) in slot 1, a blank slot 2 and
// "sin(2*e)" (polar, width 5, blue) in slot 3.
FunctionRegistry slotsOneAndThree() {
  FunctionRegistry registry;
  registry.appendEntry("x", '1', 2, RED);
  registry.appendEntry("1/x", '1', 1, GREEN);
  registry.appendEntry("sin(2*e)", '0', 5, BLUE);
  registry.clearEntry(2);
  return registry;
}

void deletePending() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class TestForm2 : public QObject {
  Q_OBJECT

 private slots:
  void loadFillsRowsOfFilledSlots_data();
  void loadFillsRowsOfFilledSlots();
  void editsAreWrittenAtOnce_data();
  void editsAreWrittenAtOnce();
  void overlongPasteIsRefused();
  void deleteButtons_data();
  void deleteButtons();
  void titleBarCloseUnloadsWithoutRedraw();
  void scrollMovesThePanel_data();
  void scrollMovesThePanel();
  void focusScrollsTheRowIntoView_data();
  void focusScrollsTheRowIntoView();
};

void TestForm2::loadFillsRowsOfFilledSlots_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<QString>("text");
  QTest::addColumn<std::uint32_t>("swatch");
  QTest::addColumn<QString>("frameName");

  QTest::newRow("slot 1 Cartesian") << 0 << "x" << RED << "直角坐标系";
  QTest::newRow("slot 2 blank") << 1 << "" << WHITE << "";
  QTest::newRow("slot 3 polar keeps its angle letter") << 2 << "sin(2*e)" << BLUE << "极坐标系";
  QTest::newRow("slot 20 never used") << 19 << "" << WHITE << "";
}

void TestForm2::loadFillsRowsOfFilledSlots() {
  QFETCH(int, row);
  QFETCH(QString, text);
  QFETCH(std::uint32_t, swatch);
  QFETCH(QString, frameName);

  FunctionRegistry registry = slotsOneAndThree();
  const FunctionRegistry before = registry;
  FakeHost host;
  Form2 window(registry, host);

  QCOMPARE(window.text1(row)->text(), text);
  QCOMPARE(window.swatchColour(row), swatch);
  QCOMPARE(window.label5(row)->text(), frameName);
  // Filling the rows passes through the editing rule and leaves every slot as it was.
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    QCOMPARE(registry.entryText(slot), before.entryText(slot));
    QCOMPARE(registry.expressionLength(slot), before.expressionLength(slot));
  }
  QCOMPARE(registry.funcLast(), before.funcLast());
  QCOMPARE(host.redraws, 0);
}

void TestForm2::editsAreWrittenAtOnce_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<std::int16_t>("frameKind");
  QTest::addColumn<QTestEventList>("events");
  QTest::addColumn<QString>("entry");  // the packed slot string afterwards; empty for an empty slot
  QTest::addColumn<QString>("shown");
  QTest::addColumn<std::uint32_t>("swatch");
  QTest::addColumn<QString>("frameName");

  // The user's pen for these cases: width 4, green.
  QTestEventList selectAllAndType;
  selectAllAndType.addKeyClick(Qt::Key_A, Qt::ControlModifier);
  selectAllAndType.addKeyClicks("2*x");
  QTest::newRow("replace x by 2*x keeps frame and pen")
      << 0 << FRAME_CARTESIAN << selectAllAndType << "2*x1 2 255" << "2*x" << RED << "直角坐标系";

  QTestEventList append;
  append.addKeyClick(Qt::Key_End);
  append.addKeyClicks("+12");
  QTest::newRow("digits in the expression") << 0 << FRAME_CARTESIAN << append << "x+121 2 255" << "x+12" << RED
                                            << "直角坐标系";

  QTestEventList eraseRetype;
  eraseRetype.addKeyClick(Qt::Key_End);
  eraseRetype.addKeyClick(Qt::Key_Backspace);
  eraseRetype.addKeyClicks("x^2");
  QTest::newRow("erase and retype brings the pen back")
      << 0 << FRAME_POLAR << eraseRetype << "x^21 2 255" << "x^2" << RED << "直角坐标系";

  QTestEventList eraseAll;
  eraseAll.addKeyClick(Qt::Key_A, Qt::ControlModifier);
  eraseAll.addKeyClick(Qt::Key_Delete);
  QTest::newRow("erased row empties its slot, row keeps its swatch")
      << 2 << FRAME_POLAR << eraseAll << "" << "" << BLUE << "极坐标系";

  QTestEventList typeNew;
  typeNew.addKeyClicks("x^2");
  QTest::newRow("empty row, Cartesian frame: user's pen")
      << 1 << FRAME_CARTESIAN << typeNew << "x^21 4 65280" << "x^2" << GREEN << "直角坐标系";
  QTest::newRow("empty row, polar frame: user's pen")
      << 19 << FRAME_POLAR << typeNew << "x^20 4 65280" << "x^2" << GREEN << "极坐标系";

  QTestEventList blank;
  blank.addKeyClick(Qt::Key_Space);
  QTest::newRow("a blank is text, not an erased row")
      << 1 << FRAME_CARTESIAN << blank << " 1 4 65280" << " " << GREEN << "直角坐标系";

  QTestEventList typeThenErase;
  typeThenErase.addKeyClicks("ab");
  typeThenErase.addKeyClick(Qt::Key_Backspace);
  typeThenErase.addKeyClick(Qt::Key_Backspace);
  QTest::newRow("typed into an empty row and erased again")
      << 1 << FRAME_CARTESIAN << typeThenErase << "" << "" << GREEN << "直角坐标系";
}

void TestForm2::editsAreWrittenAtOnce() {
  QFETCH(int, row);
  QFETCH(std::int16_t, frameKind);
  QFETCH(QTestEventList, events);
  QFETCH(QString, entry);
  QFETCH(QString, shown);
  QFETCH(std::uint32_t, swatch);
  QFETCH(QString, frameName);

  // State: slots 1 and 3 filled; the user picked width 4 and green.
  FunctionRegistry registry = slotsOneAndThree();
  FakeHost host;
  host.frameKind = frameKind;
  host.userPen.chooseWidth(4);
  host.userPen.chooseColor(GREEN);
  Form2 window(registry, host);
  window.show();

  // Action: the key events on the row's text box.
  events.simulate(window.text1(row));

  // Expected: the slot holds the packed entry; nothing was redrawn.
  const int slot = row + 1;
  QCOMPARE(QString::fromStdString(registry.entryText(slot)), entry);
  QCOMPARE(registry.isEmpty(slot), entry.isEmpty());
  if (!entry.isEmpty()) {
    QCOMPARE(QString::fromStdString(registry.decodeEntry(slot).expression), shown);
    QVERIFY(registry.decodeEntry(slot).width >= 1);
  }
  QCOMPARE(window.text1(row)->text(), shown);
  QCOMPARE(window.swatchColour(row), swatch);
  QCOMPARE(window.label5(row)->text(), frameName);
  QCOMPARE(registry.funcLast(), std::int16_t(3));
  QCOMPARE(host.redraws, 0);
}

void TestForm2::overlongPasteIsRefused() {
  // State: slot 1 holds x. The clipboard holds a text whose bytes exceed what a
  // slot's 16-bit length can count.
  FunctionRegistry registry = slotsOneAndThree();
  FakeHost host;
  Form2 window(registry, host);
  window.show();
  QApplication::clipboard()->setText(QString(20000, QChar(0x03B8)));

  // Action: paste at the end of row 0.
  QTest::keyClick(window.text1(0), Qt::Key_End);
  QTest::keyClick(window.text1(0), Qt::Key_V, Qt::ControlModifier);

  // Expected: the row and the slot are unchanged.
  QCOMPARE(window.text1(0)->text(), QStringLiteral("x"));
  QCOMPARE(registry.entryText(1), std::string("x1 2 255"));
  QCOMPARE(registry.expressionLength(1), 1);
}

void TestForm2::deleteButtons_data() {
  QTest::addColumn<bool>("deleteAll");
  QTest::addColumn<QList<int>>("checkedRows");
  QTest::addColumn<QList<int>>("remainingSlots");

  QTest::newRow("selected: rows 0 and 2") << false << QList<int>{0, 2} << QList<int>{5};
  QTest::newRow("selected: only an empty row ticked") << false << QList<int>{1} << QList<int>{1, 3, 5};
  QTest::newRow("selected: nothing ticked") << false << QList<int>{} << QList<int>{1, 3, 5};
  QTest::newRow("all, whatever is ticked") << true << QList<int>{2} << QList<int>{};
}

void TestForm2::deleteButtons() {
  QFETCH(bool, deleteAll);
  QFETCH(QList<int>, checkedRows);
  QFETCH(QList<int>, remainingSlots);

  // State: slots 1, 3 and 5 filled, slot 5 drawn as the last one.
  FunctionRegistry registry = slotsOneAndThree();
  registry.appendEntry("x^3", '1', 1, 0);
  registry.appendEntry("cos(x)", '1', 3, GREEN);
  registry.clearEntry(4);
  FakeHost host;
  Form2 window(registry, host);
  window.show();
  for (int row : checkedRows) QTest::mouseClick(window.check1(row), Qt::LeftButton);

  // Action
  QTest::mouseClick(deleteAll ? window.command1() : window.command3(), Qt::LeftButton);

  // Expected: deleted rows are blank and white, ticks stay, the ring does not move,
  // nothing is redrawn.
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    const int row = slot - 1;
    const bool remains = remainingSlots.contains(slot);
    QCOMPARE(registry.isEmpty(slot), !remains);
    if (!remains) {
      QCOMPARE(registry.expressionLength(slot), 0);
      QCOMPARE(window.text1(row)->text(), QString());
      QCOMPARE(window.swatchColour(row), WHITE);
      QCOMPARE(window.label5(row)->text(), QString());
    } else {
      QVERIFY(!window.text1(row)->text().isEmpty());
    }
    QCOMPARE(window.check1(row)->isChecked(), checkedRows.contains(row));
  }
  QCOMPARE(registry.funcLast(), std::int16_t(5));
  QCOMPARE(host.redraws, 0);
}

void TestForm2::titleBarCloseUnloadsWithoutRedraw() {
  FunctionRegistry registry = slotsOneAndThree();
  FakeHost host;
  QPointer<Form2> window;
  openFunctionList(window, registry, host, nullptr);

  QVERIFY(window->close());
  deletePending();

  QVERIFY(window.isNull());
  QCOMPARE(host.redraws, 0);
}

void TestForm2::scrollMovesThePanel_data() {
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("panelTop");  // logical pixels inside the viewport
  // top = 120 - 8280 / 32767 * value twips, 15 twips per pixel
  QTest::newRow("rest") << 0 << 8;
  QTest::newRow("middle") << 16384 << -268;
  QTest::newRow("end") << 32767 << -544;
}

void TestForm2::scrollMovesThePanel() {
  QFETCH(int, value);
  QFETCH(int, panelTop);
  FunctionRegistry registry;
  FakeHost host;
  Form2 window(registry, host);
  window.show();

  window.vScroll1()->setValue(value);

  QCOMPARE(window.picture2()->y(), panelTop);
  QCOMPARE(window.picture2()->x(), 8);
  // At the end of the range the last row is wholly inside the viewport.
  if (value == Form2::SCROLL_MAX) {
    const QRect lastRow = window.text1(19)->geometry().translated(window.picture2()->pos());
    QVERIFY(window.picture1()->rect().contains(lastRow));
  }
}

void TestForm2::focusScrollsTheRowIntoView_data() {
  QTest::addColumn<int>("startValue");
  QTest::addColumn<int>("row");
  QTest::newRow("down to the last row") << 0 << 19;
  QTest::newRow("down to row 8") << 0 << 8;
  QTest::newRow("back up to the first row") << Form2::SCROLL_MAX << 0;
  QTest::newRow("visible row does not scroll") << 0 << 2;
}

void TestForm2::focusScrollsTheRowIntoView() {
  QFETCH(int, startValue);
  QFETCH(int, row);
  FunctionRegistry registry;
  FakeHost host;
  Form2 window(registry, host);
  window.show();
  QApplication::setActiveWindow(&window);
  window.vScroll1()->setValue(startValue);

  window.text1(row)->setFocus(Qt::TabFocusReason);

  QVERIFY(window.text1(row)->hasFocus());
  const QRect rowRect = window.text1(row)->geometry().translated(window.picture2()->pos());
  QVERIFY(window.picture1()->rect().contains(rowRect));
  if (row == 2) QCOMPARE(window.vScroll1()->value(), startValue);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
