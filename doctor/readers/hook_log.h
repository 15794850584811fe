#pragma once
// The script hook's own log (ScriptHookRDR2.log): a header naming the hook's build and version,
// then a line for each thing it did; a game version it does not know ends it with a FATAL line.

#include <string>
#include <string_view>

struct HookLog {
    std::string header;     // the header's line that names the version, as written
    std::string version;    // "1.0.1491.50": the first dotted number of the header; empty when none
    std::string fatalLine;  // the last line holding "FATAL", as written (trimmed, at most 150 bytes)
};

// Any bytes in: never a crash, a hang or a read past the buffer. The header is looked for in the
// first 5 lines only.
HookLog readHookLog(std::string_view bytes);
