#include "doctor/os/game_probe.h"

#include "doctor/os/wide_text_windows.h"

#include <tlhelp32.h>
#include <winver.h>

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace {

// The system's words for an error code, without the line end.
std::string errorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD size = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = size && text ? utf8(text) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

// Another 64-bit process's current folder, read from its process parameters block as tools that
// show it do: the block's layout has stayed the same since 64-bit Windows began. Empty when any
// step fails or the text read does not look like a folder.
std::string currentFolderOf(DWORD processId) {
    using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr) return {};
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr) return {};
    std::string out;
    BOOL wow64 = TRUE;
    struct {
        void* reserved1;
        void* peb;
        void* reserved2[4];
    } basic{};
    ULONG size = 0;
    auto read = [&](std::uintptr_t at, void* into, std::size_t bytes) {
        SIZE_T got = 0;
        return ReadProcessMemory(process, reinterpret_cast<void*>(at), into, bytes, &got) && got == bytes;
    };
    std::uintptr_t parameters = 0;
    struct {
        USHORT length, capacity;
        ULONG pad;
        std::uintptr_t buffer;
    } dosPath{};
    constexpr std::uintptr_t kParametersInPeb = 0x20, kCurrentFolderInParameters = 0x38;
    if (IsWow64Process(process, &wow64) && !wow64 && query(process, 0, &basic, sizeof basic, &size) == 0 &&
        read(reinterpret_cast<std::uintptr_t>(basic.peb) + kParametersInPeb, &parameters, sizeof parameters) &&
        read(parameters + kCurrentFolderInParameters, &dosPath, sizeof dosPath) && dosPath.length % 2 == 0 &&
        dosPath.length >= 6 && dosPath.length <= dosPath.capacity) {
        std::wstring folder(dosPath.length / 2, L'\0');
        // "C:\..." or "\\server\...": anything else is no folder, and left out.
        if (read(dosPath.buffer, folder.data(), dosPath.length) &&
            ((folder[1] == L':' && folder[2] == L'\\') || (folder[0] == L'\\' && folder[1] == L'\\')))
            out = utf8(folder.c_str());
    }
    CloseHandle(process);
    return out;
}

}  // namespace

ExportLookup lookUpExports(const std::filesystem::path& dll, const std::vector<std::string>& names) {
    ExportLookup lookup;
    lookup.made = true;
    // Mapped as the game would map it, but neither its DllMain nor its own imports run or load.
    HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (module == nullptr) {
        lookup.loadError = errorText(GetLastError());
        return lookup;
    }
    for (const std::string& name : names) {
        if (GetProcAddress(module, name.c_str()) == nullptr) lookup.missing.push_back(name);
    }
    FreeLibrary(module);
    return lookup;
}

std::optional<bool> fitsAnsiCodePage(const std::string& path, unsigned& codePage) {
    codePage = GetACP();
    if (codePage == CP_UTF8) return true;
    const std::wstring text = wide(path);
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                        &lossy);
    return !lossy;
}

bool folderTakesNewFiles(const std::filesystem::path& folder, std::string& why) {
    const std::filesystem::path probe = folder / ("veltrane-doctor-probe-" + std::to_string(GetCurrentProcessId()) + ".tmp");
    // Removed by the system as the handle closes, also should the doctor end in between.
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = errorText(GetLastError());
        return false;
    }
    CloseHandle(file);
    return true;
}

std::string fileDate(const std::filesystem::path& file) {
    WIN32_FILE_ATTRIBUTE_DATA about;
    FILETIME local;
    SYSTEMTIME time;
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &about) ||
        !FileTimeToLocalFileTime(&about.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &time))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute);
    return text;
}

std::optional<std::filesystem::file_time_type> fileMadeTime(const std::filesystem::path& file) {
    WIN32_FILE_ATTRIBUTE_DATA about;
    std::error_code error;
    const auto written = std::filesystem::last_write_time(file, error);
    if (error || !GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &about)) return std::nullopt;
    const auto ticks = [](const FILETIME& t) { return (std::int64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    const std::int64_t later = ticks(about.ftCreationTime) - ticks(about.ftLastWriteTime);  // in 100 ns
    return later > 0 ? written + std::chrono::duration_cast<std::filesystem::file_time_type::duration>(
                                     std::chrono::nanoseconds(later * 100))
                     : written;
}

// Asked of Windows, which reads only the resource, not the whole (large) program.
std::string fileVersionOf(const std::filesystem::path& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return {};
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
        length < sizeof *fixed)
        return {};
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

std::string programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (size == 0) return ".";
        if (size < path.size()) {
            path.resize(size);
            break;
        }
        path.resize(path.size() * 2);
    }
    return std::filesystem::path(path).parent_path().u8string();
}

RunningPrograms runningPrograms(const std::string& pluginFile, const std::string& hookFile, const std::string& gameFile) {
    RunningPrograms found;
    found.made = true;
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE) {
        found.made = false;
        found.whyNot = "the list of running programs can't be read: " + errorText(GetLastError());
        return found;
    }
    const std::wstring plugin = wide(pluginFile), hook = wide(hookFile), game = wide(gameFile);
    PROCESSENTRY32W process{};
    process.dwSize = sizeof process;
    for (BOOL more = Process32FirstW(processes, &process); more; more = Process32NextW(processes, &process)) {
        if (process.th32ProcessID == 0 || process.th32ProcessID == GetCurrentProcessId()) continue;
        RunningProgram program;
        program.processId = process.th32ProcessID;
        program.fileName = utf8(process.szExeFile);
        // A program that is starting or ending may refuse for a moment (a partial copy).
        HANDLE modules = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < 3 && modules == INVALID_HANDLE_VALUE; ++attempt) {
            // 64-bit modules only: a 32-bit program can't load the plugin or the script hook.
            modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID);
            if (modules == INVALID_HANDLE_VALUE && GetLastError() != ERROR_BAD_LENGTH &&
                GetLastError() != ERROR_PARTIAL_COPY)
                break;
        }
        const bool isGame = _wcsicmp(process.szExeFile, game.c_str()) == 0;
        if (modules == INVALID_HANDLE_VALUE) {
            ++found.closed;
            program.modulesListed = false;
            if (isGame) found.programs.push_back(program);
            continue;
        }
        MODULEENTRY32W module{};
        module.dwSize = sizeof module;
        for (BOOL next = Module32FirstW(modules, &module); next; next = Module32NextW(modules, &module)) {
            if (_wcsicmp(module.szModule, plugin.c_str()) == 0) program.pluginPath = utf8(module.szExePath);
            else if (_wcsicmp(module.szModule, hook.c_str()) == 0) program.hookPath = utf8(module.szExePath);
        }
        CloseHandle(modules);
        if (!program.pluginPath.empty()) program.currentFolder = currentFolderOf(process.th32ProcessID);
        if (isGame || !program.pluginPath.empty() || !program.hookPath.empty()) found.programs.push_back(program);
    }
    CloseHandle(processes);
    return found;
}
