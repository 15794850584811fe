#pragma once
// The doctor's command line: its options, which game folder a run checks (found from the
// launchers' records when not here), --install and --uninstall; settings_doctor.h does the rest.

#include <istream>
#include <ostream>

// Runs the doctor as `veltrane-doctor [PATH] [--game DIR] [--quiet] [--details] [--write-defaults] [--fix]`
// (arguments in UTF-8) and returns the exit status: 0 nothing to warn about, 1 warnings or
// cautions (a failed game-folder check among them), 2 the file can't be read or written, or
// the command line is wrong (--help and --version give 0). With `answers` (started by double-click) it may ask before writing a
// missing file or fixing lines, and reads the answer from there; without, it never asks.
int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
              std::istream* answers = nullptr);
