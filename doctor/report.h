#pragma once
// The doctor's printed report: the switch, one row per weather with what the plugin reads,
// the explanations once, then the warnings, each with the line to write instead.

#include <ostream>
#include <string>

#include "doctor/settings_check.h"

struct ReportOptions {
    bool quiet = false;    // only the warnings
    bool details = false;  // the warnings a "holds none of the plugin's names" diagnosis stands for
    std::string program;   // "veltrane-doctor 1.2.0", to head the report
};

void printReport(std::ostream& out, const SettingsCheck& check, const ReportOptions& options);

// A command line for the player to type, with the path they gave: veltrane-doctor --fix "x.ini".
std::string doctorCommand(const std::string& option, const std::string& path);
