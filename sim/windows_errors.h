#pragma once
// Windows calls of the simulated game that fail, in words a modder can act on. Windows only.

#include <filesystem>
#include <string>

#include "platform/windows_api.h"

namespace sim {

// Why a Windows call on `file` failed, in words: call at once after the call, before anything
// else can overwrite the thread's last error.
std::string lastErrorText(const std::string& file);

// Loads `path`, or says which file and why not.
HMODULE loadModule(const std::filesystem::path& path, const char* what);

}  // namespace sim
