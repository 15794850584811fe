#include "sim/process_resources.h"

#include <vector>

#include "platform/windows_api.h"
// After windows.h: K32GetProcessMemoryInfo is kernel32's, for the game only.
#include <psapi.h>

namespace sim {

ProcessResources measureProcessResources() {
    ProcessResources now;
    const DWORD slot = TlsAlloc();
    if (slot != TLS_OUT_OF_INDEXES) {
        now.tlsIndex = slot;
        TlsFree(slot);
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles)) now.handles = handles;
    HANDLE probe = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &probe, 0, FALSE,
                        DUPLICATE_SAME_ACCESS)) {
        now.nextHandle = reinterpret_cast<std::uintptr_t>(probe);
        CloseHandle(probe);
    }
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof region) == sizeof region && region.RegionSize > 0;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) now.privateBytes += region.RegionSize;
    }
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) now.heapBytes += entry.cbData;
        }
        HeapUnlock(heap);
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) now.workingSet = counters.WorkingSetSize;
    return now;
}

std::uint64_t workingSetBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.WorkingSetSize;
}

}  // namespace sim
