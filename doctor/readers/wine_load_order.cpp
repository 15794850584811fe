#include "doctor/readers/wine_load_order.h"

#include "platform/profile_text.h"

using profile_text::endsWithName;
using profile_text::lowerAscii;

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::vector<std::string_view> splitAt(std::string_view text, char at) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t end = text.find(at);
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

WineLoadOrder readLoadOrder(std::string_view value) {
    WineLoadOrder order = WineLoadOrder::Disabled;
    std::size_t at = 0;
    while (at < value.size()) {
        const char c = value[at];
        if (c == ',' || isSpace(c)) {
            ++at;
            continue;
        }
        const char letter = lowerAscii(c);
        if (letter == 'n') {
            if (order == WineLoadOrder::Disabled) order = WineLoadOrder::Native;
            else if (order == WineLoadOrder::Builtin) return WineLoadOrder::BuiltinNative;
        } else if (letter == 'b') {
            if (order == WineLoadOrder::Disabled) order = WineLoadOrder::Builtin;
            else if (order == WineLoadOrder::Native) return WineLoadOrder::NativeBuiltin;
        }
        // The rest of the item: "native" counts by its 'n' alone.
        while (at < value.size() && value[at] != ',' && !isSpace(value[at])) ++at;
    }
    return order;
}

bool loadsNativeFirst(WineLoadOrder order) {
    return order == WineLoadOrder::Native || order == WineLoadOrder::NativeBuiltin;
}

bool overrideLoadsNativeFirst(const std::optional<std::string>& value) {
    return value && loadsNativeFirst(readLoadOrder(*value));
}

std::string overrideDllName(std::string_view dll) {
    const std::size_t slash = dll.find_last_of("/\\");
    if (slash != std::string_view::npos) dll.remove_prefix(slash + 1);
    std::string name = lowerAscii(trimmed(dll));
    if (name.size() > 4 && endsWithName(name, ".dll")) name.resize(name.size() - 4);
    return name;
}

std::optional<std::string> modeInOverrideList(std::string_view list, std::string_view dll) {
    const std::string wanted = overrideDllName(dll);
    std::optional<std::string> mode;
    for (const std::string_view entry : splitAt(list, ';')) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) continue;
        for (std::string_view name : splitAt(entry.substr(0, equals), ',')) {
            name = trimmed(name);
            if (!name.empty() && name.front() == '*') name.remove_prefix(1);
            if (!name.empty() && overrideDllName(name) == wanted) mode = std::string(entry.substr(equals + 1));
        }
    }
    return mode;
}
