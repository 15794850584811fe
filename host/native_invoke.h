#pragma once
// One game native call through the host: nativeInit, one nativePush64 per argument, nativeCall.
// Every argument travels in the low end of an otherwise zero 64-bit word; results are read
// from the low 32 bits of the slot that nativeCall returns, before the next host call.

#include <cstdint>
#include <type_traits>

#include "host/script_host.h"
#include "platform/float_bits.h"

using NativeHash = std::uint64_t;

// A 32-bit handle or integer is zero-extended, never sign-extended: -5 goes as 0x00000000FFFFFFFB.
inline std::uint64_t toNativeWord(std::int32_t value) { return static_cast<std::uint32_t>(value); }
inline std::uint64_t toNativeWord(std::uint32_t value) { return value; }
// A float goes as its IEEE-754 bit pattern.
inline std::uint64_t toNativeWord(float value) { return floatBits(value); }
// A pointer goes whole.
template <typename T>
std::uint64_t toNativeWord(T* pointer) {
    return reinterpret_cast<std::uintptr_t>(pointer);
}

template <typename Result>
Result fromNativeSlot(const std::uint64_t* slot) {
    const auto low = static_cast<std::uint32_t>(*slot);
    if constexpr (std::is_same_v<Result, std::int32_t>) {
        return static_cast<std::int32_t>(low);
    } else {
        static_assert(std::is_same_v<Result, float>, "natives yield int32 or float");
        return floatFromBits(low);
    }
}

// Result void: the native's result is not read.
template <typename Result = void, typename... Args>
Result invokeNative(NativeHash hash, Args... args) {
    nativeInit(hash);
    (nativePush64(toNativeWord(args)), ...);
    const std::uint64_t* slot = nativeCall();
    if constexpr (!std::is_void_v<Result>) return fromNativeSlot<Result>(slot);
}
