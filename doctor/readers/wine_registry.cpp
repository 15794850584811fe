#include "doctor/readers/wine_registry.h"

#include <cstddef>
#include <cstdint>

#include "doctor/readers/wine_load_order.h"
#include "platform/profile_text.h"
#include "platform/utf16_text.h"

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The C letters Wine escapes, and what each stands for.
constexpr std::string_view kEscapeLetters = "abefnrtv";
constexpr std::string_view kEscaped = "\a\b\x1B\f\n\r\t\v";

// A text from `at` up to `close`, unescaped as Wine writes its registry: \\ \" and the C
// letters, \x with up to four hex digits, up to three octal digits, any other character as
// itself. False when `close` never comes.
bool escapedText(std::string_view line, std::size_t& at, char close, std::string& into) {
    while (at < line.size()) {
        const char c = line[at++];
        if (c == close) return true;
        if (c != '\\' || at == line.size()) {
            into += c;
            continue;
        }
        const char e = line[at++];
        const std::size_t letter = kEscapeLetters.find(e);
        if (letter != std::string_view::npos) {
            into += kEscaped[letter];
        } else if (e == 'x') {
            std::uint32_t code = 0;
            int digits = 0;
            while (digits < 4 && at < line.size() && hexDigit(line[at]) >= 0) {
                code = code * 16 + static_cast<std::uint32_t>(hexDigit(line[at++]));
                ++digits;
            }
            if (digits == 0) {
                into += 'x';
            } else {
                utf16::appendUtf8(into, code);
            }
        } else if (e >= '0' && e <= '7') {
            std::uint32_t code = static_cast<std::uint32_t>(e - '0');
            for (int digits = 1; digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits)
                code = code * 8 + static_cast<std::uint32_t>(line[at++] - '0');
            utf16::appendUtf8(into, code);
        } else {
            into += e;
        }
    }
    return false;
}

enum class Section { Other, Global, Program };

// One section's override, under each of the two names.
struct Named {
    std::optional<std::string> plain;
    std::optional<std::string> starred;
};

}  // namespace

WineDllOverrides readWineDllOverrides(std::string_view userReg, std::string_view dll, std::string_view program) {
    WineDllOverrides out;
    const std::string name = overrideDllName(dll);
    const std::string globalKey = "Software\\Wine\\DllOverrides";
    const std::string programKey = "Software\\Wine\\AppDefaults\\" + std::string(program) + "\\DllOverrides";
    Named global, own;
    Section section = Section::Other;

    std::size_t lineNumber = 0;
    const auto refuse = [&](const std::string& why) {
        out = WineDllOverrides{};
        out.refusal = why + " (line " + std::to_string(lineNumber) + ")";
        return out;
    };
    std::string_view rest = userReg;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (lineNumber == 1) {
            if (line != kHeader) return refuse("not a Wine registry: its first line isn't \"" + std::string(kHeader) + "\"");
            continue;
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.empty()) continue;
        if (line.front() == '[') {
            std::size_t at = 1;
            std::string key;
            if (!escapedText(line, at, ']', key)) return refuse("a section's header without its closing bracket");
            section = profile_text::sameName(key, globalKey)    ? Section::Global
                      : profile_text::sameName(key, programKey) ? Section::Program
                                                  : Section::Other;
            continue;
        }
        if (section == Section::Other || (line.front() != '"' && line.front() != '@')) continue;

        std::size_t at = 1;
        std::string valueName;
        if (line.front() == '"' && !escapedText(line, at, '"', valueName)) return refuse("a value's name never closed");
        if (at == line.size() || line[at] != '=') return refuse("a value's name without '='");
        ++at;
        Named& named = section == Section::Global ? global : own;
        std::optional<std::string>* slot = nullptr;
        if (line.front() == '"' && profile_text::sameName(valueName, name)) slot = &named.plain;
        if (line.front() == '"' && valueName.size() == name.size() + 1 && valueName.front() == '*' &&
            profile_text::sameName(std::string_view(valueName).substr(1), name))
            slot = &named.starred;
        std::string_view data = line.substr(at);
        // "str(2):" is a text the registry expands; the override reads it all the same.
        if (data.substr(0, 4) == "str(") {
            const std::size_t colon = data.find("):");
            if (colon != std::string_view::npos) data.remove_prefix(colon + 2);
        }
        if (data.empty() || data.front() != '"') {
            if (slot) return refuse("the override of " + name + " is not a text");
            continue;
        }
        std::size_t from = 1;
        std::string value;
        if (!escapedText(data, from, '"', value)) return refuse("a value never closed");
        if (slot) *slot = std::move(value);
    }
    if (lineNumber == 0) return refuse("not a Wine registry: the file is empty");

    return dllOverridesFrom({global.plain, global.starred, own.plain, own.starred});
}

WineDllOverrides dllOverridesFrom(const DllOverrideValues& values) {
    WineDllOverrides out;
    out.global = values.global ? values.global : values.globalStarred;
    out.program = values.program ? values.program : values.programStarred;
    for (const std::optional<std::string>* candidate :
         {&values.program, &values.global, &values.programStarred, &values.globalStarred}) {
        if (*candidate) {
            out.inEffect = *candidate;
            break;
        }
    }
    return out;
}
