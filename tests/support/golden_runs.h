#pragma once
// Every run of the doctor in a test, held against the golden file of that test: what it said
// (text and exit status) and the text files of its folder afterwards, in the order the test
// ran it. A change of structure must leave these bytes as they are; a change of behaviour
// writes them anew on purpose:
//
//   VELTRANE_GOLDEN=update ctest ...     (then look at `git diff tests/golden`)
//
// The golden files are tests/golden/<native|windows>/<Suite.Test>.txt. Paths that differ from
// run to run (the test's folder, the temporary folder, the checkout) and the program's version
// are written as <dir>, <tmp>, <source> and <version>. A test without a golden file yet gets one written.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/flat_text.h"
#include "tests/support/whole_file.h"

namespace golden {

inline std::string replaceAll(std::string text, const std::string& what, const std::string& by) {
    if (what.empty()) return text;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += by.size()) text.replace(at, what.size(), by);
    return text;
}

// `path` written every way the doctor may write it: as given, with the other separator, and
// without a trailing one.
inline std::string normalised(std::string text, std::filesystem::path path, const std::string& by) {
    std::string spelt = path.u8string();
    while (spelt.size() > 1 && (spelt.back() == '/' || spelt.back() == '\\')) spelt.pop_back();
    std::string back = spelt, forward = spelt;
    for (char& c : back) c = c == '/' ? '\\' : c;
    for (char& c : forward) c = c == '\\' ? '/' : c;
    text = replaceAll(text, back, by);
    return replaceAll(text, forward, by);
}

// What runs beside the test is not the test's: a finding on the running programs is one line.
inline std::string runningAsOneLine(const std::string& text) {
    std::istringstream lines(text);
    std::string out;
    bool inRunning = false;
    for (std::string line; std::getline(lines, line);) {
        if (inRunning && line.rfind("     ", 0) == 0) continue;
        inRunning = line.size() > 5 && line.compare(5, 9, "Running: ") == 0;
        out += (inRunning ? "<running programs>" : line) + "\n";
    }
    return out;
}

inline std::string hideChanging(std::string text, const std::filesystem::path& dir) {
    text = runningAsOneLine(text);
    // A file's date, as the log checks give it, is the day the test made the file.
    text = std::regex_replace(text, std::regex("\\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d\\)"), "(<date>)");
    // A test under Wine may name a file by its Unix path, through the prefix.
    if (const char* prefix = std::getenv("WINEPREFIX")) text = replaceAll(text, prefix, "<wineprefix>");
    if (!dir.empty()) text = normalised(text, dir, "<dir>");
    // The checkout may itself lie in the temporary folder (a CI clone): it goes first.
    text = normalised(text, std::filesystem::u8path(VELTRANE_TEST_SOURCE_DIR), "<source>");
    text = normalised(text, std::filesystem::temp_directory_path(), "<tmp>");
    // The sanitized tree runs the same tests from a build folder of its own name.
    text = replaceAll(text, "<source>/build/native-asan/", "<source>/build/native/");
    text = replaceAll(text, VELTRANE_TEST_VERSION, "<version>");
    return text;
}

// The text files below `dir` whole, in name order; other files by name only (they are copies
// of the build's binaries).
inline std::string folderText(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = std::filesystem::relative(it->path(), dir).generic_u8string();
        // Wine, asked to write a file whose name is longer than a path may be, makes one of a
        // name read from stack memory (U+FFFF letters); which, depends on the program's stack.
        if (name.find("\xEF\xBF\xBF") != std::string::npos) continue;
        if (!it->is_regular_file()) {
            files[name] = "(folder)";
            continue;
        }
        const std::string bytes = readFile(it->path());
        const bool binary = bytes.find('\0') != std::string::npos || bytes.size() > 65536;
        files[name] = binary ? "(binary)" : bytes;
    }
    std::string text;
    for (const auto& [name, bytes] : files) text += "--- file " + name + "\n" + bytes + "\n";
    return text;
}

// A run's words and its files. What was said is held line for line, unless it names a folder
// whose path is as long as wherever the test ran (the checkout, the test's folder, the
// temporary folder): the doctor wraps its lines by their length, so that text is held word for
// word. The files are held byte for byte.
// Whether anything runs beside the test at all is not the test's either: that line is left out.
inline bool sameRun(const std::string& actualRun, const std::string& expectedRun) {
    const std::string actual = replaceAll(actualRun, "<running programs>\n", "");
    const std::string expected = replaceAll(expectedRun, "<running programs>\n", "");
    const auto cut = [](const std::string& run) {
        const std::size_t files = run.find("\n--- file ", run.find("\n--- err\n"));
        return files == std::string::npos ? std::make_pair(run, std::string())
                                          : std::make_pair(run.substr(0, files), run.substr(files));
    };
    const auto [said, files] = cut(actual);
    const auto [wanted, wantedFiles] = cut(expected);
    if (files != wantedFiles) return false;
    if (said == wanted) return true;
    for (const char* place : {"<dir>", "<tmp>", "<source>", "<wineprefix>"}) {
        if (said.find(place) != std::string::npos) return flat(said) == flat(wanted);
    }
    return false;
}

struct Book {
    std::string test;
    std::vector<std::string> runs;
};

inline Book& book() {
    static Book current;
    return current;
}

inline std::string testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "outside-a-test";
}

inline std::filesystem::path goldenFile(const std::string& test) {
    std::string name = test;
    for (char& c : name) c = (c == '/' || c == '\\') ? '_' : c;
    return std::filesystem::u8path(VELTRANE_GOLDEN_DIR) / (name + ".txt");
}

inline const char* kSeparator = "\n=== next run ===\n";

inline std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> runs;
    const std::string separator = kSeparator;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
        runs.push_back(text.substr(from, at - from));
    if (!text.empty()) runs.push_back(text.substr(from));
    return runs;
}

inline bool updating() {
    const char* mode = std::getenv("VELTRANE_GOLDEN");
    return mode && std::string(mode) == "update";
}

// Writes or checks the whole test's runs once the test is over.
class Keeper : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override {
        Book& current = book();
        if (current.runs.empty() || !info.result()->Passed()) {
            current = Book{};
            return;
        }
        const std::filesystem::path file = goldenFile(current.test);
        std::string whole;
        for (std::size_t i = 0; i < current.runs.size(); ++i) whole += (i ? kSeparator : "") + current.runs[i];
        if (updating() || !std::filesystem::exists(file)) {
            std::filesystem::create_directories(file.parent_path());
            writeFile(file, whole);
        } else if (split(readFile(file)).size() != current.runs.size()) {
            std::fprintf(stderr, "golden: %s ran the doctor %zu times, its golden file %zu times\n", current.test.c_str(),
                         current.runs.size(), split(readFile(file)).size());
            failures()++;
        }
        current = Book{};
    }

public:
    static int& failures() {
        static int count = 0;
        return count;
    }
};

// A test that ran the doctor as often as before but said something else fails at once; one
// that ran it another number of times fails the whole run here.
class CountCheck : public ::testing::Environment {
    void TearDown() override { EXPECT_EQ(Keeper::failures(), 0) << "tests ran the doctor another number of times"; }
};

inline const bool kRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Keeper);
    ::testing::AddGlobalTestEnvironment(new CountCheck);
    return true;
}();

}  // namespace golden

// One run of the doctor: its arguments, typed answers, exit status, output, and the text files
// of `dir` afterwards (the folder the run may change).
inline void recordDoctorRun(const std::vector<std::string>& args, const char* answers, int status, const std::string& out,
                            const std::string& err, const std::filesystem::path& dir) {
    (void)golden::kRegistered;
    std::ostringstream run;
    run << "args:";
    for (const std::string& arg : args) run << " [" << arg << "]";
    run << "\nanswers: " << (answers ? "[" + std::string(answers) + "]" : std::string("(prompt)")) << "\nstatus: " << status;
    run << "\n--- out\n" << out << "\n--- err\n" << err << "\n";
    run << golden::folderText(dir);
    const std::string text = golden::hideChanging(run.str(), dir);

    golden::Book& current = golden::book();
    const std::string test = golden::testName();
    if (current.test != test) current = golden::Book{test, {}};
    current.runs.push_back(text);
    if (golden::updating()) return;
    const std::filesystem::path file = golden::goldenFile(test);
    if (!std::filesystem::exists(file)) return;
    const std::vector<std::string> runs = golden::split(readFile(file));
    const std::size_t n = current.runs.size() - 1;
    if (n < runs.size() && !golden::sameRun(text, runs[n])) {
        EXPECT_EQ(text, runs[n]) << "run " << n + 1 << " of this test differs from " << file.u8string();
    }
}
