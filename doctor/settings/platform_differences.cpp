#include "doctor/settings/platform_differences.h"

#include <string>

#include "settings/settings_file.h"

using profile_text::Encoding;

namespace {

// What a section Windows or Wine misses does when it is the switch's.
std::string switchConsequence(const std::string& section) {
    return sameName(section, kSettingsSection) ? " (the switch reads as 0: the plugin does nothing)" : "";
}

// A header Windows and Wine read apart, with the line Windows reads it as. Written, that line
// changes what Wine reads: certain only where Windows' reading is the one shown, otherwise a choice.
Warning readApart(WarningKind kind, const NameLine& header, profile_text::Reader shown, const std::string& why) {
    const std::string windowsLine = "[" + header.section + "]";
    Warning warning{kind, header.line, header.section, {}, why, windowsLine};
    if (!canBeCertain(kind, shown)) {
        warning.certain = false;
        warning.writeInstead.clear();
        warning.choices = {windowsLine + " (as Windows reads it)"};
    }
    return warning;
}

}  // namespace

void checkPlatformDifferences(Encoding encoding, const std::vector<NameLine>& names, profile_text::Reader shown,
                              std::vector<Warning>& warnings) {
    // Told from the side of the system the game runs on, the other one's beside it: the same
    // file may be played on both.
    const bool onWine = shown == profile_text::Reader::Wine;
    if (encoding == Encoding::Utf16BigEndian) {
        warnings.push_back(Warning{WarningKind::Utf16BigEndian, 0, {}, {},
                                   onWine ? "the file is UTF-16 big-endian: Wine and Proton read it, but Windows reads "
                                            "nothing of it (there the switch reads as 0: the plugin does nothing). "
                                            "For a file read alike on both: " + std::string(kSaveAsAnsi)
                                          : "the file is UTF-16 big-endian: Windows reads nothing of it (the switch "
                                            "reads as 0: the plugin does nothing); Wine and Proton read it. Fix: " +
                                                std::string(kSaveAsAnsi),
                                   {}});
    }
    for (const NameLine& name : names) {
        if (!name.isSection) continue;
        const std::string lost = "its keys read as missing" + switchConsequence(name.section);
        if (encoding == Encoding::Utf8WithMark && name.line == 1) {
            warnings.push_back(Warning{
                WarningKind::Utf8MarkBeforeSection, 1, name.section, {},
                onWine ? "the file starts with a UTF-8 byte-order mark: Wine and Proton skip it, but Windows takes it "
                         "as part of this header, so there the section is never found and " + lost + ". Fix: " +
                             kSaveAsAnsi + " (--fix removes the mark, which changes nothing here)"
                       : "the file starts with a UTF-8 byte-order mark, which Windows takes as part of this header: "
                         "on Windows the section is never found and " + lost + "; Wine and Proton skip the mark and "
                         "read it. Fix: " + kSaveAsAnsi + " (--fix removes the mark)",
                {}});
        }
        if (name.unclosedHeader) {
            warnings.push_back(readApart(
                WarningKind::HeaderWithoutClose, name, shown,
                onWine ? "the header has no closing \"]\": Wine and Proton ignore the line and count the keys under it "
                         "as the section's before it, so [" + name.section + "]'s keys read as missing" +
                             switchConsequence(name.section) + "; Windows opens the section here"
                       : "the header has no closing \"]\": Windows opens the section here, Wine and Proton do not "
                         "and read its keys as missing" + switchConsequence(name.section) +
                             ". --fix closes the bracket"));
        } else if (name.wineSection != name.section) {
            warnings.push_back(readApart(
                WarningKind::HeaderWithExtraClose, name, shown,
                onWine ? "more than one \"]\": Wine and Proton read the section [" + name.wineSection +
                             "] (the name ends at the last \"]\"), so " + lost + "; Windows reads [" + name.section +
                             "] (it ends at the first)"
                       : "more than one \"]\": Windows reads the section [" + name.section +
                             "] (the name ends at the first \"]\"), Wine and Proton read [" + name.wineSection +
                             "] (it ends at the last), so there " + lost + ". --fix removes the rest, as Windows "
                             "reads it"));
        }
    }
}
