#pragma once
// A module the loader has mapped into this process, read in place through its own headers: its
// size, its sections and its import table. Windows only. (pe/pe_image.h reads a PE file
// from its bytes, as it lies on disk.)

#include <cstddef>

#include "platform/windows_api.h"

namespace sim {

class LoadedImage {
public:
    explicit LoadedImage(HMODULE module)
        : base_(reinterpret_cast<unsigned char*>(module)),
          nt_(reinterpret_cast<const IMAGE_NT_HEADERS*>(base_ + reinterpret_cast<const IMAGE_DOS_HEADER*>(base_)->e_lfanew)) {}

    unsigned char* base() const { return base_; }
    // The bytes the loaded image spans, headers included.
    std::size_t size() const { return nt_->OptionalHeader.SizeOfImage; }
    // What lies at a relative virtual address.
    template <typename T>
    T* at(std::size_t rva) const { return reinterpret_cast<T*>(base_ + rva); }

    // The section headers in the image's order, for a range-for.
    struct Sections {
        const IMAGE_SECTION_HEADER* first;
        std::size_t count;
        const IMAGE_SECTION_HEADER* begin() const { return first; }
        const IMAGE_SECTION_HEADER* end() const { return first + count; }
    };
    Sections sections() const { return {IMAGE_FIRST_SECTION(nt_), nt_->FileHeader.NumberOfSections}; }

    // The first import descriptor (the table ends at one whose Name is 0), or null when the
    // image imports nothing.
    const IMAGE_IMPORT_DESCRIPTOR* imports() const {
        const IMAGE_DATA_DIRECTORY& table = nt_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        return table.VirtualAddress == 0 ? nullptr : at<const IMAGE_IMPORT_DESCRIPTOR>(table.VirtualAddress);
    }

private:
    unsigned char* base_;
    const IMAGE_NT_HEADERS* nt_;
};

// A section the module may write: its module-level state (.data, .bss and the like) lives there.
inline bool writable(const IMAGE_SECTION_HEADER& section) { return (section.Characteristics & IMAGE_SCN_MEM_WRITE) != 0; }

}  // namespace sim
