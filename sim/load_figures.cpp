#include "sim/load_figures.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "sim/output_file.h"
#include "sim/process_resources.h"

namespace sim {

bool LoadFigures::open(const std::string& resourcesPath, const std::string& loadTimingPath) {
    // Which figures are the plugin's and which the whole process's, in each column's name.
    if (!resourcesPath.empty() &&
        !openOutputFile(resources, resourcesPath, "the resources file",
                        "load,plugin,frame,plugin_base,process_tls_index,process_handles,process_next_handle,"
                        "process_private_bytes,process_heap_bytes,process_working_set,plugin_state_bytes_kept\n"))
        return false;
    if (!loadTimingPath.empty()) {
        if (!openOutputFile(loadTiming, loadTimingPath, "the load timing file",
                            "load,plugin,frame,load_library_us,first_frame_us,next_frame_us\n"))
            return false;
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        ticksPerMicrosecond = static_cast<double>(frequency.QuadPart) / 1e6;
    }
    return true;
}

void LoadFigures::atStart(const std::string& plugin, HMODULE base) { resourcesRow(plugin, 0, base, 0); }

void LoadFigures::afterLoad(const std::string& plugin, std::uint32_t frame, HMODULE base, std::uint64_t stateBytesKept) {
    ++loadEvents;
    resourcesRow(plugin, frame, base, stateBytesKept);
}

void LoadFigures::resourcesRow(const std::string& plugin, std::uint32_t frame, HMODULE base, std::uint64_t stateBytesKept) {
    if (!resources.is_open()) return;
    const ProcessResources now = measureProcessResources();
    char address[24];
    std::snprintf(address, sizeof address, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(base)));
    resources << loadEvents << "," << plugin << "," << frame << "," << address << "," << now.tlsIndex << "," << now.handles
              << "," << now.nextHandle << "," << now.privateBytes << "," << now.heapBytes << "," << now.workingSet << ","
              << stateBytesKept << "\n";
}

void LoadFigures::timedLoad(const std::string& plugin, std::uint32_t frame, LONGLONG ticks) {
    waiting.push_back(LoadTime{loadsTimed++, plugin, frame, static_cast<double>(ticks) / ticksPerMicrosecond, {}});
}

void LoadFigures::afterFrame(LONGLONG sliceTicks) {
    const double slice = static_cast<double>(sliceTicks) / ticksPerMicrosecond;
    for (LoadTime& time : waiting) {
        if (time.frameMicroseconds.size() < 2) time.frameMicroseconds.push_back(slice);
    }
    while (!waiting.empty() && waiting.front().frameMicroseconds.size() == 2) {
        const LoadTime& time = waiting.front();
        char line[160];
        std::snprintf(line, sizeof line, "%u,%s,%u,%.1f,%.1f,%.1f\n", time.load, time.plugin.c_str(), time.frame,
                      time.loadMicroseconds, time.frameMicroseconds[0], time.frameMicroseconds[1]);
        loadTiming << line;
        waiting.erase(waiting.begin());
    }
}

}  // namespace sim
