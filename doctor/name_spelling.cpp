#include "doctor/name_spelling.h"

#include <algorithm>

#include "doctor/file_text.h"

namespace {

using profile_text::lowerAscii;

constexpr std::size_t kFarthestMisspelling = 2;

}  // namespace

std::vector<NameLine> scanNames(std::string_view bytes) {
    using profile_text::LineKind;
    using profile_text::Reader;
    // Line by line on both readers: the lines are the same, only headers read apart.
    const std::vector<profile_text::ProfileLine> wine = profile_text::readLines(bytes, Reader::Wine);
    std::vector<profile_text::ProfileLine> windows = profile_text::readLines(decodedText(bytes), Reader::Windows);
    std::vector<NameLine> names;
    std::string section;
    for (std::size_t i = 0; i < wine.size(); ++i) {
        const profile_text::ProfileLine& line = wine[i];
        const bool windowsHeader = i < windows.size() && windows[i].kind == LineKind::Header;
        if (windowsHeader) {
            NameLine header;
            header.line = i + 1;
            header.isSection = true;
            header.unclosedHeader = line.kind != LineKind::Header;
            section = header.section = windows[i].name;
            header.wineSection = line.kind == LineKind::Header ? line.name : std::string();
            header.afterHeader = windows[i].afterHeader;
            names.push_back(header);
            continue;
        }
        if (line.kind != LineKind::Key || line.isComment() || line.name.empty()) continue;
        NameLine name;
        name.line = i + 1;
        name.section = section;
        name.key = line.name;
        name.value = line.value.value_or("");
        name.hasEquals = line.value.has_value();
        names.push_back(name);
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
