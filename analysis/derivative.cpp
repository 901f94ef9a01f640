#include "analysis/derivative.h"

#include <cfloat>
#include <cmath>

#include "engine/engine.h"

namespace analysis {

namespace {

using Kind = Node::Kind;

bool isNumber(const NodePtr& n) { return n->kind == Kind::Number; }
bool isValue(const NodePtr& n, double v) { return isNumber(n) && n->value == v; }

// A folded constant must read back as a number the evaluator accepts: finite,
// within the single range and not the evaluator's NO_VALUE.
bool foldable(double v) {
  return std::isfinite(v) && std::fabs(v) <= FLT_MAX && std::fabs(static_cast<float>(v)) != NO_VALUE;
}

NodePtr folded(double v, const NodePtr& otherwise) { return foldable(v) ? number(v) : otherwise; }

// The constant factor of a product c*u (1 and u itself when there is none).
double factorOf(const NodePtr& n, NodePtr& rest) {
  if (n->kind == Kind::Mul && isNumber(n->left)) {
    rest = n->right;
    return n->left->value;
  }
  rest = n;
  return 1;
}

}  // namespace

NodePtr neg(NodePtr a) {
  if (isNumber(a)) return number(-a->value + 0.0);
  if (a->kind == Kind::Negate) return a->left;
  if (a->kind == Kind::Sub) return binary(Kind::Sub, a->right, a->left);
  auto n = std::make_shared<Node>();
  n->kind = Kind::Negate;
  n->left = std::move(a);
  return n;
}

NodePtr add(NodePtr a, NodePtr b) {
  if (isNumber(a) && isNumber(b)) return folded(a->value + b->value, binary(Kind::Add, a, b));
  if (isValue(a, 0)) return b;
  if (isValue(b, 0)) return a;
  if (b->kind == Kind::Negate) return sub(a, b->left);
  if (isNumber(b) && b->value < 0) return sub(a, number(-b->value));
  if (a->kind == Kind::Negate) return sub(b, a->left);
  return binary(Kind::Add, a, b);
}

NodePtr sub(NodePtr a, NodePtr b) {
  if (isNumber(a) && isNumber(b)) return folded(a->value - b->value, binary(Kind::Sub, a, b));
  if (isValue(b, 0)) return a;
  if (isValue(a, 0)) return neg(b);
  if (b->kind == Kind::Negate) return add(a, b->left);
  if (isNumber(b) && b->value < 0) return add(a, number(-b->value));
  return binary(Kind::Sub, a, b);
}

NodePtr mul(NodePtr a, NodePtr b) {
  if (isNumber(a) && isNumber(b)) return folded(a->value * b->value, binary(Kind::Mul, a, b));
  if (isValue(a, 0) || isValue(b, 0)) return number(0);
  if (isValue(a, 1)) return b;
  if (isValue(b, 1)) return a;
  if (isValue(a, -1)) return neg(b);
  if (isValue(b, -1)) return neg(a);
  if (a->kind == Kind::Negate) return neg(mul(a->left, b));
  if (b->kind == Kind::Negate) return neg(mul(a, b->left));
  if (isNumber(a) && a->value < 0) return neg(mul(number(-a->value), b));
  if (isNumber(b)) return mul(b, a);  // the factor in front
  if (isNumber(a) && b->kind == Kind::Div && isNumber(b->left) && foldable(a->value * b->left->value))
    return div(number(a->value * b->left->value), b->right);  // c*(d/v) = (c*d)/v
  if (isNumber(a)) {
    NodePtr rest;
    const double c = factorOf(b, rest);
    if (c != 1 && foldable(a->value * c)) return mul(number(a->value * c), rest);
  } else if (b->kind == Kind::Mul && isNumber(b->left)) {
    return mul(b->left, mul(a, b->right));  // u*(c*v) = c*(u*v)
  } else if (a->kind == Kind::Mul && isNumber(a->left)) {
    return mul(a->left, mul(a->right, b));  // (c*u)*v = c*(u*v)
  }
  return binary(Kind::Mul, a, b);
}

NodePtr div(NodePtr a, NodePtr b) {
  if (isNumber(a) && isNumber(b) && b->value != 0) return folded(a->value / b->value, binary(Kind::Div, a, b));
  if (isValue(a, 0)) return number(0);
  if (isValue(b, 1)) return a;
  if (isValue(b, -1)) return neg(a);
  if (a->kind == Kind::Negate) return neg(div(a->left, b));
  if (b->kind == Kind::Negate) return neg(div(a, b->left));
  if (isNumber(a) && a->value < 0) return neg(div(number(-a->value), b));
  if (isNumber(b) && b->value != 0) {
    NodePtr rest;
    const double c = factorOf(a, rest);
    if (foldable(c / b->value)) return mul(number(c / b->value), rest);
  }
  NodePtr top;
  NodePtr bottom;
  const double c = factorOf(a, top);
  const double d = factorOf(b, bottom);
  if (d != 1 && foldable(c / d)) return mul(number(c / d), div(top, bottom));  // (c*u)/(d*v) = (c/d)*(u/v)
  return binary(Kind::Div, a, b);
}

NodePtr pow(NodePtr a, NodePtr b) {
  if (isValue(b, 1)) return a;
  if (isValue(b, 0)) return number(1);
  if (isNumber(a) && isNumber(b)) {
    const NodePtr plain = binary(Kind::Pow, a, b);
    return folded(evaluateTree(*plain, 0), plain);
  }
  return binary(Kind::Pow, a, b);
}

NodePtr fn(Function f, NodePtr a) {
  const NodePtr plain = call(f, a);
  if (isNumber(a) && f != Function::Rnd) return folded(evaluateTree(*plain, 0), plain);
  return plain;
}

namespace {

NodePtr square(const NodePtr& u) { return pow(u, number(2)); }

// f'(u) for the named functions, as a factor or, for the "1/g" forms, as the
// quotient du/g, so that the chain rule reads u'/g instead of 1/g*u'.
NodePtr chain(Function f, const NodePtr& u, const NodePtr& du) {
  switch (f) {
    case Function::Sin: return mul(fn(Function::Cos, u), du);
    case Function::Cos: return neg(mul(fn(Function::Sin, u), du));
    case Function::Tan: return div(du, square(fn(Function::Cos, u)));
    case Function::Cot: return neg(div(du, square(fn(Function::Sin, u))));
    case Function::Ln: return div(du, u);
    case Function::Lg: return div(du, mul(u, fn(Function::Ln, number(10))));
    case Function::Sqr: return div(du, mul(number(2), fn(Function::Sqr, u)));
    case Function::Abs: return mul(div(fn(Function::Abs, u), u), du);
    case Function::Exp: return mul(fn(Function::Exp, u), du);
    case Function::Arctg: return div(du, add(number(1), square(u)));
    case Function::Arcctg: return neg(div(du, add(number(1), square(u))));
    case Function::Arcsin: return div(du, fn(Function::Sqr, sub(number(1), square(u))));
    case Function::Arccos: return neg(div(du, fn(Function::Sqr, sub(number(1), square(u)))));
    case Function::Rnd: return nullptr;
  }
  return nullptr;
}

NodePtr powerRule(const NodePtr& u, const NodePtr& v) {
  const NodePtr du = differentiate(u);
  if (isNumber(v)) return mul(mul(v, pow(u, number(v->value - 1))), du);
  const NodePtr dv = differentiate(v);
  if (isNumber(du) && du->value == 0) return mul(mul(pow(u, v), fn(Function::Ln, u)), dv);
  return mul(pow(u, v), add(mul(dv, fn(Function::Ln, u)), div(mul(v, du), u)));
}

}  // namespace

NodePtr differentiate(const NodePtr& t) {
  switch (t->kind) {
    case Kind::Number: return number(0);
    case Kind::Variable: return number(1);
    case Kind::Negate: return neg(differentiate(t->left));
    case Kind::Add: return add(differentiate(t->left), differentiate(t->right));
    case Kind::Sub: return sub(differentiate(t->left), differentiate(t->right));
    case Kind::Mul: {
      const NodePtr du = differentiate(t->left);
      const NodePtr dv = differentiate(t->right);
      return add(mul(du, t->right), mul(t->left, dv));
    }
    case Kind::Div: {
      const NodePtr du = differentiate(t->left);
      const NodePtr dv = differentiate(t->right);
      if (isValue(dv, 0)) return div(du, t->right);
      return div(sub(mul(du, t->right), mul(t->left, dv)), square(t->right));
    }
    case Kind::Pow: return powerRule(t->left, t->right);
    case Kind::Call: {
      const NodePtr du = differentiate(t->left);
      if (isValue(du, 0)) return number(0);
      return chain(t->function, t->left, du);
    }
  }
  return number(0);
}

// Folds what the reading left unfolded ("2*3", "-(4)") before differentiating,
// so the result does not carry the original's constant arithmetic.
static NodePtr simplified(const NodePtr& t) {
  switch (t->kind) {
    case Kind::Number:
    case Kind::Variable: return t;
    case Kind::Negate: return neg(simplified(t->left));
    case Kind::Call: return fn(t->function, simplified(t->left));
    case Kind::Add: return add(simplified(t->left), simplified(t->right));
    case Kind::Sub: return sub(simplified(t->left), simplified(t->right));
    case Kind::Mul: return mul(simplified(t->left), simplified(t->right));
    case Kind::Div: return div(simplified(t->left), simplified(t->right));
    case Kind::Pow: return pow(simplified(t->left), simplified(t->right));
  }
  return t;
}

DerivativeResult derivativeText(std::string_view expression, bool polar) {
  const std::string inX = polar ? ReplaceAngleLetter(expression) : std::string(expression);
  // A polar text has no x of its own: an x or X the user typed stays a
  // variable letter for the evaluator too, so it is read the same way here.
  const ParseResult parsed = parseExpression(inX);
  if (parsed.error == ParseError::TooLarge) return {{}, DerivativeError::TooLarge};
  if (!parsed.tree) return {{}, DerivativeError::Malformed};
  if (containsRandom(*parsed.tree)) return {{}, DerivativeError::Random};
  const NodePtr derivative = differentiate(simplified(parsed.tree));
  std::string text = toText(*derivative, polar ? 'e' : 'x');
  if (text.empty()) return {{}, DerivativeError::TooLarge};
  return {std::move(text), DerivativeError::None};
}

}  // namespace analysis
