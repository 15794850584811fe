// The native profile stand-in reading any file: NUL bytes, lines of any length, no final
// newline, unterminated section headers. A read never writes past the size it was given,
// always leaves a NUL-terminated text of at most size - 1 (so at most 255) characters,
// returns its length, never changes the file, and yields the default when the file holds
// no section at all.

#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/windows_api.h"
#include "settings/ini_reader.h"

namespace {

constexpr std::size_t kGuard = 64;
constexpr char kCanary = '\x7F';

// The names the plugin asks for, and a few spellings the stand-in must treat alike.
constexpr const char* kSections[] = {"Settings", "WeatherType_Rain", "weathertype_rain", "WeatherType_Sunny", ""};
constexpr const char* kKeys[] = {"Enabled", "Accuracy_Rain", "DAMAGEMOD_RAIN", "DamageMod_Sunny", ""};

std::string pickName(FuzzedDataProvider& in, const char* const* names, std::size_t count) {
    if (in.ConsumeBool()) return names[in.ConsumeIntegralInRange<std::size_t>(0, count - 1)];
    return in.ConsumeRandomLengthString(40);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

bool sameStat(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = (scratchDirectory() / "fuzz.ini").string();
    const char* const path = file.c_str();
    FuzzedDataProvider in(data, size);
    const std::string section = pickName(in, kSections, std::size(kSections));
    const std::string key = pickName(in, kKeys, std::size(kKeys));
    const std::string fallback = in.ConsumeBool() ? "12829" : in.ConsumeRandomLengthString(300);
    const auto bufferSize = in.ConsumeBool() ? kProfileBufferSize : in.ConsumeIntegralInRange<std::uint32_t>(1, 256);
    const std::string content = in.ConsumeRemainingBytesAsString();
    writeBytes(path, content);
    struct stat before {};
    FUZZ_CHECK(::stat(path, &before) == 0, "the file was not written");

    std::array<char, kProfileBufferSize + kGuard> buffer;
    buffer.fill(kCanary);
    const std::uint32_t copied =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(), bufferSize, path);

    const void* nul = std::memchr(buffer.data(), '\0', bufferSize);
    FUZZ_CHECK(nul != nullptr, "no NUL within the %u characters given", bufferSize);
    const std::size_t length = std::strlen(buffer.data());
    FUZZ_CHECK(length <= bufferSize - 1 && length <= 255, "%zu characters in a buffer of %u", length, bufferSize);
    FUZZ_CHECK(copied == length, "returned %u for a text of %zu characters", copied, length);
    for (std::size_t i = bufferSize; i < buffer.size(); ++i)
        FUZZ_CHECK(buffer[i] == kCanary, "wrote at %zu, past the %u characters given", i, bufferSize);

    struct stat after {};
    FUZZ_CHECK(::stat(path, &after) == 0 && sameStat(before, after), "the read touched the file");
    FUZZ_CHECK(readBytes(path) == content, "the read changed the file");

    // A value ends at its line's end, so only a default can bring a line break back.
    const std::string shown(buffer.data(), length);
    if (std::strpbrk(fallback.c_str(), "\r\n") == nullptr)
        FUZZ_CHECK(shown.find_first_of("\r\n") == std::string::npos, "a line break inside a value");

    // With no "[" there is no section header, so every named section is missing and a read
    // yields the default text, trailing blanks trimmed and cut to fit.
    if (content.find('[') == std::string::npos && section.c_str()[0] != '\0') {
        std::string expected = fallback.c_str();
        while (!expected.empty() && isBlank(expected.back())) expected.pop_back();
        expected = expected.substr(0, bufferSize - 1);
        FUZZ_CHECK(shown == expected, "a file without sections gave \"%s\", not the default", shown.c_str());
    }
    return 0;
}
