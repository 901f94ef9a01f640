// A plain evaluator written straight from the rules, kept only as an oracle
// for the shipped engine: it scans, splits and recurses on copies of the text,
// exactly as the rules read, with no care for speed or stack depth.
#pragma once

#include <string>

namespace reference {

float EvaluateExpr(const std::string& text);
// Rounds x, forms its text through VariableText, writes it in and evaluates.
float CalculateString(const std::string& expr, bool& good, float xxx);

}  // namespace reference
