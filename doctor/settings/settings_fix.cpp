#include "doctor/settings/settings_fix.h"

#include <algorithm>

#include "doctor/settings/name_check.h"
#include "doctor/settings/name_spelling.h"
#include "platform/profile_text.h"

namespace {

using profile_text::Encoding;
using profile_text::Reader;
using profile_text::splitLines;
using profile_text::TextLine;

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// A line of the file as --fix has it so far.
struct WorkLine {
    std::string text;
    std::string ending;
    std::size_t at = 0;          // where in the original a line added before this one goes
    std::size_t change = kNone;  // the change that wrote it; none for a line of the original
};

// The lines of a suggestion ("[WeatherType_Rain]\nAccuracy_Rain=35") joined by `separator`.
std::string linesAsText(std::string lines, const std::string& separator) {
    for (std::size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + separator.size()))
        lines.replace(at, 1, separator);
    return lines;
}

bool spaceAt(std::string_view text, std::size_t at) {
    return profile_text::isBlank(text[at]) || text[at] == '\r' || text[at] == '\n';
}

// The line `raw` with only its value made the value of `wanted` ("Accuracy_Rain=35 ; rain"):
// the key as written and the blanks around the value stay. `wanted` itself where it names
// another key or is more than one line.
std::string withValueOf(std::string_view raw, const std::string& wanted) {
    const std::size_t equals = raw.find('='), wantedEquals = wanted.find('=');
    if (equals == raw.npos || wantedEquals == wanted.npos || wanted.find('\n') != wanted.npos ||
        !profile_text::sameName(profile_text::trim(raw.substr(0, equals)), wanted.substr(0, wantedEquals)))
        return wanted;
    std::size_t from = equals + 1, to = raw.size();
    while (from < to && spaceAt(raw, from)) ++from;
    while (to > from && spaceAt(raw, to - 1)) --to;
    return std::string(raw.substr(0, from)) + wanted.substr(wantedEquals + 1) + std::string(raw.substr(to));
}

class Fixer {
public:
    Fixer(std::string_view original_, FixedFile& fixed_) : original(original_), fixed(fixed_) {
        if (profile_text::detectEncoding(original) == Encoding::Utf8WithMark) markSize = markKept = 3;
        ending = profile_text::lineEndingOf(original.substr(markSize));
    }

    // Lines replaced and moved lines removed, each in the file as it was; and the mark.
    void changeLines(const std::vector<Warning>& warnings) {
        const std::string_view text = original.substr(markSize);
        const std::vector<TextLine> lines = splitLines(text);
        std::vector<std::size_t> changeOf(lines.size(), kNone);
        std::vector<std::string> replaced(lines.size());
        for (const Warning& warning : warnings) {
            const Fix fix = fixOf(warning);
            if (fix == Fix::RemoveByteOrderMark && markKept > 0) {
                record(0, markKept, {}, warning);
                markKept = 0;
            }
            const std::size_t i = warning.line - 1;
            const bool ofALine = fix == Fix::ReplaceLine || fix == Fix::MoveLine;
            if (!ofALine || i >= lines.size() || changeOf[i] != kNone) continue;
            const std::size_t from = markSize + lines[i].start;
            const std::string_view raw = text.substr(lines[i].start, lines[i].length);
            if (fix == Fix::MoveLine) {  // with its ending
                changeOf[i] = record(from, from + raw.size() + lines[i].ending.size(), {}, warning);
                continue;
            }
            // A replaced line keeps its ending, and of its bytes all that stay the same.
            replaced[i] = linesAsText(withValueOf(raw, warning.writeInstead), ending);
            std::size_t same = 0, sameEnd = 0;
            const std::string& now = replaced[i];
            while (same < raw.size() && same < now.size() && raw[same] == now[same]) ++same;
            const std::size_t shorter = std::min(raw.size(), now.size());
            while (same + sameEnd < shorter && raw[raw.size() - 1 - sameEnd] == now[now.size() - 1 - sameEnd])
                ++sameEnd;
            const std::size_t to = from + raw.size() - sameEnd;
            changeOf[i] = record(from + same, to, now.substr(same, now.size() - same - sameEnd), warning);
            fixed.applied.push_back(warning);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::size_t change = changeOf[i];
            if (change != kNone && fixed.changes[change].fix == Fix::MoveLine) continue;
            // Lines written as one become lines of their own, each with the file's ending but the last.
            const std::string now = (change == kNone ? std::string(text.substr(lines[i].start, lines[i].length))
                                                     : replaced[i]) + std::string(lines[i].ending);
            for (const TextLine& piece : splitLines(now))
                work.push_back({now.substr(piece.start, piece.length), std::string(piece.ending),
                                markSize + lines[i].start, change});
        }
    }

    // Missing keys and moved lines added, in the file as the changes so far left it: a renamed
    // section or key may have brought them back.
    void addLines(const std::vector<Warning>& warnings) {
        for (const Warning& warning : warnings) {
            const Fix fix = fixOf(warning);
            if (fix != Fix::AddLine && fix != Fix::MoveLine) continue;
            const std::string& section = fix == Fix::MoveLine ? warning.moveTo : warning.section;
            const std::string key = warning.writeInstead.substr(0, warning.writeInstead.find('='));
            const std::string now = joined();
            if (lineOf(scanNames(now), section, key) != 0) continue;
            const auto lines = profile_text::readLines(profile_text::decodedText(now), Reader::Windows);
            if (const auto header = profile_text::findSection(lines, section))
                insert(profile_text::addedKeyAt(lines, *header), {warning.writeInstead}, warning);
            else
                insert(work.size(), {"[" + section + "]", warning.writeInstead}, warning);
            fixed.applied.push_back(warning);
        }
    }

    std::string bytes() {
        for (std::size_t i = work.size(); i-- > 0;)
            if (work[i].change != kNone) fixed.changes[work[i].change].order = i;
        return std::string(original.substr(0, markKept)) + joined();
    }

private:
    std::size_t record(std::size_t from, std::size_t to, std::string bytes, const Warning& warning) {
        fixed.changes.push_back(FixChange{from, to, std::move(bytes), fixOf(warning), warning, 0});
        return fixed.changes.size() - 1;
    }

    // `texts` as lines of their own before work line `i` (profile_text::addedKeyAt's rule).
    void insert(std::size_t i, const std::vector<std::string>& texts, const Warning& warning) {
        const std::size_t at = i < work.size() ? work[i].at : original.size();
        std::string bytes;
        if (i > 0 && work[i - 1].ending.empty()) bytes = work[i - 1].ending = ending;
        const std::size_t change = record(at, at, {}, warning);
        std::vector<WorkLine> added;
        for (const std::string& text : texts) {
            bytes += text + ending;
            added.push_back({text, ending, at, change});
        }
        fixed.changes[change].bytes = bytes;
        work.insert(work.begin() + static_cast<std::ptrdiff_t>(i), added.begin(), added.end());
    }

    std::string joined() const {
        std::string text;
        for (const WorkLine& line : work) text += line.text + line.ending;
        return text;
    }

    std::string_view original;
    FixedFile& fixed;
    std::size_t markSize = 0;  // a UTF-8 byte-order mark's
    std::size_t markKept = 0;  // its bytes, until removed
    std::string ending;        // the file's own
    std::vector<WorkLine> work;
};

}  // namespace

FixedFile fixSettings(std::string_view original, const SettingsCheck& check) {
    FixedFile fixed;
    const Encoding encoding = profile_text::detectEncoding(original);
    if (encoding == Encoding::Utf16LittleEndian || encoding == Encoding::Utf16BigEndian ||
        encoding == Encoding::Utf16WithoutMark) {
        fixed.refusal = "the file is UTF-16, and --fix never changes a file's encoding: save it as ANSI or as UTF-8 "
                        "without a byte-order mark first";
        return fixed;
    }
    Fixer fixer(original, fixed);
    fixer.changeLines(allWarnings(check));
    fixer.addLines(allWarnings(check));
    fixed.bytes = fixer.bytes();
    return fixed;
}

std::string toldChange(const FixChange& change, std::string_view original) {
    const Warning& warning = change.answers;
    const std::string line = "line " + std::to_string(warning.line) + ": ";
    switch (change.fix) {
        case Fix::ReplaceLine: {
            // The whole line, of which the change holds only the bytes that differ.
            const std::size_t mark = original.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
            const std::size_t before = change.from == 0 ? 0 : original.find_last_of("\r\n", change.from - 1) + 1;
            const std::size_t start = std::max(mark, before);
            const std::string_view was = original.substr(start, original.find_first_of("\r\n", change.to) - start);
            std::string shown;  // NUL bytes, which a console drops, named
            for (char c : was) shown += c == '\0' ? std::string("<NUL>") : std::string(1, c);
            return line + shown + "  ->  " + linesAsText(warning.writeInstead, "  and  ");
        }
        case Fix::RemoveByteOrderMark: return line + "removed the UTF-8 byte-order mark";
        case Fix::MoveLine:
            if (change.from != change.to) return {};
            return line + "moved " + warning.writeInstead + " from [" + warning.section + "] to [" + warning.moveTo +
                   "]";
        case Fix::AddLine: return "added to [" + warning.section + "]: " + warning.writeInstead;
        case Fix::None: break;
    }
    return {};
}
