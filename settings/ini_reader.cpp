#include "settings/ini_reader.h"

#include <string_view>

#include "platform/windows_api.h"
#include "settings/text_forms.h"

namespace {

// The buffer lives on the stack: a read allocates nothing.
struct ProfileText {
    char chars[kProfileBufferSize];
};

std::string_view readText(const IniReader& reader, const char* section, const char* key, const ValueText& fallback,
                          ProfileText& buffer) {
    buffer.chars[0] = '\0';
    GetPrivateProfileStringA(section, key, fallback.c_str(), buffer.chars, kProfileBufferSize, reader.path.c_str());
    buffer.chars[kProfileBufferSize - 1] = '\0';
    return std::string_view(buffer.chars);
}

}  // namespace

bool IniReader::readBool(const char* section, const char* key, bool defaultValue) const {
    ProfileText buffer;
    return parseBool(readText(*this, section, key, formatBool(defaultValue), buffer));
}

std::int32_t IniReader::readInt(const char* section, const char* key, std::int32_t defaultValue) const {
    ProfileText buffer;
    return parseInt(readText(*this, section, key, formatInt(defaultValue), buffer));
}

float IniReader::readFloat(const char* section, const char* key, float defaultValue) const {
    ProfileText buffer;
    return parseFloat(readText(*this, section, key, formatFloat(defaultValue), buffer));
}
