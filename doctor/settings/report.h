#pragma once
// The doctor's printed report, on one screen: the most harmful finding first, the switch and
// one row per weather with what the plugin reads, the explanations once, then the warnings,
// repeated ones grouped, each with the line to write instead or the choice to make.

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "doctor/settings/settings_check.h"

struct ReportOptions {
    bool quiet = false;    // only the most harmful findings, in a few lines
    bool details = false;  // everything: every row, every warning on its own
    std::string program;   // "veltrane-doctor 1.2.0", to head the report
};

// What the report tells beside the check: the folder looked in, names near the settings
// file's there, and how many lines --fix would write.
struct ReportContext {
    std::string folder;
    std::vector<std::string> nearNames;
    std::size_t fixable = 0;
    std::size_t linesAbove = 0;  // printed before the report on the same screen
    std::string wineVersion;     // running under Wine or Proton: its version
    bool folderWritable = true;  // the file's folder takes new files: a missing file can be written
    std::size_t rowsLeft = 0;    // at the console: the rows the short report may fill; 0: a dozen
};

// A console window shows this many lines; the double-click's "Press Enter" line takes one.
inline constexpr std::size_t kScreenLines = 29;
// The rows text fills in a console 120 columns wide, taken a character at a time: a longer
// line takes as many as it fills, an unended last line one.
struct ConsoleRows {
    std::size_t rows = 0, column = 0;

    void put(char c) {
        if (c == '\n') {
            ++rows, column = 0;
            return;
        }
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) return;  // within a UTF-8 letter
        if (column == kColumns) ++rows, column = 0;
        ++column;
    }
    std::size_t filled() const { return rows + (column > 0 ? 1 : 0); }

    static constexpr std::size_t kColumns = 120;
};
std::size_t consoleRows(const std::string& text);

// Names in a list, the first `most`, then "and N more": "Rain, Snow and 3 more".
std::string listed(const std::vector<std::string>& names, std::size_t most = 8);

void printReport(std::ostream& out, const SettingsCheck& check, const ReportOptions& options,
                 const ReportContext& context = {});

// A command line for the player to type, with the path they gave: veltrane-doctor --fix "x.ini"
// (on Linux ./veltrane-doctor, or the doctor's path: see doctorAsTyped).
std::string doctorCommand(const std::string& option, const std::string& path);

// How a section is named to the player: a weather's by its weather ("Rain"), any other by itself.
std::string shownSectionName(const std::string& section);

// `text` in lines of at most 79 characters, each after `indent`; a command for the player to
// type is never broken, and words or commands longer than a line stay whole.
std::vector<std::string> wrapped(const std::string& text, const std::string& indent);
// The same with the first line after `first` instead ("FAIL 1 Script hook: ...").
std::vector<std::string> wrapped(const std::string& text, const std::string& indent, const std::string& first);
