#include "doctor/name_spelling.h"

#include <algorithm>

#include "platform/profile_text.h"
#include "text/edit_distance.h"

namespace {

using profile_text::decodedText;
using profile_text::lowerAscii;
using profile_text::splitLines;
using profile_text::TextLine;
using profile_text::trim;

constexpr std::size_t kFarthestMisspelling = 2;

}  // namespace

std::vector<NameLine> scanNames(std::string_view bytes) {
    const std::string decoded = decodedText(bytes);
    const std::string_view all(decoded);
    std::vector<NameLine> names;
    std::string section;
    std::size_t lineNumber = 0;
    for (const TextLine& line : splitLines(all)) {
        const std::string_view text = trim(all.substr(line.start, line.length));
        ++lineNumber;

        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        if (text.front() == '[') {
            const std::size_t close = text.rfind(']');
            NameLine header;
            header.line = lineNumber;
            header.isSection = close != std::string_view::npos;
            header.unclosedHeader = close == std::string_view::npos;
            header.windowsSection = std::string(trim(text.substr(1, text.find(']') - 1)));
            if (header.isSection) {
                section = std::string(trim(text.substr(1, close - 1)));
                header.section = section;
            }
            names.push_back(header);
            continue;
        }
        const std::size_t equals = text.find('=');
        const std::string_view key = trim(text.substr(0, equals));
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : trim(text.substr(equals + 1));
        if (!key.empty()) {
            NameLine name;
            name.line = lineNumber;
            name.section = section;
            name.key = std::string(key);
            name.value = std::string(value);
            names.push_back(name);
        }
    }
    return names;
}

std::optional<std::string> nearestName(std::string_view name, const std::vector<std::string>& candidates) {
    std::optional<std::string> best;
    std::size_t bestDistance = kFarthestMisspelling + 1;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = editDistance(name, candidate);
        if (distance == 0) return std::nullopt;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}
