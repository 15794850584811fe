#include "sim/script_stack.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/windows_api.h"

namespace sim {

namespace {

constexpr std::size_t kPage = 4096;
constexpr unsigned char kUnused = 0xCD;
// Left unfilled below limitScriptStack's own frame, for the calls it makes.
constexpr std::size_t kFrameMargin = 1024;

}  // namespace

std::size_t scriptStackBytes(std::size_t asked) { return (asked + kPage - 1) / kPage * kPage; }

__attribute__((noinline)) ScriptStack limitScriptStack(std::size_t bytes) {
    const auto* tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
    auto* base = static_cast<unsigned char*>(tib->StackBase);
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(base - 1, &region, sizeof region) == 0) return {};
    auto* reservation = static_cast<unsigned char*>(region.AllocationBase);
    bytes = scriptStackBytes(bytes);
    if (bytes > static_cast<std::size_t>(base - reservation)) return {};
    unsigned char* low = base - bytes;

    // What is committed below the chosen size (with Wine, all of it) can no longer be touched.
    for (unsigned char* at = reservation; at < low;) {
        if (VirtualQuery(at, &region, sizeof region) == 0) return {};
        unsigned char* end = std::min(static_cast<unsigned char*>(region.BaseAddress) + region.RegionSize, low);
        DWORD before = 0;
        if (region.State == MEM_COMMIT && !VirtualProtect(at, static_cast<SIZE_T>(end - at), PAGE_NOACCESS, &before))
            return {};
        at = end;
    }

    auto* frame = static_cast<unsigned char*>(__builtin_frame_address(0));
    if (frame - kFrameMargin > low) std::memset(low, kUnused, static_cast<std::size_t>(frame - kFrameMargin - low));
    return {low, base};
}

std::size_t scriptStackUse(const ScriptStack& stack) {
    if (stack.low == nullptr) return 0;
    const unsigned char* deepest = std::find_if(stack.low, stack.base, [](unsigned char b) { return b != kUnused; });
    return static_cast<std::size_t>(stack.base - deepest);
}

}  // namespace sim
