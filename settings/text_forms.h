#pragma once
// The settings file's text forms and parse rules. They are this plugin's own, identical on
// every platform and in every locale: "." is the only decimal point, digits are never grouped.
//
// Written forms:
//   boolean  "1" or "0"
//   integer  plain decimal, "-" for negatives, no "+", no leading zeros: 12829, -5, 0
//   float    widened to double, C's %g with precision 6: 1, 0.5, 0.123457, 1e+07, 1e-05
//
// Parse rules (leading white space skipped; parsing stops at the first character that can't
// continue the number and ignores the rest):
//   parseInt    optional "+"/"-", decimal digits. No digit: 0. Beyond 32 bits: clamped to
//               2147483647 / -2147483648. No hex or octal: "0x10" is 0, "010" is 10; "12.9" is 12.
//   parseBool   parsed as an integer: 0 is false, any other number true; no digit is false, so
//               the words "true", "yes" and "on" are false.
//   parseFloat  optional sign, digits with an optional "." and fraction, optional exponent
//               ("e"/"E", optional sign, digits). The nearest float. No number, "inf", "nan": 0.0.
//               Too large for a float: 0.0, never infinity. "," ends the number: "0,5" is 0.0,
//               "1,5" is 1.0. An "e" with no digits after it makes the whole value 0.0: "1.5e".

#include <cstddef>
#include <cstdint>
#include <string_view>

// Long enough for every written form ("-2147483648", "-3.40282e+38") and its NUL.
inline constexpr std::size_t kValueTextCapacity = 32;

struct ValueText {
    char chars[kValueTextCapacity];
    const char* c_str() const { return chars; }
};

ValueText formatBool(bool value);
ValueText formatInt(std::int32_t value);
ValueText formatFloat(float value);

bool parseBool(std::string_view text);
std::int32_t parseInt(std::string_view text);
float parseFloat(std::string_view text);

// How many decimal digits stand in `text` from `from` on (0 when `from` is past its end).
std::size_t countDigits(std::string_view text, std::size_t from);
