// The Windows doctor's answers, asked of Windows (or of Wine and Proton, which answer as it does).
#include "doctor/os/os.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

#include "platform/windows_api.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <winver.h>

namespace {

// The doctor's texts are UTF-8; the Windows API's wide ones UTF-16.
std::wstring wide(std::string_view utf8) {
    const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), count);
    return out;
}

std::string utf8(std::wstring_view text) {
    const int count =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), count, nullptr, nullptr);
    return out;
}

// `text` (UTF-8) in the ANSI code page; none when a letter has no place there.
std::optional<std::string> ansi(const std::string& text) {
    const std::wstring name = wide(text);
    BOOL lossy = FALSE;
    const int count = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()),
                                          nullptr, 0, nullptr, &lossy);
    if (lossy) return std::nullopt;
    std::string out(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()), out.data(), count,
                        nullptr, nullptr);
    return out;
}

// Text to a console goes in as UTF-16 through WriteConsoleW: the console shows every letter so,
// where UTF-8 bytes come out in its own code page (under Wine whatever SetConsoleOutputCP said).
// Text to a file or a pipe stays UTF-8 bytes.
class ConsoleWriter : public std::streambuf {
public:
    explicit ConsoleWriter(HANDLE handle) : console(handle) {}

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) xsputn(std::string(1, traits_type::to_char_type(c)).data(), 1);
        return traits_type::not_eof(c);
    }
    // Written at each line's end and each flush, where no letter is cut.
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending.append(text, static_cast<std::size_t>(count));
        if (count > 0 && pending.back() == '\n') sync();
        return count;
    }
    int sync() override {
        const std::wstring text = wide(pending);
        DWORD written = 0;
        WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        pending.clear();
        return 0;
    }

private:
    HANDLE console;
    std::string pending;
};

// A line typed at the console, read as UTF-16 through ReadConsoleW and given on as UTF-8: a
// folder's name in any letters arrives whole.
class ConsoleReader : public std::streambuf {
public:
    explicit ConsoleReader(HANDLE handle) : console(handle) {}

protected:
    int_type underflow() override {
        wchar_t typed[1024];
        DWORD count = 0;
        if (!ReadConsoleW(console, typed, 1024, &count, nullptr) || count == 0) return traits_type::eof();
        line = utf8(std::wstring_view(typed, count));
        setg(line.data(), line.data(), line.data() + line.size());
        return traits_type::to_int_type(line.front());
    }

private:
    HANDLE console;
    std::string line;
};

// Whether `handle` is a console's; the stream is then read or written through it.
template <typename Buffer>
void throughConsole(DWORD which, std::ios& stream) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) stream.rdbuf(new Buffer(handle));
}

}  // namespace

// ---- The console.

bool ownsConsoleAlone() {
    // A prompt (cmd, PowerShell) shares its console with the doctor: the list then holds two
    // processes. Without any console the call gives 0.
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

void waitForEnter() {
    std::fputs("Press Enter to close this window.", stdout);
    std::fflush(stdout);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }
}

// The streams are never freed: they write until the doctor's last line.
void prepareConsole() {
    throughConsole<ConsoleWriter>(STD_OUTPUT_HANDLE, std::cout);
    throughConsole<ConsoleWriter>(STD_ERROR_HANDLE, std::cerr);
    throughConsole<ConsoleReader>(STD_INPUT_HANDLE, std::cin);
}

// ---- Paths and folders.

// argv is in the ANSI code page, where a folder named in other letters turns into "?".
std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(utf8(arguments[i]));
    LocalFree(arguments);
    return out;
}

bool isPathSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

FolderVisit::FolderVisit() : saved(currentFolder()) {}

FolderVisit::~FolderVisit() {
    if (!saved.empty()) SetCurrentDirectoryW(wide(saved).c_str());
}

bool FolderVisit::enter(const std::string& folder) { return SetCurrentDirectoryW(wide(folder).c_str()) != 0; }

std::optional<std::string> profileFileName(const std::string& utf8Name) { return ansi(utf8Name); }

std::string currentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    return utf8(folder);
}

std::vector<std::string> currentFolderEntries() {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(L"*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(utf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
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

std::string doctorAsTyped() { return "veltrane-doctor"; }

// ---- A game folder's files, and the running programs.

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
    return codePage == CP_UTF8 || ansi(path).has_value();
}

bool folderTakesNewFiles(const std::filesystem::path& folder, std::string& why) {
    const std::filesystem::path probe =
        folder / ("veltrane-doctor-probe-" + std::to_string(GetCurrentProcessId()) + ".tmp");
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
std::optional<std::string> fileVersionOf(const std::filesystem::path& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return "";
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
        length < sizeof *fixed)
        return "";
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

RunningPrograms runningPrograms(const std::string& pluginFile, const std::string& hookFile,
                                const std::string& gameFile) {
    RunningPrograms found;
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE) {
        found.whyNot = "the list of running programs can't be read: " + errorText(GetLastError());
        return found;
    }
    found.made = true;
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
            program.modulesListed = false;
            found.take(program, isGame);
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
        found.take(program, isGame);
    }
    CloseHandle(processes);
    return found;
}

// ---- The system itself, and what it records.

bool gameRunsOnWine() { return !wineVersion().empty(); }

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

bool fileNamesIgnoreCase() { return true; }

// A console window opens with the program on Windows.
bool reopenInTerminal(int, char**) { return false; }

// Under Wine the game may run through Proton; Windows itself has no such override.
bool checksProtonOverride() { return !wineVersion().empty(); }

namespace {

// A text value (REG_SZ, or REG_EXPAND_SZ expanded: RRF_RT_REG_SZ takes both, and asking for
// REG_EXPAND_SZ unexpanded is refused) up to its first NUL, where the program that wrote it and
// every other reader end it; none when there is none.
std::optional<std::string> registryValue(HKEY root, const std::wstring& key, const std::wstring& value) {
    DWORD size = 0;
    const DWORD flags = RRF_RT_REG_SZ;
    if (RegGetValueW(root, key.c_str(), value.c_str(), flags, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(root, key.c_str(), value.c_str(), flags, nullptr, text.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(std::min<std::size_t>(size / sizeof(wchar_t), text.find(L'\0')));
    return utf8(text);
}

std::string registryText(HKEY root, const wchar_t* key, const wchar_t* value) {
    return registryValue(root, key, value).value_or("");
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
    std::string programData = environmentVariable("ProgramData").value_or("");
    if (programData.empty()) programData = "C:\\ProgramData";
    records.epicManifests = programData + "\\Epic\\EpicGamesLauncher\\Data\\Manifests";
    return records;
}

std::optional<std::string> userRegistryText(const std::string& key, const std::string& value) {
    return registryValue(HKEY_CURRENT_USER, wide(key), wide(value));
}

std::optional<std::string> environmentVariable(const char* name) {
    const std::wstring wideName = wide(name);
    // A value that changes between the two calls is read again.
    for (DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0); size != 0;) {
        std::wstring text(size, L'\0');
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), text.data(), size);
        if (length < size) {
            text.resize(length);
            return utf8(text);
        }
        size = length;
    }
    return std::nullopt;
}
