#pragma once
// What a loader's or the script hook's log says of the plugin: the lines that name
// Veltrane.asi, and whether the last of them tells of a failure.

#include <string>
#include <string_view>
#include <vector>

struct LogMentions {
    // The last few lines that name the plugin, in the order written, without their line
    // ending or trailing spaces, a long one cut and ended with "..."; none when no line does.
    std::vector<std::string> lines;
    bool failed = false;  // the last such line says "fail" or "error", in any letter case
};

inline constexpr std::size_t kQuotedLogLines = 3;
inline constexpr std::size_t kLongestLogQuote = 150;

// Any bytes in (a log's end, as read from its file: any encoding, NUL bytes, lines of any
// length): a result out, never a crash, a hang or a read past them. Time grows with the
// bytes only.
LogMentions pluginMentions(std::string_view log);
