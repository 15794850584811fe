#include "sim/world.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "host/natives.h"
#include "platform/float_bits.h"

namespace sim {

namespace {

std::int32_t asInt(std::uint64_t word) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(word)); }

float asFloat(std::uint64_t word) { return floatFromBits(static_cast<std::uint32_t>(word)); }

std::uint64_t fromInt(std::int32_t value) { return static_cast<std::uint32_t>(value); }

std::uint64_t fromFloat(float value) { return floatBits(value); }

// A write native: counted, and applied to a ped the game knows (a stray handle's write is lost).
template <typename T>
std::optional<std::uint64_t> written(std::uint64_t& count, Ped* ped, T Ped::*field, T value) {
    ++count;
    if (ped) {
        ped->*field = value;
        ped->written = true;
    }
    return 0;
}

}  // namespace

std::int32_t World::spawn(std::int32_t accuracy, float damageModifier, bool exempt) {
    return spawnAs(nextHandle++, accuracy, damageModifier, exempt);
}

std::int32_t World::spawnAs(std::int32_t handle, std::int32_t accuracy, float damageModifier, bool exempt) {
    Ped ped;
    ped.handle = handle;
    ped.accuracy = accuracy;
    ped.damageModifier = damageModifier;
    ped.exempt = exempt;
    if (pedList.empty() || pedList.back().handle < handle) {
        pedList.push_back(ped);  // the usual case: handles only grow
        return handle;
    }
    auto at = std::lower_bound(pedList.begin(), pedList.end(), handle,
                               [](const Ped& p, std::int32_t h) { return p.handle < h; });
    if (at != pedList.end() && at->handle == handle) throw std::invalid_argument("ped handle already in use");
    pedList.insert(at, ped);
    return handle;
}

void World::despawn(std::int32_t handle) {
    pedList.erase(std::remove_if(pedList.begin(), pedList.end(), [&](const Ped& p) { return p.handle == handle; }),
                  pedList.end());
}

Ped* World::find(std::int32_t handle) {
    // Handles only grow and despawning keeps the order, so the list stays sorted by handle.
    auto it = std::lower_bound(pedList.begin(), pedList.end(), handle,
                               [](const Ped& p, std::int32_t h) { return p.handle < h; });
    return (it != pedList.end() && it->handle == handle) ? &*it : nullptr;
}

std::int32_t World::getAllPeds(std::int32_t* out, std::int32_t capacity) const {
    const auto count = static_cast<std::int32_t>(
        std::min<std::size_t>(pedList.size(), static_cast<std::size_t>(std::max(capacity, 0))));
    for (std::int32_t i = 0; i < count; ++i) out[i] = pedList[static_cast<std::size_t>(i)].handle;
    return faults.reportedPedCount.value_or(count);
}

std::optional<std::uint64_t> World::callNative(std::uint64_t hash, const std::uint64_t* args, std::size_t argc) {
    namespace H = NativeHashes;
    auto arg = [&](std::size_t i) -> std::uint64_t { return i < argc ? args[i] : 0; };
    // A handle the game no longer knows reads as zero and ignores writes, as an invalid entity does.
    Ped* ped = (hash == H::WeatherQuery) ? nullptr : find(asInt(arg(0)));
    ++counters.calls;

    switch (hash) {
        case H::WeatherQuery: {
            // The game's script slots are 64 bits wide: it writes 8 bytes through each pointer.
            const std::uint64_t current = slotHighBits() | weather;
            const std::uint64_t second = slotHighBits() | nextWeather;
            if (arg(0)) std::memcpy(reinterpret_cast<void*>(static_cast<std::uintptr_t>(arg(0))), &current, 8);
            if (arg(1)) std::memcpy(reinterpret_cast<void*>(static_cast<std::uintptr_t>(arg(1))), &second, 8);
            return 0;
        }
        case H::PedExemptTest:
            return fromInt(ped && ped->exempt ? ped->exemptAnswer : 0);
        case H::PedAccuracyRead:
            return fromInt(ped ? ped->accuracy : 0);
        case H::PedAccuracyWrite:
            return written(counters.accuracyWrites, ped, &Ped::accuracy, asInt(arg(1)));
        case H::PedDamageModRead:
            if (ped && ped->damageReadsNaN) return fromFloat(std::nanf(""));
            return fromFloat(ped ? ped->damageModifier : 0.0f);
        case H::PedDamageModWrite:
            return written(counters.damageWrites, ped, &Ped::damageModifier, asFloat(arg(1)));
        default:
            --counters.calls;
            return std::nullopt;
    }
}

const std::vector<NativeRow>& nativeRows() {
    namespace H = NativeHashes;
    using V = NativeRow::Value;
    static const std::vector<NativeRow> rows = {
        {H::WeatherQuery, "WeatherQuery", false, false, V::None},
        {H::PedExemptTest, "PedExemptTest", true, false, V::ResultInt},
        {H::PedAccuracyRead, "PedAccuracyRead", true, false, V::ResultInt},
        {H::PedAccuracyWrite, "PedAccuracyWrite", true, true, V::ArgumentInt},
        {H::PedDamageModRead, "PedDamageModRead", true, false, V::ResultFloat},
        {H::PedDamageModWrite, "PedDamageModWrite", true, true, V::ArgumentFloat},
    };
    return rows;
}

const NativeRow* findNativeRow(std::uint64_t hash) {
    for (const NativeRow& row : nativeRows()) {
        if (row.hash == hash) return &row;
    }
    return nullptr;
}

std::string nativeName(std::uint64_t hash) {
    const NativeRow* row = findNativeRow(hash);
    return row != nullptr ? row->name : "";
}

}  // namespace sim
