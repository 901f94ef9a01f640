// The compiled form of an expression: a list of instructions for a small
// stack machine, produced once from the text and run for every value of x.
//
// The compiler follows the evaluator's rules exactly: at each level the text
// splits at the rightmost operator of the lowest level at bracket depth 0
// ("+"/"-" binary only, then "*" "/" "\", then "^"); without one it strips an
// outer bracket pair, a leading "+", recognises a named function or reads a
// number leaf. Instead of re-scanning each part of the text, it finds split
// points through per-depth position lists and checks brackets through the
// matching bracket of each "(", so compiling costs O(n log n), and it keeps
// its own explicit stacks, so no text can exhaust the call stack.
//
// Every instruction that produces NO_VALUE (or hits a division by zero, an
// invalid power, a domain error or an overflow) ends the run with NO_VALUE;
// since any NO_VALUE part makes the whole text NO_VALUE, that is the result
// of the evaluator as well. Instructions run in the evaluator's order (left
// operand, then right operand, then the function), so the random sequence
// advances exactly as often as the evaluator would advance it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace engine_detail {

enum class Op : std::uint8_t {
  PushConst,  // push k
  PushX,      // push the variable's value
  PushRnd,    // push the next random number (rnd of a constant argument)
  Fail,       // the result is NO_VALUE
  // top = below op top (pops one)
  Add, Sub, Mul, Div, Pow,
  // top = top op k
  AddK, SubK, MulK, DivK, PowK, Square,
  // top = k op top
  KAdd, KSub, KMul, KDiv, KPow,
  // top = top op x
  AddX, SubX, MulX, DivX, PowX,
  // top = x op top
  XAdd, XSub, XMul, XDiv, XPow,
  // top = f(top)
  Sin, Cos, Tan, Cot, Lg, Ln, Sqr, Abs, Exp, Rnd, Arctg, Arcctg, Arcsin, Arccos,
};

struct Instruction {
  Op op;
  float k;
};

struct Program {
  std::vector<Instruction> code;
  int stackDepth = 0;        // values held below the top at most
  bool usesVariable = false;
  bool hasRandom = false;
  int variableCount = 0;     // occurrences of x written into the text
  // Length of the substituted text without the variable's texts; only kept
  // when some value's text could make the whole text 32767 characters long.
  bool checkLength = false;
  long lengthWithoutValues = 0;

  // Runs the instructions; xValid false makes PushX end the run with NO_VALUE.
  float run(float x, bool xValid) const;
};

// Compiles text. With substituteVariable every x or X (except the one of
// "exp(") stands for the variable, as in CalculateString; without it the text
// is evaluated as EvaluateExpr sees it.
void Compile(std::string_view text, bool substituteVariable, Program& program);

// Combining two values and applying a named function, both rounded to single
// precision; false for every error that makes the result NO_VALUE.
bool Combine(char op, float left, float right, float& result);
bool ApplyFunction(Op function, float argument, float& result);

}  // namespace engine_detail
