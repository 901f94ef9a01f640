// The rules of the main window's text fields and the number texts it shows.
// Pure functions, so the window and its tests share them.
#pragma once

#include <QString>

namespace norvale {

// The leading decimal number of a field's text: blanks skipped, an optional
// sign, digits, an optional "." and more digits. "." is always the decimal
// point; reading stops at the first character that cannot continue the
// number; a text with no readable number gives 0.
double leadingNumber(const QString& text);

// The key filter of the precision and argument fields: true when a typed
// character first empties the whole field ("0" to "9", "." and Backspace are
// typed normally; every other character empties the field and is then still
// typed, so a "-" can only stand at the start).
bool keyEmptiesField(QChar typed);

// The precision field on losing the focus: a number p with 0 < p < 1 stays,
// anything else becomes "0.1".
QString correctedPrecision(const QString& text);

// The argument field on losing the focus: a text that reads as 0 but is not
// exactly "0" is emptied.
QString correctedArgument(const QString& text);

// A number as the read-out and the value display write it: the shortest text
// of at most 15 significant digits, a blank before zero or positive values,
// "-" before negative ones, "." as decimal point and no zero before it.
QString signedDecimalText(double value);

// The value display after a point evaluation: y as its standard
// single-precision text read back, cut down (towards minus infinity) to
// thousandths.
double valueCutToThousandths(float y);

// The read-out of the coordinates under the pointer: "(" wx "," wy ")" with
// both world coordinates cut down to thousandths.
// (x, y) is the pointer and (markerLeft, markerTop) the origin marker's corner,
// all canvas units; the arithmetic is done in double precision.
QString readoutText(float x, float y, float markerLeft, float markerTop, double unitLength);

}  // namespace norvale
