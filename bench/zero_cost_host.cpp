#include "bench/zero_cost_host.h"

#include <algorithm>
#include <cstring>

#include "host/natives.h"
#include "host/script_host.h"
#include "platform/float_bits.h"

ZeroCostWorld zeroCostWorld;

void ZeroCostWorld::fill(std::int32_t count, std::int32_t pedAccuracy, float pedDamage) {
    pedCount = std::clamp(count, 0, kCapacity);
    exempt.fill(0);
    accuracy.fill(pedAccuracy);
    damageModifier.fill(pedDamage);
}

namespace {

std::uint64_t currentHash = 0;
std::array<std::uint64_t, 4> args{};
std::uint32_t argCount = 0;
std::uint64_t resultSlot = 0;

std::size_t pedIndex(std::uint64_t word) { return static_cast<std::uint32_t>(word) & (ZeroCostWorld::kCapacity - 1); }

}  // namespace

extern "C" {

void scriptRegister(ModuleHandle, ScriptEntry) {}
void scriptUnregister(ModuleHandle) {}
void scriptWait(std::uint32_t) {}
void keyboardHandlerRegister(KeyboardHandler) {}
void keyboardHandlerUnregister(KeyboardHandler) {}

void nativeInit(std::uint64_t hash) {
    currentHash = hash;
    argCount = 0;
    ++zeroCostWorld.calls;
}

void nativePush64(std::uint64_t value) { args[argCount++ & 3] = value; }

std::uint64_t* nativeCall() {
    ZeroCostWorld& world = zeroCostWorld;
    switch (currentHash) {
        case NativeHashes::PedExemptTest:
            resultSlot = static_cast<std::uint32_t>(world.exempt[pedIndex(args[0])]);
            break;
        case NativeHashes::PedAccuracyRead:
            resultSlot = static_cast<std::uint32_t>(world.accuracy[pedIndex(args[0])]);
            break;
        case NativeHashes::PedDamageModRead:
            resultSlot = floatBits(world.damageModifier[pedIndex(args[0])]);
            break;
        case NativeHashes::PedAccuracyWrite:
            world.accuracy[pedIndex(args[0])] = static_cast<std::int32_t>(static_cast<std::uint32_t>(args[1]));
            ++world.writes;
            resultSlot = 0;
            break;
        case NativeHashes::PedDamageModWrite:
            world.damageModifier[pedIndex(args[0])] = floatFromBits(static_cast<std::uint32_t>(args[1]));
            ++world.writes;
            resultSlot = 0;
            break;
        case NativeHashes::WeatherQuery: {
            // The game fills a whole 64-bit slot through each pointer.
            const std::uint64_t slot = world.weather;
            std::memcpy(reinterpret_cast<void*>(static_cast<std::uintptr_t>(args[0])), &slot, sizeof slot);
            std::memcpy(reinterpret_cast<void*>(static_cast<std::uintptr_t>(args[1])), &slot, sizeof slot);
            resultSlot = 0;
            break;
        }
        default:
            ++world.unanswered;
            resultSlot = 0;
            break;
    }
    return &resultSlot;
}

std::int32_t worldGetAllPeds(std::int32_t* peds, std::int32_t capacity) {
    const std::int32_t count = std::min(zeroCostWorld.pedCount, capacity);
    for (std::int32_t i = 0; i < count; ++i) peds[i] = i;
    return count;
}

}  // extern "C"
