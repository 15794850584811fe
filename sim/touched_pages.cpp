#include "sim/touched_pages.h"

#include <cstring>

#include "sim/loaded_image.h"

namespace sim {

namespace {

constexpr std::uintptr_t kPage = 4096;
constexpr std::size_t kMostPages = 16384;  // 64 MiB of image

// Module-level, so that the handler needs no allocation and no lock.
std::uintptr_t imageBase = 0;
std::size_t imagePages = 0;
DWORD protection[kMostPages];
bool touched[kMostPages];
PVOID handler = nullptr;

LONG CALLBACK onAccess(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    const std::uintptr_t address = record->ExceptionInformation[1];
    if (address < imageBase || address >= imageBase + imagePages * kPage) return EXCEPTION_CONTINUE_SEARCH;
    const std::size_t page = (address - imageBase) / kPage;
    if (touched[page]) return EXCEPTION_CONTINUE_SEARCH;  // a fault of the plugin's own
    DWORD ignored = 0;
    if (!VirtualProtect(reinterpret_cast<void*>(imageBase + page * kPage), kPage, protection[page], &ignored))
        return EXCEPTION_CONTINUE_SEARCH;
    touched[page] = true;
    return EXCEPTION_CONTINUE_EXECUTION;
}

void restore() {
    for (std::size_t page = 0; page < imagePages; ++page) {
        DWORD ignored = 0;
        if (!touched[page]) VirtualProtect(reinterpret_cast<void*>(imageBase + page * kPage), kPage, protection[page], &ignored);
    }
}

}  // namespace

bool startTouchedPages(HMODULE module) {
    const LoadedImage image(module);
    imageBase = reinterpret_cast<std::uintptr_t>(image.base());
    imagePages = (image.size() + kPage - 1) / kPage;
    if (imagePages > kMostPages || handler != nullptr) return false;
    std::memset(touched, 0, sizeof touched);
    handler = AddVectoredExceptionHandler(1, onAccess);
    if (handler == nullptr) return false;
    // The handler's own pages are the game's, never the plugin's.
    for (std::size_t page = 0; page < imagePages; ++page) {
        if (!VirtualProtect(reinterpret_cast<void*>(imageBase + page * kPage), kPage, PAGE_NOACCESS, &protection[page])) {
            imagePages = page;
            restore();
            RemoveVectoredExceptionHandler(handler);
            handler = nullptr;
            return false;
        }
    }
    return true;
}

TouchedPages stopTouchedPages() {
    TouchedPages result;
    if (handler == nullptr) return result;
    restore();
    RemoveVectoredExceptionHandler(handler);
    handler = nullptr;
    result.pages = static_cast<std::uint32_t>(imagePages);
    for (std::size_t page = 0; page < imagePages; ++page) result.touched += touched[page] ? 1 : 0;

    auto count = [&](std::string name, std::size_t first, std::size_t end) {
        TouchedSection section;
        section.name = std::move(name);
        for (std::size_t page = first; page < end && page < imagePages; ++page) {
            ++section.pages;
            section.touched += touched[page] ? 1 : 0;
        }
        result.sections.push_back(section);
    };
    const LoadedImage::Sections sections = LoadedImage(reinterpret_cast<HMODULE>(imageBase)).sections();
    count("headers", 0, sections.begin()->VirtualAddress / kPage);
    for (const IMAGE_SECTION_HEADER& header : sections) {
        char name[9] = {};
        std::memcpy(name, header.Name, 8);
        const std::size_t first = header.VirtualAddress / kPage;
        const std::size_t size = header.Misc.VirtualSize > 0 ? header.Misc.VirtualSize : header.SizeOfRawData;
        count(name, first, first + (size + kPage - 1) / kPage);
    }
    return result;
}

}  // namespace sim
