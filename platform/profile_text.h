#pragma once
// A settings file's bytes as the profile functions read them: its encoding, told by its first
// bytes; its lines, with their endings; names trimmed of white space and compared without
// regard to ASCII case. The native stand-in for the profile functions and the settings doctor
// both read a file through these, so the two can't read it differently.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/utf16_text.h"

namespace profile_text {

enum class Encoding {
    Ansi,               // the ANSI code page, or UTF-8 without a byte-order mark
    Utf8WithMark,       // EF BB BF
    Utf16LittleEndian,  // FF FE: Notepad's "UTF-16 LE"
    Utf16BigEndian,     // FE FF
    Utf16WithoutMark,   // no mark, but NUL bytes between ASCII letters: read by nobody
};

inline Encoding detectEncoding(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return Encoding::Utf8WithMark;
    if (bytes.substr(0, 2) == "\xFF\xFE") return Encoding::Utf16LittleEndian;
    if (bytes.substr(0, 2) == "\xFE\xFF") return Encoding::Utf16BigEndian;
    // Text without a mark holds no NUL; UTF-16 of ASCII text is half NULs.
    const std::string_view start = bytes.substr(0, 4096);
    const auto nuls = static_cast<std::size_t>(std::count(start.begin(), start.end(), '\0'));
    if (!start.empty() && nuls * 4 >= start.size()) return Encoding::Utf16WithoutMark;
    return Encoding::Ansi;
}

// The bytes as 8-bit text: a UTF-8 mark dropped, UTF-16 with a mark turned into UTF-8; other
// bytes as they are.
inline std::string decodedText(std::string_view bytes) {
    switch (detectEncoding(bytes)) {
        case Encoding::Utf8WithMark: return std::string(bytes.substr(3));
        case Encoding::Utf16LittleEndian: return utf16::toUtf8(bytes.substr(2), false);
        case Encoding::Utf16BigEndian: return utf16::toUtf8(bytes.substr(2), true);
        case Encoding::Ansi:
        case Encoding::Utf16WithoutMark: break;
    }
    return std::string(bytes);
}

// One line of the text: where it starts, its length without the ending, and the ending
// ("\r\n", "\n", "\r" or none on the last line).
struct TextLine {
    std::size_t start = 0;
    std::size_t length = 0;
    std::string_view ending;
};

inline std::vector<TextLine> splitLines(std::string_view text) {
    std::vector<TextLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::size_t next = end;
        if (next < text.size())
            next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        lines.push_back(TextLine{start, end - start, text.substr(end, next - end)});
        start = next;
    }
    return lines;
}

// White space within a line: space, tab, vertical tab, form feed.
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The text without white space (blanks, CR and LF) at either end.
inline std::string_view trim(std::string_view text) {
    auto space = [](char c) { return isBlank(c) || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// An ASCII capital as its small letter; any other byte as it is.
inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Names compare as the profile functions compare them: ASCII letters without regard to case.
inline bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

}  // namespace profile_text
