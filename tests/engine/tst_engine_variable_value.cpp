// The value of x the engine computes without forming text, against the text
// round trip it stands for (VariableText, then the number leaf). Built twice:
// with NORVALE_EVERY_VALUE it walks every rounded value of |x| < 10 and every
// single-precision value from 10 to 2^24 (about 190 million cases); without it
// a spread-out sample of the same domains.
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/engine.h"
#include "engine/number_leaf.h"
#include "engine/variable_value.h"

#ifndef NORVALE_EVERY_VALUE
#define NORVALE_EVERY_VALUE 0
#endif

namespace {

constexpr std::int64_t kStride = NORVALE_EVERY_VALUE ? 1 : 997;

std::uint32_t Bits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float FromBits(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// What the evaluator reads from "(" + VariableText(rounded) + ")".
bool ThroughText(float rounded, float& value) {
  const std::string text = VariableText(rounded);
  float magnitude = 0.0f;
  if (!engine_detail::ReadNumberLeaf(std::string_view(text).substr(1), magnitude)) return false;
  value = text[0] == '-' ? 0.0f - magnitude : magnitude;
  return true;
}

QString Case(float rounded, float fast, float slow) {
  return QString("rounded %1 (%2): fast %3, through text %4")
      .arg(static_cast<double>(rounded), 0, 'g', 9)
      .arg(Bits(rounded), 8, 16, QChar('0'))
      .arg(static_cast<double>(fast), 0, 'g', 9)
      .arg(static_cast<double>(slow), 0, 'g', 9);
}

}  // namespace

class TestEngineVariableValue : public QObject {
  Q_OBJECT

 private slots:
  void belowTenReadsBackItself();
  void generalPathMatchesText();
  void roundingAndFlags_data();
  void roundingAndFlags();
};

// Every x with |x| < 10 rounds to m / 10^6 with |m| < 10^7; the 7-digit text of
// that value reads back as the rounded value itself.
void TestEngineVariableValue::belowTenReadsBackItself() {
  for (std::int64_t m = -9999999; m <= 9999999; m += (m > -20 && m < 20) ? 1 : kStride) {
    const float rounded = static_cast<float>(static_cast<double>(m) / 1e6);
    // The engine forms this value as a product.
    if (static_cast<float>(static_cast<double>(m) * 1e-6) != rounded) QFAIL(qPrintable(QString::number(m)));
    float slow = 0.0f;
    QVERIFY(ThroughText(rounded, slow));
    if (Bits(slow) != Bits(rounded + 0.0f)) QFAIL(qPrintable(Case(rounded, rounded, slow)));
    // The whole path from x = m / 10^6 (which may round down once more).
    const engine_detail::VariableValue value = engine_detail::ReadBackVariable(rounded);
    QVERIFY(ThroughText(RoundVariable(rounded), slow));
    if (!value.valid || Bits(value.value) != Bits(slow)) QFAIL(qPrintable(Case(rounded, value.value, slow)));
  }
}

// Every single-precision value from 10 to 2^24 (both signs in the sample) through
// the general path, which rounds to 7 digits in double arithmetic.
void TestEngineVariableValue::generalPathMatchesText() {
  const std::uint32_t first = Bits(10.0f);
  const std::uint32_t last = Bits(16777216.0f);
  std::uint32_t step = static_cast<std::uint32_t>(kStride);
  for (std::uint32_t bits = first; bits <= last; bits += step) {
    const float rounded = FromBits(bits);
    float slow = 0.0f;
    QVERIFY(ThroughText(rounded, slow));
    const float fast = engine_detail::ReadBackRounded(rounded);
    if (Bits(fast) != Bits(slow)) QFAIL(qPrintable(Case(rounded, fast, slow)));
    if (!NORVALE_EVERY_VALUE) {
      const float negative = -rounded;
      QVERIFY(ThroughText(negative, slow));
      if (Bits(engine_detail::ReadBackRounded(negative)) != Bits(slow)) {
        QFAIL(qPrintable(Case(negative, engine_detail::ReadBackRounded(negative), slow)));
      }
    }
  }
  // The small magnitudes the general path also serves: 10^-6 to 10.
  for (std::uint32_t bits = Bits(0.000001f); bits <= Bits(10.0f); bits += 101) {
    const float rounded = FromBits(bits);
    float slow = 0.0f;
    QVERIFY(ThroughText(rounded, slow));
    const float fast = engine_detail::ReadBackRounded(rounded);
    if (Bits(fast) != Bits(slow)) QFAIL(qPrintable(Case(rounded, fast, slow)));
  }
}

// The whole path from an unrounded x, for values at the edges.
void TestEngineVariableValue::roundingAndFlags_data() {
  QTest::addColumn<float>("x");
  QTest::addColumn<float>("value");
  QTest::addColumn<bool>("valid");
  const float inf = std::numeric_limits<float>::infinity();
  QTest::newRow("0.7") << 0.7f << 0.699999f << true;
  QTest::newRow("-0.1") << -0.1f << -0.100001f << true;
  QTest::newRow("-0") << -0.0f << 0.0f << true;
  QTest::newRow("just below 10") << 9.9999995f << 9.999999f << true;
  QTest::newRow("10") << 10.0f << 10.0f << true;
  QTest::newRow("just above 10") << 10.000001f << 10.0f << true;
  QTest::newRow("12.345678") << 12.345678f << 12.34568f << true;
  QTest::newRow("-12.345678") << -12.345678f << -12.34568f << true;
  QTest::newRow("2^24 + 2") << 16777218.0f << 16777218.0f << true;
  QTest::newRow("largest") << std::numeric_limits<float>::max() << std::numeric_limits<float>::max() << true;
  QTest::newRow("NO_VALUE") << NO_VALUE << NO_VALUE << false;
  QTest::newRow("minus NO_VALUE") << -NO_VALUE << -NO_VALUE << false;
  QTest::newRow("infinity") << inf << 0.0f << false;
  QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << 0.0f << false;
  QTest::newRow("smallest denormal") << std::numeric_limits<float>::denorm_min() << 0.0f << true;
  QTest::newRow("minus smallest denormal") << -std::numeric_limits<float>::denorm_min() << -0.000001f << true;
}

void TestEngineVariableValue::roundingAndFlags() {
  QFETCH(float, x);
  QFETCH(float, value);
  QFETCH(bool, valid);
  const engine_detail::VariableValue result = engine_detail::ReadBackVariable(x);
  QCOMPARE(result.valid, valid);
  if (valid) {
    QCOMPARE(Bits(result.value), Bits(value));
    float slow = 0.0f;
    QVERIFY(ThroughText(RoundVariable(x), slow));
    QCOMPARE(Bits(result.value), Bits(slow));
  }
}

QTEST_APPLESS_MAIN(TestEngineVariableValue)
#include "tst_engine_variable_value.moc"
