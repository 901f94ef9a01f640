// The main window driven by real events on an injected 1024 x 768 screen:
// start-up, drawing, frame toggle and clear, the canvas mouse, point
// evaluation, the fields and the pen boards. Notices go to a recorder.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>
#include <cmath>
#include <memory>

#include "plot/plotters.h"
#include "support/recording_messages.h"
#include "ui/main/design_layout.h"
#include "ui/main/field_rules.h"
#include "ui/main/form1.h"
#include "ui/main/pen_boards.h"

using namespace norvale;

namespace {

constexpr std::uint32_t RED = 0x0000FF;    // palette cell (4, 0), red in the low byte
constexpr std::uint32_t BLUE = 0xFF0000;   // palette cell (0, 2)
constexpr std::uint32_t BLACK = 0x000000;
const QPoint RED_CELL(112, 14);
const QPoint BLUE_CELL(12, 70);

struct Window {
  RecordingMessages messages;
  std::unique_ptr<Form1> form;

  Window() {
    Form1::Options options;
    options.screen = QSize(1024, 768);
    options.programFolder = QStringLiteral(NORVALE_RESOURCES_DIR);
    options.messages = &messages;
    form = std::make_unique<Form1>(options);
    form->canvas().setAntialiased(false);  // the probes expect the plain pixels
  }
  template <typename T>
  T* get(const char* name) const {
    T* child = form->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no control %s", name);
    return child;
  }
  QPushButton* button(const char* name) const { return get<QPushButton>(name); }
  QLineEdit* field(const char* name) const { return get<QLineEdit>(name); }
  QLabel* label(const char* name) const { return get<QLabel>(name); }
  CanvasWidget& canvas() const { return form->canvas(); }

  void mouse(QEvent::Type type, float x, float y, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF at = canvas().toPixel(x, y);
    QMouseEvent event(type, at, canvas().mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas(), &event);
  }
  void press(float x, float y, Qt::MouseButton b = Qt::LeftButton) { mouse(QEvent::MouseButtonPress, x, y, b, b); }
  void move(float x, float y, Qt::MouseButtons held = Qt::LeftButton) {
    mouse(QEvent::MouseMove, x, y, Qt::NoButton, held);
  }
  void release(float x, float y, Qt::MouseButton b = Qt::LeftButton) {
    mouse(QEvent::MouseButtonRelease, x, y, b, Qt::NoButton);
  }

  void type(const char* expression) {
    field("Text1")->setText(QString::fromUtf8(expression));
    QTest::keyClick(field("Text1"), Qt::Key_Return);
  }
  void pickColour(QPoint cell, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseClick(button("Command7"), Qt::LeftButton);
    QTest::mousePress(get<QWidget>("lcolorBd"), b, {}, cell);
    QTest::mouseRelease(get<QWidget>("lcolorBd"), b, {}, cell);
  }
  void pickWidth(int width) {
    QTest::mouseClick(button("Command2"), Qt::LeftButton);
    QWidget* target = get<QWidget>(QStringLiteral("dLL%1").arg(width).toLatin1().constData());
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(10, target->height() / 2));
  }
  void loseFocus(QLineEdit* f) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(f, &out);
  }

  // Whether a pixel of the colour lies within `radius` pixels of a canvas point.
  bool colourNear(float x, float y, std::uint32_t colour, int radius = 2) {
    const QPointF p = canvas().toPixel(x, y);
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (canvas().pixelColorAt(int(std::floor(p.x())) + dx, int(std::floor(p.y())) + dy) == colour) return true;
    return false;
  }
  // Number of pixels of the colour in the pixel column through x, within
  // `span` pixels of y.
  int columnCount(float x, float y, std::uint32_t colour, int span = 12) {
    const QPointF p = canvas().toPixel(x, y);
    int n = 0;
    for (int dy = -span; dy <= span; ++dy)
      if (canvas().pixelColorAt(int(std::floor(p.x())), int(std::floor(p.y())) + dy) == colour) ++n;
    return n;
  }
};

bool near(double a, double b, double tolerance = 1e-4) { return std::fabs(a - b) <= tolerance; }

}  // namespace

class TestForm1 : public QObject {
  Q_OBJECT

 private slots:
  void startUpOnSmallScreen() {
    Window w;
    const ViewState& view = w.form->view();
    // State: fresh window on 1024 x 768. Expected: the canvas from the formulas.
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Tessaro——[Norvale3.0]"));
    QCOMPARE(w.form->size(), QSize(1024, 768));
    QCOMPARE(w.canvas().geometry(), QRect(8, 40, cmToPixels(26.669), cmToPixels(16.82)));
    QVERIFY(view.canvasLeft > -13.34f && view.canvasLeft < -13.2f);
    QCOMPARE(view.canvasRight, -view.canvasLeft);
    QCOMPARE(view.canvasBottom, -view.canvasTop);
    QVERIFY(std::floor(view.canvasLeft) - 1 == -15 && std::floor(view.canvasRight) == 13);
    QCOMPARE(view.unitLength, 1.0);
    QCOMPARE(view.frameKind, FRAME_CARTESIAN);
    QCOMPARE(w.canvas().marker(1).left, -0.1f);
    QCOMPARE(w.canvas().marker(1).top, 0.1f);
    QCOMPARE(w.canvas().marker(2).left, 0.9f);
    QCOMPARE(w.canvas().marker(2).top, 0.1f);
    QCOMPARE(w.button("Command1")->text(), QStringLiteral("直角坐标系"));
    QCOMPARE(w.field("Text2")->text(), QStringLiteral("0.1"));
    QCOMPARE(w.form->registry().funcLast(), 0);
    for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) QVERIFY(w.form->registry().isEmpty(slot));
    QCOMPARE(w.form->pen().lwidth, 1);
    QCOMPARE(w.form->pen().lcolor, BLACK);
    // The frame: axes and the last tick on each side in the frame colour.
    QVERIFY(w.colourNear(13, 0.1f, FRAME_COLOUR, 1));
    QVERIFY(w.colourNear(-13, -0.1f, FRAME_COLOUR, 1));
    QVERIFY(w.colourNear(5, 0, FRAME_COLOUR, 1));
    QVERIFY(w.colourNear(0, -5, FRAME_COLOUR, 1));
    QVERIFY(w.colourNear(0.5f, 0.5f, 0xFFFFFF, 0));
    // Hidden at start: boards, selection, read-out, export pictures.
    QVERIFY(w.get<QWidget>("lwidthBd")->isHidden());
    QVERIFY(w.get<QWidget>("lcolorBd")->isHidden());
    QVERIFY(w.get<QWidget>("Picture2")->isHidden());
    QVERIFY(w.get<QWidget>("Picture3")->isHidden());
    QVERIFY(w.canvas().readout()->isHidden());
    for (int i = 1; i <= 4; ++i) QVERIFY(!w.canvas().selectionLine(i).visible);
  }

  void startUpLabelsSitLower() {
    Window w;
    // The first pixel row, from the top, that the y label "1" darkens.
    auto labelTop = [&w] {
      const QPointF from = w.canvas().toPixel(0.3f, 1.6f);
      const QPointF to = w.canvas().toPixel(0.8f, 0.6f);
      for (int y = int(from.y()); y <= int(to.y()); ++y)
        for (int x = int(from.x()); x <= int(to.x()); ++x)
          if (w.canvas().pixelColorAt(x, y) != 0xFFFFFF) return y;
      return -1;
    };
    const int startUp = labelTop();
    QVERIFY(startUp > 0);
    // Action: toggle twice, which redraws the Cartesian scale with its usual offsets.
    QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    const int redrawn = labelTop();
    // Expected: 0.05 cm (about 2 pixels) higher than at start-up.
    QVERIFY2(startUp - redrawn >= 1 && startUp - redrawn <= 3, qPrintable(QStringLiteral("%1 %2").arg(startUp).arg(redrawn)));
  }

  void controlRowFollowsCanvas() {
    Window w;
    const QRect canvas = w.canvas().geometry();
    const int rowTop = cmToPixels(pixelsToCm(canvas.top()) + pixelsToCm(canvas.height()) + 0.2);
    for (const char* name : {"Command3", "Label3", "Text3", "Label4", "Label1_0", "Command8", "Command6", "Command9",
                             "Command4", "Command5"}) {
      QVERIFY2(std::abs(w.get<QWidget>(name)->y() - rowTop) <= 1, name);
    }
    // The top row keeps its design place.
    for (const char* name : {"Command1", "Label1_1", "Text1", "Text2", "Command2", "Command7", "Command10"}) {
      QCOMPARE(w.get<QWidget>(name)->y(), designPixels(QString::fromLatin1(name)).y());
    }
    // Exit and help align to the canvas's right edge.
    const double right = pixelsToCm(canvas.left()) + pixelsToCm(canvas.width());
    QVERIFY(std::abs(w.button("Command5")->x() - cmToPixels(right - 1.508)) <= 1);
    QVERIFY(std::abs(w.button("Command10")->x() - cmToPixels(right - 1.296)) <= 1);
    QVERIFY(w.button("Command10")->geometry().right() < w.form->width());
    QCOMPARE(w.get<QWidget>("Picture4")->width(), canvas.width());
  }

  void draw_data() {
    QTest::addColumn<bool>("polar");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("recorded");  // slot 1 afterwards, empty: nothing recorded
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("warning");
    QTest::newRow("sin(x)") << false << "sin(x)" << "sin(x)1 1 255" << "" << false;
    QTest::newRow("x") << false << "x" << "x1 1 255" << "" << false;
    QTest::newRow("empty field") << false << "" << "" << "请输入函数表达式！" << false;
    QTest::newRow("division by zero") << false << "1/0" << "" << MESSAGE_UNDEFINED << true;
    QTest::newRow("a blank is text") << false << " " << "" << MESSAGE_UNDEFINED << true;
    QTest::newRow("blanks are no function") << false << "   " << "" << MESSAGE_UNDEFINED << true;
    QTest::newRow("polar blanks") << true << "  " << "" << MESSAGE_UNDEFINED << true;
    QTest::newRow("polar spiral") << true << "2*e" << "2*e0 1 255" << "" << false;
    QTest::newRow("polar empty") << true << "" << "" << "请输入函数表达式！" << false;
  }
  void draw() {
    QFETCH(bool, polar);
    QFETCH(QString, expression);
    QFETCH(QString, recorded);
    QFETCH(QString, message);
    QFETCH(bool, warning);
    Window w;
    w.pickColour(RED_CELL);
    if (polar) QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    w.messages.clear();
    // Action: type the expression and press Enter.
    w.type(expression.toUtf8().constData());
    if (message.isEmpty()) {
      QVERIFY(w.messages.empty());
    } else {
      QCOMPARE(w.messages.count(), 1u);
      QCOMPARE(QString::fromStdString(w.messages.last().text), message);
      QCOMPARE(w.messages.last().icon, warning ? MessageIcon::Warning : MessageIcon::None);
    }
    QCOMPARE(QString::fromStdString(w.form->registry().entryText(1)), recorded);
    QCOMPARE(w.form->registry().funcLast(), recorded.isEmpty() ? 0 : 1);
    if (expression.trimmed().isEmpty()) QVERIFY(!w.colourNear(3, 0, RED, 3));  // no line y = 0
    if (expression == QLatin1String("sin(x)")) {
      for (float x : {-2.0f, 0.0f, 1.5708f, 3.0f, 6.0f}) QVERIFY(w.colourNear(x, std::sin(x), RED));
    }
    if (expression == QLatin1String("2*e")) {
      // r = 2t passes (0, pi) at t = pi/2 and (-2 pi, 0) at t = pi.
      QVERIFY(w.colourNear(0, 3.14159f, RED));
      QVERIFY(w.colourNear(-6.28318f, 0, RED));
    }
  }

  void toggleTwiceRestoresCurvesAndPen() {
    Window w;
    // State: sin(x) drawn red and 3 wide, then the user chooses blue and width 1.
    w.pickColour(RED_CELL);
    w.pickWidth(3);
    w.type("sin(x)");
    QCOMPARE(w.columnCount(1.5708f, 1.0f, RED), 3);
    w.pickColour(BLUE_CELL);
    w.pickWidth(1);
    // Action: polar and back.
    QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    QCOMPARE(w.button("Command1")->text(), QStringLiteral("极坐标系"));
    QCOMPARE(w.form->view().frameKind, FRAME_POLAR);
    QCOMPARE(w.label("Label1_0")->text(), QStringLiteral("ρ ="));
    QCOMPARE(w.label("Label1_1")->text(), QStringLiteral("ρ ="));
    QVERIFY(!w.colourNear(1.5708f, 1.0f, RED, 3));
    QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    // Expected: the curve in its own colour and width, the pen the user's.
    QCOMPARE(w.button("Command1")->text(), QStringLiteral("直角坐标系"));
    QCOMPARE(w.label("Label1_0")->text(), QStringLiteral("y ="));
    QCOMPARE(w.label("Label3")->text(), QStringLiteral("x ="));
    QCOMPARE(w.form->view().frameKind, FRAME_CARTESIAN);
    QCOMPARE(w.columnCount(1.5708f, 1.0f, RED), 3);
    QCOMPARE(w.form->pen().lwidth, 1);
    QCOMPARE(w.form->pen().lcolor, BLUE);
    QVERIFY(w.messages.empty());
    // The next draw uses the user's pen.
    w.type("x");
    QCOMPARE(w.form->registry().entryText(2), std::string("x1 1 16711680"));
  }

  void clearKeepsRegistry() {
    Window w;
    w.pickColour(RED_CELL);
    w.type("sin(x)");
    const std::string entry = w.form->registry().entryText(1);
    QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
    QVERIFY(!w.colourNear(1.5708f, 1.0f, RED, 3));
    QVERIFY(w.colourNear(3, 0.1f, FRAME_COLOUR, 0));
    QCOMPARE(w.form->registry().entryText(1), entry);
    QCOMPARE(w.form->registry().funcLast(), 1);
    QCOMPARE(w.canvas().marker(1).left, -0.1f);
    // A drag of the origin marker brings the curve back.
    w.press(0, 0);
    w.move(0.5f, 0);
    w.release(0.5f, 0);
    QVERIFY(w.colourNear(0.5f + 1.5708f, 1.0f, RED, 3));
  }

  void originDrag_data() {
    QTest::addColumn<float>("toX");
    QTest::addColumn<float>("toY");
    QTest::addColumn<QString>("edge");  // how to read the expected origin
    QTest::newRow("inside") << 3.0f << 2.0f << "follow";
    QTest::newRow("beyond right") << 20.0f << 5.0f << "right";
    QTest::newRow("beyond left") << -20.0f << 5.0f << "left";
    QTest::newRow("beyond top") << 4.0f << 12.0f << "top";
    QTest::newRow("below bottom") << 4.0f << -12.0f << "bottom";
  }
  void originDrag() {
    QFETCH(float, toX);
    QFETCH(float, toY);
    QFETCH(QString, edge);
    Window w;
    const ViewState& view = w.form->view();
    // State: origin marker dragged to (2, 1). Action: move on to (toX, toY).
    w.press(0, 0);
    QVERIFY(w.form->originDrag());
    w.move(1, 0.5f);
    w.move(2, 1);
    QVERIFY(near(view.originX(), 2) && near(view.originY(), 1));
    QCOMPARE(w.canvas().cursor().shape(), Qt::ArrowCursor);
    w.move(toX, toY);
    float expectX = toX;
    float expectY = toY;
    if (edge == QLatin1String("right")) {
      expectX = view.canvasRight;
      expectY = 1;
    } else if (edge == QLatin1String("left")) {
      expectX = view.canvasLeft + 0.2f;
      expectY = 1;
    } else if (edge == QLatin1String("top")) {
      expectX = 2;
      expectY = view.canvasTop - 0.2f;
    } else if (edge == QLatin1String("bottom")) {
      expectX = 2;
      expectY = view.canvasBottom;
    }
    QVERIFY2(near(view.originX(), expectX) && near(view.originY(), expectY),
             qPrintable(QStringLiteral("origin %1, %2").arg(view.originX()).arg(view.originY())));
    // The unit marker travels along, one unit to the right.
    QVERIFY(near(w.canvas().marker(2).left, view.markerLeft + 1.0));
    QCOMPARE(w.canvas().marker(2).top, view.markerTop);
    // The axes go through the new origin.
    const float alongX = view.originX() - 0.5f > view.canvasLeft ? view.originX() - 0.5f : view.originX() + 0.5f;
    const float alongY = view.originY() - 0.5f > view.canvasBottom ? view.originY() - 0.5f : view.originY() + 0.5f;
    // (An axis on the canvas's right or bottom edge lies just outside the picture.)
    if (view.originY() > view.canvasBottom + 0.05f) QVERIFY(w.colourNear(alongX, view.originY(), FRAME_COLOUR, 1));
    if (view.originX() < view.canvasRight - 0.05f) QVERIFY(w.colourNear(view.originX(), alongY, FRAME_COLOUR, 1));
    w.release(toX, toY);
    QVERIFY(!w.form->originDrag());
    QCOMPARE(w.canvas().cursor().shape(), Qt::CrossCursor);
    QVERIFY(!w.form->selShown());
  }

  void unitDrag_data() {
    QTest::addColumn<float>("toX");
    QTest::addColumn<double>("unitLength");
    QTest::newRow("to three") << 3.0f << 3.0;
    QTest::newRow("to a half") << 0.5f << 0.5;
    QTest::newRow("left of the origin") << -2.0f << 0.3;
    QTest::newRow("within 0.2 of the origin marker") << 0.15f << 0.3;
    QTest::newRow("more than 15 away falls back to 1") << 16.0f << 1.0;
  }
  void unitDrag() {
    QFETCH(float, toX);
    QFETCH(double, unitLength);
    Window w;
    w.type("x");
    w.press(1, 0);
    QVERIFY(w.form->unitDrag());
    QVERIFY(!w.form->originDrag());
    w.move(2, 0.3f);
    w.move(toX, 0.7f);
    QVERIFY2(near(w.form->view().unitLength, unitLength, 1e-5), qPrintable(QString::number(w.form->view().unitLength)));
    QVERIFY(near(w.canvas().marker(2).left, w.canvas().marker(1).left + unitLength, 1e-5));
    QCOMPARE(w.canvas().marker(2).top, 0.1f);
    // The origin stays; the curve y = x is redrawn at the new scale.
    QVERIFY(near(w.form->view().originX(), 0) && near(w.form->view().originY(), 0));
    const float k = static_cast<float>(unitLength);
    QVERIFY(w.colourNear(1.0f * k, 1.0f * k, BLACK, 1));
    w.release(toX, 0.7f);
    QVERIFY(!w.form->unitDrag());
  }

  void readOut() {
    Window w;
    // Action: right press. Expected: the read-out at the press point with the cut-down coordinates.
    w.press(2.5f, -1.25f, Qt::RightButton);
    QLabel* readout = w.canvas().readout();
    QVERIFY(readout->isVisible() || !readout->isHidden());
    const QPointF at = w.canvas().toPixel(2.5f, -1.25f);
    const QPointF c = w.canvas().toCanvas(at);
    QCOMPARE(readout->text(), norvale::readoutText(float(c.x()), float(c.y()), -0.1f, 0.1f, 1.0));
    QVERIFY(readout->text().startsWith(QStringLiteral("( 2.")));
    QVERIFY(readout->text().contains(QStringLiteral(",-1.2")));
    QCOMPARE(readout->pos(), QPoint(int(std::lround(at.x())), int(std::lround(at.y()))));
    // A right press touches no drag or selection flag.
    QVERIFY(!w.form->selShown() && !w.form->originDrag() && !w.form->unitDrag());
    w.move(4, 4, Qt::RightButton);
    QVERIFY(readout->text().startsWith(QStringLiteral("( 2.")));
    w.release(4, 4, Qt::RightButton);
    QVERIFY(readout->isHidden());
    // Releasing any button hides it, even when it was not shown.
    w.release(1, 1);
    QVERIFY(readout->isHidden());
  }

  void selectionCycle() {
    Window w;
    // First press anchors; nothing shows until the pointer moves.
    w.press(1, 1);
    QVERIFY(w.form->selShown() && w.form->selDrag());
    for (int i = 1; i <= 4; ++i) QVERIFY(!w.canvas().selectionLine(i).visible);
    w.move(2, 0);
    w.move(3, -2);
    for (int i = 1; i <= 4; ++i) QVERIFY(w.canvas().selectionLine(i).visible);
    const auto l1 = w.canvas().selectionLine(1);
    const auto l3 = w.canvas().selectionLine(3);
    QVERIFY(near(l1.x1, 1) && near(l1.y1, 1) && near(l1.x2, 3) && near(l1.y2, 1));
    QVERIFY(near(l3.x1, 1) && near(l3.y1, -2) && near(l3.x2, 3) && near(l3.y2, -2));
    w.release(3, -2);
    QVERIFY(w.form->selShown() && !w.form->selDrag());
    w.move(5, 5, Qt::NoButton);  // the rectangle no longer follows
    QVERIFY(near(w.canvas().selectionLine(1).x2, 3));
    // Second press hides it and starts none.
    w.press(-4, -4);
    QVERIFY(!w.form->selShown());
    for (int i = 1; i <= 4; ++i) QVERIFY(!w.canvas().selectionLine(i).visible);
    w.move(-3, -3);
    for (int i = 1; i <= 4; ++i) QVERIFY(!w.canvas().selectionLine(i).visible);
    w.release(-3, -3);
    // Third press anchors a new one.
    w.press(-2, 2);
    QVERIFY(w.form->selShown());
    QVERIFY(near(w.canvas().selectionLine(2).x1, -2) && near(w.canvas().selectionLine(2).y1, 2));
    w.release(-2, 2);
    // A press on a marker neither anchors nor dismisses; a marker drag keeps the rectangle.
    w.move(0, 0, Qt::NoButton);
    w.press(0, 0);
    w.move(1, 1);
    w.release(1, 1);
    QVERIFY(w.form->selShown());
  }

  void movingResetsPen() {
    Window w;
    w.pickColour(RED_CELL);
    w.pickWidth(5);
    w.form->pen().lwidth = 2;
    w.form->pen().lcolor = 7;
    w.move(3, 3, Qt::NoButton);
    QCOMPARE(w.form->pen().lwidth, 5);
    QCOMPARE(w.form->pen().lcolor, RED);
  }

  void pointEvaluation_data() {
    QTest::addColumn<bool>("polar");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("shown");    // Label4 afterwards
    QTest::addColumn<QString>("message");  // or empty
    QTest::addColumn<float>("dotX");       // world position of the dot; NAN: none expected on the canvas
    QTest::addColumn<float>("dotY");
    QTest::newRow("x^2 at 3") << false << "x^2" << "3" << " 9" << "" << NAN << NAN;
    QTest::newRow("1/x at 3") << false << "1/x" << "3" << " .333" << "" << 3.0f << 0.333f;
    QTest::newRow("1/x at -3 cuts down") << false << "1/x" << "-3" << "-.334" << "" << -3.0f << -0.334f;
    QTest::newRow("sqr(x) at -1") << false << "sqr(x)" << "-1" << "" << MESSAGE_NO_VALUE << NAN << NAN;
    QTest::newRow(".5 reads as a half") << false << "2*x" << ".5" << " 1" << "" << 0.5f << 1.0f;
    QTest::newRow("empty expression") << false << "" << "3" << "" << MESSAGE_NO_EXPRESSION << NAN << NAN;
    QTest::newRow("empty argument") << false << "x" << "" << "" << MESSAGE_NO_ARGUMENT << NAN << NAN;
    QTest::newRow("argument beyond single range")
        << false << "x" << "1000000000000000000000000000000000000000" << "" << MESSAGE_NO_VALUE << NAN << NAN;
    QTest::newRow("polar 2 at 0") << true << "2" << "0" << " 2" << "" << 2.0f << 0.0f;
    QTest::newRow("polar e at a right angle") << true << "e" << "1.5708" << " 1.57" << "" << 0.0f << 1.5708f;
  }
  void pointEvaluation() {
    QFETCH(bool, polar);
    QFETCH(QString, expression);
    QFETCH(QString, argument);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    QFETCH(float, dotX);
    QFETCH(float, dotY);
    Window w;
    w.pickColour(RED_CELL);
    if (polar) QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    w.field("Text1")->setText(expression);
    w.field("Text3")->setText(argument);
    QTest::mouseClick(w.button("Command8"), Qt::LeftButton);
    QCOMPARE(w.label("Label4")->text(), shown);
    if (message.isEmpty()) {
      QVERIFY(w.messages.empty());
    } else {
      QCOMPARE(w.messages.count(), 1u);
      QCOMPARE(QString::fromStdString(w.messages.last().text), message);
      QCOMPARE(w.messages.last().icon, MessageIcon::None);
    }
    if (!std::isnan(dotX)) {
      // Filled with the canvas's fill colour (black), outlined in the pen colour.
      QVERIFY(w.colourNear(dotX, dotY, BLACK, 1));
      QVERIFY(w.colourNear(dotX + 0.1f, dotY, RED, 2));
    }
    // The point is not a function of the list.
    QCOMPARE(w.form->registry().funcLast(), 0);
  }

  void fieldFilter_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterLeaving");
    QTest::newRow("letter empties first") << "Text3" << "12a" << "a" << "";
    QTest::newRow("negative number") << "Text3" << "-2.5" << "-2.5" << "-2.5";
    QTest::newRow("minus after a digit") << "Text3" << "2-" << "-" << "";
    QTest::newRow("zero stays") << "Text3" << "0" << "0" << "0";
    QTest::newRow("0.0 emptied") << "Text3" << "0.0" << "0.0" << "";
    QTest::newRow("00 emptied") << "Text3" << "00" << "00" << "";
    QTest::newRow("-0 emptied") << "Text3" << "-0" << "-0" << "";
    QTest::newRow("point emptied") << "Text3" << "." << "." << "";
    QTest::newRow("second point passes") << "Text3" << "1.2.3" << "1.2.3" << "1.2.3";
    QTest::newRow("precision 1") << "Text2" << "\b\b\b1" << "1" << "0.1";
    QTest::newRow("precision 0.05") << "Text2" << "\b\b\b0.05" << "0.05" << "0.05";
    QTest::newRow("precision .5") << "Text2" << "\b\b\b.5" << ".5" << ".5";
    QTest::newRow("precision 1.5") << "Text2" << "\b\b\b1.5" << "1.5" << "0.1";
    QTest::newRow("precision 0") << "Text2" << "\b\b\b0" << "0" << "0.1";
    QTest::newRow("precision -0.2") << "Text2" << "-0.2" << "-0.2" << "0.1";
    QTest::newRow("precision emptied") << "Text2" << "\b\b\b" << "" << "0.1";
    QTest::newRow("precision letter") << "Text2" << "x" << "x" << "0.1";
  }
  void fieldFilter() {
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(QString, afterLeaving);
    Window w;
    QLineEdit* f = w.field(field.toLatin1().constData());
    f->setCursorPosition(f->text().size());
    for (QChar c : keys) {
      if (c == QLatin1Char('\b'))
        QTest::keyClick(f, Qt::Key_Backspace);
      else
        QTest::keyClicks(f, QString(c));
    }
    QCOMPARE(f->text(), typed);
    w.loseFocus(f);
    QCOMPARE(f->text(), afterLeaving);
  }

  void enterEmptiesNumberFields() {
    Window w;
    for (const char* name : {"Text2", "Text3"}) {
      QLineEdit* f = w.field(name);
      f->setText(QStringLiteral("0.5"));
      QTest::keyClick(f, Qt::Key_Return);
      QCOMPARE(f->text(), QString());
    }
    QCOMPARE(w.form->registry().funcLast(), 0);
  }

  void shortcutsDoNotEmpty() {
    Window w;
    QLineEdit* f = w.field("Text3");
    f->setText(QStringLiteral("12"));
    QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f, Qt::Key_Tab);
    QTest::keyClick(f, Qt::Key_Left);
    QCOMPARE(f->text(), QStringLiteral("12"));
  }

  void pressOnCanvasCorrectsFieldFirst() {
    Window w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    QLineEdit* f = w.field("Text2");
    f->setFocus();
    QTRY_VERIFY(f->hasFocus());
    f->setText(QStringLiteral("5"));
    // Action: a press on the canvas (about to drag the origin marker).
    const QPoint at = w.canvas().toPixel(0, 0).toPoint();
    QTest::mousePress(&w.canvas(), Qt::LeftButton, {}, at);
    QCOMPARE(f->text(), QStringLiteral("0.1"));
    QCOMPARE(w.form->precision(), 0.1f);
    QTest::mouseRelease(&w.canvas(), Qt::LeftButton, {}, at);
  }

  void precisionUsedByRedraws() {
    Window w;
    QCOMPARE(w.form->precision(), 0.1f);
    w.field("Text2")->setText(QStringLiteral("0.05"));
    QCOMPARE(w.form->precision(), 0.05f);
    // A number too large for single precision while the user types saturates.
    w.field("Text2")->setText(QStringLiteral("1") + QString(45, QLatin1Char('0')));
    QVERIFY(std::isfinite(w.form->precision()));
  }

  void widthBoard() {
    Window w;
    // Width 4, then draw: the entry records 4 and the curve is 4 pixels thick.
    w.pickWidth(4);
    QVERIFY(w.get<QWidget>("lwidthBd")->isHidden());
    QCOMPARE(w.form->pen().lwidth, 4);
    QCOMPARE(w.form->pen().lwidthUser, 4);
    w.type("1");
    QCOMPARE(w.form->registry().entryText(1), std::string("11 4 0"));
    QCOMPARE(w.columnCount(5, 1, BLACK), 4);
    // Curves drawn before keep their widths after a redraw.
    w.pickWidth(2);
    w.type("-1");
    QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    QCOMPARE(w.columnCount(5, 1, BLACK), 4);
    QCOMPARE(w.columnCount(5, -1, BLACK), 2);
  }

  void widthBoardMisses() {
    Window w;
    QTest::mouseClick(w.button("Command2"), Qt::LeftButton);
    QWidget* board = w.get<QWidget>("lwidthBd");
    QVERIFY(!board->isHidden());
    // Right part of a sample line, and between lines: nothing happens.
    QTest::mouseClick(board, Qt::LeftButton, {}, QPoint(130, WidthBoard::sampleLineY(3)));
    QTest::mouseClick(board, Qt::LeftButton, {}, QPoint(10, WidthBoard::sampleLineY(6) + 15));
    QVERIFY(!board->isHidden());
    QCOMPARE(w.form->pen().lwidth, 1);
    // Its own button leaves it open; the colour button swaps the boards.
    QTest::mouseClick(w.button("Command2"), Qt::LeftButton);
    QVERIFY(!board->isHidden());
    QTest::mouseClick(w.button("Command7"), Qt::LeftButton);
    QVERIFY(board->isHidden());
    QVERIFY(!w.get<QWidget>("lcolorBd")->isHidden());
    QTest::mouseClick(w.button("Command2"), Qt::LeftButton);
    QVERIFY(!board->isHidden());
    QVERIFY(w.get<QWidget>("lcolorBd")->isHidden());
  }

  void colourPick_data() {
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("button");
    QTest::newRow("red, left button") << RED_CELL << int(Qt::LeftButton);
    QTest::newRow("blue, right button") << BLUE_CELL << int(Qt::RightButton);
    QTest::newRow("last pixel of the picture") << QPoint(149, 111) << int(Qt::LeftButton);
    QTest::newRow("beside the picture") << QPoint(151, 20) << int(Qt::LeftButton);
  }
  void colourPick() {
    QFETCH(QPoint, at);
    QFETCH(int, button);
    Window w;
    auto* board = w.get<ColourBoard>("lcolorBd");
    QTest::mouseClick(w.button("Command7"), Qt::LeftButton);
    QVERIFY(!board->isHidden());
    const QImage shown = board->grab().toImage();
    const std::uint32_t expected = colourValue(QColor(shown.pixel(at * shown.devicePixelRatio())));
    QTest::mousePress(board, Qt::MouseButton(button), {}, at);
    QVERIFY(board->isHidden());
    QCOMPARE(w.form->pen().lcolor, expected);
    QCOMPARE(w.form->pen().lcolorUser, expected);
    QCOMPARE(w.form->pen().lwidth, w.form->pen().lwidthUser);
  }

  void paletteColoursAreDistinct() {
    Window w;
    const QImage& palette = w.get<ColourBoard>("lcolorBd")->palettePicture();
    QCOMPARE(palette.size(), QSize(150, 112));
    QSet<QRgb> colours;
    for (int y = 0; y < palette.height(); ++y)
      for (int x = 0; x < palette.width(); ++x) colours.insert(palette.pixel(x, y));
    QVERIFY(colours.size() >= 20);
    QVERIFY(!colours.contains(qRgb(255, 255, 255)));  // a white pen would draw nothing
  }

  void help() {
    Window w;
    QVERIFY(w.form->helpWindow() == nullptr || w.form->helpWindow()->isHidden());
    QTest::mouseClick(w.button("Command10"), Qt::LeftButton);
    HelpWindow* help = w.form->helpWindow();
    QVERIFY(help && help->isVisible());
    QVERIFY(help->pageLoaded());
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("极角")));
    help->hide();
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    QTest::keyClick(w.field("Text1"), Qt::Key_F1);
    QVERIFY(help->isVisible());
  }

  void helpMissing() {
    RecordingMessages messages;
    Form1::Options options;
    options.screen = QSize(1024, 768);
    options.programFolder = QStringLiteral("/nonexistent/folder");
    options.messages = &messages;
    Form1 form(options);
    form.openHelp();
    QVERIFY(!form.helpWindow()->pageLoaded());
    QVERIFY(form.helpWindow()->browser()->toPlainText().contains(QStringLiteral("NORVALE30.html")));
    QVERIFY(messages.empty());
  }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
