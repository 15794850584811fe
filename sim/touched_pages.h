#pragma once
// Which pages of a module's image one stretch of running touches: every page of the image is
// made inaccessible, and the first access to each (to run code, read or write) faults into a
// vectored exception handler that gives the page its protection back and notes it. The game
// runs one frame so, to see how much of a plugin a frame needs in memory. Windows only.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace sim {

struct TouchedSection {
    std::string name;  // ".text", ...; "headers" for the image's first page
    std::uint32_t pages = 0;
    std::uint32_t touched = 0;
};

struct TouchedPages {
    std::uint32_t pages = 0;
    std::uint32_t touched = 0;
    std::vector<TouchedSection> sections;  // in the image's order
};

// Makes every page of `module`'s image inaccessible and starts noting accesses. False (and
// nothing changed) when that can't be done. One module at a time.
bool startTouchedPages(HMODULE module);
// Gives the untouched pages their protection back and tells which pages were touched.
TouchedPages stopTouchedPages();

}  // namespace sim
