#include "doctor/os/console.h"

// Terminals outlive the programs they start: nothing to wait for.
bool ownsConsoleAlone() { return false; }

void waitForEnter() {}

// Terminals take UTF-8 as it comes.
void prepareConsole() {}
