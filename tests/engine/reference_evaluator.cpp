#include "engine/reference_evaluator.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/engine.h"

namespace reference {
namespace {

// The error rule: any run-time error ends the call with NO_VALUE.
float ToSingle(double value) {
  const float single = static_cast<float>(value);
  if (!std::isfinite(single)) return NO_VALUE;  // overflow of the conversion
  return single;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The leaf: digits, optional point, optional E/e with digits; nothing else.
float ConvertLeaf(const std::string& text) {
  std::size_t i = 0;
  int mantissa = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++mantissa;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++mantissa;
  }
  if (mantissa == 0) return NO_VALUE;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    int exponent = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++exponent;
    if (exponent == 0) return NO_VALUE;
  }
  if (i != text.size()) return NO_VALUE;
  // Read in double first: if the double is finite, the single rounding of the
  // decimal is the single rounding of the exact value; only very long digit
  // strings can differ, and the generator does not make those.
  double wide = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), wide);
  if (r.ec == std::errc::result_out_of_range) {
    return NO_VALUE;  // the generator makes no values below 1e-308
  }
  float narrow = 0;
  const auto n = std::from_chars(text.data(), text.data() + text.size(), narrow);
  if (n.ec == std::errc::result_out_of_range) {
    if (std::fabs(wide) >= 1.0) return NO_VALUE;
    return 0.0f;
  }
  return narrow;
}

float Apply(const std::string& name, float v) {
  const double d = v;
  if (name == "sin") return ToSingle(std::sin(d));
  if (name == "cos") return ToSingle(std::cos(d));
  if (name == "tan" || name == "tg") return ToSingle(std::tan(d));
  if (name == "cot" || name == "ctg") {
    const double t = std::tan(d);
    if (t == 0) return NO_VALUE;
    return ToSingle(1 / t);
  }
  if (name == "log" || name == "lg") {
    if (d <= 0) return NO_VALUE;
    return ToSingle(std::log(d) / std::log(10.0));
  }
  if (name == "ln") {
    if (d <= 0) return NO_VALUE;
    return ToSingle(std::log(d));
  }
  if (name == "sqr") {
    if (d < 0) return NO_VALUE;
    return ToSingle(std::sqrt(d));
  }
  if (name == "abs") return ToSingle(std::fabs(d));
  if (name == "exp") return ToSingle(std::exp(d));
  if (name == "rnd") return NextRandom();
  if (name == "arctg" || name == "arctan") return ToSingle(std::atan(d));
  if (name == "arcctg" || name == "arccot") return ToSingle(2 * std::atan(1.0) - std::atan(d));
  if (name == "arcsin" || name == "arccos") {
    if (d * d >= 1) return NO_VALUE;
    const double root = std::sqrt(1 - d * d);
    if (name == "arcsin") return ToSingle(std::atan(d / root));
    return ToSingle(std::atan(-d / root) + 3.141592654 / 2);
  }
  return NO_VALUE;
}

float Evaluate(std::string text) {
  // 2. trim blanks
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  // 3. leading minus
  if (!text.empty() && text[0] == '-') text = "0" + text;
  // 4. length (16-bit counters)
  const std::size_t n = text.size();
  if (n >= 32767) return NO_VALUE;
  if (n == 0) return 0.0f;
  // 5. scan
  int depth = 0;
  int level = 11;
  std::size_t position = 0;
  bool previousIsOperator = true;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[i];
    bool flag = previousIsOperator;
    if (c == ' ') {
      flag = previousIsOperator;
    } else if (c == '(') {
      ++depth;
      flag = true;
    } else if (c == ')') {
      --depth;
      flag = false;
      if (depth < 0) return NO_VALUE;
    } else if (depth == 0) {
      if (std::strchr("^*/\\%+-", c) != nullptr) {
        flag = true;
        if (c == '^') {
          if (level >= 9) level = 9, position = i;
        } else if (c == '*' || c == '/' || c == '\\') {
          if (level >= 8) level = 8, position = i;
        } else if (c == '+' || c == '-') {
          if (!previousIsOperator && level >= 4) level = 4, position = i;
        }
      } else {
        flag = false;
      }
    } else {
      flag = false;
    }
    previousIsOperator = flag;
  }
  // 6.
  if (depth != 0) return NO_VALUE;
  // 7. split
  if (level < 11) {
    const float left = Evaluate(text.substr(0, position));
    if (left == NO_VALUE) return NO_VALUE;
    const float right = Evaluate(text.substr(position + 1));
    if (right == NO_VALUE) return NO_VALUE;
    const double a = left;
    const double b = right;
    switch (text[position]) {
      case '^':
        if (left == 0 && right < 0) return NO_VALUE;
        return ToSingle(std::pow(a, b));  // NaN for a negative base, non-integer power
      case '*':
        return ToSingle(a * b);
      case '/':
      case '\\':
        if (right == 0) return NO_VALUE;
        return ToSingle(a / b);
      case '+':
        return ToSingle(a + b);
      default:
        return ToSingle(a - b);
    }
  }
  // 8.1 outer brackets
  if (text.front() == '(' && text.back() == ')') return Evaluate(text.substr(1, n - 2));
  // 8.2 leading plus
  if (text.front() == '+') return Evaluate(text.substr(1));
  // 8.3 named functions
  if (text.back() == ')') {
    static const char* const group1[] = {"sin(", "log(", "cos(", "tan(", "sqr(", "abs(", "cot(", "ctg(", "exp(", "rnd("};
    static const char* const group2[] = {"tg(", "lg(", "ln("};
    static const char* const group3[] = {"arctg("};
    static const char* const group4[] = {"arctan(", "arcctg(", "arccot(", "arcsin(", "arccos("};
    struct Group {
      const char* const* names;
      std::size_t count;
      std::size_t prefix;
    };
    const Group groups[] = {{group1, 10, 4}, {group2, 3, 3}, {group3, 1, 6}, {group4, 5, 7}};
    for (const Group& g : groups) {
      if (n <= g.prefix + 1) continue;
      const std::string head = Lower(text.substr(0, g.prefix));
      for (std::size_t k = 0; k < g.count; ++k) {
        if (head == g.names[k]) {
          const float argument = Evaluate(text.substr(g.prefix, n - g.prefix - 1));
          if (argument == NO_VALUE) return NO_VALUE;
          return Apply(head.substr(0, g.prefix - 1), argument);
        }
      }
    }
  }
  // 8.4 leaf
  return ConvertLeaf(text);
}

}  // namespace

float EvaluateExpr(const std::string& text) {
  const float value = Evaluate(text);
  return value;
}

float CalculateString(const std::string& expr, bool& good, float xxx) {
  const float rounded = static_cast<float>(std::floor(static_cast<double>(xxx) * 1000000.0) / 1000000.0);
  const std::string value = VariableText(rounded);
  std::string text;
  for (std::size_t i = 0; i < expr.size(); ++i) {
    const char c = expr[i];
    if (c == 'x' || c == 'X') {
      const bool inExp = i > 0 && i + 2 < expr.size() && (expr[i - 1] == 'e' || expr[i - 1] == 'E') &&
                         (expr[i + 1] == 'p' || expr[i + 1] == 'P') && expr[i + 2] == '(';
      if (!inExp) {
        text += "(" + value + ")";
        continue;
      }
    }
    text += c;
  }
  const float result = EvaluateExpr(text);
  good = result != NO_VALUE;
  return result;
}

}  // namespace reference
