// The derivative of an expression, found symbolically and written back in the
// program's own syntax, simplified so that a pupil can read it: no "*1",
// "+0", "^1", constants folded, numeric factors in front.
//
// Rules used (u, v expressions in x, c a constant, ' the derivative):
//   (u+v)' = u'+v'   (u*v)' = u'*v+u*v'   (u/v)' = (u'*v-u*v')/v^2
//   (u^c)' = c*u^(c-1)*u'   (c^v)' = c^v*ln(c)*v'   (u^v)' = u^v*(v'*ln(u)+v*u'/u)
//   sin' = cos   cos' = -sin   tan' = 1/cos^2   cot' = -1/sin^2
//   ln' = 1/u   lg' = 1/(u*ln 10)   sqr' = 1/(2*sqr(u))   abs' = abs(u)/u
//   exp' = exp   arctan' = 1/(1+u^2)   arccot' = -1/(1+u^2)
//   arcsin' = 1/sqr(1-u^2)   arccos' = -1/sqr(1-u^2)
// The general power rule goes through ln(u), so where u is negative (x^x at
// a negative integer) the derivative is left undefined although the function
// has a value. rnd has no derivative.
#pragma once

#include <string>
#include <string_view>

#include "analysis/expression_tree.h"

namespace analysis {

enum class DerivativeError {
  None,
  Malformed,  // the text is no expression the evaluator could read
  Random,     // the text draws random numbers
  TooLarge,   // the text, or its derivative, is too long or too deeply nested
};

struct DerivativeResult {
  std::string text;  // in x, or in the angle letter e for a polar expression
  DerivativeError error = DerivativeError::None;
};

// The derivative of a tree (not simplified beyond the rules' own folding).
NodePtr differentiate(const NodePtr& tree);

// The derivative of an expression text with respect to its variable: x for a
// Cartesian expression, the angle letter e for a polar one (polar true).
DerivativeResult derivativeText(std::string_view expression, bool polar = false);

// Simplifying constructors: fold constants, drop neutral elements, keep
// numeric factors in front and signs outside.
NodePtr add(NodePtr a, NodePtr b);
NodePtr sub(NodePtr a, NodePtr b);
NodePtr mul(NodePtr a, NodePtr b);
NodePtr div(NodePtr a, NodePtr b);
NodePtr pow(NodePtr a, NodePtr b);
NodePtr neg(NodePtr a);
NodePtr fn(Function f, NodePtr a);

}  // namespace analysis
