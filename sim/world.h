#pragma once
// A model of the game, as much of it as the plugin can see: peds with accuracy, damage
// modifier and an exempt flag, the current weather, and the six natives that read and write
// them. Plain portable C++: the native tests' recording host and the simulated game's
// stand-in host both drive this one model.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Ped {
    std::int32_t handle = 0;
    std::int32_t accuracy = 0;
    float damageModifier = 1.0f;
    bool exempt = false;
    bool damageReadsNaN = false;  // fault: the game reports NaN for this ped's damage modifier
    bool written = false;         // a write native has changed it (in any frame)
    // What PedExemptTest answers for an exempt ped: any non-zero value means exempt, and the
    // game need not say 1.
    std::int32_t exemptAnswer = 1;
};

// Switches that make the world misbehave the way a test needs.
struct WorldFaults {
    // When set, worldGetAllPeds returns this count whatever it wrote (say 5000, or -1).
    std::optional<std::int32_t> reportedPedCount;
};

// What a ped native did, for the per-frame figures.
struct NativeCounters {
    std::uint64_t calls = 0;
    std::uint64_t accuracyWrites = 0;
    std::uint64_t damageWrites = 0;
};

class World {
public:
    // The high half the game leaves by default in each 64-bit script slot that WeatherQuery
    // fills, and in every native's result slot: not zero, so that a cell too narrow for the
    // game's write shows up as corrupted neighbours, and a result read as 64 bits as a wrong value.
    static constexpr std::uint64_t kSlotHighBits = 0xA5A5A5A5ull << 32;

    // The high half of every slot this world fills: anything at all, since the plugin reads only
    // the low 32 bits (tests set it to 0, all ones, or drawn at random).
    std::uint32_t slotHighHalf = static_cast<std::uint32_t>(kSlotHighBits >> 32);
    std::uint64_t slotHighBits() const { return std::uint64_t{slotHighHalf} << 32; }
    std::uint32_t weather = 0;
    std::uint32_t nextWeather = 0;
    WorldFaults faults;
    NativeCounters counters;

    // Handles are never reused within a world's life.
    std::int32_t spawn(std::int32_t accuracy, float damageModifier, bool exempt = false);
    // A ped with a handle of the caller's choice, any 32-bit value (negative, 0, the extremes):
    // the game's handles mean nothing to the plugin. The peds stay in handle order, so this one
    // goes where its handle sorts; a handle already in use throws. spawn() goes on after the
    // largest handle spawned by it, so a world mixes the two only below that.
    std::int32_t spawnAs(std::int32_t handle, std::int32_t accuracy, float damageModifier, bool exempt = false);
    void despawn(std::int32_t handle);
    Ped* find(std::int32_t handle);
    const std::vector<Ped>& peds() const { return pedList; }
    std::vector<Ped>& peds() { return pedList; }

    // worldGetAllPeds: writes at most `capacity` handles to the front of `out`.
    std::int32_t getAllPeds(std::int32_t* out, std::int32_t capacity) const;

    // Runs one native by hash with its 64-bit argument words. Returns the result slot's
    // value; nullopt for a hash the game doesn't know (fatal in the game).
    std::optional<std::uint64_t> callNative(std::uint64_t hash, const std::uint64_t* args, std::size_t argc);

private:
    std::vector<Ped> pedList;
    std::int32_t nextHandle = 0x100;
};

// What the simulated game tells of each native the plugin uses, one row each (world.cpp): its
// name, whether its first argument is a ped, whether it changes the ped, and which word of the
// call is the value the trace shows.
struct NativeRow {
    enum class Value { None, ArgumentInt, ArgumentFloat, ResultInt, ResultFloat };
    std::uint64_t hash;
    const char* name;
    bool takesPed;
    bool writesPed;
    Value value;
};
const std::vector<NativeRow>& nativeRows();
// The row of `hash`, or nullptr.
const NativeRow* findNativeRow(std::uint64_t hash);

// The name of a native the plugin uses, or an empty string.
std::string nativeName(std::uint64_t hash);

}  // namespace sim
