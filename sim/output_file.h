#pragma once
// The files the command line asks the simulated game to write.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace sim {

// Opens `path` afresh with `header` as its first bytes; false, said as "cannot write `what`",
// when it can't be written.
inline bool openOutputFile(std::ofstream& file, const std::string& path, const char* what, const char* header = "") {
    file.open(std::filesystem::absolute(path), std::ios::binary | std::ios::trunc);
    if (!file) {
        std::cerr << "veltrane-sim: cannot write " << what << " " << path << "\n";
        return false;
    }
    file << header;
    return true;
}

}  // namespace sim
