#include "doctor/file_text.h"

#include <algorithm>
#include <cstdint>

namespace {

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string fromUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<std::uint8_t>(bytes[i]), b = static_cast<std::uint8_t>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, c);
    }
    return out;
}

}  // namespace

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
        case Encoding::Utf16LittleEndian: return fromUtf16(bytes.substr(2), false);
        case Encoding::Utf16BigEndian: return fromUtf16(bytes.substr(2), true);
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
