#pragma once
// The console the doctor runs in. A player who double-clicks veltrane-doctor.exe gets a
// console window of its own, which would close with the report unread.

// True when no other process shares the console: started from Explorer, not from a prompt.
bool ownsConsoleAlone();

// Waits for Enter.
void waitForEnter();

// Makes the console show the doctor's UTF-8 output (paths in any letters) as such.
void prepareConsole();
