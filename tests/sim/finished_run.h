#pragma once
// What a finished run of the simulated game left for its checker: the run's directory, which
// the test names in an environment variable, its trace (one JSON object a line) and its files.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace finished_run {

// The directory the variable names; the working directory when it is not set.
inline std::string directory(const char* variable) {
    const char* dir = std::getenv(variable);
    return dir ? dir : ".";
}

// The lines of the run's trace.jsonl, in order; none when there is no trace.
inline std::vector<nlohmann::json> trace(const std::filesystem::path& runDirectory) {
    std::vector<nlohmann::json> lines;
    std::ifstream in(runDirectory / "trace.jsonl");
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

// A file's bytes; empty when it can't be read.
inline std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace finished_run
