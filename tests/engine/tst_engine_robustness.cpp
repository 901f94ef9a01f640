// Texts at the edges of size and nesting, evaluated on a thread with a 1 MiB
// stack (the smallest default stack among desktop platforms): deep brackets,
// long chains of function calls, signs and powers, texts at the length limit,
// and far beyond it.
#include <QThread>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "engine/engine.h"

Q_DECLARE_METATYPE(std::string)

namespace {

constexpr float NV = NO_VALUE;
// The value column holds this to evaluate the text with EvaluateExpr.
const float kConstantText = std::numeric_limits<float>::quiet_NaN();

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  text.reserve(piece.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

std::string Nest(const std::string& open, const std::string& inner, const std::string& close, int depth) {
  return Repeat(open, depth) + inner + Repeat(close, depth);
}

// Runs work on a fresh thread with a 1 MiB stack and waits for it.
void OnSmallStack(const std::function<void()>& work) {
  QThread* thread = QThread::create(work);
  thread->setStackSize(1u << 20);
  thread->start();
  thread->wait();
  delete thread;
}

float SinChain(int depth, float value) {
  for (int i = 0; i < depth; ++i) value = static_cast<float>(std::sin(static_cast<double>(value)));
  return value;
}

float ArctanChain(int depth, float value) {
  for (int i = 0; i < depth; ++i) value = static_cast<float>(std::atan(static_cast<double>(value)));
  return value;
}

// The expected column holds this where any random draw in [0, 1) is right.
constexpr float kAnyDraw = -12345.0f;

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

class TestEngineRobustness : public QObject {
  Q_OBJECT

 private slots:
  void extremes_data();
  void extremes();
  void noiseNeverCrashes();
};

void TestEngineRobustness::extremes_data() {
  QTest::addColumn<std::string>("text");
  QTest::addColumn<float>("x");
  QTest::addColumn<float>("expected");
  const float c = kConstantText;

  // Brackets.
  QTest::newRow("16383 empty brackets") << Nest("(", "", ")", 16383) << c << 0.0f;
  QTest::newRow("16382 brackets around 1") << Nest("(", "1", ")", 16382) << c << 1.0f;
  QTest::newRow("16383 brackets around 1 (32767)") << Nest("(", "1", ")", 16383) << c << NV;
  QTest::newRow("16381 brackets around x") << Nest("(", "x", ")", 16381) << 2.0f << 2.0f;
  QTest::newRow("16382 brackets around x (32768)") << Nest("(", "x", ")", 16382) << 2.0f << NV;
  QTest::newRow("one bracket unclosed") << Repeat("(", 16383) + "1" + Repeat(")", 16382) << c << NV;
  QTest::newRow("one bracket too many") << Repeat("(", 16382) + "1" + Repeat(")", 16383) << c << NV;
  QTest::newRow("opening only") << Repeat("(", 32766) << c << NV;
  QTest::newRow("closing only") << Repeat(")", 32766) << c << NV;
  QTest::newRow("right-leaning sums") << Nest("1+(", "1", ")", 8000) << c << 8001.0f;
  QTest::newRow("right-leaning with x") << Nest("x-(", "x", ")", 2000) << 1.5f << 1.5f;
  QTest::newRow("left-leaning sums") << Repeat("(", 8000) + "1" + Repeat("+1)", 8000) << c << 8001.0f;
  QTest::newRow("bracket pairs in a row") << "0" + Repeat("+(1)", 8000) << c << 8000.0f;

  // Function calls.
  QTest::newRow("6000 sin") << Nest("sin(", "1", ")", 6000) << c << SinChain(6000, 1.0f);
  QTest::newRow("6000 SIN of x") << Nest("SIN(", "x", ")", 6000) << 1.0f << SinChain(6000, 1.0f);
  QTest::newRow("6000 sin, one short") << Nest("sin(", "1", ")", 6000).substr(1) << c << NV;
  QTest::newRow("4000 arctan") << Nest("arctan(", "1", ")", 4000) << c << ArctanChain(4000, 1.0f);
  QTest::newRow("5000 abs of minus") << Nest("abs(-", "1", ")", 5000) << c << 1.0f;
  QTest::newRow("3000 rnd") << Nest("rnd(", "1", ")", 3000) << c << kAnyDraw;

  // Signs and powers.
  QTest::newRow("16000 minus signs") << Repeat("-", 16000) + "1" << c << 1.0f;
  QTest::newRow("16001 minus signs") << Repeat("-", 16001) + "1" << c << -1.0f;
  QTest::newRow("minus chain after 1") << "1" + Repeat("-", 16000) + "1" << c << 2.0f;
  QTest::newRow("plus minus chain") << Repeat("+-", 16000) + "x" << 3.0f << 3.0f;
  QTest::newRow("10000 powers") << "2" + Repeat("^1", 10000) << c << 2.0f;
  QTest::newRow("10000 powers of x") << "x" + Repeat("^1", 10000) << 1.5f << 1.5f;
  QTest::newRow("16383 powers (32767)") << "1" + Repeat("^1", 16383) << c << NV;
  QTest::newRow("16382 powers") << "1" + Repeat("^1", 16382) << c << 1.0f;
  QTest::newRow("powers with signs") << "2" + Repeat("^-1", 8000) << c << 2.0f;

  // The length limit with the variable's text counted in.
  QTest::newRow("x text of 2 makes 32766") << "x+" + Repeat("0", 32761) << 5.0f << 5.0f;
  QTest::newRow("x text of 3 makes 32767") << "x+" + Repeat("0", 32761) << 12.0f << NV;
  QTest::newRow("6553 x, short text") << "x" + Repeat("+x", 6552) << 5.0f << 32765.0f;
  QTest::newRow("6553 x, long text") << "x" + Repeat("+x", 6552) << -0.123456f << NV;
  QTest::newRow("x that is no number") << "x" + Repeat("+x", 100) << kConstantText << NV;

  // Far beyond the limit.
  QTest::newRow("a million blanks") << Repeat(" ", 1000000) << c << 0.0f;
  QTest::newRow("a million characters") << Repeat("1+", 500000) + "1" << c << NV;
  QTest::newRow("a million x") << Repeat("x", 1000000) << 1.0f << NV;
}

void TestEngineRobustness::extremes() {
  QFETCH(std::string, text);
  QFETCH(float, x);
  QFETCH(float, expected);
  const bool constant = std::isnan(x) && QByteArray(QTest::currentDataTag()) != "x that is no number";
  float value = 0.0f;
  bool good = false;
  OnSmallStack([&] {
    if (constant) {
      value = EvaluateExpr(text);
    } else {
      value = CalculateString(text, good, x);
      bool compiledGood = !good;
      const float compiled = CompiledExpression(text).evaluate(x, compiledGood);
      if (!SameBits(compiled, value) || compiledGood != good) value = -2.0f;  // cannot match any row
    }
  });
  if (expected == kAnyDraw) {
    QVERIFY(value >= 0.0f && value < 1.0f);
  } else {
    QVERIFY2(SameBits(value, expected), qPrintable(QString::number(static_cast<double>(value), 'g', 9)));
  }
  if (!constant) QCOMPARE(good, expected != NV);
}

// Random texts over the characters of expressions, up to the length limit:
// every one evaluates to something without crashing, also the compiled form.
void TestEngineRobustness::noiseNeverCrashes() {
  OnSmallStack([] {
    std::mt19937 random(7);
    const char pieces[] = "()()+-*/\\^%. xX0123456789eEsincotaglqrbpd";
    for (int round = 0; round < 40; ++round) {
      const std::size_t length = round < 30 ? random() % 200 : 32000 + random() % 767;
      std::string text;
      for (std::size_t i = 0; i < length; ++i) text += pieces[random() % (sizeof pieces - 1)];
      bool good = false;
      CalculateString(text, good, static_cast<float>(random() % 2001) / 100.0f - 10.0f);
      EvaluateExpr(text);
    }
  });
  QVERIFY(true);
}

QTEST_APPLESS_MAIN(TestEngineRobustness)
#include "tst_engine_robustness.moc"
