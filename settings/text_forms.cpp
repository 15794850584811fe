#include "settings/text_forms.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

ValueText finish(char* end, ValueText& text) {
    *end = '\0';
    return text;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view skipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    return text.substr(i);
}

// For a number that from_chars found out of range: true when it is too small rather than too
// large, told by the decimal position of its first significant digit.
bool isBelowFloatRange(std::string_view number) {
    std::size_t at = (!number.empty() && (number[0] == '+' || number[0] == '-')) ? 1 : 0;
    long position = 0;  // digits before the point, counting from the first significant one
    bool significant = false, afterPoint = false;
    for (; at < number.size() && number[at] != 'e' && number[at] != 'E'; ++at) {
        const char c = number[at];
        if (c == '.') {
            afterPoint = true;
        } else if (!significant && c == '0') {
            if (afterPoint) --position;
        } else if (!significant) {
            significant = true;
            if (!afterPoint) ++position;
        } else if (!afterPoint) {
            ++position;
        }
    }
    long exponent = 0;
    bool negativeExponent = false;
    if (at < number.size()) {
        ++at;
        if (at < number.size() && (number[at] == '+' || number[at] == '-')) negativeExponent = number[at++] == '-';
        for (; at < number.size() && exponent < 1000000; ++at) exponent = exponent * 10 + (number[at] - '0');
    }
    return position + (negativeExponent ? -exponent : exponent) <= 0;
}

}  // namespace

ValueText formatBool(bool value) {
    ValueText text{};
    text.chars[0] = value ? '1' : '0';
    return text;
}

ValueText formatInt(std::int32_t value) {
    ValueText text{};
    auto result = std::to_chars(text.chars, text.chars + kValueTextCapacity - 1, value);
    return finish(result.ptr, text);
}

ValueText formatFloat(float value) {
    ValueText text{};
    // std::to_chars, not printf: some C runtimes print three exponent digits or follow the locale.
    auto result = std::to_chars(text.chars, text.chars + kValueTextCapacity - 1, static_cast<double>(value),
                                std::chars_format::general, 6);
    return finish(result.ptr, text);
}

std::int32_t parseInt(std::string_view text) {
    text = skipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const std::size_t digits = countDigits(text, 0);
    if (digits == 0) return 0;
    // Accumulate in 64 bits and stop growing once past the 32-bit range: any longer run clamps.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (std::size_t i = 0; i < digits && magnitude <= kLimit; ++i) magnitude = magnitude * 10 + (text[i] - '0');
    if (negative) return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                             : static_cast<std::int32_t>(-magnitude);
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(magnitude);
}

bool parseBool(std::string_view text) { return parseInt(text) != 0; }

float parseFloat(std::string_view text) {
    text = skipSpace(text);
    // Find the extent of the number by the rules above, then let from_chars round it.
    std::size_t end = 0;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
    const std::size_t intDigits = countDigits(text, end);
    end += intDigits;
    std::size_t fracDigits = 0;
    if (end < text.size() && text[end] == '.') {
        fracDigits = countDigits(text, end + 1);
        if (intDigits > 0 || fracDigits > 0) end += 1 + fracDigits;
    }
    if (intDigits == 0 && fracDigits == 0) return 0.0f;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exp = end + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
        const std::size_t expDigits = countDigits(text, exp);
        if (expDigits == 0) return 0.0f;
        end = exp + expDigits;
    }
    // from_chars takes no "+"; the number's own text is otherwise exactly what it accepts.
    std::size_t begin = (text[0] == '+') ? 1 : 0;
    float value = 0.0f;
    auto result = std::from_chars(text.data() + begin, text.data() + end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range && isBelowFloatRange(text.substr(0, end))) {
        // Too small for a float: the nearest float is a zero of the number's sign.
        return text[0] == '-' ? -0.0f : 0.0f;
    }
    if (result.ec != std::errc{} || !std::isfinite(value)) return 0.0f;
    return value;
}

std::size_t countDigits(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i - from;
}
