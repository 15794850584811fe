#pragma once
// The settings file's part of a run: its report, the writing of a missing file (asked, or by
// --write-defaults), and --fix with its backup.

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

#include "doctor/settings/report.h"
#include "settings/settings_file.h"

struct DoctorOptions {
    std::string path = kSettingsFileBareName;
    ReportOptions report;
    bool writeDefaults = false;
    bool fix = false;
    std::string game;  // the game folder, when given apart from the settings file
};

// The y/N question asked before a change when the doctor was double-clicked: y or yes is yes,
// n, no, Enter or closed input no, in any letter case and blanks aside; anything else is asked
// once more, then taken as no.
bool ask(std::istream& answers, std::ostream& out, const std::string& question);
// `text` wrapped (report.h's wrapped) and printed, the first line after `first`.
void say(std::ostream& out, const std::string& text, const std::string& indent = "", const std::string& first = "");

// A line asked for at the console, trimmed; empty on Enter or closed input.
std::string readAnswer(std::istream& answers, std::ostream& out, const std::string& question);

// The reading the doctor shows: the plugin's where the game runs, through Wine's profile
// functions under Wine or Proton and from Linux, else Windows'.
profile_text::Reader gameReader();

// Checks the settings file at `readPath` (the name the profile functions are given, from the
// current folder), changes it only as `options` or the answers say, and returns the exit
// status. With `answers` it may ask. What the screen holds above the report is what `out`'s
// tally has counted (screen_rows.h).
int doctorSettingsFile(const DoctorOptions& options, const std::string& readPath, std::ostream& out,
                       std::ostream& err, std::istream* answers);
