#include "doctor/readers/hook_log.h"

#include <cctype>

namespace {

constexpr std::size_t kHeaderLines = 5;
constexpr std::size_t kLongest = 150;

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The first run of digits and dots holding at least two dots ("1.0.1491.50"); empty when none.
std::string dottedNumber(std::string_view line) {
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (!digit(line[at]) || (at > 0 && (digit(line[at - 1]) || line[at - 1] == '.'))) continue;
        std::size_t end = at, dots = 0;
        while (end < line.size() && (digit(line[end]) || (line[end] == '.' && end + 1 < line.size() && digit(line[end + 1])))) {
            if (line[end] == '.') ++dots;
            ++end;
        }
        if (dots >= 2) return std::string(line.substr(at, end - at));
        at = end;
    }
    return {};
}

// A stray carriage return counts as a blank at either end: shown at a line's start, it would
// put the cursor back over the words before it.
bool blank(char c) { return c == '\r' || c == ' ' || c == '\t'; }

std::string trimmed(std::string_view line) {
    while (!line.empty() && blank(line.back())) line.remove_suffix(1);
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    std::string out(line.substr(0, kLongest));
    if (line.size() > kLongest) out += "...";
    return out;
}

}  // namespace

HookLog readHookLog(std::string_view bytes) {
    HookLog out;
    std::size_t number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = bytes.substr(start, end - start);
        if (number < kHeaderLines && out.version.empty()) {
            out.version = dottedNumber(line);
            if (!out.version.empty()) out.header = trimmed(line);
        }
        if (line.find("FATAL") != std::string_view::npos) out.fatalLine = trimmed(line);
        ++number;
        start = end + 1;
    }
    return out;
}
