// printGameFolder: a game folder's checks as the player reads them (game_folder_check.h).

#include <algorithm>
#include <sstream>

#include "doctor/folder/folder_files.h"
#include "doctor/folder/game_folder_check.h"
#include "doctor/settings/report.h"
#include "doctor/cli/settings_doctor.h"

using folder_files::joined;

namespace {

const char* label(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass: return "ok   ";
        case Verdict::Fail: return "FAIL ";
        case Verdict::Note: return "note ";
        case Verdict::NotMade: return "n/a  ";
    }
    return "";
}

const std::string kIndent(5, ' ');

}  // namespace

std::size_t printGameFolder(std::ostream& out, const GameFolderCheck& check, bool quiet, bool details) {
    // A settings file kept elsewhere: its folder holds no game to check.
    if (!check.looksLikeGame) return 0;
    const bool anyFailure = std::any_of(check.findings.begin(), check.findings.end(),
                                        [](const FolderFinding& f) { return f.verdict == Verdict::Fail; });
    if (quiet && !anyFailure) return 0;
    std::ostringstream text;
    text << "Game folder " << check.folder << "\n";
    // The folder checks that pass share one line, so that the settings report below still fits
    // the screen; what runs now is always told.
    std::vector<std::string> passed;
    for (const FolderFinding& finding : check.findings) {
        if (finding.verdict == Verdict::Pass && checkNumber(finding.check) && !details && !quiet)
            passed.push_back(checkName(finding.check));
    }
    if (!passed.empty())
        say(text, joined(passed) + " (--details tells what each found)", kIndent, label(Verdict::Pass));
    for (const FolderFinding& finding : check.findings) {
        if (quiet && finding.verdict != Verdict::Fail) continue;
        if (finding.verdict == Verdict::Pass && checkNumber(finding.check) && !details) continue;
        if (finding.minor && !details) continue;
        const std::string& said = details || finding.brief.empty() ? finding.text : finding.brief;
        const std::string& fix = details || finding.briefFix.empty() ? finding.fix : finding.briefFix;
        say(text, checkLabel(finding.check) + ": " + said, kIndent, label(finding.verdict));
        for (const std::string& line : finding.quoted) text << kIndent << "| " << line << "\n";
        if (finding.verdict != Verdict::Pass && !fix.empty())
            say(text, fix, kIndent + "     ", kIndent + "Fix: ");
    }
    text << "\n";
    const std::string printed = text.str();
    out << printed;
    return static_cast<std::size_t>(std::count(printed.begin(), printed.end(), '\n'));
}
