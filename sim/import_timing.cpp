#include "sim/import_timing.h"

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
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        // The names stay in the original thunks; the loader has bound the first thunks to addresses.
        if (entry->OriginalFirstThunk == 0) return nullptr;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
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
