#include "doctor/name_spelling.h"

#include <algorithm>

#include "doctor/file_text.h"

namespace {

using profile_text::lowerAscii;
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

std::size_t spellingDistance(std::string_view a, std::string_view b) {
    // Three rows of the optimal-string-alignment table suffice.
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = lowerAscii(a[i - 1]) == lowerAscii(b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && lowerAscii(a[i - 1]) == lowerAscii(b[j - 2]) &&
                lowerAscii(a[i - 2]) == lowerAscii(b[j - 1]))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

std::optional<std::string> nearestName(std::string_view name, const std::vector<std::string>& candidates) {
    std::optional<std::string> best;
    std::size_t bestDistance = kFarthestMisspelling + 1;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = spellingDistance(name, candidate);
        if (distance == 0) return std::nullopt;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}
