// A stand-in game that gets its ASI loader as players' games do: it imports DirectInput8Create,
// so the system's loader brings in a dinput8.dll before the game runs. If the module it got is
// the folder's loader (it has the loader's entry), the game has it load the script hook and the
// plugins; Wine's built-in dinput8 has no such entry, and then nothing of the folder runs.
// Prints what happened; exit status 0 when the plugin was loaded, 3 when dinput8.dll was not the
// folder's, 4 when the script hook or the plugin could not be loaded.

#include <cstdio>
#include <string>

#include "platform/windows_api.h"
#include "sim/asi_loader.h"

extern "C" __declspec(dllimport) long DirectInput8Create(void*, unsigned long, const void*, void**, void*);

namespace {

bool pluginLoaded = false;

void loaded(void*, const wchar_t* fileName, void* module, unsigned long error) {
    std::printf("%ls: %s (error %lu)\n", fileName, module != nullptr ? "loaded" : "failed", error);
    if (module != nullptr && std::wstring(fileName) == L"Veltrane.asi") pluginLoaded = true;
}

}  // namespace

int main() {
    // The import itself is what loads dinput8.dll; its address, taken, keeps it from being dropped.
    volatile auto imported = &DirectInput8Create;
    (void)imported;
    const HMODULE dinput8 = GetModuleHandleW(L"dinput8.dll");
    // GetProcAddress yields a generic function pointer; it goes back to its real type.
    const auto loadHost =
        reinterpret_cast<AsiLoadHostFn>(reinterpret_cast<void (*)()>(GetProcAddress(dinput8, sim::asiloader::kLoadHost)));
    const auto loadPlugins = reinterpret_cast<AsiLoadPluginsFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(dinput8, sim::asiloader::kLoadPlugins)));
    if (loadHost == nullptr || loadPlugins == nullptr) {
        std::printf("dinput8.dll is the system's own: no ASI loader, nothing of the folder runs\n");
        return 3;
    }
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/"));
    if (loadHost(folder.c_str()) == nullptr) {
        std::printf("the ASI loader ran, but ScriptHookRDR2.dll did not load (error %lu)\n", GetLastError());
        return 4;
    }
    std::printf("the ASI loader ran and loaded ScriptHookRDR2.dll\n");
    loadPlugins(folder.c_str(), loaded, nullptr);
    return pluginLoaded ? 0 : 4;
}
