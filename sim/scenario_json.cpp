#include "sim/scenario_json.h"

#include <algorithm>
#include <functional>
#include <set>
#include <string_view>
#include <vector>

namespace sim::scenario_json {

[[noreturn]] void fail(const std::string& where, const std::string& what) { throw ScenarioError(where + ": " + what); }

double number(const json& value, const std::string& where) {
    if (!value.is_number()) fail(where, "expected a number, got " + value.dump());
    return value.get<double>();
}

std::string text(const json& value, const std::string& where) {
    if (!value.is_string()) fail(where, "expected a string, got " + value.dump());
    return value.get<std::string>();
}

void checkKeys(const json& object, const std::string& where, std::initializer_list<const char*> allowed) {
    if (!object.is_object()) fail(where, "expected an object, got " + object.dump());
    for (const auto& item : object.items()) {
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* k) { return item.key() == k; }))
            fail(where, "unknown key \"" + item.key() + "\"");
    }
}

namespace {

// The parser keeps the last of two equal keys in one object without a word. A scenario that
// gives a key twice is refused with its place, as other mistakes are: which one was meant?
class RepeatedKeyCheck {
public:
    bool operator()(int /*depth*/, json::parse_event_t event, json& parsed) {
        using Event = json::parse_event_t;
        switch (event) {
            case Event::object_start: levels.push_back({false, 0, {}, {}}); break;
            case Event::array_start: levels.push_back({true, 0, {}, {}}); break;
            case Event::key: {
                Level& level = levels.back();
                level.key = parsed.get<std::string>();
                if (!level.keys.insert(level.key).second) fail(place(), "\"" + level.key + "\" is given twice");
                break;
            }
            case Event::object_end:
            case Event::array_end:
                levels.pop_back();
                elementDone();
                break;
            case Event::value: elementDone(); break;
        }
        return true;
    }

private:
    struct Level {
        bool array;
        std::size_t index = 0;  // an array's element being read
        std::string key;        // an object's member being read
        std::set<std::string> keys;
    };
    std::vector<Level> levels;

    void elementDone() {
        if (!levels.empty() && levels.back().array) ++levels.back().index;
    }

public:
    // "events[3].set": where the innermost object sits (`value`: where the value being read sits).
    std::string place(bool value = false) const {
        std::string where;
        for (std::size_t i = 0; i + (value ? 0 : 1) < levels.size(); ++i) {
            if (levels[i].array) where += "[" + std::to_string(levels[i].index) + "]";
            else where += (where.empty() ? "" : ".") + levels[i].key;
        }
        return where.empty() ? "scenario" : where;
    }
};

// A scenario saved as UTF-16 or UTF-32 reads as garbage to the JSON parser: named, with the cure.
void refuseWideText(const std::string& text) {
    const auto starts = [&](std::string_view bytes) { return text.compare(0, bytes.size(), bytes) == 0; };
    const char* encoding = nullptr;
    using namespace std::string_view_literals;
    if (starts("\xFF\xFE\0\0"sv) || (text.size() >= 4 && text[0] != 0 && text[1] == 0 && text[2] == 0 && text[3] == 0))
        encoding = "UTF-32 (little-endian)";
    else if (starts("\0\0\xFE\xFF"sv) || (text.size() >= 4 && text[0] == 0 && text[1] == 0 && text[2] == 0 && text[3] != 0))
        encoding = "UTF-32 (big-endian)";
    else if (starts("\xFF\xFE"sv) || (text.size() >= 2 && text[0] != 0 && text[1] == 0))
        encoding = "UTF-16 (little-endian)";
    else if (starts("\xFE\xFF"sv) || (text.size() >= 2 && text[0] == 0 && text[1] != 0))
        encoding = "UTF-16 (big-endian)";
    if (encoding != nullptr)
        fail("scenario", std::string("the file is ") + encoding + " text; a scenario is read as UTF-8: save it as UTF-8");
}

}  // namespace

json parseJson(const std::string& jsonText) {
    refuseWideText(jsonText);
    RepeatedKeyCheck repeatedKeys;
    try {
        return json::parse(jsonText, std::ref(repeatedKeys), true, /*ignore_comments=*/true);
    } catch (const json::parse_error& e) {
        throw ScenarioError(std::string("not valid JSON: ") + e.what());
    } catch (const json::exception& e) {
        // A number past a double's range ("frames": 1e400): the parser stops on it, where the
        // check of repeated keys has just been told which member or element it is.
        const std::string what = e.what();
        const auto quote = what.find('\'');
        fail(repeatedKeys.place(true), quote == std::string::npos
                                           ? what
                                           : "the number " + what.substr(quote) + " is past the range of a number (a double)");
    }
}

}  // namespace sim::scenario_json
