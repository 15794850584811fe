// The script hook's log, as the doctor reads it from a player's game folder: any bytes, any line
// ends, lines of any length. The version is a dotted number written in the first lines; the
// fatal line holds the word "fatal" in any letter case, one line, trimmed and bounded.

#include <cstddef>
#include <string>
#include <string_view>

#include "doctor/readers/hook_log.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kHeaderLines = 5;
constexpr std::size_t kLongest = 150;

bool dottedNumber(const std::string& text) {
    std::size_t dots = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.') {
            if (i == 0 || i + 1 == text.size() || text[i - 1] == '.') return false;
            ++dots;
        } else if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return dots >= 2;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

void checkInput(std::string_view bytes) {
    const HookLog read = readHookLog(bytes);

    FUZZ_CHECK(read.version.empty() == read.header.empty(), "version \"%s\" with header \"%s\"", read.version.c_str(),
               read.header.c_str());
    if (!read.version.empty()) {
        FUZZ_CHECK(dottedNumber(read.version), "\"%s\" taken for a version", read.version.c_str());
        // Where the first lines end: the version must have been written before.
        std::size_t end = 0;
        for (std::size_t line = 0; line < kHeaderLines && end != std::string_view::npos; ++line) {
            end = bytes.find('\n', end);
            if (end != std::string_view::npos) ++end;
        }
        const std::string_view header = bytes.substr(0, end);
        FUZZ_CHECK(header.find(read.version) != std::string_view::npos, "version \"%s\" not in the first lines",
                   read.version.c_str());
    }

    // "fatal" in any letter case: a line holding it may be the fatal line, none without it is.
    std::string lowered(bytes), line = read.fatalLine;
    for (std::string* text : {&lowered, &line})
        for (char& c : *text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lowered.find("fatal") == std::string::npos)
        FUZZ_CHECK(read.fatalLine.empty(), "fatal line \"%s\" in a log without the word", read.fatalLine.c_str());
    // A long line is cut, and the word may lie past the cut.
    const bool cut = line.size() >= 3 && line.compare(line.size() - 3, 3, "...") == 0;
    if (!line.empty() && !cut)
        FUZZ_CHECK(line.find("fatal") != std::string::npos, "\"%s\" taken for a fatal line", read.fatalLine.c_str());
    FUZZ_CHECK(!read.versionRefused || !read.fatalLine.empty(), "a refused version without a fatal line");
    for (const std::string* line : {&read.header, &read.fatalLine}) {
        if (line->empty()) continue;
        FUZZ_CHECK(line->size() <= kLongest + 3, "a line of %zu bytes shown", line->size());
        FUZZ_CHECK(line->find('\n') == std::string::npos, "a line end inside a line shown");
        FUZZ_CHECK(!blank(line->front()) && !blank(line->back()), "\"%s\" shown untrimmed", line->c_str());
    }
}
