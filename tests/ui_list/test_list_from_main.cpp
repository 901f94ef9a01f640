// The list window opened from the main window's "函数列表" button, on the real
// canvas: functions drawn in the main window, edited and deleted in the list,
// the picture rebuilt when the list is left.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cmath>
#include <memory>

#include "support/recording_messages.h"
#include "ui/list/form2.h"
#include "ui/main/form1.h"

using norvale::Form1;

namespace {

constexpr std::uint32_t RED = 0x0000FF;
constexpr std::uint32_t GREEN = 0x00C000;
constexpr std::uint32_t BLUE = 0xFF0000;
constexpr std::uint32_t WHITE = 0xFFFFFF;

struct Main {
  Main() {
    Form1::Options options;
    options.screen = QSize(1024, 768);
    options.messages = &messages;
    form = std::make_unique<Form1>(options);
  }

  QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(QString::fromLatin1(name)); }
  // A function typed into the expression field and drawn with Enter, in a pen
  // the user picked.
  void draw(const char* expression, std::int16_t width, std::uint32_t colour) {
    form->pen().chooseWidth(width);
    form->pen().chooseColor(colour);
    auto* field = form->findChild<QLineEdit*>(QStringLiteral("Text1"));
    field->selectAll();
    QTest::keyClicks(field, QString::fromUtf8(expression));
    QTest::keyClick(field, Qt::Key_Return);
  }
  Form2* openList() {
    QTest::mouseClick(button("Command9"), Qt::LeftButton);
    return form->listWindow();
  }
  // Whether a pixel of the colour lies within `radius` pixels of a canvas point.
  bool colourNear(float x, float y, std::uint32_t colour, int radius = 2) {
    CanvasWidget& canvas = form->canvas();
    const QPointF p = canvas.toPixel(x, y);
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (canvas.pixelColorAt(int(std::floor(p.x())) + dx, int(std::floor(p.y())) + dy) == colour) return true;
    return false;
  }

  RecordingMessages messages;
  std::unique_ptr<Form1> form;
};

void deletePending() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class TestListFromMain : public QObject {
  Q_OBJECT

 private slots:
  void listShowsWhatWasDrawnWhenOpened();
  void editDeleteAndExit_data();
  void editDeleteAndExit();
  void mainWindowClosesWithTheListOpen();
};

void TestListFromMain::listShowsWhatWasDrawnWhenOpened() {
  // State: x drawn in red.
  Main main;
  main.draw("x", 2, RED);

  // Action: open the list. Expected: row 0 holds x with its swatch and frame name.
  Form2* list = main.openList();
  QVERIFY(list != nullptr);
  QVERIFY(list->isVisible());
  QCOMPARE(list->windowTitle(), QStringLiteral("函数列表"));
  QCOMPARE(list->text1(0)->text(), QStringLiteral("x"));
  QCOMPARE(list->swatchColour(0), RED);
  QCOMPARE(list->label5(0)->text(), QStringLiteral("直角坐标系"));

  // Action: draw x^2 while the list is open, press the list button again.
  main.draw("x^2", 1, BLUE);
  Form2* again = main.openList();

  // Expected: the same window, not refilled; the new function is in the registry only.
  QCOMPARE(again, list);
  QCOMPARE(again->text1(1)->text(), QString());
  QCOMPARE(main.form->registry().decodeEntry(2).expression, std::string("x^2"));

  // Action: leave by the exit button and open again. Expected: a fresh window with both.
  QTest::mouseClick(again->command2(), Qt::LeftButton);
  deletePending();
  QVERIFY(main.form->listWindow() == nullptr);
  Form2* fresh = main.openList();
  QCOMPARE(fresh->text1(0)->text(), QStringLiteral("x"));
  QCOMPARE(fresh->text1(1)->text(), QStringLiteral("x^2"));
  QCOMPARE(fresh->swatchColour(1), BLUE);
}

void TestListFromMain::editDeleteAndExit_data() {
  QTest::addColumn<QString>("newText");   // typed over row 0 (x, red)
  QTest::addColumn<QString>("notice");    // empty: none
  QTest::addColumn<bool>("staysOpen");
  QTest::addColumn<bool>("onDoubled");    // red where y = 2x
  QTest::addColumn<bool>("onOld");        // red where y = x

  QTest::newRow("x to 2*x") << "2*x" << "" << false << true << false;
  QTest::newRow("unchanged") << "x" << "" << false << false << true;
  QTest::newRow("malformed") << "2*x)" << "第 1个函数函数表达式语法错误！" << true << false << false;
}

void TestListFromMain::editDeleteAndExit() {
  QFETCH(QString, newText);
  QFETCH(QString, notice);
  QFETCH(bool, staysOpen);
  QFETCH(bool, onDoubled);
  QFETCH(bool, onOld);

  // State: three functions drawn (slots 1 to 3); in the list the user ticks
  // row 1 and deletes it, so slots 1 and 3 remain; the user's pen is now width 5, blue.
  Main main;
  main.draw("x", 3, RED);
  main.draw("x+3", 2, GREEN);
  main.draw("-x-3", 4, GREEN);
  main.form->pen().chooseWidth(5);
  main.form->pen().chooseColor(BLUE);
  QPointer<Form2> list = main.openList();
  QTest::mouseClick(list->check1(1), Qt::LeftButton);
  QTest::mouseClick(list->command3(), Qt::LeftButton);
  QVERIFY(main.form->registry().isEmpty(2));
  QCOMPARE(list->text1(2)->text(), QStringLiteral("-x-3"));
  // The deleted curve stays on the canvas until the list is left.
  QVERIFY(main.colourNear(1, 4, GREEN));

  // Action: row 0 retyped, then the exit button.
  list->text1(0)->selectAll();
  QTest::keyClicks(list->text1(0), newText);
  QTest::mouseClick(list->command2(), Qt::LeftButton);
  deletePending();

  // Expected: the notice (or none), the window open only on a malformed entry,
  // the picture rebuilt from slots 1 and 3, the user's pen back.
  QCOMPARE(main.messages.count(), notice.isEmpty() ? std::size_t(0) : std::size_t(1));
  if (!notice.isEmpty()) QCOMPARE(QString::fromStdString(main.messages.last().text), notice);
  QCOMPARE(!list.isNull(), staysOpen);
  QCOMPARE(main.colourNear(1.5f, 3, RED), onDoubled);
  QCOMPARE(main.colourNear(3, 3, RED), onOld);
  QVERIFY(!main.colourNear(1, 4, GREEN));             // deleted x+3 is gone
  QCOMPARE(main.colourNear(-4, 1, GREEN), !staysOpen); // -x-3, after slot 1
  QVERIFY(main.colourNear(2.5f, 2.5f, WHITE, 0) || onOld);
  QCOMPARE(main.form->pen().lwidth, std::int16_t(5));
  QCOMPARE(main.form->pen().lcolor, BLUE);
}

void TestListFromMain::mainWindowClosesWithTheListOpen() {
  // State: the list is open and has a row being edited. Action: the main window goes.
  // Expected: the list goes with it, before the registry it edits.
  auto main = std::make_unique<Main>();
  main->draw("x", 1, RED);
  QPointer<Form2> list = main->openList();
  QTest::keyClicks(list->text1(0), "+1");
  main.reset();
  QVERIFY(list.isNull());
}

QTEST_MAIN(TestListFromMain)
#include "test_list_from_main.moc"
