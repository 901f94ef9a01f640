// Zeros, extrema and intersections of functions with known answers; the
// symbolic derivative checked against central differences and read back by
// the engine; the tree's printed text read back by the engine; value tables.
#include <QtTest>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "analysis/curve_analysis.h"
#include "analysis/derivative.h"
#include "analysis/expression_tree.h"
#include "analysis/value_table.h"
#include "engine/engine.h"

using namespace analysis;

namespace {

constexpr double PI = std::numbers::pi;

std::vector<Feature> ofKind(const std::vector<Feature>& all, FeatureKind kind) {
  std::vector<Feature> picked;
  for (const Feature& f : all)
    if (f.kind == kind) picked.push_back(f);
  return picked;
}

QStringList xTexts(const std::vector<Feature>& features) {
  QStringList texts;
  for (const Feature& f : features) texts << QString::fromStdString(sevenDigitText(f.x));
  return texts;
}

std::vector<Feature> analyse(const std::string& expression, double from, double to, bool withDerivative = true) {
  const SampleGrid grid = makeGrid(from, to, 4000);
  const CurveFunction f(expression, withDerivative ? derivativeText(expression).text : std::string(), grid);
  return analyseFunction(f, grid);
}

// The engine's value at x, or NaN.
double engineAt(const std::string& expression, double x) {
  bool ok = false;
  const float v = CalculateString(expression, ok, static_cast<float>(x));
  return ok ? v : std::nan("");
}

}  // namespace

class TestAnalysis : public QObject {
  Q_OBJECT

 private slots:
  void zeros_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<QStringList>("zeros");
    // The start view of a 1900 x 1000 canvas is about -25.1 .. 25.1 wide.
    QTest::newRow("x^2-2") << "x^2-2" << -25.1 << 25.1 << QStringList{"-1.414214", "1.414214"};
    QTest::newRow("sin in view") << "sin(x)" << -10.0 << 10.0
                                 << QStringList{"-9.424778", "-6.283185", "-3.141593", "0", "3.141593", "6.283185",
                                                "9.424778"};
    QTest::newRow("1/x: a pole, not a zero") << "1/x" << -25.1 << 25.1 << QStringList{};
    QTest::newRow("1/(x-1) off the grid") << "1/(x-1.2345)" << -5.0 << 5.0 << QStringList{};
    QTest::newRow("tan: zeros, never its poles") << "tan(x)" << -4.0 << 4.0
                                                 << QStringList{"-3.141593", "0", "3.141593"};
    QTest::newRow("a jump is no zero") << "abs(x)/x" << -5.0 << 5.0 << QStringList{};
    QTest::newRow("touching the axis") << "x^2" << -5.3 << 5.1 << QStringList{"0"};
    QTest::newRow("x^3-3*x") << "x^3-3*x" << -3.0 << 3.0 << QStringList{"-1.732051", "0", "1.732051"};
    QTest::newRow("ln") << "ln(x)" << -2.0 << 5.0 << QStringList{"1"};
    QTest::newRow("no real zero") << "x^2+1" << -5.0 << 5.0 << QStringList{};
    QTest::newRow("lying on the axis") << "0*x" << -5.0 << 5.0 << QStringList{};
    QTest::newRow("on the axis for a while") << "abs(x)-x" << -5.0 << 5.0 << QStringList{};
    QTest::newRow("undefined everywhere") << "sqr(-1-x^2)" << -5.0 << 5.0 << QStringList{};
  }
  void zeros() {
    QFETCH(QString, expression);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(QStringList, zeros);
    QCOMPARE(xTexts(ofKind(analyse(expression.toStdString(), from, to), FeatureKind::Zero)), zeros);
  }

  void extrema_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("withDerivative");
    QTest::addColumn<QStringList>("maxima");  // "x y"
    QTest::addColumn<QStringList>("minima");
    QTest::newRow("x^3-3*x") << "x^3-3*x" << true << QStringList{"-1 2"} << QStringList{"1 -2"};
    QTest::newRow("x^2-2") << "x^2-2" << true << QStringList{} << QStringList{"0 -2"};
    QTest::newRow("sin") << "sin(x)" << true << QStringList{"1.570796 1"} << QStringList{"-1.570796 -1"};
    QTest::newRow("a pole is no extremum") << "1/x^2" << true << QStringList{} << QStringList{};
    QTest::newRow("cusp") << "-abs(x-0.5)" << true << QStringList{"0.5 0"} << QStringList{};
    QTest::newRow("constant") << "3" << true << QStringList{} << QStringList{};
  }
  void extrema() {
    QFETCH(QString, expression);
    QFETCH(bool, withDerivative);
    QFETCH(QStringList, maxima);
    QFETCH(QStringList, minima);
    const auto all = analyse(expression.toStdString(), -3, 3, withDerivative);
    auto texts = [](const std::vector<Feature>& fs) {
      QStringList t;
      for (const Feature& f : fs)
        t << QString::fromStdString(sevenDigitText(f.x) + " " + sevenDigitText(f.y));
      return t;
    };
    QCOMPARE(texts(ofKind(all, FeatureKind::Maximum)), maxima);
    QCOMPARE(texts(ofKind(all, FeatureKind::Minimum)), minima);
  }

  // Without a derivative the golden-section search alone still finds the
  // extremum, within the flat top that single precision leaves.
  void extremaWithoutDerivative() {
    const auto all = analyse("x^3-3*x", -3, 3, false);
    const auto maxima = ofKind(all, FeatureKind::Maximum);
    const auto minima = ofKind(all, FeatureKind::Minimum);
    QCOMPARE(maxima.size(), std::size_t(1));
    QCOMPARE(minima.size(), std::size_t(1));
    QVERIFY(std::fabs(maxima[0].x + 1) < 1e-3 && std::fabs(maxima[0].y - 2) < 1e-6);
    QVERIFY(std::fabs(minima[0].x - 1) < 1e-3 && std::fabs(minima[0].y + 2) < 1e-6);
  }

  void intersections() {
    const SampleGrid grid = makeGrid(-10, 10, 4000);
    const CurveFunction s("sin(x)", "", grid);
    const CurveFunction half("0.5", "", grid);
    const auto points = findIntersections(s, half, grid);
    std::vector<double> expected;
    for (int k = -2; k <= 1; ++k) {
      for (double base : {PI / 6, 5 * PI / 6}) {
        const double x = base + 2 * PI * k;
        if (x > -10 && x < 10) expected.push_back(x);
      }
    }
    std::sort(expected.begin(), expected.end());
    QCOMPARE(points.size(), expected.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      QCOMPARE(sevenDigitText(points[i].x), sevenDigitText(expected[i]));
      QCOMPARE(sevenDigitText(points[i].y), std::string("0.5"));
    }
    // Curves that coincide have no intersection points to show.
    const CurveFunction square("x^2", "", grid);
    const CurveFunction product("x*x", "", grid);
    QCOMPARE(findIntersections(square, product, grid).size(), std::size_t(0));
    // tan crosses 0.5 once per period (arctan 0.5 + k pi, k = -3 .. 3), never at its poles.
    const CurveFunction t("tan(x)", "", grid);
    QCOMPARE(findIntersections(t, half, grid).size(), std::size_t(7));
  }

  void derivativeTexts_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("derivative");
    const char* table[][2] = {
        {"x^2", "2*x"},
        {"x^3-3*x", "3*x^2-3"},
        {"2*x+1", "2"},
        {"-x", "-1"},
        {"5", "0"},
        {"x/4", "0.25"},
        {"1/x", "-1/x^2"},
        {"x^-2", "-2*x^(-3)"},
        {"sqr(x)", "0.5/sqr(x)"},
        {"x^0.5", "0.5*x^(-0.5)"},
        {"2^x", "0.6931472*2^x"},
        {"exp(x)", "exp(x)"},
        {"exp(2*x)", "2*exp(2*x)"},
        {"ln(x)", "1/x"},
        {"lg(x)", "0.4342945/x"},
        {"log(x)", "0.4342945/x"},
        {"sin(x)", "cos(x)"},
        {"cos(x)", "-sin(x)"},
        {"tan(x)", "1/cos(x)^2"},
        {"tg(x)", "1/cos(x)^2"},
        {"cot(x)", "-1/sin(x)^2"},
        {"ctg(x)", "-1/sin(x)^2"},
        {"abs(x)", "abs(x)/x"},
        {"arcsin(x)", "1/sqr(1-x^2)"},
        {"arccos(x)", "-1/sqr(1-x^2)"},
        {"arctg(x)", "1/(1+x^2)"},
        {"arctan(x)", "1/(1+x^2)"},
        {"arcctg(x)", "-1/(1+x^2)"},
        {"arccot(x)", "-1/(1+x^2)"},
        {"sin(x)^2", "2*sin(x)*cos(x)"},
        {"sin(x^2)", "2*cos(x^2)*x"},
        {"cos(3*x)", "-3*sin(3*x)"},
        {"x*sin(x)", "sin(x)+x*cos(x)"},
        {"ln(x^2+1)", "2*x/(x^2+1)"},
        {"sqr(1-x^2)", "-x/sqr(1-x^2)"},
        {"1/(1+x^2)", "-2*x/(1+x^2)^2"},
        {"x^3/3-x", "x^2-1"},
        {"exp(sin(x))", "exp(sin(x))*cos(x)"},
        {"ln(cos(x))", "-sin(x)/cos(x)"},
        {"(2*x-1)^3", "6*(2*x-1)^2"},
        {"2*x^3-3*x^2+x-7", "6*x^2-6*x+1"},
        {"x\\2", "0.5"},
        {"+x", "1"},
        {"SIN(X)", "cos(x)"},
        {"-(x^2)", "-2*x"},
        {"x-x", "0"},
        {"(1/2)*x^2", "x"},
    };
    for (const auto& row : table) QTest::newRow(row[0]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]);
  }
  void derivativeTexts() {
    QFETCH(QString, expression);
    QFETCH(QString, derivative);
    const DerivativeResult r = derivativeText(expression.toStdString());
    QCOMPARE(int(r.error), int(DerivativeError::None));
    QCOMPARE(QString::fromStdString(r.text), derivative);
  }

  // The derivative's text, evaluated by the engine, against central
  // differences of the original (in double, on the tree the text reads as).
  void derivativeAgainstDifferences_data() {
    QTest::addColumn<QString>("expression");
    const char* expressions[] = {
        "x^2", "x^3-3*x", "1/x", "x^-2", "sqr(x)", "x^0.5", "x^(1/3)", "2^x", "x^x", "exp(x)", "exp(-x^2)",
        "ln(x)", "lg(x)", "sin(x)", "cos(x)", "tan(x)", "cot(x)", "abs(x)", "arcsin(x/4)", "arccos(x/4)",
        "arctg(x)", "arcctg(x)", "sin(x)^2", "sin(x^2)", "x*sin(x)", "x^2*exp(-x)", "ln(x^2+1)",
        "sqr(16-x^2)", "(x+1)/(x-1)", "1/(1+x^2)", "abs(x^2-1)", "exp(sin(x))", "ln(cos(x))", "x^sin(x)",
        "(2*x-1)^3", "2*x^3-3*x^2+x-7", "sin(x)*cos(x)", "tan(x/2)", "sqr(abs(x))", "exp(x)/(1+exp(x))",
        "x/(x^2+1)^2", "cos(x)^3-2^-x", "-x^2+4", "arctan(x^2)*x", "lg(abs(x)+1)", "3\\x", "(x^2)^x",
        "sin(cos(tan(x/3)))", "x^2^3", "10^(x/5)",
    };
    for (const char* e : expressions) QTest::newRow(e) << QString::fromUtf8(e);
  }
  void derivativeAgainstDifferences() {
    QFETCH(QString, expression);
    const std::string text = expression.toStdString();
    const ParseResult tree = parseExpression(text);
    QVERIFY(tree.tree);
    const DerivativeResult d = derivativeText(text);
    QCOMPARE(int(d.error), int(DerivativeError::None));
    // The engine reads the derivative's text.
    QVERIFY(parseExpression(d.text).tree);
    int compared = 0;
    for (int k = -40; k < 40; ++k) {
      const double x = k * 0.125 + 0.0625;  // exact in binary and in millionths
      const double h = 1e-5;
      const double f0 = evaluateTree(*tree.tree, x);
      const double fm = evaluateTree(*tree.tree, x - h);
      const double fp = evaluateTree(*tree.tree, x + h);
      if (!std::isfinite(f0) || !std::isfinite(fm) || !std::isfinite(fp) || std::fabs(f0) > 1e4) continue;
      const double numeric = (fp - fm) / (2 * h);
      // The tree reads the text as the engine does (up to single precision,
      // which a steep function magnifies).
      const double engineValue = engineAt(text, x);
      const double tolerance = 1e-5 * std::max(1.0, std::fabs(f0)) + 1e-6 * std::fabs(numeric) * std::max(1.0, std::fabs(x));
      QVERIFY2(std::isfinite(engineValue) && std::fabs(engineValue - f0) <= tolerance,
               qPrintable(QStringLiteral("value at %1").arg(x)));
      const double symbolic = engineAt(d.text, x);
      if (!std::isfinite(symbolic) || std::fabs(numeric) > 1e4) continue;
      const double error = std::fabs(symbolic - numeric) / std::max(std::fabs(numeric), 1.0);
      QVERIFY2(error < 1e-3, qPrintable(QStringLiteral("%1 at %2: %3 against %4")
                                            .arg(QString::fromStdString(d.text))
                                            .arg(x)
                                            .arg(symbolic)
                                            .arg(numeric)));
      ++compared;
    }
    QVERIFY2(compared >= 10, qPrintable(QStringLiteral("only %1 points compared").arg(compared)));
  }

  void derivativeFailures_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("error");
    QTest::newRow("rnd") << "x*rnd(1)" << int(DerivativeError::Random);
    QTest::newRow("rnd of a constant") << "rnd(5)+x" << int(DerivativeError::Random);
    QTest::newRow("unknown word") << "e^x" << int(DerivativeError::Malformed);
    QTest::newRow("blank before bracket") << "exp (x)" << int(DerivativeError::Malformed);
    QTest::newRow("unclosed") << "sin(x" << int(DerivativeError::Malformed);
    QTest::newRow("implicit product") << "2x" << int(DerivativeError::Malformed);
    QTest::newRow("percent") << "5%x" << int(DerivativeError::Malformed);
    QTest::newRow("deep") << QString(100, '(') + "x" + QString(100, ')') << int(DerivativeError::TooLarge);
  }
  void derivativeFailures() {
    QFETCH(QString, expression);
    QFETCH(int, error);
    const DerivativeResult r = derivativeText(expression.toStdString());
    QCOMPARE(int(r.error), error);
    QVERIFY(r.text.empty());
  }

  void polarDerivativeUsesTheAngleLetter() {
    const DerivativeResult r = derivativeText("e^2+sin(e)+exp(e)", true);
    QCOMPARE(QString::fromStdString(r.text), QStringLiteral("2*e+cos(e)+exp(e)"));
  }

  // Random trees printed as text and read by the engine give the tree's own
  // value: the brackets and signs of the printer keep the grouping.
  void printedTreesReadBack() {
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    std::function<NodePtr(int)> grow = [&](int depth) -> NodePtr {
      const int choice = depth <= 0 ? pick(2) : pick(9);
      switch (choice) {
        case 0: return number((pick(41) - 20) / 4.0);
        case 1: return variable();
        case 2: return binary(Node::Kind::Add, grow(depth - 1), grow(depth - 1));
        case 3: return binary(Node::Kind::Sub, grow(depth - 1), grow(depth - 1));
        case 4: return binary(Node::Kind::Mul, grow(depth - 1), grow(depth - 1));
        case 5: return binary(Node::Kind::Div, grow(depth - 1), grow(depth - 1));
        case 6: return binary(Node::Kind::Pow, grow(depth - 1), number(pick(4)));
        case 7: return neg(grow(depth - 1));
        default: return call(pick(2) ? Function::Sin : Function::Arctg, grow(depth - 1));
      }
    };
    int compared = 0;
    for (int i = 0; i < 600; ++i) {
      const NodePtr tree = grow(4);
      const std::string text = toText(*tree);
      QVERIFY(parseExpression(text).tree);
      for (double x : {-1.75, -0.5, 0.25, 1.5, 3.0}) {
        const double expected = evaluateTree(*tree, x);
        if (!std::isfinite(expected) || std::fabs(expected) > 1e3) continue;
        const double got = engineAt(text, x);
        if (!std::isfinite(got)) continue;  // an intermediate beyond single precision
        QVERIFY2(std::fabs(got - expected) <= 1e-3 * std::max(1.0, std::fabs(expected)),
                 qPrintable(QStringLiteral("%1 at %2: %3, not %4").arg(QString::fromStdString(text)).arg(x).arg(got).arg(expected)));
        ++compared;
      }
    }
    QVERIFY(compared > 1000);
  }

  void numberTexts_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("seven");
    QTest::newRow("integer") << 2.0 << "2" << "2";
    QTest::newRow("half") << 0.5 << "0.5" << "0.5";
    QTest::newRow("negative") << -1.5 << "-1.5" << "-1.5";
    QTest::newRow("small") << 0.0001 << "0.0001" << "0.0001";
    QTest::newRow("tiny") << 1e-7 << "0.0000001" << "1e-07";
    QTest::newRow("large") << 12345678.0 << "12345678" << "1.234568e+07";
    QTest::newRow("root 2") << std::sqrt(2.0) << "1.4142135" << "1.414214";
    QTest::newRow("minus zero") << -0.0 << "0" << "0";
  }
  void numberTexts() {
    QFETCH(double, value);
    QFETCH(QString, plain);
    QFETCH(QString, seven);
    QCOMPARE(QString::fromStdString(plainNumberText(value)), plain);
    QCOMPARE(QString::fromStdString(sevenDigitText(value)), seven);
  }

  void valueTable() {
    const ValueTable t = makeValueTable(-1, 1, 0.5, {"x^2", "1/x"});
    QCOMPARE(int(t.error), int(TableError::None));
    QCOMPARE(QString::fromStdString(tableText(t, "")),
             QStringLiteral("x\tx^2\t1/x\n-1\t1\t-1\n-0.5\t0.25\t-2\n0\t0\t\n0.5\t0.25\t2\n1\t1\t1\n"));
    // 0 .. 1 by 0.1 ends at 1 although 10 * 0.1 is not exactly 1.
    QCOMPARE(makeValueTable(0, 1, 0.1, {"x"}).x.size(), std::size_t(11));
    QCOMPARE(makeValueTable(2, 2, 0, {"x"}).x.size(), std::size_t(1));
    QCOMPARE(makeValueTable(1, 0, -0.25, {"x"}).x.size(), std::size_t(5));
    QCOMPARE(int(makeValueTable(0, 1, 0, {"x"}).error), int(TableError::BadStep));
    QCOMPARE(int(makeValueTable(0, 1, -0.1, {"x"}).error), int(TableError::BadStep));
    QCOMPARE(int(makeValueTable(0, 1, std::nan(""), {"x"}).error), int(TableError::BadStep));
    QCOMPARE(int(makeValueTable(0, 9999, 1, {"x"}).error), int(TableError::None));
    QCOMPARE(makeValueTable(0, 9999, 1, {"x"}).x.size(), std::size_t(MAX_TABLE_ROWS));
    QCOMPARE(int(makeValueTable(0, 10000, 1, {"x"}).error), int(TableError::TooManyRows));
  }
};

QTEST_APPLESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
