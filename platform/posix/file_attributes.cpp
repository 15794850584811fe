// A stand-in for kernel32's GetFileAttributesA and GetLastError, for native builds: one stat()
// per query, its errno told as the Windows error that Wine reports for it.

#include <sys/stat.h>

#include <cerrno>

#include "platform/windows_api.h"

namespace {

thread_local std::uint32_t lastError = 0;

std::uint32_t windowsError(int error) {
    switch (error) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;  // a file where the path needs a directory
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case EINVAL: return ERROR_INVALID_NAME;
        case EACCES:
        case EPERM: return ERROR_ACCESS_DENIED;
        case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
        default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace

extern "C" std::uint32_t GetFileAttributesA(const char* path) {
    struct stat info {};
    if (::stat(path, &info) != 0) {
        lastError = windowsError(errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

extern "C" std::uint32_t GetLastError() { return lastError; }
