#pragma once
// What a Wine prefix's registry of the user (pfx/user.reg) says about loading one DLL: its
// text form, "WINE REGISTRY Version 2" and then sections, each a key's path in brackets with
// the time it was written ("[Software\\Wine\\DllOverrides] 1712345678"), optional "#name=..."
// lines, and "name"="value" lines, backslashes escaping as Wine writes them.

#include <optional>
#include <string>
#include <string_view>

struct WineDllOverrides {
    // Each section's override of the DLL, named plainly ("dinput8") or else with a star
    // ("*dinput8"); absent when the section doesn't name it or isn't there.
    std::optional<std::string> global;   // Software\Wine\DllOverrides
    std::optional<std::string> program;  // Software\Wine\AppDefaults\<program>\DllOverrides
    // The one Wine takes for the program: the plain name before the starred one, and for each
    // the program's section before the global one. Absent when neither names the DLL.
    std::optional<std::string> inEffect;
    std::string refusal;  // empty when the file read; else why not, with the line
};

// What Wine makes of the values a registry holds for one DLL, for a reader of the running
// registry rather than of user.reg: each section's value under the plain name and the starred.
struct DllOverrideValues {
    std::optional<std::string> global, globalStarred;    // Software\Wine\DllOverrides
    std::optional<std::string> program, programStarred;  // its AppDefaults\<program>\DllOverrides
};
WineDllOverrides dllOverridesFrom(const DllOverrideValues& values);

// user.reg's bytes, for `dll` ("dinput8" or "dinput8.dll", letter case ignored) loaded by
// `program` (the game's executable, "RDR2.exe", letter case ignored). Keys' paths and values'
// names are matched letter case ignored; of two values of one name, the last counts, as it
// does when Wine loads the file. A file without the header, a section's header without its
// closing bracket, and a value line in either section that doesn't read, or that gives the DLL
// something other than a text, are refused. Any bytes in: never a crash, a hang or a read past
// the buffer.
WineDllOverrides readWineDllOverrides(std::string_view userReg, std::string_view dll, std::string_view program);
