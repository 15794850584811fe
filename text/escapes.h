#pragma once
// Text written into a quoted form (HTML, a C string, the launcher's KeyValues text) that can't
// hold some characters as they are: each form is one table of those characters and what it
// writes in their place.

#include <cstddef>
#include <string>
#include <string_view>

struct Escape {
    char raw;
    std::string_view written;
};

// Appends `text` to `out`, each character the table lists as its escape, every other one as
// `other(out, c)` writes it.
template <std::size_t N, class Other>
void appendEscaped(std::string& out, std::string_view text, const Escape (&escapes)[N], Other other) {
    for (const char c : text) {
        const Escape* escape = escapes;
        while (escape != escapes + N && escape->raw != c) ++escape;
        if (escape != escapes + N) {
            out += escape->written;
        } else {
            other(out, c);
        }
    }
}

// The same, every character the table does not list as it is.
template <std::size_t N>
void appendEscaped(std::string& out, std::string_view text, const Escape (&escapes)[N]) {
    appendEscaped(out, text, escapes, [](std::string& into, char c) { into += c; });
}
