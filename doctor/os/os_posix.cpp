// The native doctor's answers: terminals, POSIX file calls, and no Windows loader, ANSI code
// page, Windows processes or launchers' records to ask.
#include "doctor/os/os.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

// ---- The console: terminals outlive the programs they start, and take UTF-8 as it comes.

bool ownsConsoleAlone() { return false; }

void waitForEnter() {}

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

// ---- A game folder's files.

ExportLookup lookUpExports(const std::filesystem::path&, const std::vector<std::string>&) {
    ExportLookup lookup;
    lookup.whyNot = "its functions can be checked only by the Windows doctor";
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

// ---- The running programs, the system, and the launchers' records: Windows' alone (also
// under Wine or Proton, where the Windows doctor asks them).

RunningPrograms runningPrograms(const std::string&, const std::string&, const std::string&) {
    RunningPrograms found;
    found.whyNot = "only the Windows doctor can look into running programs";
    return found;
}

// A native build is neither Windows nor Wine: its profile functions are the stand-in's.
std::string wineVersion() { return {}; }

bool fileNamesIgnoreCase() { return false; }

// On Linux the game runs only through Proton.
bool gameRunsUnderWine() { return true; }

// Steam keeps itself under the home folder; $HOME, never the user database (no NSS call, so the
// static program runs on any distribution).
LauncherRecords readLauncherRecords() {
    LauncherRecords records;
    records.made = true;
    if (const char* home = std::getenv("HOME")) records.home = home;
    if (records.home.empty()) records.whyNot = "HOME is not set, so Steam's folders can't be found";
    return records;
}
