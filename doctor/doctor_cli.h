#pragma once
// The doctor's command line: options, the optional writing of a missing file, the report.

#include <ostream>

// Runs the doctor as `veltrane-doctor [PATH] [--quiet] [--write-defaults]` and returns the
// exit status: 0 nothing to warn about, 1 warnings, 2 the file can't be read or the command
// line is wrong (--help and --version give 0).
int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
