#pragma once
// Reference parses for the fuzz targets, written from the settings file's rules and
// independently of settings/text_forms.cpp, so the two can be compared on any text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace reference {

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Leading white space, an optional sign, decimal digits; clamped to the 32-bit range.
inline std::int32_t parseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Saturate far above the 32-bit range so any longer run of digits stays out of it.
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > (std::int64_t{1} << 40)) magnitude = std::int64_t{1} << 40;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// The text of the number a float read takes from `text`: sign, digits, ".", fraction,
// exponent. Empty when there is no number, or when an "e" is not followed by exponent digits
// (both read as 0.0).
inline std::string floatNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        for (; j < text.size() && isDigit(text[j]); ++j) ++digits;
        if (digits > 0) i = j;
    }
    if (digits == 0) return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        std::size_t expDigits = 0;
        for (; j < text.size() && isDigit(text[j]); ++j) ++expDigits;
        if (expDigits == 0) return {};
        i = j;
    }
    return std::string(text.substr(start, i - start));
}

}  // namespace reference
