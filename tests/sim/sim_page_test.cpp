// The page's chart as a reader meets it: the frame axis from the first frame to the last with
// room for every label, a scale for the native calls that reaches up the lane, and scenario
// events in rows by kind, those too close to stand apart folded into one mark with their count;
// and what the page says in words: the scenario's notes, and the plugin's reach frame by frame.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "sim/html_report.h"
#include "tests/sim/run_records.h"

namespace {

using run_records::rainRun;

// Each match of `pattern` in `text`, its groups as numbers.
std::vector<std::vector<double>> numbers(const std::string& text, const std::string& pattern) {
    std::vector<std::vector<double>> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
        std::vector<double> groups;
        for (std::size_t g = 1; g < it->size(); ++g) groups.push_back(std::stod((*it)[g].str()));
        found.push_back(groups);
    }
    return found;
}

TEST(PageAxis, LabelsTheFirstAndLastFrameWithRoomForEachLabel) {
    for (const std::size_t frames : {1, 2, 12, 13, 119, 120, 121, 999, 1000, 1001, 1005, 4999, 5000, 100000}) {
        const std::string page = sim::renderHtml(rainRun(frames));
        const std::size_t start = page.find("<g class=\"axis\">");
        const std::string axis = page.substr(start, page.find("</g>", start) - start);
        // Each tick has a label above and one below; the ones above, in order.
        const auto all = numbers(axis, "<text x=\"([0-9.]+)\" y=\"([0-9.]+)\">([0-9]+)</text>");
        std::vector<std::vector<double>> labels;
        for (std::size_t i = 0; i < all.size(); i += 2) labels.push_back(all[i]);
        ASSERT_FALSE(labels.empty()) << frames;
        EXPECT_EQ(labels.front()[2], 0) << frames;
        EXPECT_EQ(labels.back()[2], static_cast<double>(frames - 1)) << frames;
        EXPECT_LE(labels.size(), 14u) << frames;
        for (std::size_t i = 1; i < labels.size(); ++i) {
            // Six digits of 11 px need about 40 units.
            EXPECT_GE(labels[i][0] - labels[i - 1][0], 40)
                << frames << " frames: labels " << labels[i - 1][2] << " and " << labels[i][2];
        }
    }
}

TEST(PageCallsScale, StepsEvenlyFromZeroAndReachesHalfTheTallestBar) {
    for (const std::uint32_t most : {0u, 1u, 3u, 4u, 7u, 10u, 1248u, 3001u, 99999u, 4294967295u}) {
        const std::string page = sim::renderHtml(rainRun(50, most));
        const auto lines = numbers(page, "class=\"grid calls-grid\" data-value=\"([0-9]+)\"[^>]* y1=\"([0-9.]+)\"");
        ASSERT_FALSE(lines.empty()) << most;
        EXPECT_EQ(lines.front()[0], 0) << most;
        EXPECT_LE(lines.size(), 4u) << most;
        EXPECT_GE(lines.back()[0], most / 2.0) << most;
        EXPECT_LE(lines.back()[0], most) << most;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i][0] - lines[i - 1][0], lines[1][0]) << most;
            // Equal steps of value are equal steps up the lane.
            EXPECT_NEAR(lines[i - 1][1] - lines[i][1], lines[0][1] - lines[1][1], 0.21) << most;
        }
    }
}

TEST(PageEventMarks, FoldEventsOfAKindTooCloseToStandApart) {
    using K = sim::EventKind;
    struct Event {
        std::uint32_t frame;
        K kind;
    };
    struct Mark {
        std::string kind;
        double count, first, last;
        bool operator==(const Mark& o) const {
            return kind == o.kind && count == o.count && first == o.first && last == o.last;
        }
    };
    struct Case {
        const char* name;
        std::size_t frames;
        std::vector<Event> events;
        std::vector<Mark> marks;  // row by row, in the order of the rows
    };
    const std::vector<Case> cases = {
        {"far apart, each its own mark", 120, {{0, K::Weather}, {20, K::Weather}, {45, K::Weather}},
         {{"weather", 1, 0, 0}, {"weather", 1, 20, 20}, {"weather", 1, 45, 45}}},
        {"one frame", 120, {{28, K::SetKey}, {28, K::DeleteKey}, {28, K::WriteFile}}, {{"file", 3, 28, 28}}},
        {"frames next to each other", 120, {{5, K::Keystroke}, {6, K::Keystroke}, {7, K::Keystroke}, {80, K::Keystroke}},
         {{"keys", 3, 5, 7}, {"keys", 1, 80, 80}}},
        {"kinds never fold together", 120, {{90, K::Weather}, {90, K::SetKey}, {90, K::Spawn}},
         {{"weather", 1, 90, 90}, {"peds", 1, 90, 90}, {"file", 1, 90, 90}}},
        {"a kind's row holds all its events", 120,
         {{1, K::Spawn}, {60, K::Despawn}, {2, K::Unload}, {3, K::Load}, {4, K::Fault}, {70, K::ResetDamage},
          {9, K::DeleteFile}, {9, K::MakeDirectory}},
         {{"peds", 1, 1, 1}, {"peds", 1, 60, 60}, {"file", 2, 9, 9}, {"plugins", 2, 2, 3}, {"faults", 1, 4, 4},
          {"faults", 1, 70, 70}}},
        {"a long run: a frame a tenth of a unit wide", 10000,
         {{0, K::SetKey}, {5, K::SetKey}, {100, K::SetKey}, {400, K::SetKey}},
         {{"file", 3, 0, 100}, {"file", 1, 400, 400}}},
    };
    for (const Case& c : cases) {
        sim::RunRecord record = rainRun(c.frames);
        for (const Event& e : c.events) record.frames[e.frame].events.push_back({"event", "", e.kind});
        const std::string page = sim::renderHtml(record);
        std::vector<Mark> marks;
        const std::regex re("<g class=\"marker ([a-z]+)\" data-kind=\"[a-z]+\" data-index=\"[0-9]+\" data-count=\"([0-9]+)\" "
                            "data-frame=\"([0-9]+)\" data-last=\"([0-9]+)\"");
        for (auto it = std::sregex_iterator(page.begin(), page.end(), re); it != std::sregex_iterator(); ++it) {
            marks.push_back(
                {(*it)[1].str(), std::stod((*it)[2].str()), std::stod((*it)[3].str()), std::stod((*it)[4].str())});
        }
        EXPECT_EQ(marks.size(), c.marks.size()) << c.name;
        for (std::size_t i = 0; i < marks.size() && i < c.marks.size(); ++i) {
            EXPECT_TRUE(marks[i] == c.marks[i]) << c.name << ": mark " << i << " is " << marks[i].kind << " x"
                                                << marks[i].count << " over " << marks[i].first << "-" << marks[i].last;
        }
    }
}

TEST(PageWords, SayWhatTheRunShowed) {
    const run_records::SaysCase cases[] = {
        {"peds coming into reach within the run",
         [](sim::RunRecord& r) {
             run_records::pedsComeIntoReachInFrame2(r);
             r.finalPeds.assign(100, sim::Ped{0, 70, 0.5f, false, false, true});
         },
         {"beyond its reach in 2 of the 4 frame(s)", "100 of 100 peds not exempt in frames 0-1, 0 of 100 peds not exempt in frames 2-3",
          "100 of 100 peds not exempt beyond the plugin's reach; the 100 beyond it in frame 1 untouched so far\n"},
         {"never touch"}},
        {"peds beyond reach at the end, some never written",
         run_records::pedsLeaveReachInFrame3,
         {"Peds not exempt at the end: within the plugin's reach (the first 1024 listed): accuracy 70 (1024); "
          "damage modifier 0.5 (1024). Peds not exempt beyond it: accuracy 50 (6); damage modifier 1 (6) (4 never touched).",
          "of the 6 beyond it in frame 3, 4 untouched so far"},
         {}},
        {"the scenario's notes, near the top",
         [](sim::RunRecord& r) {
             r.notes = {"events[1].key: the plugin reads no key \"Acuracy_Rain\"", "events[4].weather: a second weather"};
         },
         {"<ul id=\"notes\">\n<li>note: events[1].key: the plugin reads no key &quot;Acuracy_Rain&quot;</li>\n"
          "<li>note: events[4].weather: a second weather</li>\n</ul>\n<p class=\"facts\">"},
         {}},
    };
    for (const auto& c : cases) run_records::expectSays(c, [](const sim::RunRecord& run) { return sim::renderHtml(run); });
}

}  // namespace
