#include "doctor/settings/number_readings.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "platform/profile_text.h"
#include "settings/text_forms.h"

namespace number_readings {

using profile_text::lowerAscii;
using profile_text::trim;

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length =
            lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

std::string withoutStrayCharacters(std::string_view text) {
    static const char* const sequences[] = {"\xE2\x80\x9C", "\xE2\x80\x9D", "\xE2\x80\x98", "\xE2\x80\x99",
                                            "\xE2\x80\x9E", "\xE2\x80\xAF", "\xC2\xAB",     "\xC2\xBB",
                                            "\xC2\xA0"};
    std::string out(text);
    if (!isUtf8(text)) {
        std::string kept;
        for (char c : out) {
            const auto byte = static_cast<unsigned char>(c);
            const bool stray = byte == 0x93 || byte == 0x94 || byte == 0x91 || byte == 0x92 || byte == 0x84 ||
                               byte == 0xAB || byte == 0xBB || byte == 0xA0;
            if (!stray) kept += c;
        }
        return kept;
    }
    for (const char* sequence : sequences) {
        const std::string_view part(sequence);
        for (std::size_t at = out.find(part); at != std::string::npos; at = out.find(part)) out.erase(at, part.size());
    }
    return out;
}

std::string withFullWidthAsAscii(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        if (a == 0xEF && i + 2 < text.size()) {
            const auto b = static_cast<unsigned char>(text[i + 1]), c = static_cast<unsigned char>(text[i + 2]);
            const std::uint32_t code = 0xF000u | (static_cast<std::uint32_t>(b & 0x3F) << 6) | (c & 0x3Fu);
            if ((b & 0xC0) == 0x80 && (c & 0xC0) == 0x80 && code >= 0xFF01 && code <= 0xFF5E) {
                out += static_cast<char>(code - 0xFEE0);
                i += 2;
                continue;
            }
        }
        if (text.substr(i, 3) == "\xE3\x80\x80") {
            out += ' ';
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::optional<double> numberInWords(std::string_view text) {
    static const char* const units[] = {"zero",    "one",     "two",       "three",    "four",
                                        "five",    "six",     "seven",     "eight",    "nine",
                                        "ten",     "eleven",  "twelve",    "thirteen", "fourteen",
                                        "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
    static const char* const tens[] = {"twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
    double total = 0;
    bool any = false;
    std::string word;
    auto take = [&](const std::string& w) {
        if (w.empty() || w == "and") return true;
        for (std::size_t i = 0; i < std::size(units); ++i)
            if (w == units[i]) return total += static_cast<double>(i), any = true;
        for (std::size_t i = 0; i < std::size(tens); ++i)
            if (w == tens[i]) return total += static_cast<double>(20 + 10 * i), any = true;
        if (w == "hundred") return total = (any ? total : 1) * 100, any = true;
        if (w == "a") return true;
        return false;
    };
    for (char c : text) {
        if (isLetter(c)) {
            word += lowerAscii(c);
        } else if (profile_text::isBlank(c) || c == '\r' || c == '\n' || c == '-') {
            if (!take(word)) return std::nullopt;
            word.clear();
        } else {
            return std::nullopt;
        }
    }
    if (!take(word) || !any) return std::nullopt;
    return total;
}

std::optional<double> plainNumber(std::string_view text) {
    std::string number;
    bool separator = false, digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 0 && (c == '-' || c == '+')) number += c;
        else if (isDigit(c)) number += c, digit = true;
        else if ((c == '.' || c == ',') && !separator) number += '.', separator = true;
        else return std::nullopt;
    }
    if (!digit) return std::nullopt;
    return std::strtod(number.c_str(), nullptr);
}

bool thousandsGrouped(std::string_view text, char mark) {
    if (startsWith(text, 0, '-') || startsWith(text, 0, '+')) text.remove_prefix(1);
    const std::size_t first = countDigits(text, 0);
    if (first == 0 || first > 3 || text[0] == '0' || first == text.size()) return false;
    for (std::size_t at = first; at < text.size(); at += 4) {
        if (text[at] != mark || countDigits(text, at + 1) != 3) return false;
        if (at + 4 < text.size() && text[at + 4] != mark) return false;
    }
    return true;
}

std::string withoutMark(std::string_view text, char mark) {
    std::string out;
    for (char c : text)
        if (c != mark) out += c;
    return out;
}

std::string percentWordAsSign(std::string_view text) {
    const std::string lower = profile_text::lowerAscii(text);
    for (const std::string_view word : {"per cent", "percent", "pct"}) {
        if (lower.size() > word.size() && profile_text::endsWithName(lower, word))
            return std::string(trim(text.substr(0, text.size() - word.size()))) + "%";
    }
    return std::string(text);
}

std::optional<double> fractionValue(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view over = trim(text.substr(0, slash)), under = trim(text.substr(slash + 1));
    const bool whole = !over.empty() && !under.empty() && countDigits(over, 0) == over.size() &&
                       countDigits(under, 0) == under.size() && over.size() < 10 && under.size() < 10;
    if (!whole) return std::nullopt;
    const double denominator = std::strtod(std::string(under).c_str(), nullptr);
    if (denominator == 0) return std::nullopt;
    return std::strtod(std::string(over).c_str(), nullptr) / denominator;
}

std::optional<double> exponentValue(std::string_view text) {
    std::size_t at = (startsWith(text, 0, '+') || startsWith(text, 0, '-')) ? 1 : 0;
    const std::size_t whole = countDigits(text, at);
    at += whole;
    std::size_t fraction = 0;
    if (startsWith(text, at, '.')) fraction = countDigits(text, ++at), at += fraction;
    if (whole + fraction == 0 || !(startsWith(text, at, 'e') || startsWith(text, at, 'E'))) return std::nullopt;
    ++at;
    if (startsWith(text, at, '+') || startsWith(text, at, '-')) ++at;
    const std::size_t power = countDigits(text, at);
    if (power == 0 || at + power != text.size()) return std::nullopt;
    return std::strtod(std::string(text).c_str(), nullptr);
}

}  // namespace number_readings
