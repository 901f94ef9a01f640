#include "ui/main/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "engine/engine.h"
#include "plot/frame.h"
#include "plot/plotters.h"
#include "ui/analysis/curve_readout.h"
#include "ui/main/design_layout.h"
#include "ui/main/field_rules.h"
#include "ui/main/help_window.h"
#include "ui/main/lesson_commands.h"
#include "ui/main/lesson_drop.h"
#include "ui/list/history_keys.h"
#include "ui/main/message_box.h"
#include "ui/main/pen_boards.h"
#include "ui/main/reading_order.h"
#include "ui/export/canvas_output.h"
#include "ui/export/picture_export.h"

namespace norvale {

namespace {

constexpr float MARKER_HALF = 0.1f;  // the origin is the marker's corner moved by (+0.1, -0.1)

QFont controlFont() {
  // SimSun where it exists; otherwise the CJK font the system has.
  QFont font;
  font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
  font.setPointSize(9);
  return font;
}

QFont labelFont(const char* family) {
  QFont font;
  font.setFamilies({QString::fromUtf8(family), QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
  font.setPointSize(11);
  return font;
}

std::string utf8(const QString& text) { return text.toStdString(); }

float sgn(float v) { return v > 0 ? 1.0f : (v < 0 ? -1.0f : 0.0f); }

// A field's number as a single: a typed number beyond the single range would
// not convert; it saturates at the largest single.
float saturatingSingle(double value) {
  constexpr double largest = std::numeric_limits<float>::max();
  return static_cast<float>(std::clamp(value, -largest, largest));
}

// A canvas position for drawing: far outside the canvas stays far outside.
float canvasPosition(double value) {
  constexpr double far = 1.0e6;
  if (std::isnan(value)) return static_cast<float>(far);
  return static_cast<float>(std::clamp(value, -far, far));
}

}  // namespace

// The rectangle's anchor is the start of Line1 and Line2; the opposite
// corner is the end of Line1 (x) and of Line2 (y).
static std::optional<SelectionCorners> selectionOf(const CanvasWidget& canvas, bool shown) {
  if (!shown) return std::nullopt;
  const CanvasWidget::SelectionLine line1 = canvas.selectionLine(1);
  const CanvasWidget::SelectionLine line2 = canvas.selectionLine(2);
  return SelectionCorners{line1.x1, line1.y1, line1.x2, line2.y2};
}

Form1::Form1(const Options& options, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Form1"));
  if (options.messages) {
    messages_ = options.messages;
  } else {
    ownMessages_ = std::make_unique<MessageBoxMessages>(this);
    messages_ = ownMessages_.get();
  }
  programFolder_ = options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : options.programFolder;
  setWindowTitle(QString::fromUtf8(WINDOW_TITLE));
  setWindowIcon(QIcon(QStringLiteral(":/norvale/norvale.png")));
  if (!options.preferences) ownPreferences_ = std::make_unique<Preferences>();
  preferences_ = options.preferences ? options.preferences : ownPreferences_.get();
  createControls();
  wireLessonsAndHistory();

  QSize screen = options.screen;
  if (screen.isEmpty()) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    screen = primary ? primary->availableGeometry().size() : QSize(1024, 768);
  }
  startUp(screen);
  wireViewAndSettings();
}

// The list window borrows the registry and the pen: it goes first.
Form1::~Form1() {
  delete listWindow_.data();
  delete analysisWindow_.data();
}

void Form1::createControls() {
  const QFont font = controlFont();
  auto place = [](QWidget* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(designPixels(QString::fromLatin1(name)));
  };
  auto button = [&](QPushButton*& b, const char* name, const char* caption) {
    b = new QPushButton(QString::fromUtf8(caption), this);
    place(b, name);
    b->setFont(font);
    b->setAutoDefault(false);
  };
  auto field = [&](QLineEdit*& f, const char* name, const char* text) {
    f = new QLineEdit(QString::fromUtf8(text), this);
    place(f, name);
    f->setFont(font);
  };
  auto label = [&](QLabel*& l, const char* name, const char* caption) {
    l = new QLabel(QString::fromUtf8(caption), this);
    place(l, name);
    l->setFont(font);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  };

  Picture1 = new CanvasWidget(this);
  place(Picture1, "Picture1");
  Picture1->setMouseTracking(true);
  Picture1->setCursor(Qt::CrossCursor);
  // A press on the canvas takes the focus, so a field being edited is
  // corrected before a drag redraws with its precision.
  Picture1->setFocusPolicy(Qt::ClickFocus);

  button(Command1, "Command1", CAPTION_CARTESIAN);
  button(Command2, "Command2", "线条样式");
  button(Command3, "Command3", "绘 图");
  button(Command4, "Command4", "图象清除");
  button(Command5, "Command5", "退出");
  button(Command6, "Command6", "选择保存");
  button(Command7, "Command7", "线条颜色");
  button(Command8, "Command8", "描  点");
  button(Command9, "Command9", "函数列表");
  button(Command10, "Command10", " ？");
  button(CommandSettings, "CommandSettings", "设置");
  field(Text1, "Text1", "");
  field(Text2, "Text2", "0.1");
  field(Text3, "Text3", "");
  label(Label1[0], "Label1_0", "y = ");
  label(Label1[1], "Label1_1", "y = ");
  for (QLabel* l : Label1) {
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setContentsMargins(0, 0, 4, 0);  // the design lets the label touch its field
  }
  label(Label2, "Label2", "绘图精度：");
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label(Label3, "Label3", "x =");
  Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label3->setContentsMargins(0, 0, 4, 0);
  label(Label4, "Label4", "");
  Label4->setAutoFillBackground(true);
  {
    QPalette p = Label4->palette();
    p.setColor(QPalette::Window, Qt::white);
    Label4->setPalette(p);
    Label4->setFrameShape(QFrame::Panel);
    Label4->setFrameShadow(QFrame::Sunken);
  }

  Picture4 = new QWidget(this);
  place(Picture4, "Picture4");
  Label5 = new QLabel(QStringLiteral("Norvale 3.0　中学数学函数绘图　·　拖动原点和单位标记可平移、缩放，按住右键读取坐标，F1 查看帮助"),
                      Picture4);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setFont(font);
  {
    QPalette p = Label5->palette();
    p.setColor(QPalette::WindowText, QColor(64, 64, 64));
    Label5->setPalette(p);
  }

  Picture2 = new QLabel(this);
  place(Picture2, "Picture2");
  Picture3 = new QLabel(this);
  place(Picture3, "Picture3");

  lwidthBd = new WidthBoard(this);
  lwidthBd->setGeometry(designPixels(QStringLiteral("lwidthBd")));
  lcolorBd = new ColourBoard(this);
  lcolorBd->setGeometry(designPixels(QStringLiteral("lcolorBd")));

  connect(Command1, &QPushButton::clicked, this, &Form1::toggleFrame);
  connect(Command2, &QPushButton::clicked, this, &Form1::showWidthBoard);
  connect(Command3, &QPushButton::clicked, this, &Form1::drawCommand);
  connect(Command4, &QPushButton::clicked, this, &Form1::clearPicture);
  connect(Command5, &QPushButton::clicked, this, [] { QCoreApplication::exit(0); });
  connect(Command7, &QPushButton::clicked, this, &Form1::showColourBoard);
  connect(Command8, &QPushButton::clicked, this, &Form1::evaluatePoint);
  connect(Command9, &QPushButton::clicked, this, &Form1::openFunctionList);
  connect(Command6, &QPushButton::clicked, this, &Form1::saveSelection);
  connect(Command10, &QPushButton::clicked, this, &Form1::openHelp);
  connect(Text1, &QLineEdit::returnPressed, this, &Form1::drawCommand);
  Text2->installEventFilter(this);
  Text3->installEventFilter(this);

  connect(lwidthBd, &WidthBoard::widthChosen, this, [this](int width) {
    pen_.chooseWidth(static_cast<std::int16_t>(width));
    lwidthBd->hide();
  });
  connect(lcolorBd, &ColourBoard::colourChosen, this, [this](std::uint32_t colour) {
    pen_.chooseColor(colour);
    lcolorBd->hide();
  });

  connect(Picture1, &CanvasWidget::mousePressed, this,
          [this](float x, float y, int button) { canvasPress(x, y, button); });
  connect(Picture1, &CanvasWidget::mouseMoved, this, [this](float x, float y, int) { canvasMove(x, y); });
  connect(Picture1, &CanvasWidget::mouseReleased, this, [this](float, float, int) { canvasRelease(); });

  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  help->setContext(Qt::ApplicationShortcut);
  connect(help, &QShortcut::activated, this, &Form1::openHelp);

  button(Command11, "Command11", "分析");
  connect(Command11, &QPushButton::clicked, this, &Form1::openAnalysis);
  auto* analysisKey = new QShortcut(QKeySequence(Qt::Key_F3), this);
  analysisKey->setContext(Qt::ApplicationShortcut);
  connect(analysisKey, &QShortcut::activated, this, &Form1::openAnalysis);
  canvasOutput_ = std::make_unique<CanvasOutput>(*Picture1, *messages_,
                                                 [this] { return selectionOf(*Picture1, selShown_); }, this);
  canvasOutput_->installShortcuts(*this);

  // The boards lie over the canvas.
  lwidthBd->raise();
  lcolorBd->raise();
}

// Start-up, in order: hide the read-out; start values; hide the boards, the
// selection and the export pictures; name the help page; stretch over the
// screen; size the canvas and move the control row under it; the canvas edges
// and coordinate system; the start-up frame and the markers.
void Form1::startUp(QSize screen) {
  Picture1->hideReadout();

  originDrag_ = unitDrag_ = false;
  view_ = ViewState{};
  view_.unitLength = 1.0;
  registry_ = FunctionRegistry{};
  pen_ = Pen{};
  view_.frameKind = FRAME_CARTESIAN;

  lcolorBd->hide();
  lwidthBd->hide();
  for (int i = 1; i <= 4; ++i) Picture1->setSelectionLineVisible(i, false);
  Picture2->hide();
  Picture3->hide();

  helpWindow_ = new HelpWindow(helpFilePath(programFolder_), this);

  resize(screen);

  const StartupGeometry g = startupGeometry(screen.width() * TWIPS_PER_PIXEL, screen.height() * TWIPS_PER_PIXEL);
  Picture1->setGeometry(cmToPixels(g.canvasLeft), cmToPixels(g.canvasTop), cmToPixels(g.canvasWidth),
                        cmToPixels(g.canvasHeight));
  Picture2->resize(cmToPixels(g.canvasWidth), cmToPixels(g.canvasHeight));
  Picture3->resize(cmToPixels(g.picture3Width), cmToPixels(g.picture3Height));

  Command5->move(cmToPixels(g.exitLeft), Command5->y());
  Command10->move(cmToPixels(g.helpLeft), Command10->y());
  // The settings button: just left of the help button, of its size.
  CommandSettings->setGeometry(Command10->geometry().translated(-Command10->width() - twipsToPixels(105), 0));

  const int rowTop = cmToPixels(g.rowTop);
  for (QWidget* w : std::initializer_list<QWidget*>{Command3, Label3, Text3, Label4, Label1[0], Command8, Command6,
                                                     Command9, Command4, Command5}) {
    w->move(w->x(), rowTop);
  }
  Command11->move(Command11->x(), rowTop);
  Picture4->move(Picture4->x(), cmToPixels(g.stripTop));
  Picture4->resize(Picture1->width(), Picture4->height());
  Label5->setGeometry(0, cmToPixels(g.aboutTop), Picture1->width(), Picture4->height() - cmToPixels(g.aboutTop));

  const double innerWidth = Picture1->innerWidthCm();
  const double innerHeight = Picture1->innerHeightCm();
  view_.canvasLeft = static_cast<float>(-innerWidth / 2);
  view_.canvasRight = static_cast<float>(innerWidth / 2);
  view_.canvasBottom = static_cast<float>(-innerHeight / 2);
  view_.canvasTop = static_cast<float>(innerHeight / 2);

  Picture1->setScale(view_.canvasLeft, view_.canvasTop, view_.canvasRight, view_.canvasBottom);

  drawStartupFrame(*Picture1, view_);
  view_.markerLeft = -0.1f;
  view_.markerTop = 0.1f;
  placeMarkers(view_.markerLeft, view_.markerTop, 0.9f);
}

void Form1::placeMarkers(float left, float top, float unitLeft) {
  Picture1->setMarker(1, left, top);
  Picture1->setMarker(2, unitLeft, top);
}

float Form1::precision() const { return saturatingSingle(leadingNumber(Text2->text())); }

SceneContext Form1::scene(Messages& sink) {
  return SceneContext{*Picture1, view_, pen_, registry_, precision(), sink, &polarSamples_};
}

ReplotOutcome Form1::redrawScene(ReplotMessages mode, Messages& sink) { return ::redrawScene(mode, scene(sink)); }

void Form1::drawCommand() {
  const QString expression = Text1->text();
  if (expression.isEmpty()) {
    messages_->show(MESSAGE_NO_EXPRESSION, MessageIcon::None);
    return;
  }
  // Blanks count as text, but they are no function: the evaluator would read
  // them as 0 and draw (and list) the line y = 0. Report them as the plotter
  // reports an expression without any defined value.
  if (expression.count(QLatin1Char(' ')) == expression.size()) {
    messages_->show(MESSAGE_UNDEFINED, MessageIcon::Warning);
    return;
  }
  const WorldWindow window = view_.worldWindow();
  const float jd = precision();
  const PlotContext context{view_.unitLength, pen_, *messages_};
  std::int16_t result = 0;
  char frameCharacter = '1';
  if (view_.frameKind == FRAME_CARTESIAN) {
    result = drawnorvale(utf8(expression), *Picture1, jd, window, context);
  } else {
    result = drawnorvale2(ReplaceAngleLetter(utf8(expression)), *Picture1, jd, window, context);
    frameCharacter = '0';
  }
  if (result == PLOT_OK) {
    const FunctionRegistry before = registry_;
    registry_.appendEntry(utf8(expression), frameCharacter, pen_.lwidth, pen_.lcolor);
    history_.record(before, registry_, ListChange::Draw);
  }
}

void Form1::toggleFrame() {
  const bool toPolar = Command1->text() == QString::fromUtf8(CAPTION_CARTESIAN);
  view_.frameKind = toPolar ? FRAME_POLAR : FRAME_CARTESIAN;
  showFrameKind();
  redrawAfterToggle(scene(*messages_));
}

// The frame button's caption and the expression labels name the frame shown.
void Form1::showFrameKind() {
  const bool polar = view_.frameKind == FRAME_POLAR;
  Command1->setText(QString::fromUtf8(polar ? CAPTION_POLAR : CAPTION_CARTESIAN));
  for (QLabel* l : Label1) {
    l->setFont(labelFont("Times New Roman"));
    l->setText(QString::fromUtf8(polar ? LABEL_POLAR : LABEL_CARTESIAN));
  }
  Label3->setText(QStringLiteral("x ="));
}

void Form1::clearPicture() { clearScene(*Picture1, view_, pen_); }

void Form1::evaluatePoint() {
  const QString expression = Text1->text();
  if (expression.isEmpty()) {
    messages_->show(MESSAGE_NO_EXPRESSION, MessageIcon::None);
    return;
  }
  const QString argumentText = Text3->text();
  if (argumentText.isEmpty()) {
    messages_->show(MESSAGE_NO_ARGUMENT, MessageIcon::None);
    return;
  }
  const double a = leadingNumber(argumentText);
  // An argument beyond the single range has no value to show.
  if (std::fabs(a) > std::numeric_limits<float>::max()) {
    messages_->show(MESSAGE_NO_VALUE, MessageIcon::None);
    return;
  }
  const bool cartesian = view_.frameKind == FRAME_CARTESIAN;
  const std::string text = cartesian ? utf8(expression) : ReplaceAngleLetter(utf8(expression));
  bool ok = false;
  const float value = CalculateString(text, ok, static_cast<float>(a));
  if (!ok) {
    messages_->show(MESSAGE_NO_VALUE, MessageIcon::None);
    return;
  }
  const float x0 = view_.originX();
  const float y0 = view_.originY();
  const double shown = valueCutToThousandths(value);
  Label4->setText(signedDecimalText(shown));
  float px = 0;
  float py = 0;
  if (cartesian) {
    // The dot sits at the value shown, not at the unrounded one.
    px = canvasPosition(x0 + a * view_.unitLength);
    py = canvasPosition(y0 + shown * view_.unitLength);
  } else {
    const double theta = leadingNumber(argumentText);
    px = canvasPosition(x0 + view_.unitLength * (value * std::cos(theta)));
    py = canvasPosition(y0 + view_.unitLength * (value * std::sin(theta)));
  }
  Picture1->setFillSolid(true);
  Picture1->circle(px, py, 0.1f, pen_.lcolor);
  Picture1->setFillSolid(false);
}

void Form1::openHelp() {
  if (!helpWindow_) helpWindow_ = new HelpWindow(helpFilePath(programFolder_), this);
  helpWindow_->showHelp();
}

void Form1::openSettings() {
  if (!settingsWindow_) {
    settingsWindow_ = new SettingsWindow(*preferences_, *messages_, this);
    settingsWindow_->setFont(Command1->font());
  }
  settingsWindow_->showSettings();
}

// Zoom and pan, the settings and the tab order, after start-up has placed
// every control and drawn the start view.
void Form1::wireViewAndSettings() {
  Picture1->setAntialiased(preferences_->antialiased());
  connect(preferences_, &Preferences::antialiasedChanged, this, [this](bool on) {
    Picture1->setAntialiased(on);
    dragRedraw();
  });
  connect(CommandSettings, &QPushButton::clicked, this, &Form1::openSettings);
  auto* settingsKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
  connect(settingsKey, &QShortcut::activated, this, &Form1::openSettings);

  navigator_ = new ViewNavigator(view_, {[this] {
                                          placeMarkers(view_.markerLeft, view_.markerTop,
                                                       static_cast<float>(view_.markerLeft + view_.unitLength));
                                          dragRedraw();
                                        },
                                         [this] { return originDrag_ || unitDrag_; }},
                                 this);
  navigator_->attach(*this, *Picture1);
  new ReadingOrderKeeper(*this);
}

void Form1::showWidthBoard() {
  lcolorBd->hide();
  lwidthBd->show();
  lwidthBd->raise();
}

void Form1::showColourBoard() {
  lwidthBd->hide();
  lcolorBd->show();
  lcolorBd->raise();
}

void Form1::canvasPress(float x, float y, int button) {
  const float l1 = view_.markerLeft;
  const float t1 = view_.markerTop;
  const CanvasWidget::Marker unit = Picture1->marker(2);
  const float l2 = unit.left;
  const float t2 = unit.top;
  const float size = CanvasWidget::MARKER_SIZE;
  if (button == 1 && l1 < x && x < float(l1 + size) && float(t1 - size) < y && y < t1) originDrag_ = true;
  if (button == 1 && l2 < x && x < float(l2 + size) && float(t2 - size) < y && y < t2 && l1 < l2) unitDrag_ = true;
  if (button == 2) {
    // Under the coordinates, the value of every listed curve of the frame.
    const double wx = (x - view_.originX()) / view_.unitLength;
    const double wy = (y - view_.originY()) / view_.unitLength;
    const auto readings = curveReadings(registry_, view_.frameKind, wx, wy,
                                        [](float v) { return signedDecimalText(valueCutToThousandths(v)); });
    Picture1->readout()->setTextFormat(readings.empty() ? Qt::PlainText : Qt::RichText);
    Picture1->showReadout(x, y, readoutWithCurves(readoutText(x, y, l1, t1, view_.unitLength), readings));
  }
  if (!originDrag_ && !unitDrag_ && button == 1) {
    if (selShown_) {
      selShown_ = false;
      for (int i = 1; i <= 4; ++i) Picture1->setSelectionLineVisible(i, false);
    } else {
      selShown_ = selDrag_ = true;
      for (int i = 1; i <= 2; ++i) {
        const CanvasWidget::SelectionLine line = Picture1->selectionLine(i);
        Picture1->setSelectionLine(i, x, y, line.x2, line.y2);
      }
    }
  }
}

void Form1::canvasMove(float x, float y) {
  if (originDrag_) {
    Picture1->setCursor(Qt::ArrowCursor);
    const float xR = view_.canvasRight;
    const float yT = view_.canvasTop;
    float l1 = view_.markerLeft;
    float t1 = view_.markerTop;
    if (std::fabs(x) > std::fabs(xR)) {
      l1 = (std::fabs(xR) - MARKER_HALF) * sgn(x);
    } else if (std::fabs(y) > std::fabs(yT)) {
      t1 = (std::fabs(yT) - MARKER_HALF) * sgn(y);
    } else {
      l1 = x - MARKER_HALF;
      t1 = y + MARKER_HALF;
    }
    view_.markerLeft = l1;
    view_.markerTop = t1;
    placeMarkers(l1, t1, static_cast<float>(l1 + view_.unitLength));
    dragRedraw();
  }
  const float l1 = view_.markerLeft;
  const float l2 = Picture1->marker(2).left;
  if (l1 < l2 && unitDrag_ && !originDrag_) {
    Picture1->setCursor(Qt::ArrowCursor);
    float newL2 = 0;
    if (x - MARKER_HALF < l1 || std::fabs(l1 - x + MARKER_HALF) < 0.2f) {
      newL2 = l1 + 0.3f;
    } else {
      newL2 = x - MARKER_HALF;
    }
    double unitLength = static_cast<float>(newL2 - l1);
    if (unitLength <= 0) {
      unitLength = 0.3;
      newL2 = l1 + 0.3f;
    } else if (unitLength > 15) {
      unitLength = 1.0;
      newL2 = l1 + 1.0f;
    }
    view_.unitLength = unitLength;
    placeMarkers(l1, view_.markerTop, newL2);
    dragRedraw();
  }
  pen_.restoreUser();
  if (!originDrag_ && !unitDrag_ && selDrag_) {
    const CanvasWidget::SelectionLine first = Picture1->selectionLine(1);
    const float ax = first.x1;
    const float ay = first.y1;
    Picture1->setSelectionLine(1, ax, ay, x, ay);
    Picture1->setSelectionLine(2, ax, ay, ax, y);
    Picture1->setSelectionLine(3, ax, y, x, y);
    Picture1->setSelectionLine(4, x, ay, x, y);
    for (int i = 1; i <= 4; ++i) Picture1->setSelectionLineVisible(i, true);
  }
}

void Form1::saveSelection() {
  const std::optional<SelectionCorners> selection = selectionOf(*Picture1, selShown_);
  if (!pictureExport_) {
    pictureExport_ = std::make_unique<PictureExport>(this, *messages_, programFolder_);
    pictureExport_->setRenderer(canvasRenderer(*Picture1), canvasImageRenderer(*Picture1));
  }
  pictureExport_->run(canvasPictureAtScaleOne(*Picture1), selection, view_.canvasRight, view_.canvasTop);
  const QImage& picture = pictureExport_->picture();
  Picture3->setPixmap(QPixmap::fromImage(picture));
  if (!picture.isNull()) Picture3->resize(picture.size());
}

void Form1::openFunctionList() {
  if (!listHost_) {
    listHost_ = std::make_unique<SceneListHost>(*Picture1, view_, pen_, registry_, *messages_,
                                                [this] { return precision(); });
  }
  Form2* list = ::openFunctionList(listWindow_, registry_, *listHost_, this);
  list->setHistory(&history_);
  connect(list, &Form2::listRestored, this, &Form1::redrawAfterHistoryStep, Qt::UniqueConnection);
  connect(list, &Form2::openLessonRequested, this, &Form1::openLessonFromList, Qt::UniqueConnection);
  connect(list, &Form2::saveLessonRequested, this, &Form1::saveLessonFromList, Qt::UniqueConnection);
}

void Form1::wireLessonsAndHistory() {
  lessons_ = new LessonCommands([this] { return currentLesson(); },
                                [this](const lesson::Lesson& lesson) { replaceWithLesson(lesson); }, *messages_, this);
  auto* open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
  connect(open, &QShortcut::activated, this, &Form1::openLesson);
  auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
  connect(save, &QShortcut::activated, this, &Form1::saveLesson);
  addListHistoryKeys(this, [this] { undoListChange(); }, [this] { redoListChange(); });
  new LessonDrop(this, [this](const QString& path) { openLessonFile(path); });
}

void Form1::undoListChange() {
  if (!history_.undo(registry_)) return;
  if (listWindow_) listWindow_->reloadRows();
  redrawAfterHistoryStep();
}

void Form1::redoListChange() {
  if (!history_.redo(registry_)) return;
  if (listWindow_) listWindow_->reloadRows();
  redrawAfterHistoryStep();
}

// Silent, like a drag: the restored list was drawn (or reported) before.
void Form1::redrawAfterHistoryStep() { ::redrawScene(ReplotMessages::Drag, scene(*messages_)); }

void Form1::openLesson() { lessons_->chooseAndOpen(this); }
void Form1::saveLesson() { lessons_->chooseAndSave(this); }
void Form1::openLessonFromList() { lessons_->chooseAndOpen(listWindow_); }
void Form1::saveLessonFromList() { lessons_->chooseAndSave(listWindow_); }
bool Form1::openLessonFile(const QString& path) { return lessons_->openFile(path); }
bool Form1::saveLessonFile(const QString& path) { return lessons_->saveFile(path); }

lesson::Lesson Form1::currentLesson() const {
  lesson::Lesson lesson;
  lesson::takeFunctions(registry_, lesson);
  lesson.frameShown = view_.frameKind;
  lesson.originX = view_.originX();
  lesson.originY = view_.originY();
  lesson.unit = view_.unitLength;
  lesson.precision = leadingNumber(correctedPrecision(Text2->text()));
  lesson.penWidth = pen_.lwidthUser;
  lesson.penColour = pen_.lcolorUser;
  return lesson;
}

void Form1::replaceWithLesson(const lesson::Lesson& lesson) {
  const FunctionRegistry before = registry_;
  registry_ = lesson::registryOf(lesson);
  history_.record(before, registry_, ListChange::OpenLesson);
  pen_ = Pen{lesson.penWidth, lesson.penColour, lesson.penWidth, lesson.penColour};
  // The shortest fixed-point text that reads back as the same number.
  char digits[400];
  const auto written = std::to_chars(digits, digits + sizeof digits, lesson.precision, std::chars_format::fixed);
  Text2->setText(QString::fromLatin1(digits, static_cast<qsizetype>(written.ptr - digits)));
  // A lesson made on a larger screen keeps its origin on this canvas.
  const auto originX = static_cast<float>(std::clamp<double>(lesson.originX, view_.canvasLeft, view_.canvasRight));
  const auto originY = static_cast<float>(std::clamp<double>(lesson.originY, view_.canvasBottom, view_.canvasTop));
  view_.unitLength = lesson.unit;
  view_.markerLeft = originX - MARKER_HALF;
  view_.markerTop = originY + MARKER_HALF;
  placeMarkers(view_.markerLeft, view_.markerTop, static_cast<float>(view_.markerLeft + view_.unitLength));
  view_.frameKind = lesson.frameShown;
  showFrameKind();
  if (listWindow_) listWindow_->reloadRows();
  ::redrawScene(ReplotMessages::ListClose, scene(*messages_));
}

void Form1::openAnalysis() {
  const auto listChanged = [this](const FunctionRegistry& before) {
    history_.record(before, registry_, ListChange::Draw);
    if (listWindow_) listWindow_->reloadRows();
  };
  openAnalysisWindow(analysisWindow_,
                     {registry_, view_, pen_, *Picture1, *messages_, [this] { return precision(); }, listChanged}, this);
}

void Form1::dragRedraw() { ::redrawScene(ReplotMessages::Drag, scene(*messages_)); }

void Form1::canvasRelease() {
  originDrag_ = unitDrag_ = false;
  Picture1->setCursor(Qt::CrossCursor);
  Picture1->hideReadout();
  selDrag_ = false;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  auto* field = qobject_cast<QLineEdit*>(watched);
  if (field && (field == Text2 || field == Text3)) {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QString typed = key->text();
      // Shortcuts (copy, paste, select all) and focus keys are not typing.
      const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
      const bool focusKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
      const bool deleteKey = key->key() == Qt::Key_Delete;
      if (!typed.isEmpty() && !shortcut && !focusKey && !deleteKey && keyEmptiesField(typed.at(0))) field->clear();
    } else if (event->type() == QEvent::FocusOut) {
      const QString corrected = field == Text2 ? correctedPrecision(field->text()) : correctedArgument(field->text());
      if (corrected != field->text()) field->setText(corrected);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program like the exit button.
  event->accept();
  QCoreApplication::exit(0);
}

}  // namespace norvale
