#pragma once
// Typed writes to one INI file, in the written text forms of settings/text_forms.h.
// The platform's result is not looked at: a failed write goes unnoticed.

#include <cstdint>
#include <string>

struct IniWriter {
    std::string path;

    void writeBool(const char* section, const char* key, bool value) const;
    void writeInt(const char* section, const char* key, std::int32_t value) const;
    void writeFloat(const char* section, const char* key, float value) const;
};
