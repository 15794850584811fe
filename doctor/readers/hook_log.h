#pragma once
// The script hook's own log (ScriptHookRDR2.log): a header naming the hook's build and version,
// then a line for each thing it did; a game version it does not know ends it with a FATAL line.

#include <string>
#include <string_view>

struct HookLog {
    std::string header;     // the header's line that names the version, as written
    // "1.0.1491.50": the dotted number after the hook's name (ScriptHookRDR2, Script Hook RDR2), or
    // else a header line's first; never one in brackets (a date or a time). Empty when none.
    std::string version;
    std::string fatalLine;  // the last line with the word "fatal" in any case, as written (trimmed, at most 150 bytes)
    bool versionRefused = false;  // that line refuses the game's version ("unknown game version")
};

// Any bytes in: never a crash, a hang or a read past the buffer. The header is looked for in the
// first 5 lines only.
HookLog readHookLog(std::string_view bytes);
