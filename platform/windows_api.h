#pragma once
// The one place that decides between the real Windows API and the native stand-ins.
// Windows builds take kernel32's functions; native builds link platform/posix/*.cpp,
// which give the same behaviour for what this plugin relies on. Include this header
// from .cpp files only, so <windows.h> never leaks into shared headers.

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

}  // extern "C"

#endif
