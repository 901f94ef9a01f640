// An expression as a tree, read the way the evaluator reads the text: split
// at the rightmost operator of the lowest level at bracket depth 0 ("+"/"-"
// binary only, then "*" "/" "\", then "^", all left-associative), otherwise
// an outer bracket pair, a leading "+", a named function call or a leaf (the
// variable or a number). The tree is what the derivative works on; it is
// evaluated in double precision only to fold constants and to check results.
//
// Written back as text (toText) it is again in the program's own syntax, so
// the evaluator reads the printed text as the same tree: brackets are set
// wherever the left-to-right reading would group differently, numbers are
// plain decimals (never an exponent, whose sign the evaluator would split at).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace analysis {

enum class Function : std::uint8_t {
  Sin, Cos, Tan, Cot, Lg, Ln, Sqr, Abs, Exp, Rnd, Arctg, Arcctg, Arcsin, Arccos,
};

struct Node;
using NodePtr = std::shared_ptr<const Node>;

struct Node {
  enum class Kind : std::uint8_t { Number, Variable, Add, Sub, Mul, Div, Pow, Negate, Call };
  Kind kind = Kind::Number;
  double value = 0;               // Number
  Function function = Function::Sin;  // Call
  NodePtr left;                   // operand of Negate and Call, left operand of the binary kinds
  NodePtr right;
};

// Texts longer than this, or nested deeper, are not read (the derivative of
// such a text would be far too long to read anyway).
inline constexpr std::size_t MAX_TREE_TEXT = 2000;
inline constexpr int MAX_TREE_DEPTH = 60;

enum class ParseError { None, Malformed, TooLarge };

struct ParseResult {
  NodePtr tree;  // null on error
  ParseError error = ParseError::None;
};

// Reads an expression in x (either case). A text the evaluator would find
// malformed everywhere (unknown words, unpaired brackets, "%") is Malformed.
ParseResult parseExpression(std::string_view text);

// Leaves and the plain constructors (no simplification).
NodePtr number(double value);
NodePtr variable();
NodePtr binary(Node::Kind kind, NodePtr left, NodePtr right);
NodePtr call(Function function, NodePtr argument);

// The value at x in double precision; NaN where the evaluator's rules leave it
// undefined (division by zero, a power outside the reals, a domain rule). rnd
// has no value here (NaN).
double evaluateTree(const Node& node, double x);

// True when the tree contains a call of rnd.
bool containsRandom(const Node& node);

// The text in the program's syntax with the variable written as `letter`
// ('x', or 'e' for a polar expression). Empty when the text would be longer
// than maxLength characters.
std::string toText(const Node& node, char letter = 'x', std::size_t maxLength = 32766);

// A number as a plain decimal that reads back as the same single-precision
// value ("2", "0.5", "-1.5", "0.0001"), never in exponent form.
std::string plainNumberText(double value);

}  // namespace analysis
