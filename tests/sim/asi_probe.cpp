// A second script plugin for the simulated game's folder, for tests only: its own script and
// keyboard handler, its own counters in its own module. Each frame its script checks the
// counters against the copies it keeps on its own stack, and writes them to asi_probe.txt in
// the game's directory. Built without the C++ runtime (and so small), it is also the control
// that shows what loading and unloading a plugin costs a process by itself.
//
// When a check fails it calls a native the game doesn't know, which stops the run and names
// the hash: 0x0BAD000000000001 its frame counter changed behind its back, ...02 its keystroke
// counter, ...03 it started with counters that were not zero.

#include "host/native_invoke.h"
#include "host/script_host.h"
#include "platform/windows_api.h"

namespace {

struct Counters {
    std::uint32_t frames;
    std::uint32_t framesCheck;  // always ~frames
    std::uint32_t keys;
    std::uint32_t keysCheck;    // always ~keys
};

Counters counters;  // zero at each load

void fail(std::uint64_t what) { invokeNative(0x0BAD000000000000ull | what); }

// "frames 12 keys 4\r\n", by hand: no C runtime here.
void writeCounts() {
    char text[64];
    int n = 0;
    auto put = [&](const char* word) {
        while (*word != '\0') text[n++] = *word++;
    };
    auto number = [&](std::uint32_t value) {
        char digits[10];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) text[n++] = digits[--count];
    };
    put("frames ");
    number(counters.frames);
    put(" keys ");
    number(counters.keys);
    put("\r\n");
    const HANDLE file = CreateFileA("asi_probe.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
}

void probeMain() {
    std::uint32_t frames = 0;   // the script's own copy
    std::uint32_t keysSeen = 0;
    for (;;) {
        if (counters.frames != frames || counters.framesCheck != ~frames) fail(1);
        if (counters.keysCheck != ~counters.keys || counters.keys < keysSeen) fail(2);
        counters.frames = ++frames;
        counters.framesCheck = ~frames;
        keysSeen = counters.keys;
        writeCounts();
        scriptWait(0);
    }
}

void onKey(std::uint32_t, std::uint16_t, std::uint8_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
    ++counters.keys;
    counters.keysCheck = ~counters.keys;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (counters.frames != 0 || counters.framesCheck != 0 || counters.keys != 0 || counters.keysCheck != 0) fail(3);
        counters.framesCheck = ~0u;
        counters.keysCheck = ~0u;
        scriptRegister(module, probeMain);
        keyboardHandlerRegister(onKey);
    } else if (reason == DLL_PROCESS_DETACH) {
        scriptUnregister(module);
        keyboardHandlerUnregister(onKey);
    }
    return TRUE;
}
