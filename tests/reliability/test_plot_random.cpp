// Randomized runs of the four plotters on the recording canvas: random
// expressions (well formed, broken and hostile), unit lengths in (0, 15],
// origins anywhere on the canvas and precisions in (0, 1). Every call must
// return a result code that matches what it drew, tell the user only in the
// non-silent forms, draw only finite segments in the curve's pen, and stay
// within a fixed number of evaluations (no hang).
//
// Evaluations are counted through the engine's random sequence: the
// expression is evaluated as 0*rnd(0)+(f), which consumes exactly one random
// number per evaluation and has the value of f.
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "canvas/recording_canvas.h"
#include "engine/engine.h"
#include "plot/plotters.h"
#include "plot/view_state.h"
#include "support/recording_messages.h"

namespace {

enum class Form { Cartesian, CartesianSilent, Polar, PolarSilent };

const char* formName(Form form) {
  switch (form) {
    case Form::Cartesian: return "drawnorvale";
    case Form::CartesianSilent: return "drawnorvaleMV";
    case Form::Polar: return "drawnorvale2";
    case Form::PolarSilent: return "drawnorvale2MV";
  }
  return "?";
}

bool isPolar(Form form) { return form == Form::Polar || form == Form::PolarSilent; }
bool isSilent(Form form) { return form == Form::CartesianSilent || form == Form::PolarSilent; }

struct PlotCase {
  std::string expression;  // as the caller hands it on (polar: letter already changed)
  Form form = Form::Cartesian;
  ViewState view;
  float precision = 0.1f;
  Pen pen;
};

std::string describe(const PlotCase& c) {
  const std::string shown = c.expression.size() > 200 ? c.expression.substr(0, 200) + "..." : c.expression;
  return std::string(formName(c.form)) + "(\"" + shown + "\") unitLength=" + std::to_string(c.view.unitLength) +
         " origin=(" + std::to_string(c.view.originX()) + ", " + std::to_string(c.view.originY()) +
         ") canvas=[" + std::to_string(c.view.canvasLeft) + ", " + std::to_string(c.view.canvasRight) + "]x[" +
         std::to_string(c.view.canvasBottom) + ", " + std::to_string(c.view.canvasTop) +
         "] Jd=" + std::to_string(c.precision) + " lwidth=" + std::to_string(c.pen.lwidth);
}

// ---- random expressions -------------------------------------------------

class ExpressionMaker {
 public:
  explicit ExpressionMaker(std::mt19937& rng) : rng_(rng) {}

  std::string make(char variable) {
    variable_ = variable;
    std::string text = term(0);
    if (chance(0.15)) text = damage(text);
    return text;
  }

 private:
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::string number() {
    static const char* const special[] = {"0", "1", "2", ".5", "10", "1E5", "1E38", "3E38", "1000000",
                                          "0.000001", "999999995904", "16777217", "1E-05"};
    if (chance(0.3)) return special[pick(static_cast<int>(std::size(special)))];
    std::uniform_real_distribution<double> exponent(-3, 4);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", pick(4), std::pow(10.0, exponent(rng_)));
    return buffer;
  }

  static std::string enclosed(std::string front, const std::string& inner, const char* back) {
    front += inner;
    front += back;
    return front;
  }

  std::string atom(int depth) {
    switch (pick(depth > 4 ? 2 : 5)) {
      case 0: return std::string(1, chance(0.8) ? variable_ : 'X');
      case 1: return number();
      case 2: {
        static const char* const names[] = {"sin", "cos", "tan", "tg", "cot", "ctg", "log", "lg", "ln", "sqr",
                                            "abs", "exp", "arctg", "arctan", "arcctg", "arccot", "arcsin",
                                            "arccos", "SIN", "Sqr"};
        return enclosed(std::string(names[pick(static_cast<int>(std::size(names)))]) + "(", term(depth + 1), ")");
      }
      case 3: return enclosed("(", term(depth + 1), ")");
      default: return enclosed(chance(0.5) ? "-" : "+", atom(depth + 1), "");
    }
  }

  std::string term(int depth) {
    std::string text = atom(depth);
    const int operators = depth > 4 ? 0 : pick(4);
    for (int i = 0; i < operators; ++i) {
      static const char* const ops[] = {"+", "-", "*", "/", "\\", "^", "*-", "^-"};
      text += ops[pick(static_cast<int>(std::size(ops)))];
      text += atom(depth + 1);
    }
    return text;
  }

  // Broken texts: a dropped or doubled character, a stray one, blanks.
  std::string damage(std::string text) {
    static const char stray[] = "()+-*/^%|,. eE";
    const std::size_t at = text.empty() ? 0 : static_cast<std::size_t>(pick(static_cast<int>(text.size())));
    switch (pick(4)) {
      case 0: if (!text.empty()) text.erase(at, 1); break;
      case 1: if (!text.empty()) text.insert(at, 1, text[at]); break;
      case 2: text.insert(at, 1, stray[pick(static_cast<int>(sizeof stray - 1))]); break;
      default: text.insert(at, "  "); break;
    }
    return text;
  }

  std::mt19937& rng_;
  char variable_ = 'x';
};

// A view as the main window can show it: a canvas of 10 to 30 cm, a unit
// length in (0, 15] and the origin anywhere on the canvas.
ViewState randomView(std::mt19937& rng) {
  std::uniform_real_distribution<double> unit(0, 1);
  ViewState view;
  const float halfWidth = static_cast<float>(5 + 10 * unit(rng));
  const float halfHeight = static_cast<float>(4 + 6 * unit(rng));
  view.canvasLeft = -halfWidth;
  view.canvasRight = halfWidth;
  view.canvasBottom = -halfHeight;
  view.canvasTop = halfHeight;
  // Log-uniform from 0.01 to 15, now and then exactly 15.
  view.unitLength = unit(rng) < 0.1 ? 15.0 : 0.01 * std::pow(1500.0, unit(rng));
  const float ox = static_cast<float>(-halfWidth + 2 * halfWidth * unit(rng));
  const float oy = static_cast<float>(-halfHeight + 2 * halfHeight * unit(rng));
  view.markerLeft = ox - 0.1f;
  view.markerTop = oy + 0.1f;
  return view;
}

// ---- running one case -----------------------------------------------------

// Samples a sweep takes at most (plus slack for the last step's rounding).
std::int64_t sampleBound(const PlotCase& c) {
  const double k = c.view.unitLength;
  const double jd = c.precision > 0 && std::isfinite(c.precision) ? c.precision : DEFAULT_PRECISION;
  double wanted;
  if (isPolar(c.form)) {
    const double angle = c.form == Form::Polar ? POLAR_DRAW_ANGLE : POLAR_REDRAW_ANGLE;
    wanted = angle / k / jd;
  } else {
    const WorldWindow w = c.view.worldWindow();
    wanted = (static_cast<double>(w.right) - w.left) / (jd / k);
  }
  return static_cast<std::int64_t>(std::min(wanted, static_cast<double>(MAX_SAMPLES_PER_SWEEP))) + 2;
}

// Draws taken from the random sequence since it was last reset, if at most
// limit; -1 otherwise.
std::int64_t drawsSinceReset(std::int64_t limit) {
  const float a = NextRandom(), b = NextRandom(), c = NextRandom();
  ResetRandomSequence();
  float p = NextRandom(), q = NextRandom();
  for (std::int64_t i = 0; i <= limit; ++i) {
    const float r = NextRandom();
    if (p == a && q == b && r == c) return i;
    p = q;
    q = r;
  }
  return -1;
}

bool finite(float v) { return std::isfinite(v); }

struct Outcome {
  std::int16_t code = 0;
  std::int64_t evaluations = -1;  // -1 when not counted
};

std::int64_t maxEvaluations = 0;
std::int64_t casesRun = 0;

// Runs one case and checks every invariant; returns false (with a message
// in failure) at the first one broken.
bool runCase(const PlotCase& c, bool countEvaluations, Outcome& outcome, std::string& failure) {
  RecordingCanvas canvas;
  RecordingMessages messages;
  const PlotContext context{c.view.unitLength, c.pen, messages};
  const WorldWindow window = c.view.worldWindow();
  const std::string text = countEvaluations ? "0*rnd(0)+(" + c.expression + ")" : c.expression;

  ResetRandomSequence();
  std::int16_t code = 0;
  switch (c.form) {
    case Form::Cartesian: code = drawnorvale(text, canvas, c.precision, window, context); break;
    case Form::CartesianSilent: code = drawnorvaleMV(text, canvas, c.precision, window, context); break;
    case Form::Polar: code = drawnorvale2(text, canvas, c.precision, window, context); break;
    case Form::PolarSilent: code = drawnorvale2MV(text, canvas, c.precision, window, context); break;
  }
  outcome.code = code;
  ++casesRun;

  const auto& ops = canvas.ops();
  std::size_t drawn = 0;
  if (code != PLOT_OUT_OF_VIEW && code != PLOT_UNDEFINED && code != PLOT_OK) {
    failure = "result code " + std::to_string(code);
    return false;
  }
  if (ops.size() < 2 || ops[0].kind != CanvasOp::Kind::DrawStyle || ops[0].a != 0 ||
      ops[1].kind != CanvasOp::Kind::DrawWidth || ops[1].a != canvasPenWidth(c.pen.lwidth)) {
    failure = "the pen is not set up solid and in the curve's width first";
    return false;
  }
  for (std::size_t i = 2; i < ops.size(); ++i) {
    const CanvasOp& op = ops[i];
    if (op.kind == CanvasOp::Kind::MoveTo) {
      ++drawn;
      if (!finite(op.a) || !finite(op.b)) {
        failure = "pen moved to a point that is not finite: (" + std::to_string(op.a) + ", " + std::to_string(op.b) + ")";
        return false;
      }
    } else if (op.kind == CanvasOp::Kind::Segment) {
      ++drawn;
      if (!finite(op.a) || !finite(op.b) || !finite(op.c) || !finite(op.d)) {
        failure = "segment with an end that is not finite: (" + std::to_string(op.a) + ", " + std::to_string(op.b) +
                  ") -> (" + std::to_string(op.c) + ", " + std::to_string(op.d) + ")";
        return false;
      }
      if (op.colour != c.pen.lcolor || op.width != canvasPenWidth(c.pen.lwidth) || op.style != PenStyle::Solid) {
        failure = "segment not in the curve's pen";
        return false;
      }
    } else {
      failure = "unexpected canvas operation " + std::to_string(static_cast<int>(op.kind));
      return false;
    }
  }
  if ((code == PLOT_OK) != (drawn > 0)) {
    failure = "result code " + std::to_string(code) + " with " + std::to_string(drawn) + " pen operations";
    return false;
  }

  if (isSilent(c.form) || code == PLOT_OK) {
    if (!messages.empty()) {
      failure = "unexpected notice: " + messages.last().text;
      return false;
    }
  } else {
    const char* expected = code == PLOT_OUT_OF_VIEW ? MESSAGE_OUT_OF_VIEW : MESSAGE_UNDEFINED;
    if (messages.count() != 1 || messages.last().text != expected || messages.last().icon != MessageIcon::Warning) {
      failure = "the notice for code " + std::to_string(code) + " is missing or wrong";
      return false;
    }
  }

  if (countEvaluations) {
    // One evaluation per sample, and a bounded refinement between a sample
    // in band and each of its two neighbours; every sample in band leaves
    // at least one pen operation.
    const std::int64_t bound =
        sampleBound(c) + 2 * static_cast<std::int64_t>(MAX_REFINE_EVALUATIONS + 1) * static_cast<std::int64_t>(drawn);
    outcome.evaluations = drawsSinceReset(bound);
    if (outcome.evaluations < 0) {
      failure = "more than " + std::to_string(bound) + " evaluations";
      return false;
    }
    maxEvaluations = std::max(maxEvaluations, outcome.evaluations);
  }
  return true;
}

}  // namespace

class TestPlotRandom : public QObject {
  Q_OBJECT

 private slots:
  void randomCases_data();
  void randomCases();
  void hostileCases_data();
  void hostileCases();
  void cleanupTestCase();
};

void TestPlotRandom::randomCases_data() {
  QTest::addColumn<int>("form");
  QTest::addColumn<unsigned>("seed");
  QTest::addColumn<int>("cases");
  const Form forms[] = {Form::Cartesian, Form::CartesianSilent, Form::Polar, Form::PolarSilent};
  for (Form form : forms) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
      QTest::addRow("%s seed %u", formName(form), seed) << static_cast<int>(form) << seed << 60;
    }
  }
}

void TestPlotRandom::randomCases() {
  QFETCH(int, form);
  QFETCH(unsigned, seed);
  QFETCH(int, cases);
  std::mt19937 rng(seed * 7919u + static_cast<unsigned>(form));
  ExpressionMaker maker(rng);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < cases; ++i) {
    PlotCase c;
    c.form = static_cast<Form>(form);
    c.expression = isPolar(c.form) ? ReplaceAngleLetter(maker.make('e')) : maker.make('x');
    c.view = randomView(rng);
    // Precision log-uniform in [0.001, 1); sweeps kept under 300000 samples
    // here (the hostile cases go to the sample limit).
    do {
      c.precision = static_cast<float>(0.001 * std::pow(1000.0, unit(rng)));
    } while (c.precision >= 1.0f || sampleBound(c) > 300000);
    c.pen.lwidth = static_cast<std::int16_t>(std::uniform_int_distribution<int>(0, 7)(rng));
    c.pen.lcolor = static_cast<std::uint32_t>(rng()) & 0xFFFFFFu;
    const bool count = c.expression.find("rnd") == std::string::npos && c.expression.find("RND") == std::string::npos;
    Outcome outcome;
    std::string failure;
    if (!runCase(c, count, outcome, failure))
      QFAIL(qPrintable(QString::fromStdString("case " + std::to_string(i) + " of seed " + std::to_string(seed) +
                                              ": " + failure + "\n   " + describe(c))));
  }
}

void TestPlotRandom::hostileCases_data() {
  QTest::addColumn<int>("form");
  QTest::addColumn<QString>("expression");
  QTest::addColumn<double>("unitLength");
  QTest::addColumn<float>("originX");
  QTest::addColumn<float>("originY");
  QTest::addColumn<float>("precision");

  const int cart = static_cast<int>(Form::Cartesian);
  const int cartMV = static_cast<int>(Form::CartesianSilent);
  const int polar = static_cast<int>(Form::Polar);
  const int polarMV = static_cast<int>(Form::PolarSilent);
  // Values far beyond the canvas: the joins to out-of-view neighbours and the
  // search candidates must still end at finite canvas points.
  QTest::newRow("steep line, biggest unit") << cart << "3E38*x" << 15.0 << 0.f << 0.f << 0.5f;
  QTest::newRow("steep line from below") << cartMV << "-3E38*x" << 15.0 << 7.f << -5.f << 0.9f;
  // A step from -3E38 (x < 0) to 0 (x > 0), and from 0 up to 3E38: the joins
  // to the previous sample and the exit search land 15 * 3E38 cm away.
  QTest::newRow("join from a sample near the single limit")
      << cart << "-3E38*((1-abs(x)/x)/2)" << 15.0 << 0.3f << 0.f << 0.9f;
  QTest::newRow("exit towards a value near the single limit")
      << cartMV << "3E38*((1+abs(x)/x)/2)" << 15.0 << 0.f << 0.f << 0.9f;
  QTest::newRow("pole near the single limit") << cart << "1/(x-.3)*1E32" << 15.0 << 0.f << 0.f << 0.01f;
  QTest::newRow("huge polar radius") << polar << "3E38*sin(x)" << 15.0 << 0.f << 0.f << 0.3f;
  QTest::newRow("huge polar radius, redraw") << polarMV << "x*1E37" << 0.001 << -7.f << 5.f << 0.7f;
  // Domains that switch at every millionth: one search per switch.
  QTest::newRow("domain switching every millionth") << cartMV << "sqr(sin(3141592.65*x))" << 15.0 << 0.f << 0.f
                                                     << 0.00005f;
  QTest::newRow("domain edge next to a sample") << cart << "sqr(x)" << 15.0 << 0.0000001f << 0.f << 0.0003f;
  QTest::newRow("random noise in and out of view") << cart << "(rnd(x)-.5)*20" << 1.0 << 0.f << 0.f << 0.001f;
  // Sweeps that would need more samples than a sweep takes.
  QTest::newRow("finest precision, biggest unit") << cartMV << "x" << 15.0 << 0.f << 0.f << 0.000001f;
  QTest::newRow("polar sweep of a tiny unit") << polarMV << "2" << 0.000001 << 0.f << 0.f << 0.01f;
  QTest::newRow("polar sweep, finest precision") << polar << "x" << 1.0 << 0.f << 0.f << 0.0000001f;
  // Texts the evaluator refuses or barely accepts.
  QTest::newRow("longest accepted text") << cartMV << QString(" ").repeated(32760) + "x" << 1.0 << 0.f << 0.f << 0.1f;
  QTest::newRow("deep brackets")
      << cart << QString("(").repeated(5000) + "x" + QString(")").repeated(5000) << 1.0 << 0.f << 0.f << 0.1f;
  QTest::newRow("unbalanced") << cart << "sin(x))(" << 1.0 << 0.f << 0.f << 0.1f;
  QTest::newRow("empty") << polar << "" << 1.0 << 0.f << 0.f << 0.1f;
}

void TestPlotRandom::hostileCases() {
  QFETCH(int, form);
  QFETCH(QString, expression);
  QFETCH(double, unitLength);
  QFETCH(float, originX);
  QFETCH(float, originY);
  QFETCH(float, precision);
  PlotCase c;
  c.form = static_cast<Form>(form);
  c.expression = expression.toStdString();
  c.view.canvasLeft = -8.5f;
  c.view.canvasRight = 8.5f;
  c.view.canvasBottom = -6.f;
  c.view.canvasTop = 6.f;
  c.view.unitLength = unitLength;
  c.view.markerLeft = originX - 0.1f;
  c.view.markerTop = originY + 0.1f;
  c.precision = precision;
  c.pen.chooseWidth(3);
  c.pen.chooseColor(0x0000FF);
  const bool count = c.expression.find("rnd") == std::string::npos;
  Outcome outcome;
  std::string failure;
  QVERIFY2(runCase(c, count, outcome, failure), qPrintable(QString::fromStdString(failure + "\n   " + describe(c))));
}

void TestPlotRandom::cleanupTestCase() {
  qInfo("%lld plotter calls, at most %lld evaluations in one call", static_cast<long long>(casesRun),
        static_cast<long long>(maxEvaluations));
}

QTEST_GUILESS_MAIN(TestPlotRandom)
#include "test_plot_random.moc"
