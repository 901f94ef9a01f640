// The analysis window driven from the main window: its button and key, the
// results and their marks over the canvas, the derivative button, the value
// table on the clipboard; and the read-out listing every curve in its colour.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "support/recording_messages.h"
#include "ui/analysis/analysis_window.h"
#include "ui/analysis/curve_readout.h"
#include "ui/main/field_rules.h"
#include "ui/main/form1.h"
#include "ui/main/pen_boards.h"

using namespace norvale;

namespace {

constexpr std::uint32_t RED = 0x0000FF;
constexpr std::uint32_t BLUE = 0xFF0000;
constexpr std::uint32_t GREEN = 0x00A000;  // palette cell (2, 1): 0, 160, 0

struct Window {
  RecordingMessages messages;
  std::unique_ptr<Form1> form;

  explicit Window(QSize screen = QSize(1024, 768)) {
    Form1::Options options;
    options.screen = screen;
    options.programFolder = QStringLiteral(NORVALE_RESOURCES_DIR);
    options.messages = &messages;
    form = std::make_unique<Form1>(options);
  }
  template <typename T>
  T* get(const char* name) const {
    T* child = form->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no control %s", name);
    return child;
  }
  CanvasWidget& canvas() const { return form->canvas(); }

  // Draws an expression in a colour (the pen set directly, as the colour board does).
  void draw(const char* expression, std::uint32_t colour = 0) {
    form->pen().chooseColor(colour);
    get<QLineEdit>("Text1")->setText(QString::fromUtf8(expression));
    form->drawCommand();
  }
  AnalysisWindow* openAnalysis() {
    QTest::mouseClick(get<QPushButton>("Command11"), Qt::LeftButton);
    AnalysisWindow* window = form->analysisWindow();
    if (!window) qFatal("no analysis window");
    return window;
  }
  void rightPress(float x, float y) {
    const QPointF at = canvas().toPixel(x, y);
    QMouseEvent event(QEvent::MouseButtonPress, at, canvas().mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas(), &event);
  }
};

int slotOf(const FunctionRegistry& registry, const std::string& expression) {
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot)
    if (!registry.isEmpty(slot) && registry.decodeEntry(slot).expression == expression) return slot;
  return 0;
}

QStringList itemTexts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

void choose(QComboBox* box, const QString& caption) {
  const int i = box->findText(caption);
  if (i < 0) qFatal("no item %s", qPrintable(caption));
  box->setCurrentIndex(i);
}

}  // namespace

class TestAnalysisWindow : public QObject {
  Q_OBJECT

 private slots:
  void buttonFollowsTheControlRow() {
    Window w;
    auto* analysis = w.get<QPushButton>("Command11");
    auto* clear = w.get<QPushButton>("Command4");
    auto* list = w.get<QPushButton>("Command9");
    QCOMPARE(analysis->text(), QStringLiteral("分析"));
    QCOMPARE(analysis->size(), clear->size());
    QCOMPARE(analysis->font(), clear->font());
    QCOMPARE(analysis->y(), clear->y());
    // One button pitch to the right of "图象清除", as "图象清除" is of "函数列表".
    QCOMPARE(analysis->x() - clear->x(), clear->x() - list->x());
    QVERIFY(analysis->geometry().right() < w.get<QPushButton>("Command5")->x());
  }

  void f3OpensTheWindowModeless() {
    Window w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    QTest::keyClick(w.get<QLineEdit>("Text1"), Qt::Key_F3);
    AnalysisWindow* window = w.form->analysisWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("分析"));
    QVERIFY(!window->isModal());
    // A second F3 brings the same window forward.
    QTest::keyClick(w.get<QLineEdit>("Text1"), Qt::Key_F3);
    QCOMPARE(w.form->analysisWindow(), window);
  }

  void readoutListsEveryCurveInItsColour() {
    Window w;
    w.draw("x^2", RED);
    w.draw("sqr(x)", BLUE);
    w.draw("1/x", GREEN);
    // Action: right press at world x = 2 (the origin is the canvas centre, unit 1).
    w.rightPress(2.0f, 1.0f);
    QLabel* readout = w.canvas().readout();
    QCOMPARE(readout->textFormat(), Qt::RichText);
    const QString html = readout->text();
    // The first line as before, then each curve in its own colour.
    const QPointF at = w.canvas().toCanvas(w.canvas().toPixel(2.0f, 1.0f));
    const QString first = readoutText(float(at.x()), float(at.y()), -0.1f, 0.1f, 1.0);
    QVERIFY2(html.contains(first.toHtmlEscaped()), qPrintable(html));
    QVERIFY(html.indexOf(first.toHtmlEscaped()) < html.indexOf(QStringLiteral("x^2")));
    QVERIFY2(html.contains(QStringLiteral("<span style=\"color:#ff0000\">x^2 = 4</span>")) ||
                 html.contains(QStringLiteral("<span style=\"color:#ff0000\">x^2 = 3.")),
             qPrintable(html));
    QVERIFY(html.contains(QStringLiteral("<span style=\"color:#0000ff\">sqr(x) = 1.41")));
    QVERIFY(html.contains(QStringLiteral("<span style=\"color:#00a000\">1/x = .")));

    // At a negative x the root is undefined.
    const auto readings = curveReadings(w.form->registry(), FRAME_CARTESIAN, -2, 0,
                                        [](float v) { return signedDecimalText(valueCutToThousandths(v)); });
    QCOMPARE(readings.size(), std::size_t(3));
    QCOMPARE(readings[0].text, QStringLiteral("x^2 = 4"));
    QCOMPARE(readings[0].colour, RED);
    QCOMPARE(readings[1].text, QStringLiteral("sqr(x) = 无定义"));
    QCOMPARE(readings[1].colour, BLUE);
    QCOMPARE(readings[2].text, QStringLiteral("1/x =-.5"));
    QCOMPARE(readings[2].colour, GREEN);

    // Without listed curves the read-out is the plain first line.
    Window empty;
    empty.rightPress(2.0f, 1.0f);
    QCOMPARE(empty.canvas().readout()->textFormat(), Qt::PlainText);
    QVERIFY(empty.canvas().readout()->text().startsWith(QStringLiteral("( 2")));
  }

  void polarReadoutUsesThePointerAngle() {
    FunctionRegistry registry;
    registry.appendEntry("e", '0', 1, RED);
    registry.appendEntry("x^2", '1', 1, BLUE);  // another frame: not listed
    const auto readings = curveReadings(registry, FRAME_POLAR, 0, -1, [](float v) {
      return signedDecimalText(valueCutToThousandths(v));
    });
    QCOMPARE(readings.size(), std::size_t(1));
    QCOMPARE(readings[0].text, QStringLiteral("e = 4.712"));  // 3 pi / 2 below the pole
  }

  void resultsAreMarkedUntilTheWindowCloses() {
    Window w;
    w.draw("x^3-3*x", RED);
    w.draw("sin(x)", BLUE);
    AnalysisWindow* window = w.openAnalysis();
    choose(window->functionBox(), QStringLiteral("y = x^3-3*x"));
    window->analyse();
    const QStringList results = itemTexts(window->results());
    QVERIFY2(results.contains(QStringLiteral("零点　x = -1.732051")), qPrintable(results.join('|')));
    QVERIFY(results.contains(QStringLiteral("零点　x = 0")));
    QVERIFY(results.contains(QStringLiteral("极大值　(-1, 2)")));
    QVERIFY(results.contains(QStringLiteral("极小值　(1, -2)")));

    // Action: click the minimum. Expected: a mark at world (1, -2), in the curve's colour.
    const int row = int(results.indexOf(QStringLiteral("极小值　(1, -2)")));
    QListWidgetItem* item = window->results()->item(row);
    const QImage unmarked = w.canvas().image().copy();
    QTest::mouseClick(window->results()->viewport(), Qt::LeftButton, {},
                      window->results()->visualItemRect(item).center());
    QCOMPARE(w.canvas().overlayMarks().size(), std::size_t(1));
    const CanvasWidget::OverlayMark mark = w.canvas().overlayMarks().front();
    QCOMPARE(mark.x, 1.0f);
    QCOMPARE(mark.y, -2.0f);
    QCOMPARE(mark.caption, QStringLiteral("(1, -2)"));
    QCOMPARE(mark.colour, RED);
    // The mark is no pixel of the picture: exports never show it.
    QCOMPARE(w.canvas().image(), unmarked);

    // Intersections with sin(x).
    choose(window->otherBox(), QStringLiteral("y = sin(x)"));
    window->analyse();
    const QStringList withSine = itemTexts(window->results());
    QVERIFY(withSine.filter(QStringLiteral("交点")).size() == 3);
    QVERIFY(withSine.contains(QStringLiteral("交点　(0, 0)")));

    // A clear and a redraw leave the mark in place.
    w.form->clearPicture();
    QCOMPARE(w.canvas().overlayMarks().size(), std::size_t(1));
    w.form->redrawScene(ReplotMessages::Drag, w.messages);
    QCOMPARE(w.canvas().overlayMarks().size(), std::size_t(1));

    // Closing the window takes the marks away.
    window->close();
    QCOMPARE(w.canvas().overlayMarks().size(), std::size_t(0));
  }

  void derivativeBecomesAListedFunction() {
    Window w;
    w.draw("x^3-3*x", 0);  // black: the derivative takes the palette's next colour
    AnalysisWindow* window = w.openAnalysis();
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("derivativeButton")), Qt::LeftButton);
    const int slot = slotOf(w.form->registry(), "3*x^2-3");
    QVERIFY(slot == 2);
    const DecodedEntry entry = w.form->registry().decodeEntry(slot);
    QCOMPARE(entry.frameCharacter, std::string("1"));
    QCOMPARE(entry.colour, paletteColours()[1]);
    QVERIFY(w.messages.empty());
    // It is drawn: at x = 0 the derivative is -3 (a smooth curve may share
    // its ink between two rows there; one of them holds at least half).
    const QPointF p = w.canvas().toPixel(0.0f, -3.0f);
    const auto halfInked = [&](std::int64_t pixel) {
      for (int shift : {0, 8, 16}) {
        const int c = int(entry.colour >> shift & 0xFF), v = int(pixel >> shift & 0xFF);
        if (std::abs(v - c) > (255 - c) / 2 + 4) return false;
      }
      return pixel >= 0;
    };
    bool found = false;
    for (int dy = -2; dy <= 2 && !found; ++dy) found = halfInked(w.canvas().pixelColorAt(int(p.x()), int(p.y()) + dy));
    QVERIFY(found);
    // It is listed in the window at once.
    QVERIFY(window->functionBox()->findText(QStringLiteral("y = 3*x^2-3")) >= 0);
    // Adding it is a change of the list like a draw: undo takes it away, redo brings it back.
    const FunctionRegistry withDerivative = w.form->registry();
    w.form->undoListChange();
    QVERIFY(w.form->registry().isEmpty(slot));
    w.form->redoListChange();
    QVERIFY(w.form->registry() == withDerivative);

    // rnd: a message and nothing added.
    w.draw("x+rnd(1)", RED);
    window->reloadFunctions();
    choose(window->functionBox(), QStringLiteral("y = x+rnd(1)"));
    const int before = w.form->registry().funcLast();
    window->addDerivative();
    QCOMPARE(w.messages.count(), std::size_t(1));
    QCOMPARE(w.messages.last().text, std::string(MESSAGE_DERIVATIVE_RANDOM));
    QCOMPARE(w.form->registry().funcLast(), before);
  }

  void polarFrameWorksOnTheAngle() {
    Window w;
    w.form->toggleFrame();
    w.draw("1+2*cos(e)", RED);
    AnalysisWindow* window = w.openAnalysis();
    window->analyse();
    const QStringList results = itemTexts(window->results());
    // Over 0 .. 2 pi: r = 0 at 2 pi / 3 and 4 pi / 3; the largest r at 0 and 2 pi
    // lie on the ends, the smallest at pi.
    QVERIFY2(results.contains(QStringLiteral("零点　θ = 2.094395")), qPrintable(results.join('|')));
    QVERIFY(results.contains(QStringLiteral("零点　θ = 4.18879")));
    QVERIFY(results.contains(QStringLiteral("极小值　θ = 3.141593, ρ = -1")));
    // The mark of the minimum lies at the end of the radius: r = -1 at pi is world (1, 0).
    window->markResult(int(results.indexOf(QStringLiteral("极小值　θ = 3.141593, ρ = -1"))));
    QCOMPARE(w.canvas().overlayMarks().size(), std::size_t(1));
    QVERIFY(std::fabs(w.canvas().overlayMarks().front().x - 1.0f) < 1e-5f);
    QVERIFY(std::fabs(w.canvas().overlayMarks().front().y) < 1e-5f);
    // The derivative is written in the angle letter and listed in the polar frame.
    window->addDerivative();
    const int slot = slotOf(w.form->registry(), "-2*sin(e)");
    QVERIFY(slot > 0);
    QCOMPARE(w.form->registry().decodeEntry(slot).frameCharacter, std::string("0"));
  }

  void derivativeNeverOverwritesAListedFunction() {
    Window w;
    for (int i = 1; i <= FunctionRegistry::SLOT_COUNT; ++i) w.draw(qPrintable(QStringLiteral("x+%1").arg(i)));
    AnalysisWindow* window = w.openAnalysis();
    window->addDerivative();
    QCOMPARE(w.messages.last().text, std::string(MESSAGE_LIST_FULL));
    for (int i = 1; i <= FunctionRegistry::SLOT_COUNT; ++i)
      QCOMPARE(w.form->registry().decodeEntry(i).expression, QStringLiteral("x+%1").arg(i).toStdString());
    // With slot 5 free (and slot 1 after the last one written taken), it goes to slot 5.
    w.form->registry().clearEntry(5);
    window->reloadFunctions();
    window->addDerivative();
    QCOMPARE(w.form->registry().decodeEntry(5).expression, std::string("1"));
    QCOMPARE(w.form->registry().decodeEntry(1).expression, std::string("x+1"));
  }

  void nextPaletteColourSkipsUsedColours() {
    const auto& palette = paletteColours();
    QCOMPARE(palette.size(), std::size_t(24));
    QCOMPARE(nextPaletteColour(palette[0], {}), palette[1]);
    QCOMPARE(nextPaletteColour(palette[0], {palette[0], palette[1]}), palette[2]);
    QCOMPARE(nextPaletteColour(palette[23], {}), palette[0]);
    QCOMPARE(nextPaletteColour(0x123456, {}), palette[0]);  // not in the palette: from the start
    QCOMPARE(nextPaletteColour(palette[3], palette), palette[4]);  // all used: the plain next one
    // The table is the palette picture, cell by cell in reading order.
    ColourBoard board;
    const QImage& picture = board.palettePicture();
    const int columns = 6;
    for (int i = 0; i < 24; ++i) {
      const QPoint cell(12 + 25 * (i % columns), 14 + 28 * (i / columns));
      QCOMPARE(colourValue(QColor(picture.pixel(cell))), palette[i]);
    }
  }

  void valueTableOnTheClipboard() {
    Window w;
    w.draw("x^2", RED);
    w.draw("1/x", BLUE);
    AnalysisWindow* window = w.openAnalysis();
    for (int i = 0; i < window->columns()->count(); ++i) window->columns()->item(i)->setCheckState(Qt::Checked);
    window->fromField()->setText(QStringLiteral("-1"));
    window->toField()->setText(QStringLiteral("1"));
    window->stepField()->setText(QStringLiteral("0.5"));
    QApplication::clipboard()->setText(QStringLiteral("old"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("tableButton")), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("copyButton")), Qt::LeftButton);
    const QString expected = QStringLiteral("x\tx^2\t1/x\n-1\t1\t-1\n-0.5\t0.25\t-2\n0\t0\t\n0.5\t0.25\t2\n1\t1\t1\n");
    QCOMPARE(QApplication::clipboard()->text(), expected);
    QCOMPARE(window->table()->rowCount(), 5);
    QCOMPARE(window->table()->item(2, 2)->text(), QStringLiteral("无定义"));
    // A step of 0 or one that leads away from b is refused, and so are more than 10,000 rows.
    window->stepField()->setText(QStringLiteral("0"));
    window->buildTable();
    QCOMPARE(w.messages.last().text, std::string(MESSAGE_TABLE_STEP));
    window->stepField()->setText(QStringLiteral("abc"));
    window->buildTable();
    QCOMPARE(w.messages.last().text, std::string(MESSAGE_TABLE_NUMBERS));
    window->stepField()->setText(QStringLiteral("0.0001"));
    window->buildTable();
    QCOMPARE(w.messages.last().text, std::string(MESSAGE_TABLE_ROWS));
    QCOMPARE(window->tableText(), expected);  // the last good table stays
    // The largest table: 10,000 rows.
    window->fromField()->setText(QStringLiteral("0"));
    window->toField()->setText(QStringLiteral("999.9"));
    window->stepField()->setText(QStringLiteral("0.1"));
    window->buildTable();
    QCOMPARE(window->table()->rowCount(), 10000);
    QCOMPARE(window->table()->item(9999, 0)->text(), QStringLiteral("999.9"));
  }

  // Leaves a picture of the window beside the canvas for review when
  // NORVALE_ANALYSIS_SHOT names a file (run under a real display).
  void screenshotForReview() {
    const QByteArray path = qgetenv("NORVALE_ANALYSIS_SHOT");
    if (path.isEmpty()) QSKIP("NORVALE_ANALYSIS_SHOT not set");
    Window w(QSize(1300, 1000));
    w.form->move(0, 0);
    w.form->show();
    w.draw("x^3-3*x", RED);
    w.draw("sin(x)", BLUE);
    w.draw("0.5", GREEN);
    AnalysisWindow* window = w.openAnalysis();
    window->move(1310, 40);
    choose(window->functionBox(), QStringLiteral("y = x^3-3*x"));
    choose(window->otherBox(), QStringLiteral("y = sin(x)"));
    window->analyse();
    for (int i = 0; i < window->results()->count(); ++i) window->markResult(i);
    choose(window->functionBox(), QStringLiteral("y = sin(x)"));
    choose(window->otherBox(), QStringLiteral("y = 0.5"));
    window->analyse();
    for (int i = 0; i < window->results()->count(); ++i) {
      if (window->results()->item(i)->text().contains(QStringLiteral("0.5"))) window->markResult(i);
    }
    window->buildTable();
    w.rightPress(-3.5f, -2.5f);  // the read-out with every curve, held while the picture is taken
    QTest::qWait(1500);
    QScreen* screen = QGuiApplication::primaryScreen();
    QVERIFY(screen->grabWindow(0).save(QString::fromLocal8Bit(path)));
  }
};

QTEST_MAIN(TestAnalysisWindow)
#include "test_analysis_window.moc"
