#pragma once
// Timing runs: the plugin's imports of the profile functions and of GetFileAttributesA go through these
// wrappers, which add up the time spent in the real functions. Everything here runs on the
// plugin's fiber, within its slice; nothing else calls the wrappers. Windows only.

#include <cstdint>
#include <cstring>

#include "platform/windows_api.h"

namespace sim {

namespace timed {

struct Tally {
    LONGLONG ticks = 0;
    std::uint32_t calls = 0;
};

using ReadFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPSTR, DWORD, LPCSTR);
using WriteFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
using AttributesFn = DWORD(WINAPI*)(LPCSTR);

extern ReadFn realRead;
extern WriteFn realWrite;
extern AttributesFn realAttributes;
extern Tally reads, writes, stats;

LONGLONG now();
DWORD WINAPI read(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size, LPCSTR path);
BOOL WINAPI write(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path);
// The existence query's one call.
DWORD WINAPI attributes(LPCSTR path);
void reset();

}  // namespace timed

// Points `module`'s import of `function` from `dll` at `replacement`. Returns what the import
// pointed at before, or nullptr when the module doesn't import it by name.
void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement);

// Casts between function pointer types and void* (conditionally supported, and fine on Windows).
template <typename To, typename From>
To functionCast(From from) {
    To to;
    static_assert(sizeof to == sizeof from);
    std::memcpy(&to, &from, sizeof to);
    return to;
}

}  // namespace sim
