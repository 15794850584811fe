#pragma once
// What a finished run of the simulated game left for its checker: the run's directory, which
// the test names in an environment variable, its trace (one JSON object a line) and its files,
// and the calls a frame of the trace holds.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace finished_run {

// The directory the variable names; the working directory when it is not set.
inline std::string directory(const char* variable) {
    const char* dir = std::getenv(variable);
    return dir ? dir : ".";
}

// The lines of the run's trace.jsonl, in order. A missing or empty trace fails the caller's
// test: every check over its lines would otherwise hold of nothing.
inline std::vector<nlohmann::json> trace(const std::filesystem::path& runDirectory) {
    std::vector<nlohmann::json> lines;
    const std::filesystem::path path = runDirectory / "trace.jsonl";
    std::ifstream in(path);
    if (!in) {
        ADD_FAILURE() << "the run left no trace: " << path.string();
        return lines;
    }
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    if (lines.empty()) ADD_FAILURE() << "the run's trace holds no line: " << path.string();
    return lines;
}

// The lines for which `keep` holds, in order.
template <typename Keep>
std::vector<nlohmann::json> linesWhere(const std::vector<nlohmann::json>& lines, Keep keep) {
    std::vector<nlohmann::json> out;
    for (const nlohmann::json& line : lines) {
        if (keep(line)) out.push_back(line);
    }
    return out;
}

// The native calls among a frame's calls, in order.
inline std::vector<nlohmann::json> natives(const std::vector<nlohmann::json>& calls) {
    return linesWhere(calls, [](const nlohmann::json& call) { return call["call"] == "native"; });
}

// The name of the first native among a frame's calls (a pass starts with the weather's);
// empty when there is none.
inline std::string firstNative(const std::vector<nlohmann::json>& calls) {
    const std::vector<nlohmann::json> found = natives(calls);
    return found.empty() ? std::string() : found.front()["name"].get<std::string>();
}

// The first call of the host function `name` among a frame's calls; null when there is none.
inline nlohmann::json firstCall(const std::vector<nlohmann::json>& calls, const char* name) {
    for (const nlohmann::json& call : calls) {
        if (call["call"] == name) return call;
    }
    return nullptr;
}

}  // namespace finished_run
