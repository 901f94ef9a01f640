// The shipped engine against the plain reference evaluator on generated
// texts: well-formed and malformed, at negative, zero, tiny, large and odd
// values of x. Results must agree bit for bit, with the validity flag and the
// number of random draws.
//
// The seed comes from NORVALE_ENGINE_SEED (a decimal number) when set; every
// failure prints the seed, the text and x, enough to replay the case.
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/reference_evaluator.h"

namespace {

constexpr int kExpressions = 50000;
constexpr int kValuesPerExpression = 4;  // 200,000 cases and 12,500 constant texts, also through the cache

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : random_(seed) {}

  std::string expression() {
    std::string text = sum(0);
    if (chance(0.35)) mutate(text);
    return text;
  }

  float value() {
    switch (pick(10)) {
      case 0: return 0.0f;
      case 1: return -0.0f;
      case 2: return static_cast<float>(pick(2000001) - 1000000) / 1e6f * (chance(0.5) ? 1e-3f : 1.0f);  // tiny
      case 3: return static_cast<float>(uniform(-1e9, 1e9));                                             // large
      case 4: {  // any bit pattern: denormals, huge, infinities, NaN
        const std::uint32_t bits = static_cast<std::uint32_t>(random_());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
      }
      case 5: return static_cast<float>(pick(21)) / 10.0f - 1.0f;  // tenths, just below decimals in binary
      case 6: {
        static const float special[] = {NO_VALUE, -NO_VALUE, 1e7f, 9999999.0f, 12345678.0f, 0.0005f, 0.0001f,
                                        0.000001f, -0.000001f, 0.0000009f, 3e38f, 1e-40f, 0.7f, -0.1f};
        return special[pick(sizeof special / sizeof special[0])];
      }
      default: return static_cast<float>(uniform(-20.0, 20.0));
    }
  }

  std::uint64_t pick(std::uint64_t n) { return random_() % n; }
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(random_); }

 private:
  std::string blanks() {
    if (!chance(0.2)) return "";
    return std::string(1 + pick(2), ' ');
  }

  std::string sum(int depth) {
    std::string text = product(depth);
    const int terms = static_cast<int>(pick(depth == 0 ? 3 : 2));
    for (int i = 0; i < terms; ++i) text += blanks() + (chance(0.5) ? "+" : "-") + blanks() + product(depth);
    return text;
  }

  std::string product(int depth) {
    std::string text = power(depth);
    const int factors = static_cast<int>(pick(depth == 0 ? 3 : 2));
    static const char* const ops[] = {"*", "/", "\\"};
    for (int i = 0; i < factors; ++i) text += blanks() + ops[pick(3)] + blanks() + power(depth);
    return text;
  }

  std::string power(int depth) {
    std::string text = unary(depth);
    if (chance(0.2)) text += "^" + unary(depth);
    if (chance(0.05)) text += "^" + unary(depth);
    return text;
  }

  std::string unary(int depth) {
    std::string sign;
    const auto r = pick(12);
    if (r == 0) sign = "-";
    if (r == 1) sign = "+";
    if (r == 2) sign = "--";
    if (r == 3) sign = "- ";
    return sign + atom(depth);
  }

  std::string atom(int depth) {
    const auto r = depth >= 2 ? pick(5) : pick(10);
    switch (r) {
      case 0:
      case 1: return number();
      case 2:
      case 3: return variable();
      case 4: return chance(0.5) ? number() : variable();
      case 5: return "(" + blanks() + sum(depth + 1) + blanks() + ")";
      default: return call(depth);
    }
  }

  std::string variable() {
    static const char* const forms[] = {"x", "X", "x", "x"};
    return forms[pick(4)];
  }

  std::string number() {
    switch (pick(40)) {
      case 0: return std::to_string(pick(10));
      case 1: return std::to_string(pick(100000));
      case 2: return std::to_string(pick(100)) + "." + std::to_string(pick(1000));
      case 3: return "." + std::to_string(pick(100));
      case 4: return std::to_string(pick(100)) + ".";
      case 5: return std::to_string(1 + pick(9)) + (chance(0.5) ? "E" : "e") + std::to_string(pick(40));
      case 8: return std::to_string(pick(10)) + "." + std::to_string(pick(10)) + "E" + std::to_string(pick(12));
      case 9: return "0.7";
      case 10: return "999999995904";
      case 6: return std::to_string(pick(10)) + "E-0" + std::to_string(pick(10));  // splits at its sign
      case 7: return "1000000";
      default: return std::to_string(pick(10));
    }
  }

  std::string call(int depth) {
    static const char* const names[] = {"sin", "cos", "tan", "tg", "cot", "ctg", "log", "lg", "ln", "sqr", "abs",
                                        "exp", "rnd", "arctg", "arctan", "arcctg", "arccot", "arcsin", "arccos"};
    std::string name = names[pick(sizeof names / sizeof names[0])];
    for (char& c : name) {
      if (chance(0.2)) c = static_cast<char>(c - 'a' + 'A');
    }
    if (chance(0.03)) return name;  // a name without its bracket
    if (chance(0.03)) return name + " (" + sum(depth + 1) + ")";
    if (chance(0.03)) return name + variable();  // sinx: the inserted bracket completes the call
    if (chance(0.02)) return name + "()";
    return name + "(" + blanks() + sum(depth + 1) + blanks() + ")";
  }

  void mutate(std::string& text) {
    static const char pieces[] = "()+-*/\\^% .xXe0123456789Ep|,";
    const int edits = 1 + static_cast<int>(pick(3));
    for (int i = 0; i < edits; ++i) {
      const std::size_t at = text.empty() ? 0 : pick(text.size() + 1);
      switch (pick(3)) {
        case 0:
          if (!text.empty() && at < text.size()) text.erase(at, 1);
          break;
        case 1:
          text.insert(at, 1, pieces[pick(sizeof pieces - 1)]);
          break;
        default:
          if (at < text.size()) text[at] = pieces[pick(sizeof pieces - 1)];
          break;
      }
    }
  }

  std::mt19937_64 random_;
};

std::uint64_t SeedFromEnvironment() {
  if (const char* text = std::getenv("NORVALE_ENGINE_SEED")) return std::strtoull(text, nullptr, 10);
  return 20261207;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// x exactly, as a hexadecimal float literal.
QString Exact(float x) {
  char text[64];
  std::snprintf(text, sizeof text, "%af", static_cast<double>(x));
  return QString::fromLatin1(text);
}

}  // namespace

class TestEngineDifferential : public QObject {
  Q_OBJECT

 private slots:
  void shippedMatchesReference();
  void preparedArgumentMatchesReference();
};

void TestEngineDifferential::shippedMatchesReference() {
  const std::uint64_t seed = SeedFromEnvironment();
  qInfo("seed %llu (set NORVALE_ENGINE_SEED to replay)", static_cast<unsigned long long>(seed));
  Generator generator(seed);
  int cases = 0;
  for (int e = 0; e < kExpressions; ++e) {
    const std::string expr = generator.expression();
    const CompiledExpression compiled(expr);
    for (int v = 0; v < kValuesPerExpression; ++v) {
      const float x = generator.value();
      ResetRandomSequence();
      bool goodShipped = false;
      const float shipped = (v % 2 == 0) ? CalculateString(expr, goodShipped, x) : compiled.evaluate(x, goodShipped);
      const float nextShipped = NextRandom();
      ResetRandomSequence();
      bool goodReference = false;
      const float expected = reference::CalculateString(expr, goodReference, x);
      const float nextReference = NextRandom();
      ++cases;
      if (!SameBits(shipped, expected) || goodShipped != goodReference || nextShipped != nextReference) {
        QFAIL(qPrintable(QString("seed %1 case %2: CalculateString(\"%3\", good, %5 /* %4 */) gave %6 (good %7), "
                                 "the reference %8 (good %9); random draws %10")
                             .arg(seed)
                             .arg(cases)
                             .arg(QString::fromStdString(Escaped(expr)))
                             .arg(static_cast<double>(x), 0, 'g', 9)
                             .arg(Exact(x))
                             .arg(static_cast<double>(shipped), 0, 'g', 9)
                             .arg(goodShipped)
                             .arg(static_cast<double>(expected), 0, 'g', 9)
                             .arg(goodReference)
                             .arg(nextShipped == nextReference ? "agree" : "differ")));
      }
    }
    // The text as a constant: an x there is an unknown word.
    if (e % 4 == 0) {
      ResetRandomSequence();
      const float shipped = EvaluateExpr(expr);
      ResetRandomSequence();
      const float expected = reference::EvaluateExpr(expr);
      ++cases;
      if (!SameBits(shipped, expected)) {
        QFAIL(qPrintable(QString("seed %1 case %2: EvaluateExpr(\"%3\") gave %4, the reference %5")
                             .arg(seed)
                             .arg(cases)
                             .arg(QString::fromStdString(Escaped(expr)))
                             .arg(static_cast<double>(shipped), 0, 'g', 9)
                             .arg(static_cast<double>(expected), 0, 'g', 9)));
      }
    }
  }
  QVERIFY(cases >= 200000);
}

// A value of x prepared once and lent to many expressions (as a redraw lends
// its angles to every curve) must give what the text round trip gives.
void TestEngineDifferential::preparedArgumentMatchesReference() {
  const std::uint64_t seed = SeedFromEnvironment() ^ 0x5EEDu;
  qInfo("seed %llu", static_cast<unsigned long long>(seed));
  Generator generator(seed);
  std::vector<CompiledExpression::Argument> arguments;
  for (int v = 0; v < 256; ++v) arguments.push_back(CompiledExpression::prepare(generator.value()));
  int cases = 0;
  for (int e = 0; e < kExpressions / 4; ++e) {
    const std::string expr = generator.expression();
    const CompiledExpression compiled(expr);
    for (int v = 0; v < kValuesPerExpression; ++v) {
      const CompiledExpression::Argument& argument = arguments[(e * kValuesPerExpression + v) % arguments.size()];
      ResetRandomSequence();
      bool goodShipped = false;
      const float shipped = compiled.evaluate(argument, goodShipped);
      const float nextShipped = NextRandom();
      ResetRandomSequence();
      bool goodReference = false;
      const float expected = reference::CalculateString(expr, goodReference, argument.x);
      const float nextReference = NextRandom();
      ++cases;
      if (!SameBits(shipped, expected) || goodShipped != goodReference || nextShipped != nextReference) {
        QFAIL(qPrintable(QString("seed %1 case %2: \"%3\" at the prepared %4 gave %5 (good %6), the reference %7 "
                                 "(good %8)")
                             .arg(seed)
                             .arg(cases)
                             .arg(QString::fromStdString(Escaped(expr)))
                             .arg(Exact(argument.x))
                             .arg(static_cast<double>(shipped), 0, 'g', 9)
                             .arg(goodShipped)
                             .arg(static_cast<double>(expected), 0, 'g', 9)
                             .arg(goodReference)));
      }
    }
  }
  QVERIFY(cases >= 50000);
}

QTEST_APPLESS_MAIN(TestEngineDifferential)
#include "tst_engine_differential.moc"
