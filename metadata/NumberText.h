#pragma once
// Number <-> text conversions with the C library's reading rules but without its locale: the
// window runs under the user's locale, and a German one would otherwise print "123,40".

#include <optional>
#include <string>
#include <string_view>

// Reads like atoi: leading white space, an optional sign, digits up to the first non-digit;
// 0 when there are none. Out-of-range values saturate.
int ReadLeadingInt(std::string_view text);

// printf's "%.<decimals>f" in the C locale ("inf", "nan" for those values).
std::string FormatFixed(double value, int decimals);

// The value of a plain decimal number: an optional "-", digits, and a point with digits after it
// (-12, 3.50). Nothing for any other text: a sign "+", a lone point, an exponent, blanks, units.
std::optional<double> PlainDecimal(std::string_view text);
