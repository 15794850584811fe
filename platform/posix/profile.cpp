// A stand-in for kernel32's profile functions, for native builds. It does what the plugin
// relies on and, where the file's layout is open, what kernel32 does (as Wine implements it):
//   - lines end in CR LF, LF or a lone CR; a UTF-8 byte-order mark is skipped; a file that
//     starts with a UTF-16 byte-order mark is read as UTF-16 (here into UTF-8) and written
//     back as such;
//   - "[name]" opens a section; text after the last "]" is ignored; a "[" line with no "]"
//     is ignored altogether; lines before the first section belong to a nameless one;
//   - "key=value": name and value trimmed of white space; a value wrapped in a matching
//     pair of quotes loses them; a line without "=" holds a key with no value (reads as
//     the default); ";comment" lines are just keys nobody asks for;
//   - section and key names compare without regard to ASCII case; the first section of a
//     name is the only one searched, and within it the first key of a name wins;
//   - a read copies at most size - 1 characters and always ends with a NUL; a missing file,
//     section or key yields the default text, trailing white space trimmed;
//   - a write replaces the key's line, or appends it after the last line of its section, or
//     appends the section at the end of the file; the file is written back with CR LF.
// Unlike kernel32, a write keeps every other line exactly as it was.
// Where Windows and Wine part ways, this follows Wine, like every test that runs under it:
// Windows misses a section whose header follows a UTF-8 mark on line 1, ends a section name
// at the first "]" and opens a section at a "[" line with no "]", and reads nothing of a
// big-endian UTF-16 file. Little-endian UTF-16 with its mark both read.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_text.h"
#include "platform/utf16_text.h"
#include "platform/windows_api.h"

namespace {

using profile_text::Encoding;
using profile_text::isBlank;
using profile_text::sameName;
using profile_text::trim;

enum class LineKind { Other, Section, Key };

struct Line {
    std::string raw;
    LineKind kind = LineKind::Other;
    std::string name;                 // section or key name
    std::optional<std::string> value;  // key value; none without "="
};

Line classify(std::string raw) {
    Line line;
    line.raw = std::move(raw);
    std::string_view text = trim(line.raw);
    if (text.empty()) return line;
    if (text.front() == '[') {
        const std::size_t close = text.rfind(']');
        if (close == std::string_view::npos) return line;  // unterminated header: ignored
        line.kind = LineKind::Section;
        line.name = std::string(trim(text.substr(1, close - 1)));
        return line;
    }
    line.kind = LineKind::Key;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        line.name = std::string(text);
        return line;
    }
    line.name = std::string(trim(text.substr(0, equals)));
    std::string_view value = trim(text.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    line.value = std::string(value);
    return line;
}

struct Profile {
    Encoding encoding = Encoding::Ansi;  // written back as UTF-16 if read as such, else as bytes
    std::vector<Line> lines;
};

bool isDirectory(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// None when the file can't be read (absent, a directory, no permission).
std::optional<Profile> load(const char* path) {
    if (isDirectory(path)) return std::nullopt;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return std::nullopt;
    std::string content;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
    std::fclose(file);

    Profile profile;
    profile.encoding = profile_text::detectEncoding(content);
    const std::string decoded = profile_text::decodedText(content);
    const std::string_view text(decoded);
    for (const profile_text::TextLine& line : profile_text::splitLines(text))
        profile.lines.push_back(classify(std::string(text.substr(line.start, line.length))));
    return profile;
}

bool save(const Profile& profile, const char* path) {
    std::string text;
    for (const Line& line : profile.lines) text += line.raw + "\r\n";
    if (profile.encoding == Encoding::Utf16LittleEndian || profile.encoding == Encoding::Utf16BigEndian) {
        const bool bigEndian = profile.encoding == Encoding::Utf16BigEndian;
        text = (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + utf16::fromUtf8(text, bigEndian);
    }
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

// Index of the first section line with this name; none if absent.
std::optional<std::size_t> findSection(const Profile& profile, std::string_view section) {
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        const Line& line = profile.lines[i];
        if (line.kind == LineKind::Section && sameName(line.name, section)) return i;
    }
    return std::nullopt;
}

// One past the last line of the section that starts at `header`.
std::size_t sectionEnd(const Profile& profile, std::size_t header) {
    std::size_t end = header + 1;
    while (end < profile.lines.size() && profile.lines[end].kind != LineKind::Section) ++end;
    return end;
}

std::optional<std::size_t> findKey(const Profile& profile, std::size_t header, std::string_view key) {
    const std::size_t end = sectionEnd(profile, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line& line = profile.lines[i];
        if (line.kind == LineKind::Key && sameName(line.name, key)) return i;
    }
    return std::nullopt;
}

std::uint32_t copyOut(std::string_view text, char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0) return 0;
    // A NUL inside the file ends the value, as it ends any C string.
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

}  // namespace

extern "C" std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                                  char* buffer, std::uint32_t size, const char* path) {
    std::string_view fallback = defaultText ? std::string_view(defaultText) : std::string_view();
    while (!fallback.empty() && isBlank(fallback.back())) fallback.remove_suffix(1);
    if (section == nullptr || key == nullptr || path == nullptr) return copyOut(fallback, buffer, size);

    const std::optional<Profile> profile = load(path);
    if (!profile) return copyOut(fallback, buffer, size);
    const auto header = findSection(*profile, section);
    if (!header) return copyOut(fallback, buffer, size);
    const auto keyLine = findKey(*profile, *header, key);
    if (!keyLine || !profile->lines[*keyLine].value) return copyOut(fallback, buffer, size);
    return copyOut(*profile->lines[*keyLine].value, buffer, size);
}

extern "C" int WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* path) {
    if (section == nullptr || path == nullptr || isDirectory(path)) return 0;
    Profile profile = load(path).value_or(Profile{});

    auto header = findSection(profile, section);
    if (key == nullptr) {  // no key: remove the whole section
        if (!header) return 1;
        profile.lines.erase(profile.lines.begin() + static_cast<std::ptrdiff_t>(*header),
                            profile.lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(profile, *header)));
        return save(profile, path) ? 1 : 0;
    }
    if (!header) {
        if (value == nullptr) return 1;
        profile.lines.push_back(classify("[" + std::string(section) + "]"));
        header = profile.lines.size() - 1;
    }
    const auto keyLine = findKey(profile, *header, key);
    if (value == nullptr) {  // no value: remove the key
        if (keyLine) profile.lines.erase(profile.lines.begin() + static_cast<std::ptrdiff_t>(*keyLine));
        return save(profile, path) ? 1 : 0;
    }
    if (keyLine) {
        // Keep the name as the file spells it.
        profile.lines[*keyLine] = classify(profile.lines[*keyLine].name + "=" + value);
    } else {
        std::size_t at = sectionEnd(profile, *header);
        while (at > *header + 1 && profile.lines[at - 1].kind == LineKind::Other) --at;  // before trailing blanks
        profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(at),
                             classify(std::string(key) + "=" + value));
    }
    return save(profile, path) ? 1 : 0;
}
