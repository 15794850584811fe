#pragma once
// The stand-in ASI loader (asi-loader.dll): what players install so that the game loads script
// plugins. The simulated game loads it first; it loads the script host from the game folder and
// then every *.asi there, in name order, each with LoadLibrary. Development and tests only.

extern "C" {
// Loads `folder`\ScriptHookRDR2.dll and returns its module, or nullptr (GetLastError says why).
using AsiLoadHostFn = void* (*)(const wchar_t* folder);
// Called once per plugin, in the order loaded: its file name and its module, or nullptr when
// LoadLibrary failed (then `error` is GetLastError's code). The loader goes on with the next.
using AsiLoadedFn = void (*)(void* context, const wchar_t* fileName, void* module, unsigned long error);
// Loads every *.asi in `folder` (not in folders below it) in name order, ignoring case as the
// file system does; returns how many were found.
using AsiLoadPluginsFn = int (*)(const wchar_t* folder, AsiLoadedFn loaded, void* context);
}

namespace sim::asiloader {
inline constexpr const char* kLoadHost = "asiLoadHost";
inline constexpr const char* kLoadPlugins = "asiLoadPlugins";
inline constexpr const wchar_t* kFileName = L"asi-loader.dll";
}  // namespace sim::asiloader
