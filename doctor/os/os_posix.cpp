// The native doctor's answers: terminals, POSIX file calls, the DLLs' own bytes, /proc, and no
// ANSI code page or launchers' registry to ask.
#include "doctor/os/os.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <sstream>

#include "doctor/os/player_files.h"
#include "pe/pe_image.h"
#include "platform/profile_text.h"

extern char** environ;

namespace {

constexpr const char* kTerminalMarker = "VELTRANE_DOCTOR_TERMINAL";

// The last part of a Unix or Windows path.
std::string lastPart(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool sameFileName(const std::string& path, const std::string& name) {
    return profile_text::lowerAscii(lastPart(path)) == profile_text::lowerAscii(name);
}

}  // namespace

// ---- The console. Opened from a file manager the doctor has no terminal: it opens one and runs
// itself there, marked, so that it asks and waits as the Windows doctor does when double-clicked.

bool ownsConsoleAlone() {
    const char* marker = std::getenv(kTerminalMarker);
    return marker && std::string(marker) == "1";
}

void waitForEnter() {
    std::cout << "Press Enter to close this window." << std::flush;
    std::string line;
    std::getline(std::cin, line);
}

bool reopenInTerminal(int argc, char** argv) {
    // Any marker (also "0", for scripts that mean no player) or any terminal: stay as it is.
    if (std::getenv(kTerminalMarker) || ::isatty(0) || ::isatty(1) || ::isatty(2)) return false;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return false;
    char self[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (size <= 0) return false;
    self[size] = '\0';
    const std::pair<const char*, const char*> terminals[] = {
        {"konsole", "-e"}, {"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"}, {"xterm", "-e"}};
    ::setenv(kTerminalMarker, "1", 1);
    pid_t child = -1;
    for (const auto& [name, runs] : terminals) {
        std::vector<char*> args{const_cast<char*>(name), const_cast<char*>(runs), self};
        args.insert(args.end(), argv + 1, argv + argc);
        args.push_back(nullptr);
        // The first found on PATH; one that is not there fails to start.
        if (::posix_spawnp(&child, name, nullptr, nullptr, args.data(), environ) == 0) break;
        child = -1;
    }
    ::unsetenv(kTerminalMarker);
    return child > 0 && ::waitpid(child, nullptr, 0) == child;
}

void prepareConsole() {}

// ---- Paths and folders: file names are bytes here, and the terminal's are UTF-8 already.

std::vector<std::string> commandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

bool isPathSeparator(char c) { return c == '/'; }

FolderVisit::FolderVisit() {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer)) saved = buffer;
}

FolderVisit::~FolderVisit() {
    if (!saved.empty() && ::chdir(saved.c_str()) != 0) {
        // The first folder is gone; nothing else to go back to.
    }
}

bool FolderVisit::enter(const std::string& folder) { return ::chdir(folder.c_str()) == 0; }

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

std::vector<std::string> currentFolderEntries() {
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(".")) {
        while (const dirent* entry = ::readdir(folder)) names.emplace_back(entry->d_name);
        ::closedir(folder);
    }
    return names;
}

std::optional<std::string> profileFileName(const std::string& utf8Name) { return utf8Name; }

std::string programFolder() {
    char buffer[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (size <= 0) return ".";
    return std::filesystem::path(std::string(buffer, static_cast<std::size_t>(size))).parent_path().string();
}

namespace {
// Taken before main: the doctor enters other folders to read a settings file as the plugin does.
const std::string startFolder = currentFolder();
}  // namespace

std::string doctorAsTyped() {
    const std::string folder = programFolder();
    if (folder == startFolder) return "./veltrane-doctor";
    const std::string path = folder + "/veltrane-doctor";
    // Quoted where a shell would part or read the path otherwise; a quote in it, ended and escaped.
    if (path.find_first_of(" \t'\"$`\\!*?[]()&;|<>#~{}") == std::string::npos) return path;
    std::string quoted = "'";
    for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// ---- A game folder's files.

// Read from the DLL's own bytes: the names its export table gives, as Windows' loader finds them.
ExportLookup lookUpExports(const std::filesystem::path& dll, const std::vector<std::string>& names) {
    ExportLookup lookup;
    lookup.made = true;
    const pe::Image image = pe::readImage(readBytes(dll).value_or(""));
    if (!image.isPe) {
        lookup.loadError = "it is no Windows DLL, or it can't be read";
        return lookup;
    }
    for (const std::string& name : names) {
        if (std::find(image.exports.begin(), image.exports.end(), name) == image.exports.end())
            lookup.missing.push_back(name);
    }
    return lookup;
}

std::optional<bool> fitsAnsiCodePage(const std::string&, unsigned&) { return std::nullopt; }

bool folderTakesNewFiles(const std::filesystem::path& folder, std::string& why) {
    const std::string probe = (folder / ("veltrane-doctor-probe-" + std::to_string(::getpid()) + ".tmp")).string();
    const int file = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (file < 0) {
        why = std::strerror(errno);
        return false;
    }
    ::close(file);
    ::unlink(probe.c_str());
    return true;
}

std::string fileDate(const std::filesystem::path& file) {
    struct stat about {};
    if (::stat(file.c_str(), &about) != 0) return {};
    std::tm local{};
    if (!::localtime_r(&about.st_mtime, &local)) return {};
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) ? text : "";
}

std::optional<std::filesystem::file_time_type> fileMadeTime(const std::filesystem::path& file) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(file, error);
    if (error) return std::nullopt;
    struct statx about {};
    if (::statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME | STATX_MTIME, &about) != 0 || !(about.stx_mask & STATX_BTIME))
        return written;
    const auto ns = [](const struct statx_timestamp& t) { return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; };
    const std::int64_t later = ns(about.stx_btime) - ns(about.stx_mtime);
    return later > 0 ? written + std::chrono::duration_cast<std::filesystem::file_time_type::duration>(
                                     std::chrono::nanoseconds(later))
                     : written;
}

std::optional<std::string> fileVersionOf(const std::filesystem::path&) { return std::nullopt; }

// ---- The running programs. Under Wine or Proton a Windows program is a process whose command
// line starts with its Windows path, and each DLL it loaded is mapped from its file. Which
// folder it stands in Wine keeps to itself: currentFolder stays empty.

RunningPrograms runningPrograms(const std::string& pluginFile, const std::string& hookFile,
                                const std::string& gameFile) {
    RunningPrograms found;
    found.made = true;
    const std::string self = std::to_string(::getpid());
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string pid = it->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        const std::string commandLine = readBytes("/proc/" + pid + "/cmdline").value_or("");
        const std::string program = lastPart(commandLine.substr(0, commandLine.find('\0')));
        if (profile_text::lowerAscii(std::filesystem::path(program).extension().string()) != ".exe") continue;
        RunningProgram running;
        running.processId = static_cast<std::uint32_t>(std::stoul(pid));
        running.fileName = program;
        const bool isGame = sameFileName(program, gameFile);
        const std::optional<std::string> maps = readBytes("/proc/" + pid + "/maps");
        if (!maps) {
            running.modulesListed = false;
            found.take(running, isGame);
            continue;
        }
        std::istringstream lines(*maps);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t slash = line.find('/');
            if (slash == std::string::npos) continue;
            const std::string file = line.substr(slash);
            if (running.pluginPath.empty() && sameFileName(file, pluginFile)) running.pluginPath = file;
            if (running.hookPath.empty() && sameFileName(file, hookFile)) running.hookPath = file;
        }
        found.take(running, isGame);
    }
    return found;
}

// ---- The system, and the launchers' records: Steam's folders under the home folder.

// A native build is neither Windows nor Wine: its profile functions are the stand-in's.
std::string wineVersion() { return {}; }

// The game runs on Linux only through Proton.
bool gameRunsOnWine() { return true; }

bool fileNamesIgnoreCase() { return false; }

// On Linux the game runs only through Proton, so its override always matters.
bool checksProtonOverride() { return true; }

std::optional<std::filesystem::path> linuxPath(const std::string& path) { return std::filesystem::u8path(path); }

std::optional<std::filesystem::path> linuxHome() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return std::nullopt;
    return std::filesystem::u8path(home);
}

// The Linux doctor runs in no prefix: it reads the game's from its files.
std::optional<std::filesystem::path> ownWinePrefix() { return std::nullopt; }
std::optional<std::string> userRegistryText(const std::string&, const std::string&) { return std::nullopt; }

std::optional<std::string> environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// Steam keeps itself under the home folder; $HOME, never the user database (no NSS call, so the
// static program runs on any distribution).
LauncherRecords readLauncherRecords() {
    LauncherRecords records;
    records.made = true;
    if (const auto home = linuxHome()) records.home = home->u8string();
    if (records.home.empty()) records.whyNot = "HOME is not set, so Steam's folders can't be found";
    return records;
}
