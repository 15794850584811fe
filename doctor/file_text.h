#pragma once
// A settings file's bytes as text: its encoding, told by its first bytes as the profile
// functions tell it, and its lines with their endings, so that an edit can keep every byte
// it does not mean to change.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class Encoding {
    Ansi,               // the ANSI code page, or UTF-8 without a byte-order mark
    Utf8WithMark,       // EF BB BF
    Utf16LittleEndian,  // FF FE: Notepad's "UTF-16 LE"
    Utf16BigEndian,     // FE FF
    Utf16WithoutMark,   // no mark, but NUL bytes between ASCII letters: read by nobody
};

Encoding detectEncoding(std::string_view bytes);

// The bytes as 8-bit text: a UTF-8 mark dropped, UTF-16 turned into UTF-8.
std::string decodedText(std::string_view bytes);

// One line of the text: where it starts, its length without the ending, and the ending
// ("\r\n", "\n", "\r" or none on the last line).
struct TextLine {
    std::size_t start = 0;
    std::size_t length = 0;
    std::string_view ending;
};

std::vector<TextLine> splitLines(std::string_view text);
