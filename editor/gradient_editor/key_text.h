#pragma once
// The numbers of the gradient editor's fields as text: written like C's
// "%f" and read like C's atof, with '.' as the decimal point whatever the
// user's locale.

#include <QString>

// Six decimals: 0.5 gives "0.500000".
QString FormatKeyNumber(double value);

// The number at the start of text after leading blanks; the rest is
// ignored. Text that does not start with a number reads as 0, and so do
// "inf", "nan" and numbers beyond the range of a double, so that a typed
// field never puts an infinite or undefined value into a gradient.
double ReadKeyNumber(const QString& text);
