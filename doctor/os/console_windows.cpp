#include "doctor/os/console.h"

#include <cstdio>
#include <cstdlib>

#include "platform/windows_api.h"

bool ownsConsoleAlone() {
    // A prompt (cmd, PowerShell) shares its console with the doctor: the list then holds two
    // processes. Without any console the call gives 0.
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

void waitForEnter() {
    std::fputs("Press Enter to close this window.", stdout);
    std::fflush(stdout);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }
}

namespace {
UINT previousOutputCodePage = 0;
void restoreConsole() { SetConsoleOutputCP(previousOutputCodePage); }
}  // namespace

// The console is the prompt's too: it gets its code page back when the doctor ends.
void prepareConsole() {
    previousOutputCodePage = GetConsoleOutputCP();
    if (previousOutputCodePage == 0 || !SetConsoleOutputCP(CP_UTF8)) return;
    std::atexit(restoreConsole);
}
