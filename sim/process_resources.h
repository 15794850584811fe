#pragma once
// What a process has only so much of, measured from inside it: the figures the simulated game
// takes after each load of a plugin, so that a leak per load shows as a climb. Windows only.

#include <cstdint>

namespace sim {

struct ProcessResources {
    // The index TlsAlloc hands out now (then freed at once): the lowest free slot, so it climbs
    // by one for each slot taken and never given back. -1 when none is left.
    std::int64_t tlsIndex = -1;
    std::uint32_t handles = 0;        // GetProcessHandleCount (Wine counts none: 0)
    // The value of a handle opened now (then closed): handle tables, Wine's too, hand out the
    // lowest free entry, so this climbs when handles leak, where the count can't be had.
    std::uint64_t nextHandle = 0;
    // Committed memory of the process alone: the MEM_PRIVATE regions VirtualQuery walks (Wine
    // reports no PrivateUsage), heaps and fiber stacks among them.
    std::uint64_t privateBytes = 0;
    // Bytes in use in all the process's heaps (HeapWalk): a block left behind by each load shows
    // here long before the heap commits another page for it.
    std::uint64_t heapBytes = 0;
    std::uint64_t workingSet = 0;     // bytes of the process in physical memory
};

ProcessResources measureProcessResources();

// The process's working set now, in bytes (0 when it can't be had).
std::uint64_t workingSetBytes();

}  // namespace sim
