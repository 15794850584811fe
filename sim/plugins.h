#pragma once
// The simulated game's plugins as the players' game has them: copies of the script host and of
// each plugin in a game folder of their own, loaded by the stand-in ASI loader (the host, then
// every *.asi in name order), and unloaded and loaded again by name while the game runs.
// Windows only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace sim {

// What happened to one plugin's file name.
struct PluginModule {
    std::string name;           // its file name in the game folder, "Veltrane.asi"
    HMODULE module = nullptr;   // nullptr while not loaded
    std::uintptr_t begin = 0;   // its image while loaded (and the last one after unloading)
    std::uintptr_t end = 0;
    std::uint32_t loads = 0;
};

// The name a plugin file gets in the game folder: its own, with ".asi" added when it ends otherwise.
std::string folderName(const std::filesystem::path& plugin);

class PluginFolder {
public:
    PluginFolder() = default;
    PluginFolder(const PluginFolder&) = delete;
    PluginFolder& operator=(const PluginFolder&) = delete;
    // Removes the game folder (after the game unloaded everything).
    ~PluginFolder();

    // Makes `folder` afresh with a copy of `host` as ScriptHookRDR2.dll and of each plugin under
    // its own file name (".asi" added to one that ends otherwise; no two alike). Returns an
    // error text, or an empty one.
    std::string install(const std::filesystem::path& folder, const std::filesystem::path& host,
                        const std::vector<std::filesystem::path>& plugins);
    // The file a plugin of the folder was copied from.
    std::filesystem::path sourceOf(const std::string& name) const;
    // The stand-in ASI loader, loaded by the game; FreeLibrary'd by unloadAll.
    void useLoader(HMODULE module) { loader = module; }
    // The loader loads the host; nullptr with GetLastError set when it can't.
    HMODULE loadHost();
    // The loader loads every *.asi in the folder, in name order; `loaded` hears of each as its
    // LoadLibrary returns. On failure returns the file name that would not load, with
    // GetLastError set; else an empty text.
    std::string loadPlugins(const std::function<void(const PluginModule&)>& loaded);

    // FreeLibrary: the plugin's DllMain runs (detach). Returns an error text when the module is
    // still mapped afterwards.
    std::string unload(PluginModule& plugin);
    // LoadLibrary again from the game folder: DllMain runs (attach). Error text, GetLastError set.
    std::string load(PluginModule& plugin);
    // FreeLibrary for every loaded plugin, in the reverse order of loading, then for the loader;
    // `unloaded` hears of each plugin as its FreeLibrary returns.
    void unloadAll(const std::function<void(const PluginModule&)>& unloaded = {});
    // Bit i: plugins()[i] is loaded now (the first 64).
    std::uint64_t loadedMask() const;

    PluginModule* find(const std::string& name);
    std::vector<PluginModule>& plugins() { return modules; }
    const std::filesystem::path& folder() const { return root; }

private:
    std::filesystem::path root;
    HMODULE loader = nullptr;
    std::vector<PluginModule> modules;  // in the order loaded
    std::map<std::string, std::filesystem::path> sources;
    void add(const std::wstring& fileName, HMODULE module);
};

// The writable sections of one plugin's image (its module-level state, the runtime's among it),
// watched over its loads: which bytes the plugin changed while it ran, and after a new load
// whether those are back to what they were after the first load.
class PluginStateWatch {
public:
    // After a load, before any frame. Returns how many of the bytes the plugin changed in earlier
    // loads differ from the first load's (0 at the first load). A word that differs by exactly
    // the distance between the two loads' base addresses is a relocated pointer, and equal.
    std::uint64_t loaded(HMODULE module);
    // After the plugin ran (a frame, keystrokes): notes the bytes it changed.
    void ran();
    void unloaded() { sections.clear(); }

private:
    struct Section {
        const unsigned char* start;
        std::size_t offset;  // into the copies
        std::size_t size;    // a whole number of 8-byte words
    };
    std::vector<Section> sections;
    std::uintptr_t firstBase = 0, base = 0;
    std::string first, last, now, touched;
    void snapshot(std::string& into) const;
};

}  // namespace sim
