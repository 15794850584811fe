#pragma once
// A file's bytes, read or written whole, for the tests, the fuzzers and the benchmarks, and the
// bytes of a UTF-16 file.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A path, not a string: on Windows a path's wide name reaches the file whatever its letters.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Empty when the file can't be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `text` (ASCII) as a UTF-16 file's bytes, after the byte-order mark of the order asked for.
inline std::string utf16File(const std::string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}
