#pragma once
// The doctor's command line: its options, which game folder a run checks (found from the
// launchers' records when not here), --install and --uninstall; settings_doctor.h does the rest.

#include <istream>
#include <ostream>

// The command line, as the answer to a wrong one gives it. Windows' spelling of each option is
// taken too ("/fix", "/?", "/q"); --install and --uninstall exclude each other.
inline constexpr const char* kUsage =
    "usage: veltrane-doctor [PATH] [--game DIR] [--quiet] [--details] [--write-defaults] [--fix] [--install [DIR]] "
    "[--uninstall [DIR]] [--help] [--version]";

// Runs the doctor with `argv` (in UTF-8) and returns the exit status: 0 nothing to warn about
// (--help and --version too); 1 warnings or cautions, a failed game-folder check among them, or
// an --uninstall that left another plugin of the name; 2 the settings file can't be read or
// written, a change refused (nothing installed or removed, nothing written outside the game
// folder), or a wrong command line. With `answers` (started by double-click) it may ask before
// writing a missing file, fixing lines, renaming a misnamed settings file or installing the
// plugin into each game folder found, asks for the game folder when none is, and reads the
// answers from there; without, it never asks.
int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
              std::istream* answers = nullptr);
