// Whether a DLL the doctor is pointed at was cut short, for any bytes. Bytes that are no image
// are left to other checks; a file found cut short stays cut short when cut further; a file
// whose sections end past its end is told its own size.

#include <cstddef>
#include <string>
#include <string_view>

#include "pe/image_whole.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kDosHeader = 0x40;

}  // namespace

void checkInput(std::string_view bytes) {
    const std::size_t size = bytes.size();
    const std::string why = whyImageCutShort(bytes);
    if (size < kDosHeader || bytes.substr(0, 2) != "MZ") {
        FUZZ_CHECK(why.empty(), "no image, yet \"%s\"", why.c_str());
        return;
    }
    if (why.find("sections end") != std::string::npos)
        FUZZ_CHECK(why.find("(" + std::to_string(size) + " bytes)") != std::string::npos,
                   "\"%s\" for a file of %zu bytes", why.c_str(), size);

    // Cut further at a point the input chooses (its last byte), never below the DOS header.
    if (why.empty() || why.find("past the end") == std::string::npos || size == kDosHeader) return;
    const std::size_t cut = kDosHeader + (size - kDosHeader) * static_cast<unsigned char>(bytes.back()) / 256;
    const std::string shorter = whyImageCutShort(bytes.substr(0, cut));
    FUZZ_CHECK(shorter.find("past the end") != std::string::npos, "cut from %zu to %zu bytes, it reads \"%s\"", size,
               cut, shorter.c_str());
}
