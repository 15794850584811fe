#include "doctor/readers/hook_log.h"

#include <cctype>

#include "platform/profile_text.h"

namespace {

constexpr std::size_t kHeaderLines = 5;
constexpr std::size_t kLongest = 150;

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Where `word` (in lower case) is in `line` in any letter case, from `from`; npos when it is not.
std::size_t findWord(std::string_view line, std::string_view word, std::size_t from = 0) {
    return profile_text::lowerAscii(line).find(word, from);
}

// The first run of digits and dots holding at least two dots ("1.0.1491.50") from `from`, outside
// brackets; empty when none.
std::string dottedNumber(std::string_view line, std::size_t from = 0) {
    int depth = 0;
    for (std::size_t at = from; at < line.size(); ++at) {
        depth += line[at] == '[' ? 1 : line[at] == ']' && depth > 0 ? -1 : 0;
        if (depth > 0 || !digit(line[at]) || (at > 0 && (digit(line[at - 1]) || line[at - 1] == '.'))) continue;
        std::size_t end = at, dots = 0;
        const auto dotBeforeDigit = [&](std::size_t i) {
            return line[i] == '.' && i + 1 < line.size() && digit(line[i + 1]);
        };
        while (end < line.size() && (digit(line[end]) || dotBeforeDigit(end))) {
            if (line[end] == '.') ++dots;
            ++end;
        }
        if (dots >= 2) return std::string(line.substr(at, end - at));
        at = end - 1;
    }
    return {};
}

// The dotted number after the hook's name ("ScriptHookRDR2 1.0.1436.31", "Script Hook RDR2 v1.0.1491.50").
std::string namedVersion(std::string_view line) {
    for (const std::string_view name : {"scripthookrdr2", "script hook rdr2"})
        if (const std::size_t at = findWord(line, name); at != std::string_view::npos)
            return dottedNumber(line, at + name.size());
    return {};
}

// The word "fatal" in any case, not within another ("nonfatal", "non-fatal", "fatally").
bool saysFatal(std::string_view line) {
    const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '-'; };
    for (std::size_t at = findWord(line, "fatal"); at != std::string_view::npos; at = findWord(line, "fatal", at + 1))
        if ((at == 0 || !letter(line[at - 1])) && (at + 5 == line.size() || !letter(line[at + 5]))) return true;
    return false;
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
    bool named = false;  // the version found follows the hook's name: no later header line's replaces it
    std::size_t number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = bytes.substr(start, end - start);
        if (number < kHeaderLines && !named) {
            std::string version = namedVersion(line);
            named = !version.empty();
            if (version.empty() && out.version.empty()) version = dottedNumber(line);
            if (!version.empty()) out.version = version, out.header = trimmed(line);
        }
        if (saysFatal(line)) {
            out.fatalLine = trimmed(line);
            out.versionRefused = findWord(line, "unknown game version") != std::string_view::npos;
        }
        ++number;
        start = end + 1;
    }
    return out;
}
