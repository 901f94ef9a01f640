#include "engine/program.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/number_leaf.h"

namespace engine_detail {
namespace {

// Texts of 32767 characters or more overflow the evaluator's 16-bit counters.
constexpr long kLengthLimit = 32767;
// The longest text a variable value can have (" " and 39 digits for 3.4E+38).
constexpr long kLongestValueText = 40;

// The variable inside the compiler's copy of the text: a character no byte can be.
constexpr char16_t kVariable = 0x100;

bool IsBad(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x7fffffffu) >= 0x7f800000u || value == NO_VALUE;
}

bool Finish(double exact, float& result) {
  const float rounded = static_cast<float>(exact);
  if (IsBad(rounded)) return false;
  result = rounded;
  return true;
}

bool Power(float base, float exponent, float& result) {
  if (base == 0.0f && exponent < 0.0f) return false;  // zero to a negative power
  if (exponent == 2.0f) {
    // Exact in double, and what pow returns for it.
    return Finish(static_cast<double>(base) * base, result);
  }
  // A negative base with a non-integer exponent gives NaN, an overflow infinity.
  return Finish(std::pow(static_cast<double>(base), static_cast<double>(exponent)), result);
}

#define NORVALE_INLINE inline __attribute__((always_inline))

NORVALE_INLINE bool CombineInline(char op, float left, float right, float& result) {
  const double a = left;
  const double b = right;
  switch (op) {
    case '+':
      return Finish(a + b, result);
    case '-':
      return Finish(a - b, result);
    case '*':
      return Finish(a * b, result);
    case '/':
    case '\\':
      if (right == 0.0f) return false;
      return Finish(a / b, result);
    case '^':
      return Power(left, right, result);
    default:
      return false;
  }
}

NORVALE_INLINE bool ApplyInline(Op function, float argument, float& result) {
  const double v = argument;
  switch (function) {
    case Op::Sin:
      return Finish(std::sin(v), result);
    case Op::Cos:
      return Finish(std::cos(v), result);
    case Op::Tan:
      return Finish(std::tan(v), result);
    case Op::Cot: {
      const double t = std::tan(v);
      if (t == 0.0) return false;
      return Finish(1.0 / t, result);
    }
    case Op::Lg:
      if (v <= 0.0) return false;
      return Finish(std::log(v) / std::log(10.0), result);
    case Op::Ln:
      if (v <= 0.0) return false;
      return Finish(std::log(v), result);
    case Op::Sqr:
      if (v < 0.0) return false;
      return Finish(std::sqrt(v), result);
    case Op::Abs:
      return Finish(std::fabs(v), result);
    case Op::Exp:
      return Finish(std::exp(v), result);
    case Op::Arctg:
      return Finish(std::atan(v), result);
    case Op::Arcctg:
      // The inverse of the cotangent, pi/2 - arctan v, in (0, pi): arccot(1)
      // is pi/4 and arccot(-1) is 3 pi/4 (not arctan v + pi/2, which would be
      // the mirror image of the curve).
      return Finish(2.0 * std::atan(1.0) - std::atan(v), result);
    case Op::Arcsin: {
      const double square = v * v;
      if (square >= 1.0) return false;
      return Finish(std::atan(v / std::sqrt(1.0 - square)), result);
    }
    case Op::Arccos: {
      const double square = v * v;
      if (square >= 1.0) return false;
      return Finish(std::atan(-v / std::sqrt(1.0 - square)) + 3.141592654 / 2.0, result);
    }
    case Op::Rnd:
      result = NextRandom();
      return true;
    default:
      return false;
  }
}

}  // namespace

bool Combine(char op, float left, float right, float& result) { return CombineInline(op, left, right, result); }

bool ApplyFunction(Op function, float argument, float& result) { return ApplyInline(function, argument, result); }

float Program::run(float x, bool xValid) const {
  // The top of the stack stays in a register; values below it live in memory.
  float small[32];
  float* below = small;
  if (stackDepth > 32) {
    // Deep texts keep one buffer per thread instead of allocating per value
    // (a run never starts another run).
    thread_local std::vector<float> large;
    if (large.size() < static_cast<std::size_t>(stackDepth)) large.resize(static_cast<std::size_t>(stackDepth));
    below = large.data();
  }
  int depth = 0;
  float top = 0.0f;
  float r = 0.0f;
  const Instruction* in = code.data();
  const Instruction* const end = in + code.size();
  // Most programs begin with the variable: it goes straight into the top.
  if (in != end && in->op == Op::PushX) {
    if (!xValid) return NO_VALUE;
    top = x;
    ++in;
  }
  for (; in != end; ++in) {
    switch (in->op) {
      case Op::PushConst:
        below[depth++] = top;
        top = in->k;
        continue;
      case Op::PushX:
        if (!xValid) return NO_VALUE;
        below[depth++] = top;
        top = x;
        continue;
      case Op::PushRnd:
        below[depth++] = top;
        top = NextRandom();
        continue;
      case Op::Fail:
        return NO_VALUE;
      case Op::Add: if (!CombineInline('+', below[--depth], top, r)) return NO_VALUE; break;
      case Op::Sub: if (!CombineInline('-', below[--depth], top, r)) return NO_VALUE; break;
      case Op::Mul: if (!CombineInline('*', below[--depth], top, r)) return NO_VALUE; break;
      case Op::Div: if (!CombineInline('/', below[--depth], top, r)) return NO_VALUE; break;
      case Op::Pow: if (!CombineInline('^', below[--depth], top, r)) return NO_VALUE; break;
      case Op::AddK: if (!CombineInline('+', top, in->k, r)) return NO_VALUE; break;
      case Op::SubK: if (!CombineInline('-', top, in->k, r)) return NO_VALUE; break;
      case Op::MulK: if (!CombineInline('*', top, in->k, r)) return NO_VALUE; break;
      case Op::DivK: if (!CombineInline('/', top, in->k, r)) return NO_VALUE; break;
      case Op::PowK: if (!CombineInline('^', top, in->k, r)) return NO_VALUE; break;
      case Op::Square: if (!Finish(static_cast<double>(top) * top, r)) return NO_VALUE; break;
      case Op::KAdd: if (!CombineInline('+', in->k, top, r)) return NO_VALUE; break;
      case Op::KSub: if (!CombineInline('-', in->k, top, r)) return NO_VALUE; break;
      case Op::KMul: if (!CombineInline('*', in->k, top, r)) return NO_VALUE; break;
      case Op::KDiv: if (!CombineInline('/', in->k, top, r)) return NO_VALUE; break;
      case Op::KPow: if (!CombineInline('^', in->k, top, r)) return NO_VALUE; break;
      case Op::AddX: if (!CombineInline('+', top, x, r)) return NO_VALUE; break;
      case Op::SubX: if (!CombineInline('-', top, x, r)) return NO_VALUE; break;
      case Op::MulX: if (!CombineInline('*', top, x, r)) return NO_VALUE; break;
      case Op::DivX: if (!CombineInline('/', top, x, r)) return NO_VALUE; break;
      case Op::PowX: if (!CombineInline('^', top, x, r)) return NO_VALUE; break;
      case Op::XAdd: if (!CombineInline('+', x, top, r)) return NO_VALUE; break;
      case Op::XSub: if (!CombineInline('-', x, top, r)) return NO_VALUE; break;
      case Op::XMul: if (!CombineInline('*', x, top, r)) return NO_VALUE; break;
      case Op::XDiv: if (!CombineInline('/', x, top, r)) return NO_VALUE; break;
      case Op::XPow: if (!CombineInline('^', x, top, r)) return NO_VALUE; break;
#define NORVALE_FUNCTION(name) \
  case Op::name:                \
    if (!ApplyInline(Op::name, top, r)) return NO_VALUE; \
    break;
      NORVALE_FUNCTION(Sin)
      NORVALE_FUNCTION(Cos)
      NORVALE_FUNCTION(Tan)
      NORVALE_FUNCTION(Cot)
      NORVALE_FUNCTION(Lg)
      NORVALE_FUNCTION(Ln)
      NORVALE_FUNCTION(Sqr)
      NORVALE_FUNCTION(Abs)
      NORVALE_FUNCTION(Exp)
      NORVALE_FUNCTION(Rnd)
      NORVALE_FUNCTION(Arctg)
      NORVALE_FUNCTION(Arcctg)
      NORVALE_FUNCTION(Arcsin)
      NORVALE_FUNCTION(Arccos)
#undef NORVALE_FUNCTION
    }
    top = r;
  }
  return top;
}

namespace {

struct NamedFunction {
  const char* prefix;  // the name with its opening bracket, lower case
  Op op;
};

// Four groups by prefix length, tried in this order; in each group the names
// in table order. A group applies when the text ends with ")" and is longer
// than its prefix plus one.
constexpr NamedFunction kGroup1[] = {{"sin(", Op::Sin}, {"log(", Op::Lg},  {"cos(", Op::Cos},
                                     {"tan(", Op::Tan}, {"sqr(", Op::Sqr}, {"abs(", Op::Abs},
                                     {"cot(", Op::Cot}, {"ctg(", Op::Cot}, {"exp(", Op::Exp},
                                     {"rnd(", Op::Rnd}};
constexpr NamedFunction kGroup2[] = {{"tg(", Op::Tan}, {"lg(", Op::Lg}, {"ln(", Op::Ln}};
constexpr NamedFunction kGroup3[] = {{"arctg(", Op::Arctg}};
constexpr NamedFunction kGroup4[] = {{"arctan(", Op::Arctg},  {"arcctg(", Op::Arcctg},
                                     {"arccot(", Op::Arcctg}, {"arcsin(", Op::Arcsin},
                                     {"arccos(", Op::Arccos}};

enum class Kind : std::uint8_t { Constant, Variable, Binary, Function };

struct Node {
  Kind kind = Kind::Constant;
  char op = 0;             // Binary: the operator character
  Op function = Op::Fail;  // Function
  int left = -1;           // Binary: left operand; Function: argument
  int right = -1;
  float value = 0.0f;      // Constant, or the folded value (NO_VALUE: fails)
  bool constant = false;   // the value is known without running
  bool random = false;     // running it advances the random sequence
};

// A part of the text: characters [begin, end), trimmed, with a virtual "0" in
// front when it began with "-" (the evaluator writes "0-..." for "-...").
struct Part {
  int begin;
  int end;
  bool zeroInFront;
};

class Compiler {
 public:
  Compiler(const std::vector<char16_t>& text, int begin, int end) : s_(text), begin_(begin), end_(end) {}

  // False when the brackets of the whole text do not pair up.
  bool index();
  int build();  // returns the root node
  std::vector<Node>& nodes() { return nodes_; }

 private:
  enum Class { PlusMinus, Times, Power, ClassCount };

  Part normalize(int begin, int end) const {
    while (begin < end && s_[begin] == u' ') ++begin;
    while (end > begin && s_[end - 1] == u' ') --end;
    return {begin, end, begin < end && s_[begin] == u'-'};
  }
  int rightmost(Class c, int depth, int from, int to) const;
  bool matches(int open, int close) const { return match_[open - begin_] == close; }
  int newNode(Kind kind) {
    nodes_.emplace_back();
    nodes_.back().kind = kind;
    return static_cast<int>(nodes_.size()) - 1;
  }
  int newConstant(float value) {
    const int n = newNode(Kind::Constant);
    nodes_[n].value = value;
    return n;
  }
  bool recognise(const Part& part, Op& function, int& argumentBegin) const;
  int leaf(const Part& part);

  const std::vector<char16_t>& s_;
  int begin_;
  int end_;
  std::vector<int> depthAt_;  // bracket depth before each character
  std::vector<int> match_;    // for "(", the position of its ")"
  // Per class, positions grouped by depth: positions_[c][offsets_[c][d] ...].
  std::vector<int> positions_[ClassCount];
  std::vector<int> offsets_[ClassCount];
  std::vector<Node> nodes_;
};

bool IsOperator(char16_t c) {
  return c == u'^' || c == u'*' || c == u'/' || c == u'\\' || c == u'%' || c == u'+' || c == u'-';
}

bool Compiler::index() {
  const int n = end_ - begin_;
  depthAt_.assign(n, 0);
  match_.assign(n, -1);
  std::vector<int> open;
  int depth = 0;
  int maxDepth = 0;
  for (int i = begin_; i < end_; ++i) {
    depthAt_[i - begin_] = depth;
    if (s_[i] == u'(') {
      open.push_back(i);
      maxDepth = std::max(maxDepth, ++depth);
    } else if (s_[i] == u')') {
      if (--depth < 0) return false;  // a ")" that closes nothing
      match_[open.back() - begin_] = i;
      open.pop_back();
    }
  }
  if (depth != 0) return false;  // an unclosed "("

  // A "+" or "-" is binary when the nearest character before it that is no
  // blank is neither an operator nor "(": that is how the flag of the scan
  // reads for a character at depth 0 of any part that contains both.
  auto classOf = [&](int i, int previous) -> int {
    const char16_t c = s_[i];
    if (c == u'+' || c == u'-') {
      return previous >= 0 && !IsOperator(s_[previous]) && s_[previous] != u'(' ? PlusMinus : -1;
    }
    if (c == u'*' || c == u'/' || c == u'\\') return Times;
    if (c == u'^') return Power;
    return -1;
  };
  for (int c = 0; c < ClassCount; ++c) offsets_[c].assign(maxDepth + 2, 0);
  int previous = -1;
  std::vector<int> classes(n, -1);
  for (int i = begin_; i < end_; ++i) {
    classes[i - begin_] = classOf(i, previous);
    if (classes[i - begin_] >= 0) ++offsets_[classes[i - begin_]][depthAt_[i - begin_] + 1];
    if (s_[i] != u' ') previous = i;
  }
  for (int c = 0; c < ClassCount; ++c) {
    for (int d = 1; d <= maxDepth + 1; ++d) offsets_[c][d] += offsets_[c][d - 1];
    positions_[c].assign(offsets_[c][maxDepth + 1], 0);
  }
  std::vector<int> fill[ClassCount];
  for (int c = 0; c < ClassCount; ++c) fill[c].assign(offsets_[c].begin(), offsets_[c].end() - 1);
  for (int i = begin_; i < end_; ++i) {
    const int c = classes[i - begin_];
    if (c >= 0) positions_[c][fill[c][depthAt_[i - begin_]]++] = i;
  }
  return true;
}

int Compiler::rightmost(Class c, int depth, int from, int to) const {
  if (from >= to) return -1;
  const auto first = positions_[c].begin() + offsets_[c][depth];
  const auto last = positions_[c].begin() + offsets_[c][depth + 1];
  auto it = std::lower_bound(first, last, to);
  if (it == first) return -1;
  --it;
  return *it >= from ? *it : -1;
}

bool Compiler::recognise(const Part& part, Op& function, int& argumentBegin) const {
  const int n = part.end - part.begin;
  if (n < 1 || s_[part.end - 1] != u')') return false;
  auto tryGroup = [&](const NamedFunction* names, int count, int prefixLength) {
    if (n <= prefixLength + 1) return false;
    for (int k = 0; k < count; ++k) {
      bool same = true;
      for (int i = 0; i < prefixLength && same; ++i) {
        char16_t c = s_[part.begin + i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        same = c == static_cast<unsigned char>(names[k].prefix[i]);
      }
      if (same) {
        function = names[k].op;
        argumentBegin = part.begin + prefixLength;
        return true;
      }
    }
    return false;
  };
  return tryGroup(kGroup1, 10, 4) || tryGroup(kGroup2, 3, 3) || tryGroup(kGroup3, 1, 6) ||
         tryGroup(kGroup4, 5, 7);
}

int Compiler::leaf(const Part& part) {
  if (part.end - part.begin == 1 && s_[part.begin] == kVariable) return newNode(Kind::Variable);
  std::string digits;
  digits.reserve(part.end - part.begin);
  for (int i = part.begin; i < part.end; ++i) {
    if (s_[i] > 0x7f) return newConstant(NO_VALUE);
    digits.push_back(static_cast<char>(s_[i]));
  }
  float value = 0.0f;
  if (!ReadNumberLeaf(digits, value)) value = NO_VALUE;
  return newConstant(value);
}

int Compiler::build() {
  struct Work {
    Part part;
    int parent;
    bool right;
  };
  std::vector<Work> work;
  work.push_back({normalize(begin_, end_), -1, false});
  int root = -1;
  while (!work.empty()) {
    const Work item = work.back();
    work.pop_back();
    Part part = item.part;
    int node = -1;
    while (node < 0) {
      const int n = part.end - part.begin + (part.zeroInFront ? 1 : 0);
      if (n == 0) {
        node = newConstant(0.0f);
        break;
      }
      if (part.zeroInFront && part.end == part.begin) {  // the text "0"
        node = newConstant(0.0f);
        break;
      }
      // The split point: the rightmost binary "+"/"-", else "*" "/" "\",
      // else "^", at the depth of the part's first character.
      const int depth = depthAt_[part.begin - begin_];
      int split = rightmost(PlusMinus, depth, part.begin + 1, part.end);
      if (split < 0 && part.zeroInFront) split = part.begin;  // "0-..."
      if (split < 0) split = rightmost(Times, depth, part.begin, part.end);
      if (split < 0) split = rightmost(Power, depth, part.begin, part.end);
      if (split >= 0) {
        node = newNode(Kind::Binary);
        nodes_[node].op = static_cast<char>(s_[split]);
        int leftEnd = split;
        while (leftEnd > part.begin && s_[leftEnd - 1] == u' ') --leftEnd;
        Part left{part.begin, leftEnd, part.zeroInFront};
        if (!part.zeroInFront && leftEnd == part.begin) left = {part.begin, part.begin, false};
        work.push_back({normalize(split + 1, part.end), node, true});
        work.push_back({left, node, false});
        break;
      }
      const char16_t first = s_[part.begin];
      if (first == u'(' && s_[part.end - 1] == u')' && n >= 2) {
        if (!matches(part.begin, part.end - 1)) {
          node = newConstant(NO_VALUE);  // the inside closes more than it opens
          break;
        }
        part = normalize(part.begin + 1, part.end - 1);
        continue;
      }
      if (first == u'+') {
        part = normalize(part.begin + 1, part.end);
        continue;
      }
      Op function;
      int argumentBegin;
      if (recognise(part, function, argumentBegin)) {
        if (!matches(argumentBegin - 1, part.end - 1)) {
          node = newConstant(NO_VALUE);
          break;
        }
        node = newNode(Kind::Function);
        nodes_[node].function = function;
        work.push_back({normalize(argumentBegin, part.end - 1), node, false});
        break;
      }
      node = leaf(part);
    }
    if (item.parent < 0) {
      root = node;
    } else if (item.right) {
      nodes_[item.parent].right = node;
    } else {
      nodes_[item.parent].left = node;
    }
  }
  return root;
}

// Folds the parts that need no variable and no random number into constants,
// children first (children always have higher indices than their parents).
void Fold(std::vector<Node>& nodes) {
  for (int i = static_cast<int>(nodes.size()) - 1; i >= 0; --i) {
    Node& node = nodes[i];
    switch (node.kind) {
      case Kind::Constant:
        node.constant = true;
        break;
      case Kind::Variable:
        break;
      case Kind::Binary: {
        const Node& l = nodes[node.left];
        const Node& r = nodes[node.right];
        node.random = l.random || r.random;
        if (l.constant && l.value == NO_VALUE) {
          // The right side is never evaluated.
          node.constant = true;
          node.random = false;
          node.value = NO_VALUE;
        } else if (r.constant && r.value == NO_VALUE && !l.random) {
          node.constant = true;
          node.value = NO_VALUE;
        } else if (l.constant && r.constant) {
          node.constant = true;
          if (!Combine(node.op, l.value, r.value, node.value)) node.value = NO_VALUE;
        }
        break;
      }
      case Kind::Function: {
        const Node& a = nodes[node.left];
        if (a.constant && a.value == NO_VALUE) {
          node.constant = true;
          node.value = NO_VALUE;
        } else if (node.function == Op::Rnd) {
          node.random = true;
        } else {
          node.random = a.random;
          if (a.constant) {
            node.constant = true;
            if (!ApplyFunction(node.function, a.value, node.value)) node.value = NO_VALUE;
          }
        }
        break;
      }
    }
  }
}

Op StackOp(char op) {
  switch (op) {
    case '+': return Op::Add;
    case '-': return Op::Sub;
    case '*': return Op::Mul;
    case '^': return Op::Pow;
    default: return Op::Div;  // "/" and "\"
  }
}

// The same operation in the forms top op k, k op top, top op x, x op top.
Op Shifted(Op stackOp, Op firstOfForm) {
  return static_cast<Op>(static_cast<int>(firstOfForm) + (static_cast<int>(stackOp) - static_cast<int>(Op::Add)));
}

void Emit(const std::vector<Node>& nodes, int root, Program& program) {
  auto& code = program.code;
  int depth = 0;  // values below the top while running
  auto push = [&](Op op, float k) {
    code.push_back({op, k});
    if (op == Op::PushConst || op == Op::PushX || op == Op::PushRnd) {
      // Every push moves the previous top (at first a placeholder) below.
      program.stackDepth = std::max(program.stackDepth, ++depth);
    } else if (op >= Op::Add && op <= Op::Pow) {
      --depth;
    }
  };
  const bool fuseVariable = !nodes[root].random;

  struct Frame {
    int node;
    int stage;
  };
  std::vector<Frame> frames{{root, 0}};
  while (!frames.empty()) {
    Frame& frame = frames.back();
    const Node& node = nodes[frame.node];
    if (node.constant) {
      push(node.value == NO_VALUE ? Op::Fail : Op::PushConst, node.value);
      frames.pop_back();
      continue;
    }
    if (node.kind == Kind::Variable) {
      push(Op::PushX, 0.0f);
      frames.pop_back();
      continue;
    }
    if (node.kind == Kind::Function) {
      const Node& argument = nodes[node.left];
      if (node.function == Op::Rnd && argument.constant) {
        push(Op::PushRnd, 0.0f);
        frames.pop_back();
      } else if (frame.stage == 0) {
        frame.stage = 1;
        frames.push_back({node.left, 0});
      } else {
        push(node.function, 0.0f);
        frames.pop_back();
      }
      continue;
    }
    // Binary.
    const Node& l = nodes[node.left];
    const Node& r = nodes[node.right];
    const Op stackOp = StackOp(node.op);
    if (l.constant) {  // k op (right)
      if (frame.stage == 0) {
        frame.stage = 1;
        frames.push_back({node.right, 0});
      } else {
        push(Shifted(stackOp, Op::KAdd), l.value);
        frames.pop_back();
      }
    } else if (r.constant) {  // (left) op k
      if (frame.stage == 0) {
        frame.stage = 1;
        frames.push_back({node.left, 0});
      } else {
        if (r.value == NO_VALUE) {
          push(Op::Fail, 0.0f);
        } else if (stackOp == Op::Pow && r.value == 2.0f) {
          push(Op::Square, 0.0f);
        } else {
          push(Shifted(stackOp, Op::AddK), r.value);
        }
        frames.pop_back();
      }
    } else if (fuseVariable && r.kind == Kind::Variable) {  // (left) op x
      if (frame.stage == 0) {
        frame.stage = 1;
        frames.push_back({node.left, 0});
      } else {
        push(Shifted(stackOp, Op::AddX), 0.0f);
        frames.pop_back();
      }
    } else if (fuseVariable && l.kind == Kind::Variable) {  // x op (right)
      if (frame.stage == 0) {
        frame.stage = 1;
        frames.push_back({node.right, 0});
      } else {
        push(Shifted(stackOp, Op::XAdd), 0.0f);
        frames.pop_back();
      }
    } else if (frame.stage == 0) {
      frame.stage = 1;
      frames.push_back({node.left, 0});
    } else if (frame.stage == 1) {
      frame.stage = 2;
      frames.push_back({node.right, 0});
    } else {
      push(stackOp, 0.0f);
      frames.pop_back();
    }
  }
  // Nothing after a Fail can run.
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (code[i].op == Op::Fail) {
      code.resize(i + 1);
      break;
    }
  }
  program.hasRandom = nodes[root].random;
  program.usesVariable = false;
  for (const Instruction& in : code) {
    const bool variable = in.op == Op::PushX || (in.op >= Op::AddX && in.op <= Op::XPow);
    program.usesVariable = program.usesVariable || variable;
  }
}

void SetFailing(Program& program) {
  program.code.assign(1, {Op::Fail, 0.0f});
  program.usesVariable = false;
  program.hasRandom = false;
  program.checkLength = false;
}

}  // namespace

void Compile(std::string_view text, bool substituteVariable, Program& program) {
  program = Program{};
  // Trimmed, the text can only grow by substitution; a text that is already
  // too long never gets looked at further.
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  if (static_cast<long>(last - first) >= kLengthLimit) {
    SetFailing(program);
    return;
  }

  // The compiler's copy: each variable letter becomes "(" kVariable ")".
  std::vector<char16_t> s;
  s.reserve(last - first + 16);
  int variables = 0;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = first; i < last; ++i) {
    const char c = text[i];
    const bool letter = substituteVariable && (c == 'x' || c == 'X');
    const bool partOfExp = letter && i > 0 && i + 2 < text.size() && lower(text[i - 1]) == 'e' &&
                           lower(text[i + 1]) == 'p' && text[i + 2] == '(';
    if (letter && !partOfExp) {
      s.push_back(u'(');
      s.push_back(kVariable);
      s.push_back(u')');
      ++variables;
    } else {
      s.push_back(static_cast<unsigned char>(c));
    }
  }
  // Length after the leading-sign step, with each value's text counted apart:
  // the real text has 2 + len(value text) characters per variable.
  const long sign = !s.empty() && s.front() == u'-' ? 1 : 0;
  const long withoutValues = static_cast<long>(s.size()) + sign - variables;
  program.variableCount = variables;
  if (withoutValues + 2L * variables >= kLengthLimit) {  // even the shortest value text is too long
    SetFailing(program);
    return;
  }
  if (withoutValues + kLongestValueText * variables >= kLengthLimit) {
    program.checkLength = true;
    program.lengthWithoutValues = withoutValues;
  }
  if (s.empty()) {
    program.code.assign(1, {Op::PushConst, 0.0f});
    return;
  }

  Compiler compiler(s, 0, static_cast<int>(s.size()));
  if (!compiler.index()) {
    SetFailing(program);  // NO_VALUE whatever the length
    return;
  }
  const int root = compiler.build();
  Fold(compiler.nodes());
  Emit(compiler.nodes(), root, program);
}

}  // namespace engine_detail
