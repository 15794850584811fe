#include "doctor/readers/launch_options.h"

#include <cstddef>
#include <vector>

#include "doctor/readers/wine_load_order.h"

namespace {

constexpr std::string_view kCommand = "%command%";
constexpr std::string_view kOverrides = "WINEDLLOVERRIDES";

struct Word {
    std::size_t start = 0;  // where its text starts and ends in the options
    std::size_t end = 0;
    std::string text;  // as the shell hands it on: quotes and escapes taken off
};

using Command = std::vector<Word>;

struct Reading {
    std::vector<Command> commands;
    std::string refusal;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool endsCommand(char c) { return c == '\n' || c == ';' || c == '&' || c == '|' || c == '(' || c == ')'; }
bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

class ShellReader {
public:
    explicit ShellReader(std::string_view text) : options(text) {}

    Reading read() {
        while (at < options.size()) {
            const char c = options[at];
            if (isBlank(c) || c == '<' || c == '>') {
                endWord();
                ++at;
            } else if (endsCommand(c)) {
                endWord();
                endCommand();
                ++at;
            } else if (c == '#' && !inWord) {
                while (at < options.size() && options[at] != '\n') ++at;
            } else if (!wordPart()) {
                out.commands.clear();
                return std::move(out);
            }
        }
        endWord();
        endCommand();
        return std::move(out);
    }

private:
    // One piece of a word at `at`: a quoted text, an escaped character or a plain one.
    bool wordPart() {
        if (!inWord) {
            inWord = true;
            word = Word{};
            word.start = at;
        }
        const char c = options[at++];
        if (c == '\\') {
            if (at == options.size()) {
                word.text += c;
            } else if (options[at] == '\n') {
                ++at;  // a line continued
            } else {
                word.text += options[at++];
            }
        } else if (c == '\'') {
            const std::size_t close = options.find('\'', at);
            if (close == std::string_view::npos) return refuse("a single quote that is never closed");
            word.text.append(options.substr(at, close - at));
            at = close + 1;
        } else if (c == '"') {
            for (;;) {
                if (at == options.size()) return refuse("a double quote that is never closed");
                const char inside = options[at++];
                if (inside == '"') break;
                if (inside == '\\' && at < options.size()) {
                    const char next = options[at];
                    if (next == '\n') {
                        ++at;
                        continue;
                    }
                    if (next == '"' || next == '\\' || next == '$' || next == '`') {
                        word.text += next;
                        ++at;
                        continue;
                    }
                }
                word.text += inside;
            }
        } else {
            word.text += c;
        }
        return true;
    }

    bool refuse(const char* why) {
        out.refusal = why;
        return false;
    }

    void endWord() {
        if (!inWord) return;
        word.end = at;
        command.push_back(std::move(word));
        inWord = false;
    }

    void endCommand() {
        if (!command.empty()) out.commands.push_back(std::move(command));
        command.clear();
    }

    std::string_view options;
    std::size_t at = 0;
    Reading out;
    Command command;
    Word word;
    bool inWord = false;
};

// Where "%command%" is: its command and its word.
struct Place {
    std::size_t command = 0;
    std::size_t word = 0;
};

std::optional<Place> findGame(const Reading& reading) {
    for (std::size_t c = 0; c < reading.commands.size(); ++c) {
        for (std::size_t w = 0; w < reading.commands[c].size(); ++w) {
            if (reading.commands[c][w].text.find(kCommand) != std::string::npos) return Place{c, w};
        }
    }
    return std::nullopt;
}

// Whether the word, as written, is NAME=value for this name.
bool assigns(std::string_view options, const Word& word, std::string_view name) {
    const std::string_view raw = options.substr(word.start, word.end - word.start);
    return raw.size() > name.size() && raw.compare(0, name.size(), name) == 0 && raw[name.size()] == '=';
}

// The word whose assignment of `name` reaches the game, when one does.
std::optional<Place> findAssignment(std::string_view options, const Reading& reading, std::string_view name) {
    if (name.empty() || !isNameStart(name.front())) return std::nullopt;
    for (const char c : name) {
        if (!isNameChar(c)) return std::nullopt;
    }
    const std::optional<Place> game = findGame(reading);
    if (!game) return std::nullopt;
    std::optional<Place> found;
    for (std::size_t c = 0; c < game->command; ++c) {
        const Command& command = reading.commands[c];
        if (command.front().text != "export") continue;
        for (std::size_t w = 1; w < command.size(); ++w) {
            if (assigns(options, command[w], name)) found = Place{c, w};
        }
    }
    const Command& command = reading.commands[game->command];
    for (std::size_t w = 0; w < game->word; ++w) {
        if (assigns(options, command[w], name)) found = Place{game->command, w};
    }
    return found;
}

const Word& wordAt(const Reading& reading, Place place) { return reading.commands[place.command][place.word]; }

std::string valueOf(const Word& word, std::string_view name) { return word.text.substr(name.size() + 1); }

// The list without what it said for `dll`, and with `entry` at its end.
std::string listWith(std::string_view list, std::string_view dll, const std::string& entry) {
    std::string out;
    const auto add = [&out](std::string_view piece) {
        if (piece.empty()) return;
        if (!out.empty()) out += ';';
        out += piece;
    };
    for (const std::string_view item : splitAt(list, ';')) {
        if (!modeInOverrideList(item, dll)) {
            add(item);
            continue;
        }
        const std::size_t equals = item.find('=');
        std::string names;
        for (const std::string_view name : splitAt(item.substr(0, equals), ',')) {
            std::string_view bare = name;
            while (!bare.empty() && (bare.front() == ' ' || bare.front() == '\t' || bare.front() == '*'))
                bare.remove_prefix(1);
            if (overrideDllName(bare) != dll) {
                if (!names.empty()) names += ',';
                names += name;
            }
        }
        if (!names.empty()) add(names + std::string(item.substr(equals)));
    }
    add(entry);
    return out;
}

// The text in double quotes, as the shell takes it back.
std::string doubleQuoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\' || c == '$' || c == '`') out += '\\';
        out += c;
    }
    return out + '"';
}

// The line that loads `dll` first, into `out`, from options that read.
void loadNativeFirst(std::string_view options, const Reading& reading, std::string_view dll, LaunchOptionsLine& out) {
    const std::string name = overrideDllName(dll);
    if (name.empty()) {
        out.refusal = "no DLL named";
        return;
    }
    const std::string entry = name + "=n,b";
    const std::string fresh = std::string(kOverrides) + "=\"" + entry + "\"";

    const std::optional<Place> game = findGame(reading);
    if (!game) {
        std::string_view arguments = options;
        const auto space = [](char c) { return isBlank(c) || c == '\n'; };
        while (!arguments.empty() && space(arguments.front())) arguments.remove_prefix(1);
        while (!arguments.empty() && space(arguments.back())) arguments.remove_suffix(1);
        out.options = fresh + " " + std::string(kCommand);
        if (!arguments.empty()) out.options += " " + std::string(arguments);
        return;
    }

    const std::optional<Place> assignment = findAssignment(options, reading, kOverrides);
    if (!assignment) {
        const std::size_t start = reading.commands[game->command].front().start;
        out.options = std::string(options.substr(0, start)) + fresh + " " + std::string(options.substr(start));
        return;
    }
    const Word& word = wordAt(reading, *assignment);
    const std::string list = valueOf(word, kOverrides);
    if (overrideLoadsNativeFirst(modeInOverrideList(list, name))) {
        out.options = std::string(options);
        return;
    }
    const std::string_view raw = options.substr(word.start, word.end - word.start);
    const std::string before(options.substr(0, word.start));
    const std::string after(options.substr(word.end));
    if (raw.find_first_of("$`") == std::string_view::npos) {
        out.options = before + std::string(kOverrides) + "=" + doubleQuoted(listWith(list, name, entry)) + after;
        return;
    }
    // A value the shell expands: what it holds stays as written, and the entry joins it, inside
    // its closing quote when it ends in one.
    const std::string joined = list + ";" + entry;
    if (raw.back() == '"') {
        std::string inside(raw);
        inside.insert(inside.size() - 1, ";" + entry);
        const std::string line = before + inside + after;
        if (launchOptionsVariable(line, kOverrides).value == joined) {
            out.options = line;
            return;
        }
    }
    out.options = before + std::string(raw) + "\";" + entry + "\"" + after;
}

// Reads the options as the shell does and hands `use` the reading and the result to fill;
// options that don't read leave the result holding only why.
template <typename Result, typename Use>
Result fromReading(std::string_view options, Use use) {
    Result out;
    const Reading reading = ShellReader(options).read();
    if (reading.refusal.empty()) {
        use(reading, out);
    } else {
        out.refusal = reading.refusal;
    }
    return out;
}

}  // namespace

LaunchOptionsVariable launchOptionsVariable(std::string_view options, std::string_view name) {
    return fromReading<LaunchOptionsVariable>(options, [&](const Reading& reading, LaunchOptionsVariable& out) {
        if (const std::optional<Place> place = findAssignment(options, reading, name))
            out.value = valueOf(wordAt(reading, *place), name);
    });
}

LaunchOptionsLine launchOptionsLoadingNativeFirst(std::string_view options, std::string_view dll) {
    return fromReading<LaunchOptionsLine>(options, [&](const Reading& reading, LaunchOptionsLine& out) {
        loadNativeFirst(options, reading, dll, out);
    });
}
