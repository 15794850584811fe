#include "doctor/os/game_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <climits>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "pe/pe_image.h"

// The native doctor has no Windows loader to ask, no ANSI code page and no Windows processes.

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

// Without Windows' version functions, from the file's own bytes.
std::string fileVersionOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return pe::readImage(bytes).fileVersion.value_or("");
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

std::string programFolder() {
    char buffer[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (size <= 0) return ".";
    return std::filesystem::path(std::string(buffer, static_cast<std::size_t>(size))).parent_path().string();
}

RunningPrograms runningPrograms(const std::string&, const std::string&, const std::string&) {
    RunningPrograms found;
    found.whyNot = "only the Windows doctor can look into running programs";
    return found;
}
