#include "doctor/file_text.h"

#include <algorithm>

#include "platform/utf16_text.h"

Encoding detectEncoding(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return Encoding::Utf8WithMark;
    if (bytes.substr(0, 2) == "\xFF\xFE") return Encoding::Utf16LittleEndian;
    if (bytes.substr(0, 2) == "\xFE\xFF") return Encoding::Utf16BigEndian;
    // Text without a mark holds no NUL; UTF-16 of ASCII text is half NULs.
    const std::string_view start = bytes.substr(0, 4096);
    const auto nuls = static_cast<std::size_t>(std::count(start.begin(), start.end(), '\0'));
    if (!start.empty() && nuls * 4 >= start.size()) return Encoding::Utf16WithoutMark;
    return Encoding::Ansi;
}

std::string decodedText(std::string_view bytes) {
    switch (detectEncoding(bytes)) {
        case Encoding::Utf8WithMark: return std::string(bytes.substr(3));
        case Encoding::Utf16LittleEndian: return utf16::toUtf8(bytes.substr(2), false);
        case Encoding::Utf16BigEndian: return utf16::toUtf8(bytes.substr(2), true);
        case Encoding::Ansi:
        case Encoding::Utf16WithoutMark: break;
    }
    return std::string(bytes);
}

std::vector<TextLine> splitLines(std::string_view text) {
    std::vector<TextLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::size_t next = end;
        if (next < text.size()) next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        lines.push_back(TextLine{start, end - start, text.substr(end, next - end)});
        start = next;
    }
    return lines;
}
