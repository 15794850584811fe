#pragma once
// The doctor's printed report: the table of what the plugin reads and the warnings, each with
// the line to write instead.

#include <ostream>

#include "doctor/settings_check.h"

// The whole report; `quiet` leaves out everything but the warnings and errors.
void printReport(std::ostream& out, const SettingsCheck& check, bool quiet);
