#pragma once
// How a person reads a number's text where the plugin's parse rules read it otherwise: in words,
// as a fraction, with an exponent, grouped in thousands, with a spelt-out percent, typed in
// full-width digits or wrapped in typographic quotes. The doctor offers these readings; the
// plugin never makes them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace number_readings {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool startsWith(std::string_view text, std::size_t at, char c) { return at < text.size() && text[at] == c; }

// Valid UTF-8: every lead byte followed by its continuation bytes.
bool isUtf8(std::string_view text);

// Typographic quotes and no-break spaces, which word processors and web pages put around or
// into a number; none is read as part of it. In UTF-8, or as single bytes of Windows-1252 in
// text that is not UTF-8.
std::string withoutStrayCharacters(std::string_view text);

// Full-width forms (U+FF01 to U+FF5E, as East Asian keyboards type digits, signs and letters)
// as the ASCII characters they stand for, and the ideographic space as a space.
std::string withFullWidthAsAscii(std::string_view text);

// "fifty", "one hundred", "twenty-five": the number, when every word is one of a number.
std::optional<double> numberInWords(std::string_view text);

// A plain decimal number with "." or one ",", sign allowed: its value.
std::optional<double> plainNumber(std::string_view text);

// "12,829", "1,000,000" (or with "." for `mark`): digits in groups of three after a first group
// that starts with no 0.
bool thousandsGrouped(std::string_view text, char mark = ',');

// The text without its thousands marks, `mark` (a grouped number's digits).
std::string withoutMark(std::string_view text, char mark = ',');

// The text without a spelt-out percent ("50 percent", "50 per cent", "50 pct"), as "50%".
std::string percentWordAsSign(std::string_view text);

// "1/2", "3/4": a whole number over another, not 0.
std::optional<double> fractionValue(std::string_view text);

// A number written with an exponent: "1e3", "2.5E-1". Its value, by the C library.
std::optional<double> exponentValue(std::string_view text);

}  // namespace number_readings
