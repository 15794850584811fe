#include "doctor/settings/name_spelling.h"

#include <algorithm>

#include "platform/profile_text.h"
#include "text/edit_distance.h"

namespace {

using profile_text::decodedText;
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

std::optional<std::string> nearestName(std::string_view name, const std::vector<std::string>& candidates) {
    const NearestText nearest = nearestText(name, candidates);
    if (nearest.distance == 0 || nearest.distance > kFarthestMisspelling) return std::nullopt;
    return nearest.text;
}
