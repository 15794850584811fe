#pragma once
// The doctor wraps its lines: tests compare its output as one line.

#include <string>

// Runs of blanks and line ends as one space.
inline std::string flat(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (!blank || out.empty() || out.back() != ' ') out += blank ? ' ' : c;
    }
    return out;
}
