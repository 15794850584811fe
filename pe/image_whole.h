#pragma once
// Whether a Windows DLL's file is whole: a download cut short still starts with good headers,
// but its sections end past the end of the file, or its checksum no longer holds.

#include <string>
#include <string_view>

// Empty when the file is whole as far as its headers can tell (also for bytes that are no PE
// image at all: other checks say that); else what does not hold, in words. Any bytes in: never
// a crash, a hang or a read past the buffer.
std::string whyImageCutShort(std::string_view bytes);
