#include "sim/plugins.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "platform/profile_text.h"
#include "sim/asi_loader.h"
#include "sim/loaded_image.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

// Casts the loader's exports (conditionally supported, and fine on Windows).
template <typename Fn>
Fn exported(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::pair<std::uintptr_t, std::uintptr_t> imageRange(HMODULE module) {
    const LoadedImage image(module);
    const auto begin = reinterpret_cast<std::uintptr_t>(image.base());
    return {begin, begin + image.size()};
}

bool isAsi(const fs::path& path) {
    return profile_text::sameName(path.extension().string(), ".asi");
}

}  // namespace

PluginFolder::~PluginFolder() {
    std::error_code ignored;
    if (!root.empty()) fs::remove_all(root, ignored);
}

std::string PluginFolder::install(const fs::path& folder, const fs::path& host, const std::vector<fs::path>& pluginPaths) {
    // Missing files are told as the game would tell a module that won't load.
    const auto missing = [](const fs::path& path, const char* what) -> std::string {
        std::error_code error;
        if (fs::is_regular_file(path, error)) return {};
        return std::string("cannot load the ") + what + " " + path.string() + ": " +
               (fs::exists(path, error) ? "not a file" : "no such file");
    };
    if (std::string text = missing(host, "host"); !text.empty()) return text;
    for (const fs::path& plugin : pluginPaths) {
        if (std::string text = missing(plugin, "plugin"); !text.empty()) return text;
    }
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    if (error) return "cannot make the game folder " + folder.string() + ": " + error.message();
    root = folder;
    if (!fs::copy_file(host, folder / "ScriptHookRDR2.dll", error))
        return "cannot copy the host " + host.string() + ": " + error.message();
    for (const fs::path& plugin : pluginPaths) {
        const std::string name = folderName(plugin);
        if (!fs::copy_file(plugin, folder / name, error)) {
            return error == std::errc::file_exists ? "two plugins named " + name
                                                   : "cannot copy the plugin " + plugin.string() + ": " + error.message();
        }
        sources[name] = plugin;
    }
    return {};
}

std::string folderName(const fs::path& plugin) {
    // The loader takes only *.asi: another file goes in under its name with .asi added.
    return plugin.filename().string() + (isAsi(plugin) ? "" : ".asi");
}

fs::path PluginFolder::sourceOf(const std::string& name) const {
    const auto found = sources.find(name);
    return found == sources.end() ? fs::path(name) : found->second;
}

HMODULE PluginFolder::loadHost() {
    const auto loadHostFn = exported<AsiLoadHostFn>(loader, asiloader::kLoadHost);
    if (loadHostFn == nullptr) return nullptr;
    return static_cast<HMODULE>(loadHostFn(root.c_str()));
}

void PluginFolder::add(const std::wstring& fileName, HMODULE module) {
    PluginModule plugin;
    plugin.name = fs::path(fileName).string();
    plugin.module = module;
    if (module != nullptr) {
        std::tie(plugin.begin, plugin.end) = imageRange(module);
        plugin.loads = 1;
    }
    modules.push_back(plugin);
}

std::string PluginFolder::loadPlugins(const std::function<void(const PluginModule&)>& loaded) {
    const auto loadPluginsFn = exported<AsiLoadPluginsFn>(loader, asiloader::kLoadPlugins);
    if (loadPluginsFn == nullptr) return "asi-loader.dll";
    struct Context {
        PluginFolder* folder;
        const std::function<void(const PluginModule&)>& loaded;
        std::string failed;
        DWORD error = 0;
    } context{this, loaded, {}};
    loadPluginsFn(
        root.c_str(),
        [](void* opaque, const wchar_t* fileName, void* module, unsigned long error) {
            auto* c = static_cast<Context*>(opaque);
            c->folder->add(fileName, static_cast<HMODULE>(module));
            if (c->loaded) c->loaded(c->folder->modules.back());
            if (module == nullptr && c->failed.empty()) {
                c->failed = fs::path(fileName).string();
                c->error = error;
            }
        },
        &context);
    SetLastError(context.error);
    return context.failed;
}

std::string PluginFolder::unload(PluginModule& plugin) {
    if (plugin.module == nullptr) return plugin.name + " is not loaded";
    FreeLibrary(plugin.module);
    plugin.module = nullptr;
    // A module whose count never reached zero keeps its state into the next "load".
    HMODULE still = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(plugin.begin), &still)) {
        return plugin.name + " is still loaded after FreeLibrary";
    }
    return {};
}

std::string PluginFolder::load(PluginModule& plugin) {
    if (plugin.module != nullptr) return plugin.name + " is loaded already";
    plugin.module = LoadLibraryW((root / plugin.name).c_str());
    if (plugin.module == nullptr) {
        const DWORD code = GetLastError();
        std::string text = "cannot load the plugin " + plugin.name;
        SetLastError(code);
        return text;
    }
    std::tie(plugin.begin, plugin.end) = imageRange(plugin.module);
    ++plugin.loads;
    return {};
}

void PluginFolder::unloadAll(const std::function<void(const PluginModule&)>& unloaded) {
    for (auto it = modules.rbegin(); it != modules.rend(); ++it) {
        if (it->module == nullptr) continue;
        FreeLibrary(it->module);
        it->module = nullptr;
        if (unloaded) unloaded(*it);
    }
    if (loader != nullptr) FreeLibrary(loader);
    loader = nullptr;
}

std::uint64_t PluginFolder::loadedMask() const {
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < modules.size() && i < 64; ++i) {
        if (modules[i].module != nullptr) mask |= std::uint64_t{1} << i;
    }
    return mask;
}

PluginModule* PluginFolder::find(const std::string& name) {
    for (PluginModule& plugin : modules) {
        if (_stricmp(plugin.name.c_str(), name.c_str()) == 0) return &plugin;
    }
    return nullptr;
}

void PluginStateWatch::snapshot(std::string& into) const {
    into.clear();
    for (const Section& section : sections) into.append(reinterpret_cast<const char*>(section.start), section.size);
}

std::uint64_t PluginStateWatch::loaded(HMODULE module) {
    sections.clear();
    const LoadedImage image(module);
    std::size_t offset = 0;
    for (const IMAGE_SECTION_HEADER& header : image.sections()) {
        if (!writable(header)) continue;
        // Sections start on page boundaries, so rounding up to whole words stays in the page.
        const std::size_t size = (header.Misc.VirtualSize + 7u) & ~std::size_t{7};
        sections.push_back({image.at<const unsigned char>(header.VirtualAddress), offset, size});
        offset += size;
    }
    base = reinterpret_cast<std::uintptr_t>(module);
    snapshot(now);
    last = now;
    if (first.empty()) {
        first = now;
        firstBase = base;
        touched.assign(now.size(), '\0');
        return 0;
    }
    if (now.size() != first.size()) return now.size();  // another image under the same name
    const std::uint64_t moved = base - firstBase;
    std::uint64_t kept = 0;
    for (std::size_t word = 0; word < now.size(); word += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, first.data() + word, 8);
        std::memcpy(&b, now.data() + word, 8);
        if (a == b || (moved != 0 && b - a == moved)) continue;
        for (std::size_t i = word; i < word + 8; ++i) kept += touched[i] != 0 && first[i] != now[i];
    }
    return kept;
}

void PluginStateWatch::ran() {
    if (sections.empty()) return;
    snapshot(now);
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i] != last[i]) touched[i] = 1;
    }
    std::swap(now, last);
}

}  // namespace sim
