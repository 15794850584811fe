#pragma once
// Typed reads from one INI file. A read never fails: a missing file, section or key yields
// the caller's default, passed through its written text form (so a float default comes back
// with 6 significant digits), and a value longer than 255 characters is cut before parsing.
// Nothing is cached: every read asks the platform for the file's current text.
// See settings/text_forms.h for the parse rules.

#include <cstdint>
#include <string>

// Capacity, NUL included, of the buffer a profile read fills.
inline constexpr std::uint32_t kProfileBufferSize = 256;

struct IniReader {
    std::string path;

    bool readBool(const char* section, const char* key, bool defaultValue) const;
    std::int32_t readInt(const char* section, const char* key, std::int32_t defaultValue) const;
    float readFloat(const char* section, const char* key, float defaultValue) const;
};
