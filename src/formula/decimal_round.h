#pragma once

#include <string>

namespace qor::formula {

// Returns exactly what strtod(printf("%.*f", decimals, x)) returns (round half to even on
// the exact binary value, then the nearest double), without the text round trip.
// Non-finite values are returned unchanged. decimals must be 0..17.
double RoundToDecimals(double x, int decimals);

// The reference route the fast one must equal: format with "%.*f", read back.
double RoundToDecimalsViaText(double x, int decimals);

// "%.*f" of x appended to out (locale independent, same digits as printf).
void AppendFixed(std::string& out, double x, int decimals);

}  // namespace qor::formula
