// A Wine prefix's user.reg, as the doctor reads it from a player's disk, and the verdict it
// leads to: a refusal reads nothing and names its line; the override in effect is one of the
// two sections' own; names in another letter case, and line ends of two bytes, read the same.

#include <optional>
#include <string>
#include <string_view>

#include "doctor/folder/proton_override.h"
#include "doctor/readers/wine_load_order.h"
#include "doctor/readers/wine_registry.h"
#include "fuzz/fuzz_support.h"

namespace {

bool same(const WineDllOverrides& a, const WineDllOverrides& b) {
    return a.global == b.global && a.program == b.program && a.inEffect == b.inEffect && a.refusal == b.refusal;
}

}  // namespace

void checkInput(std::string_view bytes) {
    const WineDllOverrides read = readWineDllOverrides(bytes, "dinput8", "RDR2.exe");
    if (!read.refusal.empty()) {
        FUZZ_CHECK(!read.global && !read.program && !read.inEffect, "refused (%s) yet gave a value", read.refusal.c_str());
        FUZZ_CHECK(read.refusal.find("(line ") != std::string::npos, "a refusal without its line: %s", read.refusal.c_str());
    } else {
        FUZZ_CHECK(read.inEffect.has_value() == (read.global || read.program), "an override in effect from no section");
        FUZZ_CHECK(!read.inEffect || read.inEffect == read.global || read.inEffect == read.program ||
                       (read.global && read.program),
                   "the override in effect is neither section's");
    }
    FUZZ_CHECK(same(read, readWineDllOverrides(bytes, "DINPUT8.DLL", "rdr2.EXE")), "letter case changed the reading");
    if (bytes.find('\r') == std::string_view::npos) {
        std::string crlf;
        for (const char c : bytes) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        FUZZ_CHECK(same(read, readWineDllOverrides(crlf, "dinput8", "RDR2.exe")), "CRLF line ends changed the reading");
    }

    ProtonOverrideInput input;
    input.appId = "1174180";
    input.userReg = std::string(bytes);
    const ProtonOverrideVerdict verdict = judgeProtonOverride(input);
    if (read.refusal.empty()) {
        FUZZ_CHECK(verdict.prefix == (overrideLoadsNativeFirst(read.inEffect) ? OverrideOutcome::LoadsFirst
                                                                               : OverrideOutcome::LeftToWine),
                   "the verdict is not the registry's");
        FUZZ_CHECK(verdict.notes.empty(), "a note on a registry that read");
    } else {
        FUZZ_CHECK(verdict.prefix == OverrideOutcome::Unknown && verdict.notes.size() == 1,
                   "a registry that did not read was judged");
    }
}
