#pragma once
// The six game natives the plugin calls, each a typed wrapper over invokeNative.

#include <cstdint>

#include "host/native_invoke.h"

namespace NativeHashes {
inline constexpr NativeHash WeatherQuery = 0xDD560ABEF5D3784CULL;
inline constexpr NativeHash PedExemptTest = 0x7D5B1F88E7504BBAULL;
inline constexpr NativeHash PedAccuracyRead = 0x37F4AD56ECBC0CD6ULL;
inline constexpr NativeHash PedAccuracyWrite = 0x7AEFB85C1D49DEB6ULL;
inline constexpr NativeHash PedDamageModRead = 0x936E7CAD0AE2EE14ULL;
inline constexpr NativeHash PedDamageModWrite = 0xD77AE48611B7B10AULL;
}  // namespace NativeHashes

using PedHandle = std::int32_t;

// The game writes a 64-bit script slot through each pointer.
inline void WeatherQuery(std::uint64_t* current, std::uint64_t* second) {
    invokeNative(NativeHashes::WeatherQuery, current, second);
}
// Non-zero: the game exempts this ped from tuning.
inline std::int32_t PedExemptTest(PedHandle ped) { return invokeNative<std::int32_t>(NativeHashes::PedExemptTest, ped); }
inline std::int32_t PedAccuracyRead(PedHandle ped) {
    return invokeNative<std::int32_t>(NativeHashes::PedAccuracyRead, ped);
}
inline void PedAccuracyWrite(PedHandle ped, std::int32_t accuracy) {
    invokeNative(NativeHashes::PedAccuracyWrite, ped, accuracy);
}
inline float PedDamageModRead(PedHandle ped) { return invokeNative<float>(NativeHashes::PedDamageModRead, ped); }
inline void PedDamageModWrite(PedHandle ped, float modifier) {
    invokeNative(NativeHashes::PedDamageModWrite, ped, modifier);
}
