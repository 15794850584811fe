// Linux as the Windows doctor sees it under Wine or Proton, through the drive Wine maps "/" to;
// on Windows itself there is no Linux to see.
#include "doctor/os/os.h"
#include "platform/windows_api.h"

namespace fs = std::filesystem;

namespace {

// Wine tells its own programs where its prefix and the home folder lie in variables holding a
// Windows path in the kernel's form: "\??\Z:\home\deck".
std::optional<fs::path> kernelPathVariable(const char* name) {
    std::optional<std::string> value = environmentVariable(name);
    const std::string kernelForm = "\\??\\";
    if (!value || value->compare(0, kernelForm.size(), kernelForm) != 0 || value->size() == kernelForm.size())
        return std::nullopt;
    return fs::u8path(value->substr(kernelForm.size()));
}

}  // namespace

std::optional<fs::path> linuxPath(const std::string& path) {
    using DosName = wchar_t*(__cdecl*)(const char*);
    // Wine's kernel32 exports this; Windows' does not.
    const auto dosName = reinterpret_cast<DosName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (dosName == nullptr || path.empty() || path.front() != '/') return std::nullopt;
    wchar_t* name = dosName(path.c_str());
    if (name == nullptr) return std::nullopt;
    fs::path dos(name);
    HeapFree(GetProcessHeap(), 0, name);
    return dos;
}

std::optional<fs::path> linuxHome() {
    if (wineVersion().empty()) return std::nullopt;
    if (auto home = kernelPathVariable("WINEHOMEDIR")) return home;
    const std::optional<std::string> home = environmentVariable("HOME");
    return home ? linuxPath(*home) : std::nullopt;
}

std::optional<fs::path> ownWinePrefix() {
    if (wineVersion().empty()) return std::nullopt;
    if (auto prefix = kernelPathVariable("WINECONFIGDIR")) return prefix;
    if (const std::optional<std::string> prefix = environmentVariable("WINEPREFIX")) return linuxPath(*prefix);
    const std::optional<std::string> data = environmentVariable("STEAM_COMPAT_DATA_PATH");
    const std::optional<fs::path> compatData = data ? linuxPath(*data) : std::nullopt;
    return compatData ? std::optional<fs::path>(*compatData / "pfx") : std::nullopt;
}
