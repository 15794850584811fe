#include "doctor/settings/settings_fix.h"

#include <algorithm>
#include <optional>

#include "doctor/settings/name_check.h"
#include "doctor/settings/name_spelling.h"
#include "platform/profile_text.h"

namespace {

using profile_text::detectEncoding;
using profile_text::Encoding;
using profile_text::splitLines;
using profile_text::TextLine;

struct EditLine {
    std::string text;
    std::string ending;
};

std::vector<EditLine> editLines(std::string_view text) {
    std::vector<EditLine> lines;
    for (const TextLine& line : splitLines(text))
        lines.push_back(EditLine{std::string(text.substr(line.start, line.length)), std::string(line.ending)});
    return lines;
}

std::string joined(const std::vector<EditLine>& lines) {
    std::string text;
    for (const EditLine& line : lines) text += line.text + line.ending;
    return text;
}

// The file's own line ending, CR LF when it has none yet.
std::string lineEnding(const std::vector<EditLine>& lines) {
    for (const EditLine& line : lines)
        if (!line.ending.empty()) return line.ending;
    return "\r\n";
}

// Index of the first header of `section` (the one the profile functions search), in the
// lines as they now are.
std::optional<std::size_t> headerIndex(const std::vector<NameLine>& names, const std::string& section) {
    for (const NameLine& name : names)
        if (name.isSection && sameName(name.section, section)) return name.line - 1;
    return std::nullopt;
}


// One past the last line of the section whose header is at `header` that is not blank.
std::size_t sectionEnd(const std::vector<NameLine>& names, const std::vector<EditLine>& lines, std::size_t header) {
    std::size_t next = lines.size();
    for (const NameLine& name : names) {
        if (name.isSection && name.line - 1 > header) {
            next = name.line - 1;
            break;
        }
    }
    auto blank = [](const std::string& text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
    };
    while (next > header + 1 && blank(lines[next - 1].text)) --next;
    return next;
}

// The lines of a suggestion ("[WeatherType_Rain]\nAccuracy_Rain=35") joined by `separator`.
std::string linesAsText(const std::string& lines, const std::string& separator) {
    std::string text;
    for (char c : lines) {
        if (c == '\n') text += separator;
        else text += c;
    }
    return text;
}

}  // namespace

FixedFile fixSettings(std::string_view original, const SettingsCheck& check) {
    FixedFile fixed;
    const Encoding encoding = detectEncoding(original);
    if (encoding == Encoding::Utf16LittleEndian || encoding == Encoding::Utf16BigEndian ||
        encoding == Encoding::Utf16WithoutMark) {
        fixed.refusal = "the file is UTF-16, and --fix never changes a file's encoding: save it as ANSI or as UTF-8 "
                        "without a byte-order mark first";
        return fixed;
    }
    const std::vector<Warning>& warnings = allWarnings(check);
    std::string_view mark;
    std::string_view text = original;
    if (encoding == Encoding::Utf8WithMark) {
        mark = original.substr(0, 3);
        text.remove_prefix(3);
    }
    std::vector<EditLine> lines = editLines(text);
    const std::string ending = lineEnding(lines);

    std::vector<bool> replaced(lines.size(), false);
    std::vector<bool> moved(lines.size(), false);
    for (const Warning& warning : warnings) {
        switch (fixOf(warning)) {
            case Fix::MoveLine: {
                const std::size_t at = warning.line - 1;
                if (at >= lines.size() || replaced[at]) break;
                replaced[at] = moved[at] = true;
                break;
            }
            case Fix::ReplaceLine: {
                const std::size_t at = warning.line - 1;
                if (at >= lines.size() || replaced[at]) break;
                fixed.changes.push_back("line " + std::to_string(warning.line) + ": " + lines[at].text + "  ->  " +
                                        linesAsText(warning.writeInstead, "  and  "));
                // Lines written as one become lines of their own, with the file's ending.
                lines[at].text = linesAsText(warning.writeInstead, ending);
                replaced[at] = true;
                fixed.applied.push_back(warning);
                break;
            }
            case Fix::RemoveByteOrderMark:
                if (!mark.empty()) fixed.changes.push_back("line 1: removed the UTF-8 byte-order mark");
                mark = {};
                break;
            case Fix::AddLine:
            case Fix::None: break;
        }
    }
    for (std::size_t at = lines.size(); at-- > 0;) {
        if (!moved[at]) continue;
        // The line before keeps its ending when the last line goes.
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
    }
    lines = editLines(joined(lines));

    // Missing keys, in the file as the replacements left it: a renamed section or key may
    // have brought them back.
    for (const Warning& warning : warnings) {
        const Fix fix = fixOf(warning);
        if (fix != Fix::AddLine && fix != Fix::MoveLine) continue;
        const std::string& section = fix == Fix::MoveLine ? warning.moveTo : warning.section;
        const std::string key = warning.writeInstead.substr(0, warning.writeInstead.find('='));
        const std::vector<NameLine> names = scanNames(joined(lines));
        if (lineOf(names, section, key) != 0) continue;
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = ending;
        const std::string what = fix == Fix::MoveLine ? "line " + std::to_string(warning.line) + ": moved " +
                                                            warning.writeInstead + " from [" + warning.section +
                                                            "] to [" + section + "]"
                                                      : "";
        if (const auto header = headerIndex(names, section)) {
            const std::size_t at = sectionEnd(names, lines, *header);
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), EditLine{warning.writeInstead, ending});
            fixed.changes.push_back(what.empty() ? "added to [" + section + "]: " + warning.writeInstead : what);
        } else {
            lines.push_back(EditLine{"[" + section + "]", ending});
            lines.push_back(EditLine{warning.writeInstead, ending});
            fixed.changes.push_back(what.empty() ? "added at the end: [" + section + "] with " + warning.writeInstead
                                                 : what);
        }
        fixed.applied.push_back(warning);
    }
    fixed.bytes = std::string(mark) + joined(lines);
    return fixed;
}
