#include "doctor/console.h"

// Terminals outlive the programs they start: nothing to wait for.
bool ownsConsoleAlone() { return false; }

void waitForEnter() {}
