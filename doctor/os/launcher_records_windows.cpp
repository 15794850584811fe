#include "doctor/os/launcher_records.h"

#include "doctor/os/wide_text_windows.h"

namespace {

// A text value (REG_SZ, or REG_EXPAND_SZ expanded: RRF_RT_REG_SZ takes both, and asking for
// REG_EXPAND_SZ unexpanded is refused); empty when there is none.
std::string registryText(HKEY root, const wchar_t* key, const wchar_t* value) {
    DWORD size = 0;
    const DWORD flags = RRF_RT_REG_SZ;
    if (RegGetValueW(root, key, value, flags, nullptr, nullptr, &size) != ERROR_SUCCESS || size < sizeof(wchar_t))
        return {};
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(root, key, value, flags, nullptr, text.data(), &size) != ERROR_SUCCESS) return {};
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return utf8(text);
}

std::string environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring text(size, L'\0');
    text.resize(GetEnvironmentVariableW(name, text.data(), size));
    return utf8(text);
}

}  // namespace

LauncherRecords readLauncherRecords() {
    LauncherRecords records;
    records.made = true;
    const wchar_t* rockstar = L"SOFTWARE\\WOW6432Node\\Rockstar Games\\Red Dead Redemption 2";
    for (const wchar_t* value : {L"InstallFolder", L"InstallFolderSteam", L"InstallFolderEpic"}) {
        const std::string folder = registryText(HKEY_LOCAL_MACHINE, rockstar, value);
        if (!folder.empty()) records.rockstar.emplace_back(utf8(value), folder);
    }
    records.steamFolder = registryText(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath");
    if (records.steamFolder.empty())
        records.steamFolder = registryText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Valve\\Steam", L"InstallPath");
    std::string programData = environment(L"ProgramData");
    if (programData.empty()) programData = "C:\\ProgramData";
    records.epicManifests = programData + "\\Epic\\EpicGamesLauncher\\Data\\Manifests";
    return records;
}
