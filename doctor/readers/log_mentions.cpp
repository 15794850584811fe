#include "doctor/readers/log_mentions.h"

#include <algorithm>

#include "platform/profile_text.h"

LogMentions pluginMentions(std::string_view log) {
    const std::string folded = profile_text::lowerAscii(log);
    LogMentions out;
    // Each line that names the plugin, once; the search goes on after the line's end.
    for (std::size_t at = folded.find("veltrane.asi"); at != std::string::npos;) {
        const std::size_t start = folded.rfind('\n', at) == std::string::npos ? 0 : folded.rfind('\n', at) + 1;
        const std::size_t end = std::min(folded.find('\n', at), folded.size());
        const std::string_view foldedLine = std::string_view(folded).substr(start, end - start);
        out.failed = foldedLine.find("fail") != std::string::npos || foldedLine.find("error") != std::string::npos;
        std::string line(log.substr(start, end - start));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.size() > kLongestLogQuote) line = line.substr(0, kLongestLogQuote) + "...";
        out.lines.push_back(line);
        at = end == folded.size() ? std::string::npos : folded.find("veltrane.asi", end);
    }
    if (out.lines.size() > kQuotedLogLines) out.lines.erase(out.lines.begin(), out.lines.end() - kQuotedLogLines);
    return out;
}
