#include "doctor/os/host_system.h"

#include "platform/windows_api.h"

std::string wineVersion() {
    // Wine's ntdll exports wine_get_version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return {};
    using VersionFunction = const char*(__cdecl*)();
    const auto function = reinterpret_cast<VersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    const char* version = function ? function() : nullptr;
    return version ? version : "";
}
