// The Windows module entry of Veltrane.asi. Built into the DLL only.

#include "platform/windows_api.h"
#include "plugin/plugin_entry.h"

// The C++ runtime linked into the DLL takes a block of heap at start-up for exceptions thrown
// when memory runs out, and has no destructor that gives it back: this does. Nothing else in
// its headers declares it.
namespace __gnu_cxx {
void __freeres() noexcept;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    const BOOL result = pluginEntry(module, reason);
    // FreeLibrary (reserved is null; at process exit it isn't, and the memory goes anyway):
    // without this each unload and load again of the plugin would keep ~73 KiB of the game's heap.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return result;
}
