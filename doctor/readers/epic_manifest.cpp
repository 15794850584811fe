#include "doctor/readers/epic_manifest.h"

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

std::string text(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
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
    out.installLocation = text(json, "InstallLocation");
    out.launchExecutable = text(json, "LaunchExecutable");
    if (out.installLocation.empty() || out.launchExecutable.empty())
        out.refusal = "no \"InstallLocation\" or \"LaunchExecutable\" text";
    return out;
}
