// parseBool on any text: true exactly when the integer read of the same text is not 0 (so a
// number beyond the 32-bit range is true too, and words are false).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "fuzz/reference_number.h"
#include "settings/text_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool value = parseBool(text);
    FUZZ_CHECK(value == (reference::parseInt(text) != 0), "parseBool gave %d, the reference int %d", value,
               reference::parseInt(text));
    FUZZ_CHECK(value == (parseInt(text) != 0), "parseBool gave %d, parseInt %d", value, parseInt(text));
    FUZZ_CHECK(parseBool(formatBool(value).c_str()) == value, "%d does not survive its written form", value);
    return 0;
}
