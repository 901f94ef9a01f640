#include "ui/main/field_rules.h"

#include <charconv>
#include <cmath>
#include <string>

namespace norvale {

double leadingNumber(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  std::string number;
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    number += static_cast<char>(text[i].unicode());
    ++i;
  }
  bool digits = false;
  while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
    number += static_cast<char>(text[i].unicode());
    digits = true;
    ++i;
  }
  if (i < n && text[i] == QLatin1Char('.')) {
    number += '.';
    ++i;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
      number += static_cast<char>(text[i].unicode());
      digits = true;
      ++i;
    }
  }
  if (!digits) return 0.0;
  // from_chars takes no "+" and reads the digits the same in every locale.
  const char* first = number.data();
  const char* last = number.data() + number.size();
  bool negative = false;
  if (*first == '+' || *first == '-') {
    negative = *first == '-';
    ++first;
  }
  double value = 0.0;
  const auto result = std::from_chars(first, last, value);
  if (result.ec == std::errc::result_out_of_range) value = HUGE_VAL;  // a few hundred digits typed
  return negative ? -value : value;
}

bool keyEmptiesField(QChar typed) {
  const char16_t code = typed.unicode();
  if (code >= u'0' && code <= u'9') return false;
  return code != u'.' && code != u'\b';
}

QString correctedPrecision(const QString& text) {
  const double p = leadingNumber(text);
  if (p >= 1.0 || p <= 0.0) return QStringLiteral("0.1");
  return text;
}

QString correctedArgument(const QString& text) {
  if (leadingNumber(text) == 0.0 && text != QLatin1String("0")) return QString();
  return text;
}

QString signedDecimalText(double value) {
  if (value == 0.0) return QStringLiteral(" 0");  // also -0
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  std::string out;
  std::size_t from = 0;
  if (text[0] == '-') {
    out = "-";
    from = 1;
  } else {
    out = " ";
  }
  // No zero before the decimal point: 0.25 is written .25.
  if (text.compare(from, 2, "0.") == 0) ++from;
  out += text.substr(from);
  return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

double valueCutToThousandths(float y) {
  // The standard text of a single has at most 7 significant digits.
  char buffer[64];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(y), std::chars_format::general, 7);
  double shown = 0.0;
  std::from_chars(buffer, written.ptr, shown);
  return std::floor(shown * 1000.0) / 1000.0;
}

QString readoutText(float x, float y, float markerLeft, float markerTop, double unitLength) {
  const double wx = std::floor(1000.0 * (double(x) - double(markerLeft) - 0.1) / unitLength) / 1000.0;
  const double wy = std::floor(1000.0 * (double(y) - double(markerTop) + 0.1) / unitLength) / 1000.0;
  return QLatin1Char('(') + signedDecimalText(wx) + QLatin1Char(',') + signedDecimalText(wy) + QLatin1Char(')');
}

}  // namespace norvale
