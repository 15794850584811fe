// The doctor's reading of a loader's or the script hook's log, over any bytes: NUL bytes,
// UTF-16, CR-only line ends, lines of any length, no line end at all. The lines it quotes are
// the log's own lines that name the plugin, at most the few it keeps, each within the length
// it allows; it finds one exactly when the log names the plugin; and it says "failed" only
// when the last such line says so.

#include <cstddef>
#include <string>
#include <string_view>

#include "doctor/readers/log_mentions.h"
#include "fuzz/fuzz_support.h"
#include "platform/profile_text.h"

namespace {

std::string folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = profile_text::lowerAscii(c);
    return out;
}

constexpr std::string_view kCut = "...";

}  // namespace

void checkInput(std::string_view log) {
    const LogMentions mentions = pluginMentions(log);
    const std::string foldedLog = folded(log);
    const bool named = foldedLog.find("veltrane.asi") != std::string::npos;
    FUZZ_CHECK(named == !mentions.lines.empty(), "the log %s the plugin, yet %zu lines were quoted",
               named ? "names" : "does not name", mentions.lines.size());
    FUZZ_CHECK(mentions.lines.size() <= kQuotedLogLines, "%zu lines quoted", mentions.lines.size());
    for (const std::string& line : mentions.lines) {
        FUZZ_CHECK(line.find('\n') == std::string::npos, "a quoted line holds a line end");
        const bool cut = line.size() > kLongestLogQuote;
        FUZZ_CHECK(line.size() <= kLongestLogQuote + kCut.size(), "a quote of %zu characters", line.size());
        const std::string_view own = cut ? std::string_view(line).substr(0, kLongestLogQuote) : std::string_view(line);
        FUZZ_CHECK(cut == (line.size() == kLongestLogQuote + kCut.size() && line.compare(kLongestLogQuote, 3, kCut) == 0),
                   "a quote of %zu characters that is not a cut one", line.size());
        FUZZ_CHECK(log.find(own) != std::string_view::npos, "a quote that is not the log's own text");
        if (!cut) {
            FUZZ_CHECK(folded(line).find("veltrane.asi") != std::string::npos, "a quoted line that names no plugin");
            FUZZ_CHECK(line.empty() || (line.back() != '\r' && line.back() != ' '), "a quote ends in white space");
        }
    }
    // The last line that names the plugin decides: find it in the log and read it here.
    if (named) {
        const std::size_t at = foldedLog.rfind("veltrane.asi");
        const std::size_t start = foldedLog.rfind('\n', at) == std::string::npos ? 0 : foldedLog.rfind('\n', at) + 1;
        const std::size_t end = std::min(foldedLog.find('\n', at), foldedLog.size());
        const std::string last = foldedLog.substr(start, end - start);
        const bool failed = last.find("fail") != std::string::npos || last.find("error") != std::string::npos;
        FUZZ_CHECK(mentions.failed == failed, "the last line naming the plugin %s a failure, yet failed is %d",
                   failed ? "tells of" : "tells of no", mentions.failed);
    } else {
        FUZZ_CHECK(!mentions.failed, "failed, yet no line names the plugin");
    }
}
