#include "sim/shown_text.h"

#include <algorithm>
#include <cstdio>

#include "text/escapes.h"

namespace sim {

namespace {

bool printable(char c) { return c >= 0x20 && c < 0x7F; }

constexpr Escape kC[] = {{'"', "\\\""}, {'\\', "\\\\"}, {'\t', "\\t"}, {'\r', "\\r"}, {'\n', "\\n"}};

// A byte the table leaves: as it is when printable ASCII, otherwise in hexadecimal.
void appendByte(std::string& out, char c) {
    if (printable(c)) {
        out += c;
    } else {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
        out += escape;
    }
}

}  // namespace

std::string shownText(std::string_view text) {
    const bool plain = !text.empty() && text.front() != ' ' && text.back() != ' ' &&
                       std::all_of(text.begin(), text.end(), printable);
    if (plain) return std::string(text);
    std::string out = "\"";
    appendEscaped(out, text, kC, appendByte);
    return out + "\"";
}

}  // namespace sim
