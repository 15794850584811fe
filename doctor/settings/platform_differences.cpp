#include "doctor/settings/platform_differences.h"

#include <string>

#include "settings/settings_file.h"

using profile_text::Encoding;

namespace {

// What a section Windows or Wine misses does when it is the switch's.
std::string switchConsequence(const std::string& section) {
    return sameName(section, kSettingsSection) ? " (the switch reads as 0: the plugin does nothing)" : "";
}

}  // namespace

void checkPlatformDifferences(Encoding encoding, const std::vector<NameLine>& names,
                              std::vector<Warning>& warnings) {
    if (encoding == Encoding::Utf16BigEndian) {
        warnings.push_back(Warning{WarningKind::Utf16BigEndian, 0, {}, {},
                                   "the file is UTF-16 big-endian: Windows reads nothing of it (the switch reads as "
                                   "0: the plugin does nothing); Wine and Proton read it. Fix: " +
                                       std::string(kSaveAsAnsi),
                                   {}});
    }
    for (const NameLine& name : names) {
        if (!name.isSection) continue;
        if (encoding == Encoding::Utf8WithMark && name.line == 1) {
            warnings.push_back(Warning{
                WarningKind::Utf8MarkBeforeSection, 1, name.section, {},
                "the file starts with a UTF-8 byte-order mark, which Windows takes as part of this header: on "
                "Windows the section is never found and its keys read as missing" +
                    switchConsequence(name.section) +
                    "; Wine and Proton skip the mark and read it. Fix: " + kSaveAsAnsi + " (--fix removes the mark)",
                {}});
        }
        if (name.unclosedHeader) {
            warnings.push_back(Warning{WarningKind::HeaderWithoutClose, name.line, name.section, {},
                                       "the header has no closing \"]\": Windows opens the section here, Wine and "
                                       "Proton do not and read its keys as missing" +
                                           switchConsequence(name.section) + ". --fix closes the bracket",
                                       "[" + name.section + "]"});
        } else if (name.wineSection != name.section) {
            warnings.push_back(Warning{WarningKind::HeaderWithExtraClose, name.line, name.section, {},
                                       "more than one \"]\": Windows reads the section [" + name.section +
                                           "] (the name ends at the first \"]\"), Wine and Proton read [" +
                                           name.wineSection + "] (it ends at the last), so there its keys read as "
                                           "missing. --fix removes the rest, as Windows reads it",
                                       "[" + name.section + "]"});
        }
    }
}
