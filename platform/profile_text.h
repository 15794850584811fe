#pragma once
// A settings file's bytes as the profile functions read them: its encoding, told by its first
// bytes; its lines, with their endings; what each line is (a header, a key, neither), which
// section a key is in, and which of two equal names is read. The rules are written here once,
// each at its declaration. The native stand-in for the profile functions (following Wine), the
// settings doctor's checks and its --fix read a file through them; the Windows build's tests
// hold the Wine reading against kernel32 under Wine.

#include <algorithm>
#include <cstddef>
#include <optional>
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

// The file's line ending: that of its first line that has one; CR LF when none has.
inline std::string_view lineEndingOf(std::string_view text) {
    for (const TextLine& line : splitLines(text))
        if (!line.ending.empty()) return line.ending;
    return "\r\n";
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

// The text with ASCII capitals as small letters, other bytes as they are: never the locale's.
inline std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

// Names compare as the profile functions compare them: ASCII letters without regard to case.
inline bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

// Whether `text` ends with `end`, its letters compared as sameName compares them.
inline bool endsWithName(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && sameName(text.substr(text.size() - end.size()), end);
}

// Which system's profile functions read the file. They agree on every rule below except where
// a rule says otherwise. The doctor reports the reading of the system the game runs on: Windows'
// on Windows, Wine's under Wine or Proton (and from Linux), with the other beside it where they
// part, as the same file may travel; the native stand-in reads as Wine does.
enum class Reader { Windows, Wine };

inline Reader otherReader(Reader reader) { return reader == Reader::Windows ? Reader::Wine : Reader::Windows; }

// What one line of the file is. Rules, for both readers unless said:
//   - Blank: nothing but white space (isBlank) on the line.
//   - Header: the line, trimmed, starts with "[". The section's name is the text up to the
//     closing "]", trimmed; the text after it is ignored (`afterHeader`). Windows ends the name
//     at the first "]", Wine at the last. A "[" line with no "]" opens a section on Windows
//     (named by the rest of the line), and is ignored on Wine (kind Ignored).
//   - Key: any other line. With "=": the name is the text before the first "=", the value the
//     text after it, both trimmed; a value wrapped in a matching pair of quotes (" or ')
//     loses them. Without "=": a key with no value, read as missing.
//   - A key whose name starts with ";" or "#" is a comment: no name the plugin asks for starts
//     so, and the doctor checks no such line.
enum class LineKind { Blank, Ignored, Header, Key };

struct ProfileLine {
    LineKind kind = LineKind::Blank;
    std::string name;                  // a header's section, a key's name
    std::optional<std::string> value;  // a key's value; none without "="
    std::string afterHeader;           // a header's ignored rest, trimmed

    bool isComment() const { return kind == LineKind::Key && !name.empty() && (name[0] == ';' || name[0] == '#'); }
};

inline ProfileLine readLine(std::string_view raw, Reader reader) {
    ProfileLine line;
    const std::string_view text = trim(raw);
    if (text.empty()) return line;
    if (text.front() == '[') {
        const std::size_t close = reader == Reader::Windows ? text.find(']') : text.rfind(']');
        if (close == std::string_view::npos && reader == Reader::Wine) {
            line.kind = LineKind::Ignored;
            return line;
        }
        line.kind = LineKind::Header;
        line.name = std::string(trim(text.substr(1, close == std::string_view::npos ? text.npos : close - 1)));
        if (close != std::string_view::npos) line.afterHeader = std::string(trim(text.substr(close + 1)));
        return line;
    }
    line.kind = LineKind::Key;
    const std::size_t equals = text.find('=');
    line.name = std::string(trim(text.substr(0, equals)));
    if (equals == std::string_view::npos) return line;
    std::string_view value = trim(text.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    line.value = std::string(value);
    return line;
}

// The file's text as a reader sees it. Where the two part ways:
//   - UTF-8 byte-order mark: Wine skips it; Windows keeps it as the first characters of line
//     1, so a header there is no header and the section is never found.
//   - UTF-16 big-endian with its mark: Wine reads it; Windows reads nothing.
// UTF-16 little-endian with its mark reads on both; UTF-16 without a mark on neither (its NULs
// end every name).
inline std::string readerText(std::string_view bytes, Reader reader) {
    const Encoding encoding = detectEncoding(bytes);
    if (reader == Reader::Windows && encoding == Encoding::Utf8WithMark) return std::string(bytes);
    if (reader == Reader::Windows && encoding == Encoding::Utf16BigEndian) return {};
    return decodedText(bytes);
}

// The file's lines as a reader reads them, one for each of splitLines.
inline std::vector<ProfileLine> readLines(std::string_view bytes, Reader reader) {
    const std::string text = readerText(bytes, reader);
    std::vector<ProfileLine> lines;
    for (const TextLine& line : splitLines(text))
        lines.push_back(readLine(std::string_view(text).substr(line.start, line.length), reader));
    return lines;
}

// Where a section ends: at the next header. Lines before the first header are in the nameless
// section "". Of two sections of one name only the first is ever searched.
inline std::optional<std::size_t> findSection(const std::vector<ProfileLine>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Header && sameName(lines[i].name, section)) return i;
    return std::nullopt;
}

// One past the last line of the section whose header is at `header`.
inline std::size_t sectionEnd(const std::vector<ProfileLine>& lines, std::size_t header) {
    std::size_t end = header + 1;
    while (end < lines.size() && lines[end].kind != LineKind::Header) ++end;
    return end;
}

// Where a key added to the section whose header is at `header` goes, as Wine writes one: after
// the section's last key (a comment is one), so that the lines that end the section without a
// key (blank, or ignored) stay before the next header. A line added there gets the file's
// ending (lineEndingOf), and the line before it, if it has none (the last), that ending first.
inline std::size_t addedKeyAt(const std::vector<ProfileLine>& lines, std::size_t header) {
    std::size_t at = sectionEnd(lines, header);
    while (at > header + 1 && lines[at - 1].kind != LineKind::Key) --at;
    return at;
}

// Of two keys of one name in the section searched, the first is read.
inline std::optional<std::size_t> findKey(const std::vector<ProfileLine>& lines, std::size_t header,
                                          std::string_view key) {
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == LineKind::Key && sameName(lines[i].name, key)) return i;
    return std::nullopt;
}

// The value read for a key: none when its section, the key or its "=" is missing. A NUL in the
// file ends the value, as it ends any C string.
inline std::optional<std::string> valueOf(const std::vector<ProfileLine>& lines, std::string_view section,
                                          std::string_view key) {
    const auto header = findSection(lines, section);
    if (!header) return std::nullopt;
    const auto at = findKey(lines, *header, key);
    if (!at || !lines[*at].value) return std::nullopt;
    const std::string& value = *lines[*at].value;
    return value.substr(0, std::min(value.find('\0'), value.size()));
}

}  // namespace profile_text
