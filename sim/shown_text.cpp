#include "sim/shown_text.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

bool printable(char c) { return c >= 0x20 && c < 0x7F; }

}  // namespace

std::string shownText(std::string_view text) {
    const bool plain = !text.empty() && text.front() != ' ' && text.back() != ' ' &&
                       std::all_of(text.begin(), text.end(), printable);
    if (plain) return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default:
                if (printable(c)) {
                    out += c;
                } else {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
                    out += escape;
                }
        }
    }
    return out + "\"";
}

}  // namespace sim
