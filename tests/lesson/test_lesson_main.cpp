// Lessons and the undo history in the main window and the list window, on
// the real canvas: a saved lesson opened in a fresh window redraws alike,
// a bad file changes nothing, and every kind of list change is undone and
// redone, by the keys as the user presses them.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <memory>

#include "bad_lessons.h"
#include "lesson/lesson_file.h"
#include "support/recording_messages.h"
#include "ui/list/form2.h"
#include "ui/main/form1.h"

using norvale::Form1;

namespace {

constexpr std::uint32_t RED = 0x0000FF;
constexpr std::uint32_t GREEN = 0x00C000;
constexpr std::uint32_t BLUE = 0xFF0000;

struct Main {
  Main() {
    Form1::Options options;
    options.screen = QSize(1024, 768);
    options.messages = &messages;
    form = std::make_unique<Form1>(options);
    form->canvas().setAntialiased(false);  // the pixel counts look for the exact pen colours
  }

  QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(QString::fromLatin1(name)); }
  QLineEdit* field(const char* name) const { return form->findChild<QLineEdit*>(QString::fromLatin1(name)); }
  void draw(const QString& expression, std::int16_t width = 1, std::uint32_t colour = 0) {
    form->pen().chooseWidth(width);
    form->pen().chooseColor(colour);
    field("Text1")->setText(expression);
    form->drawCommand();
  }
  Form2* openList() {
    QTest::mouseClick(button("Command9"), Qt::LeftButton);
    return form->listWindow();
  }
  int pixelsOf(std::uint32_t colour) {
    const QImage& image = form->canvas().image();
    const QRgb wanted = qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                             static_cast<int>((colour >> 16) & 0xFF));
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF);
    return count;
  }

  RecordingMessages messages;
  std::unique_ptr<Form1> form;
};

// Everything of the scene a lesson or a refused file could change.
struct Scene {
  explicit Scene(Main& m)
      : registry(m.form->registry()),
        view(m.form->view()),
        pen(m.form->pen()),
        precision(m.field("Text2")->text()),
        frameCaption(m.button("Command1")->text()),
        image(m.form->canvas().image()),
        undoSteps(m.form->history().undoSteps()) {}
  FunctionRegistry registry;
  ViewState view;
  Pen pen;
  QString precision;
  QString frameCaption;
  QImage image;
  std::size_t undoSteps;
};

void compareScenes(const Scene& a, const Scene& b) {
  QVERIFY(a.registry == b.registry);
  QCOMPARE(a.view.unitLength, b.view.unitLength);
  QCOMPARE(a.view.markerLeft, b.view.markerLeft);
  QCOMPARE(a.view.markerTop, b.view.markerTop);
  QCOMPARE(a.view.frameKind, b.view.frameKind);
  QCOMPARE(a.pen.lwidthUser, b.pen.lwidthUser);
  QCOMPARE(a.pen.lcolorUser, b.pen.lcolorUser);
  QCOMPARE(a.precision, b.precision);
  QCOMPARE(a.frameCaption, b.frameCaption);
  QVERIFY(a.image == b.image);
}

lesson::Lesson viewLesson(double originX, double originY, double unit) {
  lesson::Lesson lesson;
  lesson.originX = originX;
  lesson.originY = originY;
  lesson.unit = unit;
  return lesson;
}

// The rows of an open list window show the registry.
void compareRowsWithRegistry(Form2* list, const FunctionRegistry& registry) {
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    const QString shown = list->text1(slot - 1)->text();
    QCOMPARE(shown, QString::fromStdString(registry.decodeEntry(slot).expression));
  }
}

}  // namespace

class TestLessonMain : public QObject {
  Q_OBJECT

 private slots:
  void savedLessonOpensAlikeInAFreshWindow_data();
  void savedLessonOpensAlikeInAFreshWindow();
  void badFileChangesNothing_data();
  void badFileChangesNothing();
  void undoRedoAcrossEveryKindOfChange();
  void undoBringsBackTheFunctionTheRingPushedOut();
  void undoReachesBackFiftyStepsAndMore();
  void droppedLessonOpens();
  void listWindowHasLessonButtons();
};

void TestLessonMain::savedLessonOpensAlikeInAFreshWindow_data() {
  QTest::addColumn<int>("cartesianDraws");
  QTest::addColumn<int>("polarDraws");
  QTest::addColumn<QList<int>>("deleted");
  QTest::newRow("empty list, moved view") << 0 << 0 << QList<int>{};
  QTest::newRow("partly empty, both frames") << 3 << 2 << QList<int>{2, 4};
  QTest::newRow("full ring, wrapped") << 16 << 8 << QList<int>{};
}

// State: a window with a moved origin, a smaller unit, some functions in
// both frames, some deleted, a precision and a pen. Action: save; open the
// file in a fresh window. Expected: the same registry slot by slot, the same
// view, pen, precision and frame, and the same picture as the first
// window's own redraw.
void TestLessonMain::savedLessonOpensAlikeInAFreshWindow() {
  QFETCH(int, cartesianDraws);
  QFETCH(int, polarDraws);
  QFETCH(QList<int>, deleted);
  Main first;
  first.form->replaceWithLesson(viewLesson(1.5, -2.0, 0.5));
  for (int i = 0; i < cartesianDraws; ++i)
    first.draw(QStringLiteral("sin(x)+%1").arg(i - 4), static_cast<std::int16_t>(1 + i % 6), i % 2 ? RED : GREEN);
  first.form->toggleFrame();
  for (int i = 0; i < polarDraws; ++i) first.draw(QStringLiteral("%1+e/3").arg(i + 1), 2, BLUE);
  for (int slot : deleted) first.form->registry().clearEntry(slot);
  first.field("Text2")->setText(QStringLiteral("0.05"));
  first.form->pen().chooseWidth(5);
  first.form->pen().chooseColor(GREEN);

  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("lesson.norvale"));
  QVERIFY(first.form->saveLessonFile(path));
  QVERIFY(first.messages.empty());
  first.form->redrawScene(ReplotMessages::ListClose, first.messages);

  Main second;
  QVERIFY(second.form->openLessonFile(path));
  QVERIFY(second.messages.empty());
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot)
    QCOMPARE(second.form->registry().entryText(slot), first.form->registry().entryText(slot));
  compareScenes(Scene(second), Scene(first));
}

void TestLessonMain::badFileChangesNothing_data() {
  QTest::addColumn<int>("index");
  const std::vector<bad_lessons::BadFile> files = bad_lessons::table();
  for (std::size_t i = 0; i < files.size(); ++i) QTest::newRow(files[i].name) << static_cast<int>(i);
}

// State: a scene with functions in the polar frame, a chosen pen and
// precision. Action: open a bad file. Expected: one warning naming the file
// and what is wrong; the scene, the picture and the history as they were.
void TestLessonMain::badFileChangesNothing() {
  QFETCH(int, index);
  const bad_lessons::BadFile file = bad_lessons::table().at(static_cast<std::size_t>(index));
  Main m;
  m.draw(QStringLiteral("x^2/4"), 3, RED);
  m.form->toggleFrame();
  m.draw(QStringLiteral("2"), 2, BLUE);
  m.field("Text2")->setText(QStringLiteral("0.2"));
  m.messages.clear();
  const Scene before(m);

  QTemporaryDir folder;
  const QString path = bad_lessons::materialise(folder, file);
  QVERIFY(!m.form->openLessonFile(path));
  QCOMPARE(m.messages.count(), std::size_t{1});
  const QString text = QString::fromStdString(m.messages.last().text);
  QVERIFY2(text.contains(file.expected), qPrintable(text));
  QVERIFY(text.contains(QStringLiteral("bad.norvale")));
  QVERIFY(text.contains(QStringLiteral("没有改变")));
  QCOMPARE(m.messages.last().icon, MessageIcon::Warning);
  compareScenes(Scene(m), before);
}

// State: an active main window. Action: draw, draw, edit a row in the list,
// delete a ticked row, draw, "全部删除", open a lesson; then Ctrl+Z in the
// main window's expression field six times and Ctrl+Y in a list row six
// times. Expected: each key goes back (or forward) exactly one change, the
// list rows follow and the canvas is redrawn from the restored list.
void TestLessonMain::undoRedoAcrossEveryKindOfChange() {
  Main m;
  m.form->show();
  QVERIFY(QTest::qWaitForWindowActive(m.form.get()));
  std::vector<FunctionRegistry> states{m.form->registry()};
  auto remember = [&] { states.push_back(m.form->registry()); };

  m.draw(QStringLiteral("x"), 2, RED);
  remember();
  m.draw(QStringLiteral("x/2-1"), 2, GREEN);
  remember();
  Form2* list = m.openList();
  QVERIFY(list != nullptr);
  QVERIFY(QTest::qWaitForWindowActive(list));
  QLineEdit* row0 = list->text1(0);
  row0->setFocus();
  row0->end(false);
  QTest::keyClicks(row0, QStringLiteral("+1"));  // two keystrokes, one step
  QCOMPARE(m.form->registry().decodeEntry(1).expression, std::string("x+1"));
  remember();
  list->check1(1)->setChecked(true);
  QTest::mouseClick(list->command3(), Qt::LeftButton);
  remember();
  m.draw(QStringLiteral("3"), 1, BLUE);
  remember();
  QTest::mouseClick(list->command1(), Qt::LeftButton);
  remember();
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("l.norvale"));
  QCOMPARE(lesson::writeLessonFile(path, bad_lessons::validLesson()), QString());
  QVERIFY(m.form->openLessonFile(path));
  remember();
  QCOMPARE(m.form->history().undoSteps(), states.size() - 1);
  compareRowsWithRegistry(list, m.form->registry());

  m.form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(m.form.get()));
  QLineEdit* expression = m.field("Text1");
  expression->setFocus();
  for (std::size_t k = states.size() - 1; k > 0; --k) {
    QTest::keyClick(expression, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY2(m.form->registry() == states[k - 1], qPrintable(QStringLiteral("after undo to state %1").arg(k - 1)));
    compareRowsWithRegistry(list, m.form->registry());
  }
  QCOMPARE(expression->text(), QStringLiteral("3"));  // the field's own typing is not undone
  QCOMPARE(m.pixelsOf(RED), 0);
  QCOMPARE(m.pixelsOf(GREEN), 0);
  QTest::keyClick(expression, Qt::Key_Z, Qt::ControlModifier);  // nothing left: nothing changes
  QVERIFY(m.form->registry() == states[0]);

  list->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(list));
  list->text1(5)->setFocus();
  for (std::size_t k = 1; k < states.size(); ++k) {
    QTest::keyClick(list->text1(5), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY2(m.form->registry() == states[k], qPrintable(QStringLiteral("after redo to state %1").arg(k)));
    compareRowsWithRegistry(list, m.form->registry());
  }
  // Back to two drawn lines: the canvas shows them again.
  for (int k = 0; k < 5; ++k) QTest::keyClick(list->text1(5), Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(m.form->registry() == states[2]);
  QVERIFY(m.pixelsOf(RED) > 0);
  QVERIFY(m.pixelsOf(GREEN) > 0);
  // A new change forgets what could have been redone.
  m.draw(QStringLiteral("x*x"), 1, BLUE);
  QVERIFY(!m.form->history().canRedo());
}

void TestLessonMain::undoBringsBackTheFunctionTheRingPushedOut() {
  Main m;
  for (int i = 1; i <= 20; ++i) m.draw(QStringLiteral("x+%1").arg(i));
  const FunctionRegistry full = m.form->registry();
  m.draw(QStringLiteral("x-21"));
  QCOMPARE(m.form->registry().decodeEntry(1).expression, std::string("x-21"));
  QCOMPARE(m.form->registry().funcLast(), std::int16_t{1});
  m.form->undoListChange();
  QVERIFY(m.form->registry() == full);
  QCOMPARE(m.form->registry().decodeEntry(1).expression, std::string("x+1"));
  QCOMPARE(m.form->registry().funcLast(), std::int16_t{20});
  m.form->redoListChange();
  QCOMPARE(m.form->registry().decodeEntry(1).expression, std::string("x-21"));
}

void TestLessonMain::undoReachesBackFiftyStepsAndMore() {
  Main m;
  std::vector<FunctionRegistry> states{m.form->registry()};
  for (int i = 0; i < 60; ++i) {
    m.draw(QStringLiteral("x/%1").arg(i + 1));
    states.push_back(m.form->registry());
  }
  for (int k = 59; k >= 0; --k) {
    m.form->undoListChange();
    QVERIFY(m.form->registry() == states[static_cast<std::size_t>(k)]);
  }
  QVERIFY(!m.form->history().canUndo());
}

void TestLessonMain::droppedLessonOpens() {
  Main m;
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("dropped.norvale"));
  QCOMPARE(lesson::writeLessonFile(path, bad_lessons::validLesson()), QString());
  const QString other = folder.filePath(QStringLiteral("picture.bmp"));
  for (const QString& file : {other, path}) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m.form.get(), &enter);
    QCOMPARE(enter.isAccepted(), file == path);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m.form.get(), &drop);
  }
  QCOMPARE(m.form->registry().decodeEntry(1).expression, std::string("sin(x)"));
  QCOMPARE(m.form->registry().decodeEntry(4).expression, std::string("2*e"));
  QVERIFY(m.messages.empty());
}

void TestLessonMain::listWindowHasLessonButtons() {
  Main m;
  Form2* list = m.openList();
  QCOMPARE(list->command4()->text(), QStringLiteral("打开…"));
  QCOMPARE(list->command5()->text(), QStringLiteral("保存…"));
  QCOMPARE(list->command4()->objectName(), QStringLiteral("Command4"));
  // Reachable by the keyboard, after the row fields.
  QVERIFY(list->command4()->focusPolicy() & Qt::TabFocus);
  QVERIFY(list->command5()->focusPolicy() & Qt::TabFocus);
}

QTEST_MAIN(TestLessonMain)
#include "test_lesson_main.moc"
