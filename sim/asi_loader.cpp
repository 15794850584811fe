// The stand-in ASI loader (sim/asi_loader.h). It does what the players' loaders do with a game
// folder: the script host first, then each *.asi in name order through plain LoadLibraryW, so
// each plugin's DllMain runs inside that call, under the loader lock, with the host loaded.

#include "sim/asi_loader.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace {

std::wstring joined(const wchar_t* folder, const std::wstring& name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + name;
}

// The order the file system lists names in: ordinal, ignoring case.
bool nameBefore(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_LESS_THAN;
}

bool endsWithAsi(const std::wstring& name) {
    constexpr std::size_t kSuffix = 4;
    return name.size() > kSuffix &&
           CompareStringOrdinal(name.c_str() + name.size() - kSuffix, kSuffix, L".asi", kSuffix, TRUE) == CSTR_EQUAL;
}

}  // namespace

extern "C" {

__declspec(dllexport) void* asiLoadHost(const wchar_t* folder) { return LoadLibraryW(joined(folder, L"ScriptHookRDR2.dll").c_str()); }

__declspec(dllexport) int asiLoadPlugins(const wchar_t* folder, AsiLoadedFn loaded, void* context) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(joined(folder, L"*.asi").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            // The pattern also matches 8.3 short names such as "LONGNA~1.ASI" of "x.asiold".
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && endsWithAsi(found.cFileName))
                names.emplace_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end(), nameBefore);
    for (const std::wstring& name : names) {
        HMODULE module = LoadLibraryW(joined(folder, name).c_str());
        const DWORD error = module == nullptr ? GetLastError() : 0;
        if (loaded != nullptr) loaded(context, name.c_str(), module, error);
    }
    return static_cast<int>(names.size());
}

}  // extern "C"
