// The Windows module entry of Veltrane.asi. Built into the DLL only.

#include "host/plugin_entry.h"
#include "platform/windows_api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    return pluginEntry(module, reason);
}
