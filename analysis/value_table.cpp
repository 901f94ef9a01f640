#include "analysis/value_table.h"

#include <cmath>

#include "analysis/curve_analysis.h"
#include "engine/engine.h"

namespace analysis {

ValueTable makeValueTable(double a, double b, double h, const std::vector<std::string>& expressions,
                          const std::string& variableName) {
  ValueTable table;
  table.headers.push_back(variableName);
  for (const std::string& e : expressions) table.headers.push_back(e);
  if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(h)) {
    table.error = TableError::BadStep;
    return table;
  }
  if (a != b && (h == 0 || (b - a) / h < 0)) {
    table.error = TableError::BadStep;
    return table;
  }
  const double steps = a == b ? 0 : std::floor((b - a) / h + 1e-6);
  if (steps + 1 > MAX_TABLE_ROWS) {
    table.error = TableError::TooManyRows;
    return table;
  }
  std::vector<CompiledExpression> compiled;
  for (const std::string& e : expressions) compiled.emplace_back(e);
  const int rows = static_cast<int>(steps) + 1;
  for (int k = 0; k < rows; ++k) {
    const double x = a + k * h;
    table.x.push_back(x);
    std::vector<std::optional<double>> row;
    const CompiledExpression::Argument argument = CompiledExpression::prepare(static_cast<float>(x));
    for (const CompiledExpression& f : compiled) {
      bool good = false;
      const float v = argument.valid ? f.evaluate(argument, good) : NO_VALUE;
      row.push_back(good ? std::optional<double>(v) : std::nullopt);
    }
    table.cells.push_back(std::move(row));
  }
  return table;
}

std::string tableText(const ValueTable& table, const std::string& undefinedText) {
  std::string text;
  for (std::size_t c = 0; c < table.headers.size(); ++c) {
    if (c) text += '\t';
    text += table.headers[c];
  }
  text += '\n';
  for (std::size_t r = 0; r < table.x.size(); ++r) {
    text += sevenDigitText(table.x[r]);
    for (const std::optional<double>& cell : table.cells[r]) {
      text += '\t';
      text += cell ? sevenDigitText(*cell) : undefinedText;
    }
    text += '\n';
  }
  return text;
}

}  // namespace analysis
