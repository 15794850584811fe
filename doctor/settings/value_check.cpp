#include "doctor/settings/value_check.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <vector>

#include "doctor/settings/number_readings.h"
#include "platform/profile_text.h"
#include "settings/settings_file.h"
#include "settings/text_forms.h"

namespace {

using namespace number_readings;
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

using profile_text::lowerAscii;
using profile_text::trim;


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

ValueFinding choice(WarningKind kind, std::string explanation, std::vector<ValueChoice> choices) {
    ValueFinding found{kind, std::move(explanation), {}};
    found.certain = false;
    found.choices = std::move(choices);
    return found;
}

std::string wholeText(double value) { return std::to_string(static_cast<long long>(value)); }

// The text after the number that is not read, when it holds digits: a person may read them
// as part of the number ("1.5.5", "35 45"), so what was meant is a choice.
ValueFinding ignoredTail(std::string_view text, std::size_t end, const std::string& readAs, const std::string& asRead) {
    const std::string said = "the text after \"" + std::string(text.substr(0, end)) + "\" is ignored: " + readAs;
    if (std::none_of(text.begin() + static_cast<std::ptrdiff_t>(end), text.end(), isDigit))
        return finding(WarningKind::TrailingText, said, asRead);
    return choice(WarningKind::TrailingText, said + ", though the rest holds digits too", {{asRead, "as read now"}});
}

// "1/2", "100/2": the "/" ends the number, but the player wrote a fraction.
std::optional<ValueFinding> fractionMeant(std::string_view text, bool damage, const std::string& readAs) {
    const auto share = fractionValue(text);
    if (!share) return std::nullopt;
    const std::string said = "\"/\" ends the number: " + readAs + ". As a fraction, " + std::string(text) + " is ";
    if (damage) return finding(WarningKind::Fraction, said + floatText(static_cast<float>(*share)),
                               floatText(static_cast<float>(*share)));
    if (*share == std::floor(*share))
        return finding(WarningKind::Fraction, said + wholeText(*share), wholeText(*share));
    return choice(WarningKind::Fraction, said + "not a whole number",
                  {{wholeText(std::round(*share * 100)), "as a share of 100"},
                   {wholeText(std::floor(*share)), "rounded down"}});
}

// "150%": a share of normal damage, or an accuracy already out of 100.
std::optional<ValueFinding> percentMeant(std::string_view text, bool damage, const std::string& readAs) {
    if (text.empty() || text.back() != '%') return std::nullopt;
    const auto number = plainNumber(trim(text.substr(0, text.size() - 1)));
    if (!number) return std::nullopt;
    if (damage) {
        const std::string meant = floatText(static_cast<float>(*number / 100.0));
        return finding(WarningKind::Percent,
                       "a percent sign is not read: " + readAs + ". As a percentage of normal damage, " +
                           std::string(text) + " is " + meant,
                       meant);
    }
    if (*number == std::floor(*number))
        return finding(WarningKind::Percent,
                       "an accuracy is already out of 100, so the percent sign is not needed: " + readAs,
                       wholeText(*number));
    return choice(WarningKind::Percent, "an accuracy is a whole number: " + readAs,
                  {{wholeText(std::floor(*number)), "rounded down"}, {wholeText(std::ceil(*number)), "rounded up"}});
}

// "12,829": a thousands separator in an accuracy; in a damage modifier it may be a decimal point.
std::optional<ValueFinding> thousandsMeant(std::string_view text, bool damage, const std::string& readAs) {
    if (!thousandsGrouped(text)) return std::nullopt;
    const std::string joined = withoutMark(text);
    if (!damage)
        return finding(WarningKind::ThousandsSeparator,
                       "\",\" ends the number: " + readAs + ". As a thousands separator, " + std::string(text) +
                           " is " + joined,
                       joined);
    return choice(WarningKind::ThousandsSeparator,
                  "\",\" ends the number: " + readAs + "; the \",\" is either a decimal point or a thousands "
                  "separator",
                  {{floatText(static_cast<float>(*plainNumber(text))), "\",\" as a decimal point"},
                   {joined, "\",\" as a thousands separator"}});
}

// "half", "double", "x2": words and signs for a damage modifier.
std::optional<ValueFinding> damageWordsMeant(std::string_view text, const std::string& readAs) {
    const std::string word = leadingWord(text);
    const char* meant = word == "half"                        ? "0.5"
                        : word == "double" || word == "twice" ? "2"
                        : word == "normal"                    ? "1"
                                                              : nullptr;
    if (meant && word.size() == text.size())
        return finding(WarningKind::NumberInWords,
                       "words are not read, only digits: " + readAs + "; \"" + std::string(text) + "\" is " + meant,
                       meant);
    if ((startsWith(text, 0, 'x') || startsWith(text, 0, 'X')) && plainNumber(text.substr(1)) &&
        text.find(',') == std::string_view::npos) {
        const std::string times(text.substr(1));
        return finding(WarningKind::NotANumber,
                       "\"" + std::string(text) + "\" holds no number the plugin reads, as it starts with \"x\": " +
                           readAs + ". As \"times\", " + std::string(text) + " is " + times,
                       times);
    }
    return std::nullopt;
}

// A fraction where only whole numbers are read: 0.35 is most likely a share of 100.
std::optional<ValueFinding> wholeAccuracyMeant(std::string_view text, const std::string& readAs) {
    const bool fraction = text.find_first_of(".,") != std::string_view::npos;
    const auto number = plainNumber(text);
    if (!number || !fraction || *number == std::floor(*number)) return std::nullopt;
    const double whole = std::trunc(*number);
    std::vector<ValueChoice> choices;
    if (std::fabs(*number) < 1.0)
        choices.push_back({wholeText(std::round(*number * 100)), std::string(text) + " of 100"});
    choices.push_back({wholeText(whole), "as read now, the fraction dropped"});
    if (std::fabs(*number) >= 1.0) choices.push_back({wholeText(whole + (*number < 0 ? -1 : 1)), "rounded up"});
    if (thousandsGrouped(text, '.')) choices.push_back({withoutMark(text, '.'), "\".\" as a thousands separator"});
    return choice(WarningKind::Fraction, "an accuracy is a whole number, the fraction is dropped: " + readAs, choices);
}

// Where the text shows what the player meant more plainly than the plugin reads it: a fraction,
// a percent sign, a thousands separator, a number in words, "x2", a fraction in a whole number.
// None when the text shows nothing of the kind.
std::optional<ValueFinding> meaningOf(std::string_view written, ValueType type, const std::string& readAs) {
    const bool damage = type == ValueType::DamageModifier;
    if (type == ValueType::Switch) return std::nullopt;
    const std::string percent = percentWordAsSign(written);
    const std::string_view text = percent;
    if (auto meant = fractionMeant(text, damage, readAs)) return meant;
    if (auto meant = percentMeant(text, damage, readAs)) return meant;
    if (auto meant = thousandsMeant(text, damage, readAs)) return meant;
    if (const auto words = numberInWords(text))
        return finding(WarningKind::NumberInWords, "words are not read, only digits: " + readAs + "; \"" +
                                                       std::string(text) + "\" is " + wholeText(*words),
                       wholeText(*words));
    return damage ? damageWordsMeant(text, readAs) : wholeAccuracyMeant(text, readAs);
}

// No text at all where a number is read: the default or what is read now, the player chooses.
ValueFinding emptyNumber(ValueType type, const std::string& readAs) {
    const bool damage = type == ValueType::DamageModifier;
    const char* const standing = damage ? "normal damage, the default" : "the default: follows the first ped";
    return choice(WarningKind::EmptyValue, "empty: " + readAs,
                  {{defaultValueText(type), standing}, {"0", damage ? "no damage, as read now" : "as read now"}});
}

// Text that shows no number at all: the player chooses.
ValueFinding noNumber(std::string_view text, ValueType type, const std::string& readAs) {
    const std::string found = "found \"" + std::string(text) + "\", which holds no number: " + readAs;
    switch (type) {
        case ValueType::Switch: return choice(WarningKind::NotANumber, found, {{"1", "on"}, {"0", "off"}});
        case ValueType::Accuracy:
            return choice(WarningKind::NotANumber, found + "; an accuracy is a number from 0 to 100, or 12829",
                          {{defaultValueText(ValueType::Accuracy), "the default: follows the first ped"}});
        case ValueType::DamageModifier:
            return choice(WarningKind::NotANumber, found + " (inf and nan are not read either)",
                          {{defaultValueText(ValueType::DamageModifier), "normal damage, the default"},
                           {"0.5", "half"}});
    }
    return choice(WarningKind::NotANumber, found, {});
}

// Stray characters removed and full-width ones made ASCII, the text checked again as `check`
// does with the value `parse` reads; none when there are none. Certain only when the cleaned
// text reads as it looks.
template <typename Value>
std::optional<ValueFinding> strayCharacters(std::string_view text, const std::string& readAs,
                                            std::optional<ValueFinding> (*check)(std::string_view, Value),
                                            Value (*parse)(std::string_view)) {
    const std::string wide = withFullWidthAsAscii(text);
    const std::string cleaned = withoutStrayCharacters(wide);
    if (cleaned == text) return std::nullopt;
    const std::string said = wide != text ? "full-width characters (as some keyboards type them) are not read as "
                                            "digits or signs: " + readAs + ". As plain characters"
                                          : "typographic quotes or no-break spaces around the number are not read: " +
                                                readAs + ". Without them";
    std::optional<ValueFinding> inner = check(cleaned, parse(cleaned));
    if (!inner) return finding(WarningKind::StrayCharacters, said + " it is " + cleaned, cleaned);
    inner->kind = WarningKind::StrayCharacters;
    inner->explanation = said + ", \"" + cleaned + "\": " + inner->explanation;
    return inner;
}

}  // namespace

std::string defaultValueText(ValueType type) {
    switch (type) {
        case ValueType::Switch: return formatBool(true).c_str();
        case ValueType::Accuracy: return formatInt(kDefaultAccuracy).c_str();
        case ValueType::DamageModifier: return formatFloat(kDefaultDamageModifier).c_str();
    }
    return {};
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
    if (auto stray = strayCharacters(text, readAs, checkSwitchText, parseBool)) return stray;
    const std::size_t sign = (startsWith(text, 0, '+') || startsWith(text, 0, '-')) ? 1 : 0;
    const std::size_t digits = countDigits(text, sign);
    if (digits == 0) {
        if (text.empty())
            return finding(WarningKind::EmptyValue,
                           "empty: " + readAs + "; the switch is written on, as in the default file", "1");
        const std::string word = leadingWord(text);
        if (!word.empty()) {
            const bool meansOn = word == "true" || word == "yes" || word == "on" || word == "y" || word == "enabled" ||
                                 word == "enable";
            const bool meansOff = word == "false" || word == "no" || word == "off" || word == "n" ||
                                  word == "disabled" || word == "disable";
            const std::string said = "words are not read, only numbers (1 on, 0 off): " + readAs;
            if (meansOn || meansOff)
                return finding(WarningKind::WordsForSwitch,
                               said + "; \"" + word + "\" means " + (meansOn ? "on" : "off"), meansOn ? "1" : "0");
            return choice(WarningKind::WordsForSwitch, said, {{"1", "on"}, {"0", "off"}});
        }
        return noNumber(text, ValueType::Switch, readAs);
    }
    if (const auto hex = hexAt(text, sign)) {
        return finding(WarningKind::Hex, "hexadecimal is not read, only its leading 0: " + readAs,
                       *hex != 0 ? "1" : "0");
    }
    const std::size_t end = sign + digits;
    const char* canonical = valueRead ? "1" : "0";
    if (separatorThenDigit(text, end, '.'))
        return choice(WarningKind::Fraction, "only the whole part is read: " + readAs, {{"1", "on"}, {"0", "off"}});
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
    if (auto stray = strayCharacters(text, readAs, checkAccuracyText, parseInt)) return stray;
    if (auto meant = meaningOf(text, ValueType::Accuracy, readAs)) return meant;
    const std::size_t digits = countDigits(text, sign);
    if (digits == 0)
        return text.empty() ? emptyNumber(ValueType::Accuracy, readAs) : noNumber(text, ValueType::Accuracy, readAs);
    if (const auto hex = hexAt(text, sign)) {
        const bool fits = *hex <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
        const auto hexValue = static_cast<std::int64_t>(*hex);
        const std::int64_t meant = fits ? (negative ? -hexValue : hexValue) : valueRead;
        return finding(WarningKind::Hex, "hexadecimal is not read, only its leading 0: " + readAs, intText(meant));
    }
    // Beyond the range, the value read is not the one written: which to write instead is a choice.
    if (beyondInt32(text.substr(sign, digits), negative))
        return choice(WarningKind::IntBeyondRange, "beyond the 32-bit range: " + readAs,
                      {{canonical, "the nearest whole number read"}});
    if (const auto power = exponentValue(text)) {
        // "1e3" is 1000 to a person: the plugin reads the digits before the "e" only.
        const bool whole = *power == std::floor(*power) && std::fabs(*power) <= 2147483647.0;
        if (whole)
            return finding(WarningKind::TrailingText, "an exponent is not read in an accuracy: " + readAs + "; \"" +
                                                          std::string(text) + "\" is " + wholeText(*power),
                           wholeText(*power));
        return choice(WarningKind::TrailingText, "an exponent is not read in an accuracy: " + readAs,
                      {{canonical, "as read now"}});
    }
    const std::size_t end = sign + digits;
    if (separatorThenDigit(text, end, '.'))
        return choice(WarningKind::Fraction, "an accuracy is a whole number, the fraction is dropped: " + readAs,
                      {{canonical, "as read now"}});
    if (separatorThenDigit(text, end, ','))
        return choice(WarningKind::CommaDecimal, "\",\" ends the number, and an accuracy is a whole number: " + readAs,
                      {{canonical, "as read now"}});
    if (end < text.size()) return ignoredTail(text, end, readAs, canonical);
    return std::nullopt;
}

std::optional<ValueFinding> checkDamageText(std::string_view raw, float valueRead) {
    const std::string_view text = trim(raw);
    const std::string readAs = "reads as " + floatText(valueRead);
    if (auto stray = strayCharacters(text, readAs, checkDamageText, parseFloat)) return stray;
    if (auto meant = meaningOf(text, ValueType::DamageModifier, readAs)) return meant;
    const std::size_t sign = (startsWith(text, 0, '+') || startsWith(text, 0, '-')) ? 1 : 0;
    const std::size_t intDigits = countDigits(text, sign);
    std::size_t end = sign + intDigits;
    bool point = false;
    std::size_t fracDigits = 0;
    if (startsWith(text, end, '.')) {
        fracDigits = countDigits(text, end + 1);
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
        if (text.empty()) return emptyNumber(ValueType::DamageModifier, readAs);
        if (separatorThenDigit(text, sign, ','))
            return finding(WarningKind::CommaDecimal, "the decimal point is \".\", never \",\": " + readAs,
                           commaMeant(sign));
        return noNumber(text, ValueType::DamageModifier, readAs);
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
        const std::size_t expDigits = countDigits(text, at);
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
        // No text reads as the value written: which to write instead is a choice.
        if (std::fabs(wide) >= 1.0) {
            const float largest = std::numeric_limits<float>::max();
            return choice(WarningKind::FloatTooLarge, "too large for a 32-bit float (at most 3.4028235e+38): " + readAs,
                          {{floatText(negative ? -largest : largest), "the largest there is"}});
        }
        if (wide != 0.0)
            return choice(WarningKind::FloatTooSmall, "too small for a 32-bit float: " + readAs,
                          {{negative ? "-0" : "0", "no damage"}, {"1e-30", "almost none"}});
    }
    if (!point && !exponent && separatorThenDigit(text, end, ','))
        return finding(WarningKind::CommaDecimal, "the decimal point is \".\", never \",\": " + readAs,
                       commaMeant(end));
    if (end < text.size()) return ignoredTail(text, end, readAs, floatText(valueRead));
    return std::nullopt;
}
