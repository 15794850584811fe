// A stand-in for kernel32's profile functions, for native builds. It does what the plugin
// relies on and, where the file's layout is open, what kernel32 does as Wine implements it:
// the line rules (headers, keys, comments, where a section ends, which of two names is read,
// the byte-order marks) are platform/profile_text.h's, read as Wine reads them; that header
// also says where Windows reads otherwise.
//   - a read copies at most size - 1 characters and always ends with a NUL; a missing file,
//     section or key yields the default text, trailing white space trimmed;
//   - a write replaces the key's line, or adds it after the last key of its section
//     (profile_text::addedKeyAt), or appends the section at the end of the file; a file that
//     starts with a UTF-16 byte-order mark is written back as UTF-16.
// Unlike kernel32, which writes the whole file anew with CR LF, a write keeps every other line
// exactly as it was (its ending, and a UTF-8 byte-order mark); a new line gets the file's own
// ending, CR LF in a file that has none.

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
using profile_text::ProfileLine;
using profile_text::Reader;

struct Profile {
    Encoding encoding = Encoding::Ansi;  // written back as UTF-16 if read as such, else as bytes
    std::string mark;                    // a UTF-8 byte-order mark, kept
    std::vector<ProfileLine> lines;      // as read
    std::vector<std::string> texts;      // each line as it stands, without its ending
    std::vector<std::string> endings;
    std::string fileEnding = "\r\n";     // profile_text::lineEndingOf

    void insert(std::size_t at, std::string text, std::string ending) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), profile_text::readLine(text, Reader::Wine));
        texts.insert(texts.begin() + static_cast<std::ptrdiff_t>(at), std::move(text));
        endings.insert(endings.begin() + static_cast<std::ptrdiff_t>(at), std::move(ending));
    }
    void erase(std::size_t from, std::size_t to) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.begin() + static_cast<std::ptrdiff_t>(to));
        texts.erase(texts.begin() + static_cast<std::ptrdiff_t>(from), texts.begin() + static_cast<std::ptrdiff_t>(to));
        endings.erase(endings.begin() + static_cast<std::ptrdiff_t>(from),
                      endings.begin() + static_cast<std::ptrdiff_t>(to));
    }
    // A line added at `at`: with the file's ending, and the line before it ended first.
    void add(std::size_t at, std::string text) {
        if (at > 0 && endings[at - 1].empty()) endings[at - 1] = fileEnding;
        insert(at, std::move(text), fileEnding);
    }
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
    if (profile.encoding == Encoding::Utf8WithMark) profile.mark = content.substr(0, 3);
    const std::string text = profile_text::readerText(content, Reader::Wine);
    profile.fileEnding = profile_text::lineEndingOf(text);
    for (const profile_text::TextLine& line : profile_text::splitLines(text))
        profile.insert(profile.lines.size(), text.substr(line.start, line.length), std::string(line.ending));
    return profile;
}

bool save(const Profile& profile, const char* path) {
    std::string text;
    for (std::size_t i = 0; i < profile.texts.size(); ++i) text += profile.texts[i] + profile.endings[i];
    if (profile.encoding == Encoding::Utf16LittleEndian || profile.encoding == Encoding::Utf16BigEndian) {
        const bool bigEndian = profile.encoding == Encoding::Utf16BigEndian;
        text = (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + utf16::fromUtf8(text, bigEndian);
    } else {
        text = profile.mark + text;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

std::uint32_t copyOut(std::string_view text, char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0) return 0;
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
    const std::optional<std::string> value = profile_text::valueOf(profile->lines, section, key);
    return copyOut(value ? *value : fallback, buffer, size);
}

extern "C" int WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* path) {
    if (section == nullptr || path == nullptr || isDirectory(path)) return 0;
    Profile profile = load(path).value_or(Profile{});

    auto header = profile_text::findSection(profile.lines, section);
    if (key == nullptr) {  // no key: remove the whole section
        if (!header) return 1;
        profile.erase(*header, profile_text::sectionEnd(profile.lines, *header));
        return save(profile, path) ? 1 : 0;
    }
    if (!header) {
        if (value == nullptr) return 1;
        profile.add(profile.lines.size(), "[" + std::string(section) + "]");
        header = profile.lines.size() - 1;
    }
    const auto keyLine = profile_text::findKey(profile.lines, *header, key);
    if (value == nullptr) {  // no value: remove the key
        if (keyLine) profile.erase(*keyLine, *keyLine + 1);
        return save(profile, path) ? 1 : 0;
    }
    if (keyLine) {
        // Keep the name as the file spells it, and the line's ending.
        const std::string ending = profile.endings[*keyLine];
        const std::string name = profile.lines[*keyLine].name;
        profile.erase(*keyLine, *keyLine + 1);
        profile.insert(*keyLine, name + "=" + value, ending);
    } else {
        profile.add(profile_text::addedKeyAt(profile.lines, *header), std::string(key) + "=" + value);
    }
    return save(profile, path) ? 1 : 0;
}
