#include "sim/windows_errors.h"

#include <iostream>

namespace fs = std::filesystem;

namespace sim {

std::string lastErrorText(const std::string& file) {
    const DWORD code = GetLastError();
    char* words = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<LPSTR>(&words), 0, nullptr);
    std::string text = length > 0 ? std::string(words, length) : "no description";
    if (words != nullptr) LocalFree(words);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    // Some messages name their file as an insert ("Bad EXE format for %1").
    if (const auto insert = text.find("%1"); insert != std::string::npos) text.replace(insert, 2, file);
    return text + " (Windows error " + std::to_string(code) + ")";
}

HMODULE loadModule(const fs::path& path, const char* what) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        std::cerr << "veltrane-sim: cannot load the " << what << " " << path.string() << ": "
                  << (fs::exists(path, error) ? "not a file" : "no such file") << "\n";
        return nullptr;
    }
    const HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        const std::string reason = lastErrorText(path.filename().string());
        std::cerr << "veltrane-sim: cannot load the " << what << " " << path.string() << ": " << reason << "\n";
    }
    return module;
}

}  // namespace sim
