// A table of values: x from a to b in steps of h, one column per function,
// and its text for the clipboard (tab between columns, one line per row, so a
// spreadsheet pastes it as columns).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace analysis {

inline constexpr int MAX_TABLE_ROWS = 10000;

enum class TableError {
  None,
  BadStep,      // h is 0, not a number, or points away from b
  TooManyRows,  // more than MAX_TABLE_ROWS rows
};

struct ValueTable {
  std::vector<std::string> headers;  // "x", then each expression
  std::vector<double> x;
  // cells[row][column]: the value, or nothing where the function is undefined.
  std::vector<std::vector<std::optional<double>>> cells;
  TableError error = TableError::None;
};

// The rows x = a + k*h for k = 0, 1, ... while x has not passed b (with a
// tolerance of a millionth of a step, so 0 .. 1 by 0.1 ends at 1). a = b
// gives one row. Values are the engine's at each x.
ValueTable makeValueTable(double a, double b, double h, const std::vector<std::string>& expressions,
                          const std::string& variableName = "x");

// Tab-separated text: the header line, then one line per row with numbers of
// 7 significant digits; an undefined cell reads `undefinedText`. Lines end
// with "\n".
std::string tableText(const ValueTable& table, const std::string& undefinedText);

}  // namespace analysis
