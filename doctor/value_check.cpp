#include "doctor/value_check.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/profile_text.h"
#include "settings/text_forms.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

using profile_text::lowerAscii;
using profile_text::trim;

std::size_t digitsAt(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i - from;
}

bool startsWith(std::string_view text, std::size_t at, char c) { return at < text.size() && text[at] == c; }

// "," or "." followed by a digit at `at`.
bool separatorThenDigit(std::string_view text, std::size_t at, char separator) {
    return startsWith(text, at, separator) && at + 1 < text.size() && isDigit(text[at + 1]);
}

// "0x" and at least one hex digit at `at`; the hex number's value, saturated past 64 bits.
std::optional<std::uint64_t> hexAt(std::string_view text, std::size_t at) {
    if (!(startsWith(text, at, '0') && at + 2 < text.size() && lowerAscii(text[at + 1]) == 'x' &&
          isHexDigit(text[at + 2])))
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = at + 2; i < text.size() && isHexDigit(text[i]); ++i) {
        const char c = lowerAscii(text[i]);
        const std::uint64_t digit = isDigit(c) ? std::uint64_t(c - '0') : std::uint64_t(c - 'a' + 10);
        value = value > (std::numeric_limits<std::uint64_t>::max() >> 4) ? std::numeric_limits<std::uint64_t>::max()
                                                                          : value * 16 + digit;
    }
    return value;
}

std::string leadingWord(std::string_view text) {
    std::string word;
    for (char c : text) {
        if (!isLetter(c)) break;
        word += lowerAscii(c);
    }
    return word;
}

// Digits beyond the 32-bit signed range, leading zeros aside.
bool beyondInt32(std::string_view digits, bool negative) {
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    return digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit);
}

ValueFinding finding(WarningKind kind, std::string explanation, std::string writeValue) {
    return ValueFinding{kind, std::move(explanation), std::move(writeValue)};
}

std::string intText(std::int64_t value) { return std::to_string(value); }

std::string switchWord(bool on) { return on ? "on" : "off"; }

}  // namespace

const char* warningKindName(WarningKind kind) {
    switch (kind) {
        case WarningKind::FileMissing: return "file-missing";
        case WarningKind::MissingKey: return "missing-key";
        case WarningKind::EmptyValue: return "empty-value";
        case WarningKind::NotANumber: return "not-a-number";
        case WarningKind::CommaDecimal: return "comma-decimal";
        case WarningKind::TrailingText: return "trailing-text";
        case WarningKind::ExponentWithoutDigits: return "exponent-without-digits";
        case WarningKind::IntBeyondRange: return "int-beyond-range";
        case WarningKind::Fraction: return "fraction";
        case WarningKind::WordsForSwitch: return "words-for-switch";
        case WarningKind::Hex: return "hex";
        case WarningKind::FloatTooLarge: return "float-too-large";
        case WarningKind::FloatTooSmall: return "float-too-small";
        case WarningKind::ValueCut: return "value-cut";
        case WarningKind::MisspeltName: return "misspelt-name";
        case WarningKind::KeyInOtherSection: return "key-in-other-section";
        case WarningKind::DuplicateSection: return "duplicate-section";
        case WarningKind::DuplicateKey: return "duplicate-key";
        case WarningKind::NoKnownNames: return "no-known-names";
        case WarningKind::Utf8MarkBeforeSection: return "utf8-mark-before-section";
        case WarningKind::HeaderWithoutClose: return "header-without-close";
        case WarningKind::HeaderWithExtraClose: return "header-with-extra-close";
        case WarningKind::Utf16BigEndian: return "utf16-big-endian";
        case WarningKind::AccuracyNeverApplied: return "accuracy-never-applied";
        case WarningKind::NoDamage: return "no-damage";
        case WarningKind::NegativeDamage: return "negative-damage";
    }
    return "unknown";
}

std::string floatText(float value) {
    char chars[64];
    const auto result = std::to_chars(chars, chars + sizeof chars, value);
    return std::string(chars, result.ptr);
}

std::optional<ValueFinding> checkSwitchText(std::string_view raw, bool valueRead) {
    const std::string_view text = trim(raw);
    const std::string readAs = "reads as " + std::string(valueRead ? "1" : "0") + ", the switch is " +
                               switchWord(valueRead);
    const std::size_t sign = (startsWith(text, 0, '+') || startsWith(text, 0, '-')) ? 1 : 0;
    const std::size_t digits = digitsAt(text, sign);
    if (digits == 0) {
        if (text.empty()) return finding(WarningKind::EmptyValue, "empty: " + readAs, "1");
        const std::string word = leadingWord(text);
        if (!word.empty()) {
            const bool meansOn = word == "true" || word == "yes" || word == "on" || word == "y" || word == "enabled" ||
                                 word == "enable";
            return finding(WarningKind::WordsForSwitch,
                           "words are not read, only numbers (1 on, 0 off): " + readAs, meansOn ? "1" : "0");
        }
        return finding(WarningKind::NotANumber, "holds no number: " + readAs + "; 1 switches it on", "1");
    }
    if (const auto hex = hexAt(text, sign)) {
        return finding(WarningKind::Hex, "hexadecimal is not read, only its leading 0: " + readAs,
                       *hex != 0 ? "1" : "0");
    }
    const std::size_t end = sign + digits;
    const char* canonical = valueRead ? "1" : "0";
    if (separatorThenDigit(text, end, '.'))
        return finding(WarningKind::Fraction, "only the whole part is read: " + readAs, canonical);
    if (separatorThenDigit(text, end, ','))
        return finding(WarningKind::CommaDecimal, "\",\" ends the number: " + readAs, canonical);
    if (end < text.size())
        return finding(WarningKind::TrailingText,
                       "the text after \"" + std::string(text.substr(0, end)) + "\" is ignored: " + readAs, canonical);
    return std::nullopt;
}

std::optional<ValueFinding> checkAccuracyText(std::string_view raw, std::int32_t valueRead) {
    const std::string_view text = trim(raw);
    const std::string readAs = "reads as " + intText(valueRead);
    const std::string canonical = formatInt(valueRead).c_str();
    const bool negative = startsWith(text, 0, '-');
    const std::size_t sign = (negative || startsWith(text, 0, '+')) ? 1 : 0;
    const std::size_t digits = digitsAt(text, sign);
    if (digits == 0) {
        if (text.empty()) return finding(WarningKind::EmptyValue, "empty: " + readAs, "12829");
        if (separatorThenDigit(text, sign, '.') || separatorThenDigit(text, sign, ','))
            return finding(WarningKind::Fraction, "an accuracy is a whole number: " + readAs, canonical);
        return finding(WarningKind::NotANumber, "holds no number: " + readAs, "12829");
    }
    if (const auto hex = hexAt(text, sign)) {
        const bool fits = *hex <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
        const std::int64_t meant = fits ? (negative ? -static_cast<std::int64_t>(*hex) : static_cast<std::int64_t>(*hex))
                                        : valueRead;
        return finding(WarningKind::Hex, "hexadecimal is not read, only its leading 0: " + readAs, intText(meant));
    }
    if (beyondInt32(text.substr(sign, digits), negative))
        return finding(WarningKind::IntBeyondRange, "beyond the 32-bit range: " + readAs, canonical);
    const std::size_t end = sign + digits;
    if (separatorThenDigit(text, end, '.'))
        return finding(WarningKind::Fraction, "an accuracy is a whole number, the fraction is dropped: " + readAs,
                       canonical);
    if (separatorThenDigit(text, end, ','))
        return finding(WarningKind::CommaDecimal,
                       "\",\" ends the number, and an accuracy is a whole number: " + readAs, canonical);
    if (end < text.size())
        return finding(WarningKind::TrailingText,
                       "the text after \"" + std::string(text.substr(0, end)) + "\" is ignored: " + readAs, canonical);
    return std::nullopt;
}

std::optional<ValueFinding> checkDamageText(std::string_view raw, float valueRead) {
    const std::string_view text = trim(raw);
    const std::string readAs = "reads as " + floatText(valueRead);
    const std::size_t sign = (startsWith(text, 0, '+') || startsWith(text, 0, '-')) ? 1 : 0;
    const std::size_t intDigits = digitsAt(text, sign);
    std::size_t end = sign + intDigits;
    bool point = false;
    std::size_t fracDigits = 0;
    if (startsWith(text, end, '.')) {
        fracDigits = digitsAt(text, end + 1);
        if (intDigits + fracDigits > 0) {
            point = true;
            end += 1 + fracDigits;
        }
    }
    // What a comma meant as a decimal point would have read as.
    auto commaMeant = [&](std::size_t comma) {
        std::string repaired(text.substr(0, comma));
        repaired += '.';
        repaired += text.substr(comma + 1);
        return floatText(parseFloat(repaired));
    };
    if (intDigits + fracDigits == 0) {
        if (text.empty()) return finding(WarningKind::EmptyValue, "empty: " + readAs, "1");
        if (separatorThenDigit(text, sign, ','))
            return finding(WarningKind::CommaDecimal, "the decimal point is \".\", never \",\": " + readAs,
                           commaMeant(sign));
        return finding(WarningKind::NotANumber, "holds no number (words such as inf and nan too): " + readAs, "1");
    }
    if (!point && intDigits == 1) {
        if (const auto hex = hexAt(text, sign)) {
            const float meant = static_cast<float>(*hex) * (startsWith(text, 0, '-') ? -1.0f : 1.0f);
            return finding(WarningKind::Hex, "hexadecimal is not read, only its leading 0: " + readAs,
                           std::isfinite(meant) ? floatText(meant) : floatText(valueRead));
        }
    }
    bool exponent = false;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t at = end + 1;
        if (startsWith(text, at, '+') || startsWith(text, at, '-')) ++at;
        const std::size_t expDigits = digitsAt(text, at);
        if (expDigits == 0) {
            return finding(WarningKind::ExponentWithoutDigits,
                           "an \"e\" after a number starts an exponent, which needs digits: " + readAs,
                           floatText(parseFloat(text.substr(0, end))));
        }
        exponent = true;
        end = at + expDigits;
    }
    if (valueRead == 0.0f) {
        // Out of the float range reads as 0.0; strtod tells which way (the C locale is never changed).
        const std::string number(text.substr(0, end));
        const double wide = std::strtod(number.c_str(), nullptr);
        const bool negative = startsWith(text, 0, '-');
        if (std::fabs(wide) >= 1.0) {
            const float largest = std::numeric_limits<float>::max();
            return finding(WarningKind::FloatTooLarge,
                           "too large for a 32-bit float (at most 3.4028235e+38): " + readAs,
                           floatText(negative ? -largest : largest));
        }
        if (wide != 0.0)
            return finding(WarningKind::FloatTooSmall, "too small for a 32-bit float: " + readAs,
                           negative ? "-0" : "0");
    }
    if (!point && !exponent && separatorThenDigit(text, end, ','))
        return finding(WarningKind::CommaDecimal, "the decimal point is \".\", never \",\": " + readAs,
                       commaMeant(end));
    if (end < text.size())
        return finding(WarningKind::TrailingText,
                       "the text after \"" + std::string(text.substr(0, end)) + "\" is ignored: " + readAs,
                       floatText(valueRead));
    return std::nullopt;
}
