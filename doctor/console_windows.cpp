#include "doctor/console.h"

#include <cstdio>

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

void prepareConsole() { SetConsoleOutputCP(CP_UTF8); }
