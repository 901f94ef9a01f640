#include "analysis/expression_tree.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

#include "engine/number_leaf.h"

namespace analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct FunctionName {
  const char* name;
  Function function;
};

// The library in the order the evaluator tries it, by prefix length.
constexpr std::array<FunctionName, 10> GROUP1{{{"sin(", Function::Sin},
                                               {"log(", Function::Lg},
                                               {"cos(", Function::Cos},
                                               {"tan(", Function::Tan},
                                               {"sqr(", Function::Sqr},
                                               {"abs(", Function::Abs},
                                               {"cot(", Function::Cot},
                                               {"ctg(", Function::Cot},
                                               {"exp(", Function::Exp},
                                               {"rnd(", Function::Rnd}}};
constexpr std::array<FunctionName, 3> GROUP2{{{"tg(", Function::Tan}, {"lg(", Function::Lg}, {"ln(", Function::Ln}}};
constexpr std::array<FunctionName, 1> GROUP3{{{"arctg(", Function::Arctg}}};
constexpr std::array<FunctionName, 5> GROUP4{{{"arctan(", Function::Arctg},
                                              {"arcctg(", Function::Arcctg},
                                              {"arccot(", Function::Arcctg},
                                              {"arcsin(", Function::Arcsin},
                                              {"arccos(", Function::Arccos}}};

const char* printedName(Function f) {
  switch (f) {
    case Function::Sin: return "sin";
    case Function::Cos: return "cos";
    case Function::Tan: return "tan";
    case Function::Cot: return "cot";
    case Function::Lg: return "lg";
    case Function::Ln: return "ln";
    case Function::Sqr: return "sqr";
    case Function::Abs: return "abs";
    case Function::Exp: return "exp";
    case Function::Rnd: return "rnd";
    case Function::Arctg: return "arctan";
    case Function::Arcctg: return "arccot";
    case Function::Arcsin: return "arcsin";
    case Function::Arccos: return "arccos";
  }
  return "";
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithName(std::string_view text, const char* name) {
  const std::string_view n(name);
  if (text.size() < n.size()) return false;
  for (std::size_t i = 0; i < n.size(); ++i) {
    if (lower(text[i]) != n[i]) return false;
  }
  return true;
}

template <std::size_t N>
std::optional<Function> matchGroup(std::string_view text, const std::array<FunctionName, N>& group,
                                   std::size_t minLength) {
  if (text.size() <= minLength || text.back() != ')') return std::nullopt;
  for (const FunctionName& f : group) {
    if (startsWithName(text, f.name)) return f.function;
  }
  return std::nullopt;
}

class Parser {
 public:
  ParseResult run(std::string_view text) {
    if (text.size() > MAX_TREE_TEXT) return {nullptr, ParseError::TooLarge};
    NodePtr tree = parse(std::string(text), 0);
    if (tooLarge_) return {nullptr, ParseError::TooLarge};
    if (!tree) return {nullptr, ParseError::Malformed};
    return {tree, ParseError::None};
  }

 private:
  bool tooLarge_ = false;

  static std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
  }

  // expression := [sign] operand {operator operand}, split at the rightmost
  //               operator of the lowest level at depth 0
  // operand    := "(" expression ")" | "+" operand | name "(" expression ")" | "x" | number
  NodePtr parse(const std::string& raw, int depth) {
    if (depth > MAX_TREE_DEPTH) {
      tooLarge_ = true;
      return nullptr;
    }
    std::string text = trimmed(raw);
    if (!text.empty() && text.front() == '-') text.insert(text.begin(), '0');
    if (text.empty()) return number(0);

    int bracketDepth = 0;
    int level = 11;
    std::size_t split = 0;
    bool previousIsOperator = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      bool flag = previousIsOperator;
      if (c == ' ') {
        flag = previousIsOperator;
      } else if (c == '(') {
        ++bracketDepth;
        flag = true;
      } else if (c == ')') {
        --bracketDepth;
        flag = false;
        if (bracketDepth < 0) return nullptr;
      } else if (bracketDepth == 0) {
        if (c == '%') return nullptr;  // never a value of its own
        if (c == '^' || c == '*' || c == '/' || c == '\\' || c == '+' || c == '-') {
          flag = true;
          if (c == '^' && level >= 9) {
            level = 9;
            split = i;
          } else if ((c == '*' || c == '/' || c == '\\') && level >= 8) {
            level = 8;
            split = i;
          } else if ((c == '+' || c == '-') && !previousIsOperator && level >= 4) {
            level = 4;
            split = i;
          }
        } else {
          flag = false;
        }
      } else {
        flag = false;
      }
      previousIsOperator = flag;
    }
    if (bracketDepth != 0) return nullptr;

    if (level < 11) {
      NodePtr left = parse(text.substr(0, split), depth + 1);
      if (!left) return nullptr;
      NodePtr right = parse(text.substr(split + 1), depth + 1);
      if (!right) return nullptr;
      return binary(kindOf(text[split]), std::move(left), std::move(right));
    }
    if (text.front() == '(' && text.back() == ')') return parse(text.substr(1, text.size() - 2), depth + 1);
    if (text.front() == '+') return parse(text.substr(1), depth + 1);
    if (auto call = parseCall(text, depth)) return *call;
    return parseLeaf(text);
  }

  static Node::Kind kindOf(char op) {
    switch (op) {
      case '^': return Node::Kind::Pow;
      case '*': return Node::Kind::Mul;
      case '/':
      case '\\': return Node::Kind::Div;
      case '+': return Node::Kind::Add;
      default: return Node::Kind::Sub;
    }
  }

  // A recognised call yields its node (null when its argument is malformed);
  // nullopt when the text is no call at all.
  std::optional<NodePtr> parseCall(const std::string& text, int depth) {
    std::optional<Function> f;
    std::size_t prefix = 0;
    if ((f = matchGroup(text, GROUP1, 5))) {
      prefix = 4;
    } else if ((f = matchGroup(text, GROUP2, 4))) {
      prefix = 3;
    } else if ((f = matchGroup(text, GROUP3, 7))) {
      prefix = 6;
    } else if ((f = matchGroup(text, GROUP4, 8))) {
      prefix = 7;
    } else {
      return std::nullopt;
    }
    NodePtr argument = parse(text.substr(prefix, text.size() - prefix - 1), depth + 1);
    if (!argument) return NodePtr{};
    return call(*f, std::move(argument));
  }

  static NodePtr parseLeaf(const std::string& text) {
    if (text == "x" || text == "X") return variable();
    float value = 0;
    if (!engine_detail::ReadNumberLeaf(text, value)) return nullptr;
    return number(value);
  }
};

// Printing: the level of a node as an operand decides where brackets go.
enum Level { SUM = 1, PRODUCT = 2, POWER = 3, ATOM = 4 };

bool isNegative(const Node& n) {
  return n.kind == Node::Kind::Negate || (n.kind == Node::Kind::Number && std::signbit(n.value) && n.value != 0);
}

int levelOf(const Node& n) {
  switch (n.kind) {
    case Node::Kind::Add:
    case Node::Kind::Sub: return SUM;
    case Node::Kind::Mul:
    case Node::Kind::Div: return PRODUCT;
    case Node::Kind::Pow: return POWER;
    case Node::Kind::Negate: return SUM;  // "-u" reads as "0-u"
    case Node::Kind::Number: return isNegative(n) ? SUM : ATOM;
    default: return ATOM;
  }
}

class Printer {
 public:
  Printer(char letter, std::size_t maxLength) : letter_(letter), maxLength_(maxLength) {}

  bool print(const Node& n, std::string& out) {
    out_ = &out;
    emit(n, true);
    return !overflow_;
  }

 private:
  char letter_;
  std::size_t maxLength_;
  std::string* out_ = nullptr;
  bool overflow_ = false;

  void put(std::string_view s) {
    if (overflow_) return;
    if (out_->size() + s.size() > maxLength_) {
      overflow_ = true;
      return;
    }
    out_->append(s);
  }

  void bracketed(const Node& n) {
    put("(");
    emit(n, true);
    put(")");
  }

  // atStart: the node begins a level of the text (whole text or inside
  // brackets), where a leading "-" reads as "0-".
  void emit(const Node& n, bool atStart) {
    if (overflow_) return;
    if (isNegative(n) && !atStart) {
      bracketed(n);
      return;
    }
    switch (n.kind) {
      case Node::Kind::Number: put(plainNumberText(n.value)); return;
      case Node::Kind::Variable: put(std::string_view(&letter_, 1)); return;
      case Node::Kind::Call:
        put(printedName(n.function));
        bracketed(*n.left);
        return;
      case Node::Kind::Negate:
        put("-");
        operand(*n.left, PRODUCT, false);  // 0-u binds u up to its sums
        return;
      case Node::Kind::Add:
      case Node::Kind::Sub:
        emit(*n.left, atStart);
        put(n.kind == Node::Kind::Add ? "+" : "-");
        // a+(b-c) reads as (a+b)-c, the same value; a-(b+c) does not.
        if (n.kind == Node::Kind::Add && !isNegative(*n.right))
          operand(*n.right, SUM, false);
        else
          operand(*n.right, PRODUCT, false);
        return;
      case Node::Kind::Mul:
      case Node::Kind::Div:
        operand(*n.left, PRODUCT, false);
        put(n.kind == Node::Kind::Mul ? "*" : "/");
        operand(*n.right, n.kind == Node::Kind::Mul ? PRODUCT : POWER, false);
        return;
      case Node::Kind::Pow:
        // "^" is left-associative here, unlike school notation: a power as
        // base gets brackets all the same, so the text reads unambiguously.
        operand(*n.left, ATOM, false);
        put("^");
        operand(*n.right, ATOM, false);
        return;
    }
  }

  void operand(const Node& n, int minimumLevel, bool atStart) {
    if (levelOf(n) < minimumLevel || (isNegative(n) && !atStart))
      bracketed(n);
    else
      emit(n, atStart);
  }
};

double applyFunction(Function f, double v) {
  switch (f) {
    case Function::Sin: return std::sin(v);
    case Function::Cos: return std::cos(v);
    case Function::Tan: return std::tan(v);
    case Function::Cot: {
      const double t = std::tan(v);
      return t == 0 ? NaN : 1 / t;
    }
    case Function::Lg: return v > 0 ? std::log10(v) : NaN;
    case Function::Ln: return v > 0 ? std::log(v) : NaN;
    case Function::Sqr: return v >= 0 ? std::sqrt(v) : NaN;
    case Function::Abs: return std::fabs(v);
    case Function::Exp: return std::exp(v);
    case Function::Rnd: return NaN;
    case Function::Arctg: return std::atan(v);
    case Function::Arcctg: return std::numbers::pi / 2 - std::atan(v);
    case Function::Arcsin: return v * v < 1 ? std::asin(v) : NaN;
    case Function::Arccos: return v * v < 1 ? std::acos(v) : NaN;
  }
  return NaN;
}

double power(double base, double exponent) {
  if (base == 0 && exponent < 0) return NaN;
  if (base < 0 && exponent != std::floor(exponent)) return NaN;
  return std::pow(base, exponent);
}

}  // namespace

ParseResult parseExpression(std::string_view text) { return Parser{}.run(text); }

NodePtr number(double value) {
  auto n = std::make_shared<Node>();
  n->kind = Node::Kind::Number;
  n->value = value;
  return n;
}

NodePtr variable() {
  auto n = std::make_shared<Node>();
  n->kind = Node::Kind::Variable;
  return n;
}

NodePtr binary(Node::Kind kind, NodePtr left, NodePtr right) {
  auto n = std::make_shared<Node>();
  n->kind = kind;
  n->left = std::move(left);
  n->right = std::move(right);
  return n;
}

NodePtr call(Function function, NodePtr argument) {
  auto n = std::make_shared<Node>();
  n->kind = Node::Kind::Call;
  n->function = function;
  n->left = std::move(argument);
  return n;
}

double evaluateTree(const Node& n, double x) {
  switch (n.kind) {
    case Node::Kind::Number: return n.value;
    case Node::Kind::Variable: return x;
    case Node::Kind::Negate: return -evaluateTree(*n.left, x);
    case Node::Kind::Call: {
      const double v = evaluateTree(*n.left, x);
      return std::isnan(v) ? NaN : applyFunction(n.function, v);
    }
    default: break;
  }
  const double a = evaluateTree(*n.left, x);
  const double b = evaluateTree(*n.right, x);
  if (std::isnan(a) || std::isnan(b)) return NaN;
  switch (n.kind) {
    case Node::Kind::Add: return a + b;
    case Node::Kind::Sub: return a - b;
    case Node::Kind::Mul: return a * b;
    case Node::Kind::Div: return b == 0 ? NaN : a / b;
    case Node::Kind::Pow: return power(a, b);
    default: return NaN;
  }
}

bool containsRandom(const Node& n) {
  if (n.kind == Node::Kind::Call && n.function == Function::Rnd) return true;
  if (n.left && containsRandom(*n.left)) return true;
  return n.right && containsRandom(*n.right);
}

std::string toText(const Node& node, char letter, std::size_t maxLength) {
  std::string out;
  Printer printer(letter, maxLength);
  if (!printer.print(node, out)) return {};
  return out;
}

std::string plainNumberText(double value) {
  const float single = static_cast<float>(value);
  std::array<char, 128> buffer{};
  // The shortest fixed form that reads back as the same single; at most 39
  // digits before the point and about 45 after it.
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), single, std::chars_format::fixed);
  if (result.ec != std::errc{}) return "0";
  std::string text(buffer.data(), result.ptr);
  if (text == "-0") text = "0";
  return text;
}

}  // namespace analysis
