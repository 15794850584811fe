#include "settings/ini_writer.h"

#include "platform/windows_api.h"
#include "settings/text_forms.h"

namespace {

void writeText(const IniWriter& writer, const char* section, const char* key, const ValueText& text) {
    WritePrivateProfileStringA(section, key, text.c_str(), writer.path.c_str());
}

}  // namespace

void IniWriter::writeBool(const char* section, const char* key, bool value) const {
    writeText(*this, section, key, formatBool(value));
}

void IniWriter::writeInt(const char* section, const char* key, std::int32_t value) const {
    writeText(*this, section, key, formatInt(value));
}

void IniWriter::writeFloat(const char* section, const char* key, float value) const {
    writeText(*this, section, key, formatFloat(value));
}
