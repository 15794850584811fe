#include "sim/import_timing.h"

#include "sim/loaded_image.h"

namespace sim {

namespace timed {

ReadFn realRead = nullptr;
WriteFn realWrite = nullptr;
AttributesFn realAttributes = nullptr;
Tally reads, writes, stats;

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

DWORD WINAPI read(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size, LPCSTR path) {
    const LONGLONG start = now();
    const DWORD result = realRead(section, key, fallback, buffer, size, path);
    reads.ticks += now() - start;
    ++reads.calls;
    return result;
}

BOOL WINAPI write(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path) {
    const LONGLONG start = now();
    const BOOL result = realWrite(section, key, value, path);
    writes.ticks += now() - start;
    ++writes.calls;
    return result;
}

// The existence query's one call.
DWORD WINAPI attributes(LPCSTR path) {
    const LONGLONG start = now();
    const DWORD result = realAttributes(path);
    stats.ticks += now() - start;
    ++stats.calls;
    return result;
}

void reset() { reads = writes = stats = Tally{}; }

}  // namespace timed

void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    const LoadedImage image(module);
    for (const IMAGE_IMPORT_DESCRIPTOR* entry = image.imports(); entry != nullptr && entry->Name != 0; ++entry) {
        if (_stricmp(image.at<const char>(entry->Name), dll) != 0) continue;
        // The names stay in the original thunks; the loader has bound the first thunks to addresses.
        if (entry->OriginalFirstThunk == 0) return nullptr;
        const auto* name = image.at<const IMAGE_THUNK_DATA>(entry->OriginalFirstThunk);
        auto* slot = image.at<IMAGE_THUNK_DATA>(entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = image.at<const IMAGE_IMPORT_BY_NAME>(name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection)) return nullptr;
            void* before = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONGLONG>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            FlushInstructionCache(GetCurrentProcess(), nullptr, 0);
            return before;
        }
    }
    return nullptr;
}

}  // namespace sim
