#pragma once
// The doctor's command line run in the test's own process, each test in a scratch folder of its
// own, and the settings files its tests start from.

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/cli/doctor_cli.h"
#include "tests/support/flat_text.h"
#include "tests/support/golden_runs.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/settings_text.h"

struct DoctorRun {
    int status;
    std::string out;
    std::string err;
};

// The command line's tests: "Veltrane.ini" is the test's own.
class DoctorCli : public ::testing::Test {
protected:
    ScratchDir scratch;
};

// The test's Veltrane.ini made to hold `content`; empty: no file at all.
inline void putSettingsFile(const std::string& content) {
    std::filesystem::remove("Veltrane.ini");
    if (!content.empty()) writeFile("Veltrane.ini", content);
}

// The doctor run with `args`: as from a prompt, where it never asks, or, given `answers`, as
// by double-click, with `answers` typed to its questions.
inline DoctorRun doctor(std::vector<std::string> args, const char* answers = nullptr) {
    args.insert(args.begin(), "veltrane-doctor");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::istringstream typed(answers ? answers : "");
    std::ostringstream out, err;
    const int status = runDoctor(static_cast<int>(argv.size()), argv.data(), out, err, answers ? &typed : nullptr);
    recordDoctorRun(args, answers, status, out.str(), err.str(), std::filesystem::current_path());
    return DoctorRun{status, out.str(), err.str()};
}

// Whether `text` holds `part`, wherever the doctor wrapped its lines.
inline bool contains(const std::string& text, const std::string& part) { return flat(text).find(flat(part)) != std::string::npos; }

// The default file with Rain's damage modifier written as `text`.
inline std::string withRainDamage(const std::string& text) {
    SettingsLines lines = defaultSettingsLines();
    lines[findLine(lines, "DamageMod_Rain=")] = "DamageMod_Rain=" + text;
    return joinLines(lines);
}

// The lines with the one starting with `start` replaced by `by`.
inline SettingsLines replaced(SettingsLines lines, const std::string& start, const std::string& by) {
    lines[findLine(lines, start)] = by;
    return lines;
}

// The lines without `count` lines from the one starting with `start`.
inline SettingsLines removed(SettingsLines lines, const std::string& start, std::size_t count = 1) {
    const auto at = lines.begin() + static_cast<std::ptrdiff_t>(findLine(lines, start));
    lines.erase(at, at + static_cast<std::ptrdiff_t>(count));
    return lines;
}
