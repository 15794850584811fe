#pragma once
// Veltrane.ini and the weather as the simulated game sees them around each frame: what the file
// asks of the plugin, its state before and after the frame, and the weather's label. Windows
// only (it reads the file through the profile functions, as the plugin does).

#include <cstdint>
#include <string>
#include <vector>

#include "sim/world.h"

namespace sim {

// What Veltrane.ini asks of the plugin for this weather, as the frame begins; `peds` tell what
// an accuracy of 12829 resolves to in this frame.
std::string askedText(std::uint32_t weather, const std::vector<Ped>& peds);

std::string weatherLabel(std::uint32_t hash, const std::string& scenarioName);

// "missing", or "present, N key line(s)".
std::string iniStatus();

// Veltrane.ini as it is now: absent, a directory, or a file and its bytes.
struct IniSnapshot {
    enum class State { Absent, Directory, File } state = State::Absent;
    std::string bytes;

    bool operator==(const IniSnapshot& other) const { return state == other.state && bytes == other.bytes; }
};

// Reuses `into`'s buffer, so a long run reads the file every frame without growing.
void snapshotIni(IniSnapshot& into);

}  // namespace sim
