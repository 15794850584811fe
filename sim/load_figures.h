#pragma once
// The figures of each load of a plugin, when asked for: --resources writes what the process
// holds after the start and after each load; --load-timing how long each LoadLibrary took and
// how long the scripts ran in the two frames after it. Windows only.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace sim {

class LoadFigures {
public:
    // Opens the files the paths name (an empty path: none) and writes their headers; false,
    // with the error told, when one can't be written.
    bool open(const std::string& resourcesPath, const std::string& loadTimingPath);

    // --resources: a row for `plugin` at the start (load 0), and after each load event.
    void atStart(const std::string& plugin, HMODULE base);
    void afterLoad(const std::string& plugin, std::uint32_t frame, HMODULE base, std::uint64_t stateBytesKept);

    // --load-timing: a load that took `ticks`; after each frame, the scripts' slice in ticks goes
    // to every load waiting for its first or next frame, and a load with both is written out.
    bool timesLoads() const { return loadTiming.is_open(); }
    void timedLoad(const std::string& plugin, std::uint32_t frame, LONGLONG ticks);
    void afterFrame(LONGLONG sliceTicks);

private:
    struct LoadTime {
        std::uint32_t load = 0;
        std::string plugin;
        std::uint32_t frame = 0;
        double loadMicroseconds = 0;
        std::vector<double> frameMicroseconds;
    };
    std::ofstream resources;
    std::uint32_t loadEvents = 0;
    std::ofstream loadTiming;
    std::vector<LoadTime> waiting;  // for their frames
    std::uint32_t loadsTimed = 0;
    double ticksPerMicrosecond = 0;

    void resourcesRow(const std::string& plugin, std::uint32_t frame, HMODULE base, std::uint64_t stateBytesKept);
};

}  // namespace sim
