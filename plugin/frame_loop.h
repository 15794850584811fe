#pragma once
// The script the host runs: prepare the settings file once, then one frame per host frame.

#include "settings/ini_reader.h"
#include "settings/settings_file.h"

// Start-up: point the settings file at "./Veltrane.ini", write the defaults when it is
// missing, and return the reader that every later read goes through.
IniReader startScript(SettingsFile& settings);

// One iteration of the loop, without the yield: read "Enabled", re-create a vanished file,
// and run the tuning pass while the switch is on. The iteration that finds the file missing
// runs with the switch off; the re-created file switches it on from the next one.
void runFrame(SettingsFile& settings, const IniReader& reader);

// Registered with scriptRegister; never returns.
[[noreturn]] void scriptMain();
