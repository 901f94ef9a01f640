// A seeded monkey on the whole program: random and hostile input across the
// main window, the function-list window and the save-as window. It types into
// every field, presses every button, drags on and off the markers and beyond
// the canvas edges, toggles the frame, deletes functions, exports with and
// without a selection and saves to unwritable targets under invalid names.
//
// After every action it checks what must always hold:
//  - no modal dialog (every notice goes to the recorder);
//  - the registry is well formed: at most 20 entries, each with a non-empty
//    expression of the recorded length, frame "1" or "0", width 1 to 6;
//  - 0 < unitLength <= 15, the origin and the canvas edges finite;
//  - the pen is the user's choice (no redraw is running between actions),
//    with a width of 1 to 6;
//  - in the save folders no file is half-written: every file is either one
//    planted there by the test, unchanged, or a complete bitmap.
// A failure names the seed, the action number and the last actions.
//
// Environment: NORVALE_MONKEY_SEED=<n> runs that seed only and
// NORVALE_MONKEY_EVENTS=<n> sets the number of events per seed.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <deque>

#include "engine/engine.h"
#include "support/recording_messages.h"
#include "ui/export/export_format.h"
#include "ui/export/saveform.h"
#include "ui/list/form2.h"
#include "ui/main/form1.h"
#include "ui/main/pen_boards.h"

using norvale::Form1;

namespace {

const QByteArray PLANTED = "planted by the test, never to be replaced";

// ---- texts ------------------------------------------------------------------

const char* const EXPRESSION_PIECES[] = {
    "x", "X", "e", "E", "1", "2", "0", ".5", "10", "1E5", "1E-05", "3E38", "1000000", "+", "-", "*", "/", "\\", "^",
    "%", "(", ")", " ", "sin(", "cos(", "tg(", "ctg(", "lg(", "ln(", "sqr(", "abs(", "exp(", "rnd(", "arcsin(",
    "arccos(", "arctg(", "arcctg(", "pi", ",", "|", "中", "∞", "\t"};

const char* const NUMBER_TEXTS[] = {"0.1", ".05", "0.5", "0.99", "0.02", "1", "0", "-0.3", "abc", "", " ", "1E5",
                                    "-1E39", "1E39", "nan", "inf", "0.0.1", "..", "-", "+.2", "2e", "３", "0.1abc"};

const char* const FILE_NAMES[] = {"norvale01.bmp", "a.bmp", "graph", "ro.bmp", "dir.bmp", "", ".", "..",
                                  "../escape.bmp", "/tmp/abs.bmp", "名字.bmp", "a\\b.bmp", " ", "*?.bmp",
                                  "con", "a:b.bmp", "\t.bmp", "new.png", "sheet.SVG", "sheet.pdf", "photo.jpg"};

QString hostileExpression(QRandomGenerator& rng) {
  switch (rng.bounded(8)) {
    case 0: return QString(20000, QLatin1Char('('));
    case 1: return QStringLiteral("(").repeated(3000) + QStringLiteral("x") + QStringLiteral(")").repeated(3000);
    case 2: return QStringLiteral("x+").repeated(16383) + QStringLiteral("x");  // beyond 32767 bytes
    case 3: return QStringLiteral("sin(x)").repeated(rng.bounded(1, 6000));
    case 4: return QString::fromUtf8("😀∑√ｘ²");
    case 5: return QString(QChar(0)) + QStringLiteral("x");
    case 6: return QStringLiteral("1000000*1000000");
    default: return QStringLiteral("%s%n%x");
  }
}

// Functions that draw, so the list fills up and every redraw has work.
const char* const GOOD_EXPRESSIONS[] = {"sin(x)", "x^2", "1/x", "sqr(x)", "tg(x)", "e", "2*cos(3*e)", "rnd(x)*2",
                                        "x*rnd(1)", "ln(abs(x))", "exp(x)", "arcsin(x)", "-x^3+x", "1+e/10", "abs(x)-1"};

QString randomExpression(QRandomGenerator& rng) {
  if (rng.bounded(12) == 0) return hostileExpression(rng);
  if (rng.bounded(2) == 0) return QString::fromUtf8(GOOD_EXPRESSIONS[rng.bounded(int(std::size(GOOD_EXPRESSIONS)))]);
  QString text;
  const int pieces = rng.bounded(1, 10);
  for (int i = 0; i < pieces; ++i)
    text += QString::fromUtf8(EXPRESSION_PIECES[rng.bounded(int(std::size(EXPRESSION_PIECES)))]);
  return text;
}

// ---- the monkey --------------------------------------------------------------

class Monkey {
 public:
  Monkey(Form1& form, quint32 seed, const QString& sandbox) : form_(form), rng_(seed), sandbox_(sandbox) {}

  void step();
  qint64 events() const { return events_; }
  QString recentActions() const {
    QStringList lines(recent_.begin(), recent_.end());
    return lines.join(QLatin1Char('\n'));
  }

  // What the run reached, for the closing figures.
  int listOpened = 0, saveOpened = 0, savesTried = 0, originDrags = 0, unitDrags = 0, selections = 0;
  int originMoved = 0, unitChanged = 0, mostEntries = 0;
  int exportsWithSelection = 0, exportsWhole = 0;
  bool wroteFiles = false;  // the last action may have written a file

 private:
  void note(const QString& action) {
    recent_.push_back(action);
    if (recent_.size() > 12) recent_.pop_front();
  }
  template <typename T>
  T* child(const char* name) const { return form_.findChild<T*>(QLatin1String(name)); }
  Form2* listWindow() const;
  SaveForm* saveWindow() const;

  void typeInto(QLineEdit* field, const QString& text, bool replace);
  void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
    ++events_;
  }

  void mainFields();
  void mainButtons();
  void canvasGesture();
  void penBoards();
  void listActions();
  void saveActions();
  void fileSystemChange();

  Form1& form_;
  QRandomGenerator rng_;
  QString sandbox_;
  qint64 events_ = 0;
  std::deque<QString> recent_;
};

Form2* Monkey::listWindow() const {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* list = qobject_cast<Form2*>(w); list && list->isVisible()) return list;
  return nullptr;
}

SaveForm* Monkey::saveWindow() const {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* save = qobject_cast<SaveForm*>(w); save && save->isVisible()) return save;
  return nullptr;
}

void Monkey::typeInto(QLineEdit* field, const QString& text, bool replace) {
  if (!field || !field->isEnabled()) return;
  if (replace) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    ++events_;
  }
  if (text.size() > 40) {
    field->insert(text);  // a paste
    ++events_;
  } else {
    // QTest types Latin-1 only; other characters arrive as a key event that
    // carries the text, as an input method delivers them.
    for (const QChar c : text) {
      if (c.unicode() > 0 && c.unicode() < 0x7F) {
        QTest::keyClick(field, c.toLatin1());
      } else {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QApplication::sendEvent(field, &release);
      }
      ++events_;
    }
  }
}

void Monkey::mainFields() {
  auto* text1 = child<QLineEdit>("Text1");
  auto* text2 = child<QLineEdit>("Text2");
  auto* text3 = child<QLineEdit>("Text3");
  switch (rng_.bounded(6)) {
    case 0:
    case 1: {
      const QString expression = randomExpression(rng_);
      note(QStringLiteral("Text1 <- \"%1\"%2, Enter").arg(expression.left(60)).arg(expression.size() > 60 ? "..." : ""));
      typeInto(text1, expression, rng_.bounded(3) != 0);
      QTest::keyClick(text1, Qt::Key_Return);
      ++events_;
      break;
    }
    case 2: {
      // The precision: any text, then the field loses the focus. Precisions
      // finer than 0.01 make every drag redraw thousands of samples per
      // function; they are typed, corrected and drawn with, but not kept.
      const QString value = QString::fromUtf8(NUMBER_TEXTS[rng_.bounded(int(std::size(NUMBER_TEXTS)))]);
      note(QStringLiteral("Text2 <- \"%1\", focus out").arg(value));
      typeInto(text2, value, rng_.bounded(4) != 0);
      QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
      QApplication::sendEvent(text2, &out);
      ++events_;
      if (form_.precision() < 0.01f) {
        text2->setText(QStringLiteral("0.1"));
        ++events_;
      }
      break;
    }
    case 3: {
      const QString value = QString::fromUtf8(NUMBER_TEXTS[rng_.bounded(int(std::size(NUMBER_TEXTS)))]);
      note(QStringLiteral("Text3 <- \"%1\", focus out, 描点").arg(value));
      typeInto(text3, value, rng_.bounded(4) != 0);
      QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
      QApplication::sendEvent(text3, &out);
      ++events_;
      click(child<QPushButton>("Command8"));
      break;
    }
    case 4: {
      static const int keys[] = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Home, Qt::Key_End, Qt::Key_Left,
                                 Qt::Key_Return, Qt::Key_Tab, Qt::Key_Escape};
      QLineEdit* fields[] = {text1, text2, text3};
      QLineEdit* field = fields[rng_.bounded(3)];
      const int key = keys[rng_.bounded(int(std::size(keys)))];
      note(QStringLiteral("key %1 in %2").arg(key, 0, 16).arg(field->objectName()));
      QTest::keyClick(field, Qt::Key(key));
      ++events_;
      break;
    }
    default:
      note(QStringLiteral("F1"));
      QTest::keyClick(&form_, Qt::Key_F1);
      ++events_;
      break;
  }
}

void Monkey::mainButtons() {
  // Command5 (exit) asks the event loop to end; the test runs none, so it is
  // pressed like the others and must change nothing.
  static const char* const buttons[] = {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6",
                                        "Command7", "Command8", "Command9", "Command10", "Command3", "Command1",
                                        "Command6", "Command9", "Command4"};
  const char* name = buttons[rng_.bounded(int(std::size(buttons)))];
  note(QStringLiteral("click %1").arg(QLatin1String(name)));
  const bool hadList = listWindow() != nullptr;
  const bool hadSave = saveWindow() != nullptr;
  wroteFiles = QLatin1String(name) == QLatin1String("Command6");
  if (wroteFiles) ++(form_.selShown() ? exportsWithSelection : exportsWhole);
  click(child<QPushButton>(name));
  if (!hadList && listWindow()) ++listOpened;
  if (!hadSave && saveWindow()) ++saveOpened;
}

void Monkey::canvasGesture() {
  CanvasWidget& canvas = form_.canvas();
  const double w = canvas.width();
  const double h = canvas.height();
  auto anywhere = [&]() {
    // Mostly on the canvas, now and then far beyond its edges.
    const double spread = rng_.bounded(5) == 0 ? 3.0 : 1.0;
    return QPoint(int((rng_.generateDouble() * spread - (spread - 1) / 2) * w),
                  int((rng_.generateDouble() * spread - (spread - 1) / 2) * h));
  };
  const CanvasWidget::Marker origin = canvas.marker(1);
  const CanvasWidget::Marker unit = canvas.marker(2);
  const float half = CanvasWidget::MARKER_SIZE / 2;
  QPoint start;
  Qt::MouseButton button = Qt::LeftButton;
  QString what;
  switch (rng_.bounded(6)) {
    case 0:
      start = canvas.toPixel(origin.left + half, origin.top - half).toPoint();
      what = QStringLiteral("drag the origin marker");
      ++originDrags;
      break;
    case 1:
      start = canvas.toPixel(unit.left + half, unit.top - half).toPoint();
      what = QStringLiteral("drag the unit marker");
      ++unitDrags;
      break;
    case 2:
      // Next to a marker's edge: on it or just off it.
      start = canvas.toPixel(origin.left + half + (rng_.generateDouble() - 0.5) * 0.5,
                             origin.top - half + (rng_.generateDouble() - 0.5) * 0.5).toPoint();
      what = QStringLiteral("drag near the origin marker");
      break;
    case 3:
      start = anywhere();
      button = Qt::RightButton;
      what = QStringLiteral("hold the right button");
      break;
    case 4:
      start = anywhere();
      what = QStringLiteral("select a rectangle");
      ++selections;
      break;
    default:
      start = anywhere();
      button = rng_.bounded(2) ? Qt::MiddleButton : Qt::NoButton;
      what = QStringLiteral("wander");
      break;
  }
  const int moves = rng_.bounded(1, 8);
  note(QStringLiteral("%1 from (%2, %3), %4 moves").arg(what).arg(start.x()).arg(start.y()).arg(moves));
  if (button != Qt::NoButton) {
    QTest::mousePress(&canvas, button, Qt::NoModifier, start);
    ++events_;
  }
  for (int i = 0; i < moves; ++i) {
    QTest::mouseMove(&canvas, anywhere());
    ++events_;
  }
  if (button != Qt::NoButton) {
    QTest::mouseRelease(&canvas, button, Qt::NoModifier, anywhere());
    ++events_;
  }
  if (canvas.marker(1).left != origin.left || canvas.marker(1).top != origin.top) ++originMoved;
  if (canvas.marker(2).left - canvas.marker(1).left != unit.left - origin.left) ++unitChanged;
}

void Monkey::penBoards() {
  if (rng_.bounded(2)) {
    click(child<QPushButton>("Command2"));
    auto* board = form_.findChild<norvale::WidthBoard*>();
    if (!board || !board->isVisible()) return;
    if (rng_.bounded(5) == 0) {
      note(QStringLiteral("width board: click beside the samples"));
      QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier,
                        QPoint(rng_.bounded(board->width() + 1), rng_.bounded(board->height() + 1)));
    } else {
      const int width = rng_.bounded(1, 7);
      note(QStringLiteral("width board: %1").arg(width));
      QTest::mouseClick(board->target(width), Qt::LeftButton);
    }
    ++events_;
  } else {
    click(child<QPushButton>("Command7"));
    auto* board = form_.findChild<norvale::ColourBoard*>();
    if (!board || !board->isVisible()) return;
    const QPoint at(rng_.bounded(board->width() + 1), rng_.bounded(board->height() + 1));
    note(QStringLiteral("colour board at (%1, %2)").arg(at.x()).arg(at.y()));
    QTest::mouseClick(board, rng_.bounded(4) ? Qt::LeftButton : Qt::RightButton, Qt::NoModifier, at);
    ++events_;
  }
}

void Monkey::listActions() {
  Form2* list = listWindow();
  if (!list) {
    note(QStringLiteral("click Command9"));
    click(child<QPushButton>("Command9"));
    if (listWindow()) ++listOpened;
    return;
  }
  const int row = rng_.bounded(Form2::ROW_COUNT);
  switch (rng_.bounded(9)) {
    case 0:
    case 1:
    case 2: {
      const QString text = rng_.bounded(4) == 0 ? QString() : randomExpression(rng_);
      note(QStringLiteral("list row %1 <- \"%2\"").arg(row).arg(text.left(60)));
      list->vScroll1()->setValue(rng_.bounded(Form2::SCROLL_MAX + 1));
      typeInto(list->text1(row), text, rng_.bounded(2) != 0);
      break;
    }
    case 3:
      note(QStringLiteral("list tick row %1").arg(row));
      click(list->check1(row));
      break;
    case 4:
      note(QStringLiteral("list scroll"));
      list->vScroll1()->setValue(rng_.bounded(Form2::SCROLL_MAX + 1));
      ++events_;
      break;
    case 5:
      note(QStringLiteral("list: delete selected"));
      click(list->command1());
      break;
    case 6:
      note(QStringLiteral("list: delete all"));
      if (rng_.bounded(3) == 0) click(list->command2());
      break;
    case 7:
      note(QStringLiteral("list: exit"));
      click(list->command3());
      break;
    default:
      note(QStringLiteral("list: close the window"));
      list->close();
      ++events_;
      break;
  }
}

void Monkey::saveActions() {
  SaveForm* save = saveWindow();
  if (!save) {
    note(QStringLiteral("click Command6"));
    wroteFiles = true;
    ++(form_.selShown() ? exportsWithSelection : exportsWhole);
    click(child<QPushButton>("Command6"));
    if (saveWindow()) ++saveOpened;
    return;
  }
  switch (rng_.bounded(8)) {
    case 0:
    case 1: {
      const QString name = rng_.bounded(10) == 0 ? QString(300, QLatin1Char('n'))
                                                 : QString::fromUtf8(FILE_NAMES[rng_.bounded(int(std::size(FILE_NAMES)))]);
      note(QStringLiteral("save name <- \"%1\"").arg(name.left(40)));
      typeInto(save->Text1, name, true);
      break;
    }
    case 2: {
      // Folders the user could reach: the writable one, one that comes and
      // goes, one through a file, a read-only file system.
      static const char* const folders[] = {"ok", "ok", "vanishing", "plainfile/sub", "/proc"};
      const QString f = QString::fromUtf8(folders[rng_.bounded(int(std::size(folders)))]);
      const QString path = f.startsWith(QLatin1Char('/')) ? f : sandbox_ + QLatin1Char('/') + f;
      note(QStringLiteral("save folder <- %1").arg(path));
      save->chooseFolder(path);
      ++events_;
      break;
    }
    case 3:
      note(QStringLiteral("save: file type"));
      save->combo1->setCurrentIndex(rng_.bounded(std::max(1, save->combo1->count())));
      ++events_;
      break;
    case 4: {
      // The folder list wanders only inside the test's folders, whose
      // contents do not depend on the machine, so a seed replays alike; a
      // drive change leaves them, and the next folder action comes back.
      // Every choice draws its random numbers whatever the lists hold.
      const quint32 row = rng_.generate();
      const bool nextDrive = rng_.bounded(4) == 0;
      const bool down = rng_.bounded(2) != 0;
      if (!save->folder().startsWith(sandbox_)) {
        note(QStringLiteral("save: back to the test's folder"));
        save->chooseFolder(sandbox_ + QStringLiteral("/ok"));
        ++events_;
      } else if (save->Dir1->count() > 0) {
        save->Dir1->setCurrentRow(int(row % quint32(save->Dir1->count())));
        note(QStringLiteral("save: open folder %1").arg(save->Dir1->currentItem()->text()));
        QTest::keyClick(save->Dir1, Qt::Key_Return);
        ++events_;
      }
      if (nextDrive) {
        note(QStringLiteral("save: next drive"));
        QTest::keyClick(save->Drive1, down ? Qt::Key_Down : Qt::Key_Up);
        ++events_;
      }
      break;
    }
    case 5:
      if (const quint32 pick = rng_.generate(); save->File1->count() > 0) {
        const int i = int(pick % quint32(save->File1->count()));
        note(QStringLiteral("save: pick file %1").arg(i));
        QTest::mouseClick(save->File1->viewport(), Qt::LeftButton, Qt::NoModifier,
                          save->File1->visualItemRect(save->File1->item(i)).center());
        ++events_;
      }
      break;
    case 6: {
      // Only into the test's own folders: the lists may have wandered off.
      const QString target = save->targetFolder();
      if (!(target.startsWith(sandbox_) || target == QLatin1String("/proc"))) {
        save->chooseFolder(sandbox_ + QStringLiteral("/ok"));
        ++events_;
      }
      note(QStringLiteral("save \"%1\" into %2").arg(save->Text1->text().left(40), save->targetFolder()));
      ++savesTried;
      wroteFiles = true;
      click(save->Command1);
      break;
    }
    default:
      note(QStringLiteral("save: cancel"));
      click(save->Command2);
      break;
  }
}

void Monkey::fileSystemChange() {
  const QString vanishing = sandbox_ + QStringLiteral("/vanishing");
  if (QFileInfo::exists(vanishing)) {
    note(QStringLiteral("remove the folder vanishing"));
    QDir(vanishing).removeRecursively();
  } else {
    note(QStringLiteral("create the folder vanishing"));
    QDir().mkpath(vanishing);
  }
}

void Monkey::step() {
  wroteFiles = false;
  const int pick = rng_.bounded(100);
  if (pick < 22) mainFields();
  else if (pick < 40) mainButtons();
  else if (pick < 68) canvasGesture();
  else if (pick < 74) penBoards();
  else if (pick < 86) listActions();
  else if (pick < 98) saveActions();
  else fileSystemChange();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  int entries = 0;
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) entries += form_.registry().isEmpty(slot) ? 0 : 1;
  mostEntries = std::max(mostEntries, entries);
}

// ---- invariants ------------------------------------------------------------------

QString registryProblem(const FunctionRegistry& registry) {
  if (registry.funcLast() < 0 || registry.funcLast() > FunctionRegistry::SLOT_COUNT)
    return QStringLiteral("funcLast %1").arg(registry.funcLast());
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    if (registry.isEmpty(slot)) continue;
    const DecodedEntry e = registry.decodeEntry(slot);
    if (e.expression.empty()) return QStringLiteral("slot %1 holds an empty expression").arg(slot);
    if (registry.expressionLength(slot) != static_cast<std::int32_t>(e.expression.size()))
      return QStringLiteral("slot %1: length %2 for %3 bytes").arg(slot).arg(registry.expressionLength(slot)).arg(e.expression.size());
    if (e.frameCharacter != "1" && e.frameCharacter != "0")
      return QStringLiteral("slot %1: frame \"%2\"").arg(slot).arg(QString::fromStdString(e.frameCharacter));
    if (e.width < 1 || e.width > 6) return QStringLiteral("slot %1: width %2").arg(slot).arg(e.width);
  }
  return {};
}

// Every file under folder is planted and unchanged, or a complete file of the
// format its name asks for (a bitmap: its header's size is the file's size
// and it loads).
QString filesProblem(const QString& folder, const QStringList& planted) {
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("cannot read %1").arg(path);
    const QByteArray bytes = f.readAll();
    if (planted.contains(path)) {
      if (bytes != PLANTED) return QStringLiteral("planted file %1 was changed").arg(path);
      continue;
    }
    // A name ending in .png, .jpg / .jpeg, .svg or .pdf holds a complete file of that format.
    switch (formatForName(QFileInfo(path).fileName())) {
      case ExportFormat::Bitmap:
        break;
      case ExportFormat::Png:
      case ExportFormat::Jpeg:
        if (QImage::fromData(bytes).isNull()) return QStringLiteral("%1 does not load").arg(path);
        continue;
      case ExportFormat::Svg:
        if (!bytes.trimmed().endsWith("</svg>")) return QStringLiteral("%1 is not a whole SVG").arg(path);
        continue;
      case ExportFormat::Pdf:
        if (!bytes.startsWith("%PDF-") || !bytes.trimmed().endsWith("%%EOF"))
          return QStringLiteral("%1 is not a whole PDF").arg(path);
        continue;
    }
    if (bytes.size() < 6 || !bytes.startsWith("BM")) return QStringLiteral("%1 is not a bitmap").arg(path);
    const auto declared = qFromLittleEndian<quint32>(bytes.constData() + 2);
    if (declared != static_cast<quint32>(bytes.size()))
      return QStringLiteral("%1 is %2 bytes, its header says %3").arg(path).arg(bytes.size()).arg(declared);
    if (QImage::fromData(bytes, "BMP").isNull()) return QStringLiteral("%1 does not load").arg(path);
  }
  return {};
}

// The offscreen platform cannot raise windows and says so at every raise();
// those lines are dropped, everything else is passed on.
QtMessageHandler passOn = nullptr;
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  passOn(type, context, text);
}

}  // namespace

class TestMonkey : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { passOn = qInstallMessageHandler(quietOffscreen); }
  void monkey_data();
  void monkey();
  void cleanupTestCase();

 private:
  qint64 totalEvents_ = 0;
  QStringList seedsRun_;
};

void TestMonkey::monkey_data() {
  QTest::addColumn<quint32>("seed");
  QTest::addColumn<qint64>("events");
  const qint64 events = qEnvironmentVariableIsSet("NORVALE_MONKEY_EVENTS")
                            ? qEnvironmentVariable("NORVALE_MONKEY_EVENTS").toLongLong()
                            : 7000;
  if (qEnvironmentVariableIsSet("NORVALE_MONKEY_SEED")) {
    const quint32 seed = qEnvironmentVariable("NORVALE_MONKEY_SEED").toUInt();
    QTest::addRow("seed %u", seed) << seed << events;
    return;
  }
  for (quint32 seed : {20261207u, 4242u, 777u}) QTest::addRow("seed %u", seed) << seed << events;
}

void TestMonkey::monkey() {
  QFETCH(quint32, seed);
  QFETCH(qint64, events);

  // State: a sandbox with the program's folder, a writable save folder holding
  // a read-only picture and a folder named like a picture, and a path that
  // runs through a plain (read-only) file.
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString sandbox = dir.path();
  QVERIFY(QDir(sandbox).mkpath(QStringLiteral("program")));
  QVERIFY(QDir(sandbox).mkpath(QStringLiteral("ok/dir.bmp")));
  QVERIFY(QDir(sandbox).mkpath(QStringLiteral("vanishing")));
  const QStringList planted = {sandbox + QStringLiteral("/ok/ro.bmp"), sandbox + QStringLiteral("/plainfile")};
  for (const QString& path : planted) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(PLANTED);
  }
  // Both are marked read-only: the user may pick them in the file list and
  // save over them, which must fail and leave them as they are.
  for (const QString& path : planted)
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

  RecordingMessages messages;
  Form1::Options options;
  options.screen = QSize(1280, 800);
  options.programFolder = sandbox + QStringLiteral("/program");
  options.messages = &messages;
  auto* form = new Form1(options);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form));
  const ViewState startView = form->view();

  // A modal dialog would block the monkey inside its event loop; this timer
  // runs in that loop, notes the dialog and closes it.
  QString modalSeen;
  QTimer modalGuard;
  QObject::connect(&modalGuard, &QTimer::timeout, [&modalSeen] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modalSeen = modal->metaObject()->className() + QStringLiteral(" \"") + modal->windowTitle() + QLatin1Char('"');
      modal->close();
    }
  });
  modalGuard.start(100);

  ResetRandomSequence();  // rnd starts alike for every seed
  Monkey monkey(*form, seed, sandbox);
  qint64 step = 0;
  auto fail = [&](const QString& what) {
    return QStringLiteral("seed %1, action %2 (event %3): %4\nlast actions:\n%5")
        .arg(seed).arg(step).arg(monkey.events()).arg(what, monkey.recentActions());
  };
  while (monkey.events() < events) {
    ++step;
    monkey.step();

    QVERIFY2(modalSeen.isEmpty(), qPrintable(fail(QStringLiteral("modal dialog ") + modalSeen)));
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY2(!(qobject_cast<QMessageBox*>(w) && w->isVisible()), qPrintable(fail(QStringLiteral("a message box"))));

    const QString registry = registryProblem(form->registry());
    QVERIFY2(registry.isEmpty(), qPrintable(fail(QStringLiteral("registry: ") + registry)));

    const ViewState& view = form->view();
    QVERIFY2(view.unitLength > 0 && view.unitLength <= 15,
             qPrintable(fail(QStringLiteral("unitLength %1").arg(view.unitLength, 0, 'g', 17))));
    QVERIFY2(std::isfinite(view.originX()) && std::isfinite(view.originY()),
             qPrintable(fail(QStringLiteral("origin not finite"))));
    QVERIFY2(view.canvasLeft == startView.canvasLeft && view.canvasRight == startView.canvasRight &&
                 view.canvasBottom == startView.canvasBottom && view.canvasTop == startView.canvasTop,
             qPrintable(fail(QStringLiteral("the canvas edges moved"))));

    const Pen& pen = form->pen();
    QVERIFY2(pen.lwidth == pen.lwidthUser && pen.lcolor == pen.lcolorUser,
             qPrintable(fail(QStringLiteral("pen %1/%2 is not the user's %3/%4")
                                 .arg(pen.lwidth).arg(pen.lcolor).arg(pen.lwidthUser).arg(pen.lcolorUser))));
    QVERIFY2(pen.lwidthUser >= 1 && pen.lwidthUser <= 6, qPrintable(fail(QStringLiteral("user width %1").arg(pen.lwidthUser))));

    if (monkey.wroteFiles || step % 200 == 0) {
      const QString files = filesProblem(sandbox, planted);
      QVERIFY2(files.isEmpty(), qPrintable(fail(files)));
    }
  }
  const QString files = filesProblem(sandbox, planted);
  QVERIFY2(files.isEmpty(), qPrintable(fail(files)));

  qInfo("seed %u: %lld events in %lld actions, %zu notices; list window opened %d times, save window %d times, "
        "%d saves, %d origin drags, %d unit drags, %d selections; the origin moved %d times, the unit changed %d "
        "times, at most %d functions listed; %d exports of a selection, %d of the whole canvas",
        seed, static_cast<long long>(monkey.events()), static_cast<long long>(step), messages.count(),
        monkey.listOpened, monkey.saveOpened, monkey.savesTried, monkey.originDrags, monkey.unitDrags,
        monkey.selections, monkey.originMoved, monkey.unitChanged, monkey.mostEntries,
        monkey.exportsWithSelection, monkey.exportsWhole);
  totalEvents_ += monkey.events();
  seedsRun_ << QString::number(seed);

  // Every window was reached.
  QVERIFY2(monkey.listOpened > 0, "the function-list window never opened");
  QVERIFY2(monkey.saveOpened > 0, "the save-as window never opened");
  QVERIFY(monkey.savesTried > 0);
  QVERIFY(monkey.originMoved > 0 && monkey.unitChanged > 0);
  QVERIFY(monkey.exportsWithSelection > 0 && monkey.exportsWhole > 0);

  modalGuard.stop();
  delete form;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestMonkey::cleanupTestCase() {
  qInfo("%lld events over the seeds %s", static_cast<long long>(totalEvents_), qPrintable(seedsRun_.join(", ")));
}

QTEST_MAIN(TestMonkey)
#include "test_monkey.moc"
