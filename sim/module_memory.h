#pragma once
// The watched plugin's writable sections, copied before keystrokes and compared after: which of
// its bytes a keystroke handler changed. Windows only.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows_api.h"
#include "sim/loaded_image.h"
#include "sim/trace.h"

namespace sim {

// The plugin's writable sections (.data, .bss and the like): all of its module-level state.
struct ModuleMemory {
    std::vector<std::pair<const unsigned char*, std::size_t>> sections;
    std::string copy;

    void find(HMODULE module) {
        const LoadedImage image(module);
        for (const IMAGE_SECTION_HEADER& section : image.sections()) {
            if (writable(section)) sections.emplace_back(image.at<const unsigned char>(section.VirtualAddress), section.Misc.VirtualSize);
        }
    }
    void save() {
        copy.clear();
        for (const auto& [start, size] : sections) copy.append(reinterpret_cast<const char*>(start), size);
    }
    // What changed since save().
    PluginMemoryChange changes() const {
        PluginMemoryChange change;
        std::size_t offset = 0, first = 0, last = 0;
        std::string now;
        for (const auto& [start, size] : sections) now.append(reinterpret_cast<const char*>(start), size);
        for (; offset < now.size() && offset < copy.size(); ++offset) {
            if (now[offset] == copy[offset]) continue;
            if (change.bytes++ == 0) first = offset;
            last = offset;
        }
        for (std::size_t i = first; change.bytes > 0 && i <= last && i < first + 64; ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(now[i]));
            change.span += hex;
        }
        return change;
    }
};

}  // namespace sim
