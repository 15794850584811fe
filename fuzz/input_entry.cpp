// The entry of the fuzz targets that take each input whole: libFuzzer's bytes, as they are, to
// the target's check.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkInput(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
