// The engine's results for the cases that catch real faults: operator levels
// and signs, empty sides, brackets, function names and domains, the values
// that round to NO_VALUE, number leaves, the variable's rounding and text.
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "engine/engine.h"

Q_DECLARE_METATYPE(std::string)

namespace {

constexpr float NV = NO_VALUE;
constexpr float kPi = 3.14159265358979f;

// Equal as the plotters see it: the same bits (so -0 and 0 differ).
bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

QString Describe(float value) { return QString::number(static_cast<double>(value), 'g', 9); }

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

}  // namespace

class TestEngineTables : public QObject {
  Q_OBJECT

 private slots:
  void init() { ResetRandomSequence(); }
  void evaluate_data();
  void evaluate();
  void calculate_data();
  void calculate();
  void randomAdvances_data();
  void randomAdvances();
  void randomSequence();
  void numberText_data();
  void numberText();
  void variableText_data();
  void variableText();
  void angleLetter_data();
  void angleLetter();
  void compiledMatchesCalculate();
};

void TestEngineTables::evaluate_data() {
  QTest::addColumn<std::string>("text");
  QTest::addColumn<float>("expected");

  // Empty texts and signs at the start of a level.
  QTest::newRow("empty") << std::string("") << 0.0f;
  QTest::newRow("blanks") << std::string("   ") << 0.0f;
  QTest::newRow("empty brackets") << std::string("()") << 0.0f;
  QTest::newRow("blank in brackets") << std::string("( )") << 0.0f;
  QTest::newRow("minus") << std::string("-5") << -5.0f;
  QTest::newRow("minus blank") << std::string("- 5") << -5.0f;
  QTest::newRow("plus") << std::string("+5") << 5.0f;
  QTest::newRow("plus minus") << std::string("+-5") << -5.0f;
  QTest::newRow("two minus") << std::string("--5") << 5.0f;
  QTest::newRow("minus bracket minus") << std::string("-(-5)") << 5.0f;
  QTest::newRow("minus binds looser than power") << std::string("-2^2") << -4.0f;
  QTest::newRow("minus binds looser than times") << std::string("-2*3") << -6.0f;
  QTest::newRow("minus then plus") << std::string("-5+3") << -2.0f;
  QTest::newRow("blank between minus signs") << std::string(" - - 5 ") << 5.0f;

  // Levels and left associativity.
  QTest::newRow("power left assoc") << std::string("2^3^2") << 64.0f;
  QTest::newRow("times before plus") << std::string("1+2*3") << 7.0f;
  QTest::newRow("brackets") << std::string("(1+2)*3") << 9.0f;
  QTest::newRow("times minus") << std::string("2*3-4") << 2.0f;
  QTest::newRow("divide times") << std::string("10/4*2") << 5.0f;
  QTest::newRow("backslash divides") << std::string("7\\2") << 3.5f;
  QTest::newRow("minus left assoc") << std::string("1-2-3") << -4.0f;
  QTest::newRow("divide left assoc") << std::string("8/4/2") << 1.0f;
  QTest::newRow("three levels") << std::string("1+2*3^2") << 19.0f;
  QTest::newRow("power of minus") << std::string("3-2^2") << -1.0f;

  // Signs after operators, brackets and "%".
  QTest::newRow("times sign") << std::string("2*-3") << -6.0f;
  QTest::newRow("power sign") << std::string("2^-1") << 0.5f;
  QTest::newRow("power sign two") << std::string("2^-2") << 0.25f;
  QTest::newRow("minus minus") << std::string("2--1") << 3.0f;
  QTest::newRow("minus blank minus") << std::string("2- -1") << 3.0f;
  QTest::newRow("minus plus") << std::string("2-+1") << 1.0f;
  QTest::newRow("bracket sign") << std::string("(-5)") << -5.0f;
  QTest::newRow("sign after bracket open") << std::string("2*(-3+1)") << -4.0f;
  QTest::newRow("minus after closing bracket") << std::string("(2)-1") << 1.0f;
  QTest::newRow("percent makes sign unary") << std::string("5%-3") << NV;
  QTest::newRow("percent alone") << std::string("5%") << NV;

  // Empty sides count as 0.
  QTest::newRow("trailing plus") << std::string("5+") << 5.0f;
  QTest::newRow("trailing minus") << std::string("5-") << 5.0f;
  QTest::newRow("leading times") << std::string("*5") << 0.0f;
  QTest::newRow("trailing times") << std::string("5*") << 0.0f;
  QTest::newRow("leading divide") << std::string("/5") << 0.0f;
  QTest::newRow("trailing divide") << std::string("5/") << NV;
  QTest::newRow("trailing power") << std::string("2^") << 1.0f;
  QTest::newRow("leading power") << std::string("^2") << 0.0f;
  QTest::newRow("power of empty brackets") << std::string("2^()") << 1.0f;
  QTest::newRow("nested empty brackets") << std::string("(())") << 0.0f;

  // Brackets that do not pair, implicit products, unknown words.
  QTest::newRow("unclosed") << std::string("((1)") << NV;
  QTest::newRow("closes nothing") << std::string("(1))") << NV;
  QTest::newRow("crossed") << std::string("(1))((2)") << NV;
  QTest::newRow("reversed") << std::string(")(") << NV;
  QTest::newRow("open only") << std::string("(") << NV;
  QTest::newRow("unclosed after plus") << std::string("1+(2") << NV;
  QTest::newRow("outer pair not a pair") << std::string("(1)(2)") << NV;
  QTest::newRow("outer pair with operator inside") << std::string("(1)+(2)") << 3.0f;
  QTest::newRow("implicit product") << std::string("2(3)") << NV;
  QTest::newRow("blank product") << std::string("2 3") << NV;
  QTest::newRow("pi") << std::string("pi") << NV;
  QTest::newRow("bars") << std::string("|2|") << NV;
  QTest::newRow("comma") << std::string("pow(2,3)") << NV;
  QTest::newRow("high byte") << std::string("1+\xc2\xb2") << NV;

  // Divisions and powers outside the real numbers.
  QTest::newRow("divide by zero") << std::string("1/0") << NV;
  QTest::newRow("divide by bracket zero") << std::string("1/(1-1)") << NV;
  QTest::newRow("zero by zero") << std::string("0/0") << NV;
  QTest::newRow("odd root of negative") << std::string("(-8)^(1/3)") << NV;
  QTest::newRow("integer power of negative") << std::string("(-8)^3") << -512.0f;
  QTest::newRow("zero to minus one") << std::string("0^-1") << NV;
  QTest::newRow("zero to zero") << std::string("0^0") << 1.0f;
  QTest::newRow("root of negative") << std::string("(-2)^0.5") << NV;
  QTest::newRow("power overflows") << std::string("2^128") << NV;
  QTest::newRow("largest power") << std::string("2^127") << 1.7014118e38f;
  QTest::newRow("power underflows to 0") << std::string("10^-50") << 0.0f;

  // Results that round to NO_VALUE or leave the single range.
  QTest::newRow("million squared") << std::string("1000000*1000000") << NV;
  QTest::newRow("million squared plus 1") << std::string("1000000*1000000+1") << NV;
  QTest::newRow("leaf NO_VALUE") << std::string("999999995904") << NV;
  QTest::newRow("leaf rounding to NO_VALUE") << std::string("999999990000") << NV;
  QTest::newRow("minus NO_VALUE leaf") << std::string("-999999995904") << NV;
  QTest::newRow("negative NO_VALUE is a value") << std::string("(0-1000000)*1000000") << -999999995904.0f;
  QTest::newRow("product overflows") << std::string("1e38*10") << NV;
  QTest::newRow("sum overflows") << std::string("3e38+3e38") << NV;
  QTest::newRow("product underflows to 0") << std::string("1e-30") << NV;  // "1e" - "30"
  QTest::newRow("tiny product") << std::string("(1/1e30)*(1/1e30)") << 0.0f;

  // Number leaves.
  QTest::newRow("point first") << std::string(".5") << 0.5f;
  QTest::newRow("point last") << std::string("5.") << 5.0f;
  QTest::newRow("exponent") << std::string("1E5") << 100000.0f;
  QTest::newRow("small exponent letter") << std::string("2.5e3") << 2500.0f;
  QTest::newRow("exponent leading zero") << std::string("1E05") << 100000.0f;
  QTest::newRow("leading zeros") << std::string("00012") << 12.0f;
  QTest::newRow("signed exponent split") << std::string("1E-05") << NV;
  QTest::newRow("plus exponent split") << std::string("2E+07") << NV;
  QTest::newRow("bare exponent") << std::string("1E") << NV;
  QTest::newRow("exponent only") << std::string("E5") << NV;
  QTest::newRow("point only") << std::string(".") << NV;
  QTest::newRow("two points") << std::string("1.2.3") << NV;
  QTest::newRow("decimal comma") << std::string("1,5") << NV;
  QTest::newRow("hexadecimal") << std::string("0x1A") << NV;
  QTest::newRow("hex prefix") << std::string("&H10") << NV;
  QTest::newRow("group separator") << std::string("1_000") << NV;
  QTest::newRow("D exponent") << std::string("1D5") << NV;
  QTest::newRow("inf word") << std::string("inf") << NV;
  QTest::newRow("nan word") << std::string("nan") << NV;
  QTest::newRow("tab inside") << std::string("\t5") << NV;
  QTest::newRow("largest single") << std::string("3.4028235e38") << 3.4028235e38f;
  QTest::newRow("beyond single") << std::string("3.4028236e38") << NV;
  QTest::newRow("fifty digits") << "1" + Repeat("0", 50) << NV;
  QTest::newRow("below single reads 0") << "0." + Repeat("0", 50) + "1" << 0.0f;
  QTest::newRow("denormal leaf") << "0." + Repeat("0", 39) + "1" << 1e-40f;
  QTest::newRow("seven tenths") << std::string("0.7") << 0.7f;

  // Named functions: recognition.
  QTest::newRow("upper") << std::string("SIN(0)") << 0.0f;
  QTest::newRow("mixed") << std::string("sIn(0)") << 0.0f;
  QTest::newRow("capital") << std::string("Sin(0)") << 0.0f;
  QTest::newRow("blank before bracket") << std::string("sin (0)") << NV;
  QTest::newRow("no bracket") << std::string("sin0") << NV;
  QTest::newRow("name only") << std::string("sin") << NV;
  QTest::newRow("too short group 1") << std::string("sin()") << NV;
  QTest::newRow("too short group 2") << std::string("tg()") << NV;
  QTest::newRow("blank argument") << std::string("sin( )") << 0.0f;
  QTest::newRow("two calls glued") << std::string("sin(1)(2)") << NV;
  QTest::newRow("call times") << std::string("sin(1)*2") << 1.68294197f;
  QTest::newRow("no closing bracket") << std::string("sin(1") << NV;
  QTest::newRow("tail after call") << std::string("sin(1)2") << NV;
  QTest::newRow("sign in argument") << std::string("abs(-3)") << 3.0f;
  QTest::newRow("nested calls") << std::string("sqr(sqr(16))") << 2.0f;
  QTest::newRow("arctg") << std::string("ARCTG(1)") << kPi / 4;
  QTest::newRow("arctan") << std::string("arctan(1)") << kPi / 4;
  QTest::newRow("unknown name") << std::string("sinh(0)") << NV;
  QTest::newRow("plus before call") << std::string("+cos(0)") << 1.0f;

  // Named functions: values and domain edges.
  QTest::newRow("lg 100") << std::string("lg(100)") << 2.0f;
  QTest::newRow("log 100") << std::string("log(100)") << 2.0f;
  QTest::newRow("lg 0") << std::string("lg(0)") << NV;
  QTest::newRow("lg negative") << std::string("lg(-1)") << NV;
  QTest::newRow("ln 0") << std::string("ln(0)") << NV;
  QTest::newRow("ln negative") << std::string("ln(-1)") << NV;
  QTest::newRow("ln 1") << std::string("ln(1)") << 0.0f;
  QTest::newRow("sqr 4") << std::string("sqr(4)") << 2.0f;
  QTest::newRow("sqr negative") << std::string("sqr(-4)") << NV;
  QTest::newRow("sqr 0") << std::string("sqr(0)") << 0.0f;
  QTest::newRow("ctg 0") << std::string("ctg(0)") << NV;
  QTest::newRow("cot 0") << std::string("cot(0)") << NV;
  QTest::newRow("ctg 1") << std::string("ctg(1)") << 0.6420926159f;
  QTest::newRow("cot of tiny overflows") << std::string("cot(1/1e38/1e7)") << NV;
  QTest::newRow("tan") << std::string("tan(1)") << 1.5574077247f;
  QTest::newRow("arcsin 1") << std::string("arcsin(1)") << NV;
  QTest::newRow("arcsin -1") << std::string("arcsin(-1)") << NV;
  QTest::newRow("arccos 1") << std::string("arccos(1)") << NV;
  QTest::newRow("arccos -1") << std::string("arccos(-1)") << NV;
  QTest::newRow("arcsin beyond") << std::string("arcsin(2)") << NV;
  QTest::newRow("arcsin half") << std::string("arcsin(0.5)") << kPi / 6;
  QTest::newRow("arccos 0") << std::string("arccos(0)") << 1.570796327f;
  QTest::newRow("arccos half") << std::string("arccos(0.5)") << 1.0471975512f;
  QTest::newRow("arccot 0") << std::string("arccot(0)") << kPi / 2;
  // The inverse of the cotangent: cot(pi/4) = 1, cot(3 pi/4) = -1.
  QTest::newRow("arccot 1") << std::string("arccot(1)") << kPi / 4;
  QTest::newRow("arccot -1") << std::string("arccot(-1)") << 3 * kPi / 4;
  QTest::newRow("arcctg") << std::string("ARCCTG(1)") << kPi / 4;
  QTest::newRow("arccot decreases") << std::string("arccot(1000)") << 0.000999999666f;
  QTest::newRow("arccot near pi") << std::string("arccot(-1000)") << 3.14059265f;
  QTest::newRow("exp 1") << std::string("exp(1)") << 2.718281828f;
  QTest::newRow("exp 88") << std::string("exp(88)") << 1.6516363e38f;
  QTest::newRow("exp 89") << std::string("exp(89)") << NV;
  QTest::newRow("exp 100") << std::string("exp(100)") << NV;
  QTest::newRow("exp far below") << std::string("exp(-200)") << 0.0f;
  QTest::newRow("abs of minus NO_VALUE") << std::string("abs((0-1000000)*1000000)") << NV;
  QTest::newRow("rnd of failure") << std::string("rnd(1/0)") << NV;

  // The 16-bit length rule, counted after trimming and the leading sign.
  QTest::newRow("32766 characters") << "01" + Repeat("+1", 16382) << 16383.0f;
  QTest::newRow("32767 characters") << "001" + Repeat("+1", 16382) << NV;
  QTest::newRow("32766 with outer blanks") << "  01" + Repeat("+1", 16382) + "  " << 16383.0f;
  QTest::newRow("leading minus makes 32767") << "-1" + Repeat("+1", 16382) << NV;
  QTest::newRow("leading minus 32766") << "-" + Repeat("+1", 16382) << 16380.0f;  // 0-+1+1...
}

void TestEngineTables::evaluate() {
  QFETCH(std::string, text);
  QFETCH(float, expected);
  const float value = EvaluateExpr(text);
  QVERIFY2(SameBits(value, expected), qPrintable(Describe(value) + " expected " + Describe(expected)));
}

void TestEngineTables::calculate_data() {
  QTest::addColumn<std::string>("expr");
  QTest::addColumn<float>("x");
  QTest::addColumn<float>("expected");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();

  QTest::newRow("2x value") << std::string("2*x") << 2.0f << 4.0f;
  QTest::newRow("implicit before") << std::string("2x") << 2.0f << NV;
  QTest::newRow("implicit after") << std::string("x2") << 2.0f << NV;
  QTest::newRow("capital X") << std::string("X+1") << 2.0f << 3.0f;
  QTest::newRow("square of negative") << std::string("x^2") << -0.5f << 0.25f;
  QTest::newRow("minus square") << std::string("-x^2") << -0.5f << -0.25f;
  QTest::newRow("power of negative x") << std::string("2^x") << -0.5f << 0.70710678f;
  QTest::newRow("x minus x") << std::string("x-x") << -0.5f << 0.0f;
  QTest::newRow("0.7 moves down") << std::string("x") << 0.7f << 0.699999f;
  QTest::newRow("-0.1 moves down") << std::string("x") << -0.1f << -0.100001f;
  QTest::newRow("0.1 stays") << std::string("x") << 0.1f << 0.1f;
  QTest::newRow("0.3 stays") << std::string("x") << 0.3f << 0.3f;
  QTest::newRow("2.5 stays") << std::string("x") << 2.5f << 2.5f;
  QTest::newRow("-2.5 stays") << std::string("x") << -2.5f << -2.5f;
  QTest::newRow("below a millionth") << std::string("1/x") << 0.0000009f << NV;
  QTest::newRow("below a millionth is 0") << std::string("x") << 0.0000009f << 0.0f;
  QTest::newRow("negative below a millionth") << std::string("x") << -0.0000009f << -0.000001f;
  QTest::newRow("exp of x") << std::string("exp(x)") << 1.0f << 2.718281828f;
  QTest::newRow("EXP of X") << std::string("EXP(X)") << 1.0f << 2.718281828f;
  QTest::newRow("eXp keeps its x") << std::string("eXp(x)") << 1.0f << 2.718281828f;
  QTest::newRow("exp without bracket") << std::string("expx") << 1.0f << NV;
  QTest::newRow("exp with blank") << std::string("exp (x)") << 1.0f << NV;
  QTest::newRow("name glued to x") << std::string("sinx") << 0.5f << 0.4794255386f;
  QTest::newRow("tg glued to x") << std::string("tgx") << 0.5f << 0.5463024898f;
  QTest::newRow("root of negative") << std::string("sqr(x)") << -1.0f << NV;
  QTest::newRow("no variable") << std::string("2+3") << 123.0f << 5.0f;
  QTest::newRow("NO_VALUE expression") << std::string("1000000*1000000") << 1.0f << NV;
  QTest::newRow("x in a name") << std::string("max(x)") << 1.0f << NV;

  // Values whose 7-digit text would need an exponent read back exactly.
  QTest::newRow("small value") << std::string("1/x") << 0.0005f << 1.0f / 0.0005f;
  QTest::newRow("a millionth") << std::string("x*1000000") << 0.0000011f << 0.000001f * 1000000.0f;
  QTest::newRow("just below a millionth") << std::string("x") << 0.000001f << 0.0f;
  QTest::newRow("two to -16") << std::string("x") << 0.0000152587890625f << 0.000015f;
  QTest::newRow("twenty million") << std::string("x/1000") << 20000000.0f << 20000.0f;
  QTest::newRow("eight digits") << std::string("x") << 12345678.0f << 12345678.0f;
  QTest::newRow("1e20") << std::string("x/1e19") << 1e20f << 1e20f / 1e19f;
  QTest::newRow("x is NO_VALUE") << std::string("x") << NV << NV;
  QTest::newRow("x is NO_VALUE inside") << std::string("x/2") << NV << NV;
  QTest::newRow("x is minus NO_VALUE") << std::string("x") << -NV << NV;
  // Values with a 7-digit text read back as that text.
  QTest::newRow("seven digits of 12.345678") << std::string("x") << 12.345678f << 12.34568f;
  QTest::newRow("half to even") << std::string("x") << 1234.5625f << 1234.562f;
  QTest::newRow("up to 10000000") << std::string("x") << 9999999.0f << 9999999.0f;
  QTest::newRow("ten thousandth moves down") << std::string("x") << 0.0001f << 0.000099f;

  // Values that are no number.
  QTest::newRow("nan") << std::string("x") << nan << NV;
  QTest::newRow("infinity") << std::string("x+1") << inf << NV;
  QTest::newRow("minus infinity") << std::string("x") << -inf << NV;
  QTest::newRow("nan without x") << std::string("2+3") << nan << 5.0f;
  QTest::newRow("minus zero is zero") << std::string("x") << -0.0f << 0.0f;
  QTest::newRow("minus zero times minus one") << std::string("x*-1") << -0.0f << -0.0f;
}

void TestEngineTables::calculate() {
  QFETCH(std::string, expr);
  QFETCH(float, x);
  QFETCH(float, expected);
  bool good = !(expected != NV);
  const float value = CalculateString(expr, good, x);
  QVERIFY2(SameBits(value, expected), qPrintable(Describe(value) + " expected " + Describe(expected)));
  QCOMPARE(good, expected != NV);
}

// How often an evaluation draws from the random sequence: every rnd call the
// evaluator reaches, in its order, and none after the first NO_VALUE part.
void TestEngineTables::randomAdvances_data() {
  QTest::addColumn<std::string>("expr");
  QTest::addColumn<float>("x");
  QTest::addColumn<int>("draws");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  QTest::newRow("one call") << std::string("rnd(5)") << 1.0f << 1;
  QTest::newRow("negative argument") << std::string("rnd(-5)") << 1.0f << 1;
  QTest::newRow("failing argument") << std::string("rnd(1/0)") << 1.0f << 0;
  QTest::newRow("two calls") << std::string("rnd(1)+rnd(2)") << 1.0f << 2;
  QTest::newRow("failure after") << std::string("rnd(1)+1/0") << 1.0f << 1;
  QTest::newRow("failure before") << std::string("1/0+rnd(1)") << 1.0f << 0;
  QTest::newRow("malformed right side") << std::string("rnd(1)+2(3)") << 1.0f << 1;
  QTest::newRow("unclosed text") << std::string("rnd(1)+(") << 1.0f << 0;
  QTest::newRow("too long") << "rnd(1)+" + Repeat(" ", 32760) + "1" << 1.0f << 0;
  QTest::newRow("long but not too long") << "rnd(1)+" + Repeat(" ", 32758) + "1" << 1.0f << 1;
  QTest::newRow("nested") << std::string("rnd(rnd(1))") << 1.0f << 2;
  QTest::newRow("x before, x fails") << std::string("x+rnd(1)") << nan << 0;
  QTest::newRow("x after, x fails") << std::string("rnd(1)+x") << nan << 1;
  QTest::newRow("x in argument fails") << std::string("rnd(x)") << nan << 0;
  QTest::newRow("x fine") << std::string("x*rnd(x)+rnd(1)") << 2.0f << 2;
  QTest::newRow("failing product before") << std::string("(x/0)*rnd(1)") << 2.0f << 0;
  QTest::newRow("in a failing argument") << std::string("sqr(rnd(1)-2)") << 1.0f << 1;
}

void TestEngineTables::randomAdvances() {
  QFETCH(std::string, expr);
  QFETCH(float, x);
  QFETCH(int, draws);
  bool good = false;
  CalculateString(expr, good, x);
  const float next = NextRandom();
  ResetRandomSequence();
  for (int i = 0; i < draws; ++i) NextRandom();
  QCOMPARE(next, NextRandom());
}

void TestEngineTables::randomSequence() {
  float first[100];
  bool spread[10] = {};
  for (float& value : first) {
    value = EvaluateExpr("rnd(1)");
    QVERIFY(value >= 0.0f && value < 1.0f);
    spread[static_cast<int>(value * 10)] = true;
  }
  for (bool tenth : spread) QVERIFY(tenth);
  ResetRandomSequence();
  for (float value : first) QCOMPARE(EvaluateExpr("RND(0)"), value);
}

void TestEngineTables::numberText_data() {
  QTest::addColumn<float>("value");
  QTest::addColumn<std::string>("text");
  QTest::newRow("zero") << 0.0f << std::string(" 0");
  QTest::newRow("minus zero") << -0.0f << std::string(" 0");
  QTest::newRow("half") << 0.5f << std::string(" .5");
  QTest::newRow("minus quarter") << -0.25f << std::string("-.25");
  QTest::newRow("three") << 3.0f << std::string(" 3");
  QTest::newRow("minus three") << -3.0f << std::string("-3");
  QTest::newRow("hundred") << 100.0f << std::string(" 100");
  QTest::newRow("0.7 to seven digits") << 0.7f << std::string(" .7");
  QTest::newRow("0.699999") << 0.699999f << std::string(" .699999");
  QTest::newRow("third") << 1.0f / 3 << std::string(" .3333333");
  QTest::newRow("rounds to seven") << 123.456789f << std::string(" 123.4568");
  QTest::newRow("tie to even") << 1234.5625f << std::string(" 1234.562");
  QTest::newRow("seven digits") << 1234567.0f << std::string(" 1234567");
  QTest::newRow("largest plain") << 9999999.0f << std::string(" 9999999");
  QTest::newRow("ten million") << 10000000.0f << std::string(" 1E+07");
  QTest::newRow("eight digits") << 12345678.0f << std::string(" 1.234568E+07");
  QTest::newRow("negative large") << -3e38f << std::string("-3E+38");
  QTest::newRow("ten thousandth") << 0.0001f << std::string(" .0001");
  QTest::newRow("hundred thousandth") << 0.00001f << std::string(" 1E-05");
  QTest::newRow("negative small") << -0.0000152587890625f << std::string("-1.525879E-05");
  QTest::newRow("minus one and a half") << -1.5f << std::string("-1.5");
  QTest::newRow("NO_VALUE") << NV << std::string(" 1E+12");
}

void TestEngineTables::numberText() {
  QFETCH(float, value);
  QFETCH(std::string, text);
  QCOMPARE(SignedNumberText(value), text);
}

void TestEngineTables::variableText_data() {
  QTest::addColumn<float>("rounded");
  QTest::addColumn<std::string>("text");
  QTest::newRow("plain stays") << 0.699999f << std::string(" .699999");
  QTest::newRow("negative plain") << -2.5f << std::string("-2.5");
  QTest::newRow("small written out") << 0.000015f << std::string(" .000015");
  QTest::newRow("millionth") << -0.000001f << std::string("-.000001");
  QTest::newRow("large written out") << 20000000.0f << std::string(" 20000000");
  QTest::newRow("eight digits kept") << 12345678.0f << std::string(" 12345678");
  QTest::newRow("every digit") << 1e20f << std::string(" 100000002004087734272");
  QTest::newRow("zero") << 0.0f << std::string(" 0");
  QTest::newRow("longest text") << -std::numeric_limits<float>::max()
                                << std::string("-340282346638528859811704183484516925440");
  QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << std::string(" inf");
}

void TestEngineTables::variableText() {
  QFETCH(float, rounded);
  QFETCH(std::string, text);
  QCOMPARE(VariableText(rounded), text);
}

void TestEngineTables::angleLetter_data() {
  QTest::addColumn<std::string>("polar");
  QTest::addColumn<std::string>("cartesian");
  QTest::newRow("letters") << std::string("2*e+sin(e)") << std::string("2*x+sin(x)");
  QTest::newRow("exp kept") << std::string("exp(e)") << std::string("exp(x)");
  QTest::newRow("EXP kept") << std::string("eXP(e)") << std::string("eXP(x)");
  QTest::newRow("capital E alone") << std::string("E+1") << std::string("E+1");
  QTest::newRow("exp without bracket") << std::string("expe") << std::string("xxpx");
  QTest::newRow("exponent letter") << std::string("1e5") << std::string("1x5");
  QTest::newRow("ee") << std::string("eexp(e)") << std::string("xexp(x)");
}

void TestEngineTables::angleLetter() {
  QFETCH(std::string, polar);
  QFETCH(std::string, cartesian);
  QCOMPARE(ReplaceAngleLetter(polar), cartesian);
}

// The object the plotters hold gives what CalculateString gives, also for a
// copy made before the original is gone.
void TestEngineTables::compiledMatchesCalculate() {
  auto original = std::make_unique<CompiledExpression>("sqr(abs(x))*exp(-x^2)");
  const CompiledExpression copy = *original;
  original.reset();
  for (float x = -3.0f; x <= 3.0f; x += 0.37f) {
    bool good1 = false;
    bool good2 = false;
    const float compiled = copy.evaluate(x, good1);
    const float direct = CalculateString("sqr(abs(x))*exp(-x^2)", good2, x);
    QVERIFY(SameBits(compiled, direct));
    QCOMPARE(good1, good2);
  }
}

QTEST_APPLESS_MAIN(TestEngineTables)
#include "tst_engine_tables.moc"
