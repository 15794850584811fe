#pragma once
// The one place that decides between the real Windows API and the native stand-ins.
// Windows builds take kernel32's functions; native builds link platform/posix/*.cpp,
// which give the same behaviour for what this plugin relies on. The plugin's headers
// never include it, so <windows.h> stays out of everything they are included in; the
// simulated game's Windows-only headers (sim/) do, since their types are Windows'.

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#else

#include <cstdint>

extern "C" {

// Copies the value of `key` in `section` of the INI file at `path` into `buffer`, or
// `defaultText` when the file, section or key is missing; cut to `size` - 1 characters
// and always NUL-terminated. Returns the number of characters copied.
std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                       char* buffer, std::uint32_t size, const char* path);

// Adds or replaces `key` in `section`, creating the file and the section as needed.
// Returns non-zero on success.
int WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* path);

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t GetTickCount();

// The attributes of the file-system object named `path` (a file, a directory, anything), or
// INVALID_FILE_ATTRIBUTES when the query fails; then GetLastError gives the reason as kernel32
// (as Wine) reports it: ERROR_FILE_NOT_FOUND for a missing name, ERROR_PATH_NOT_FOUND for a
// missing directory or a file on the path, ERROR_FILENAME_EXCED_RANGE for a name too long,
// and other codes for every other failure (ERROR_ACCESS_DENIED, ...).
std::uint32_t GetFileAttributesA(const char* path);

// The reason the calling thread's last failed GetFileAttributesA gave.
std::uint32_t GetLastError();

}  // extern "C"

inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::uint32_t ERROR_BAD_NETPATH = 53;
inline constexpr std::uint32_t ERROR_BAD_NET_NAME = 67;
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
inline constexpr std::uint32_t ERROR_BAD_PATHNAME = 161;
inline constexpr std::uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr std::uint32_t ERROR_DIRECTORY = 267;
inline constexpr std::uint32_t ERROR_CANT_RESOLVE_FILENAME = 1921;

#endif
