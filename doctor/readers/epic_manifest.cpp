#include "doctor/readers/epic_manifest.h"

#include <optional>

#include <nlohmann/json.hpp>

namespace {

constexpr int kDeepest = 64;

// The deepest nesting of arrays and objects outside strings: bounded before the parser sees it.
bool nestsTooDeep(std::string_view bytes) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kDeepest) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

// The field's text; none when it is absent or not text.
std::optional<std::string> text(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

}  // namespace

EpicManifest readEpicManifest(std::string_view bytes) {
    EpicManifest out;
    if (nestsTooDeep(bytes)) {
        out.refusal = "nested too deep";
        return out;
    }
    const nlohmann::json json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        out.refusal = "not a JSON object";
        return out;
    }
    const auto location = text(json, "InstallLocation"), program = text(json, "LaunchExecutable");
    out.installLocation = location.value_or("");
    out.launchExecutable = program.value_or("");
    // An empty "LaunchExecutable" is the record of a program that starts no game of its own
    // (an add-on, a tool): whole, only not the game's.
    if (!location || !program || (out.installLocation.empty() && !out.launchExecutable.empty()))
        out.refusal = "no \"InstallLocation\" or \"LaunchExecutable\" text";
    return out;
}
