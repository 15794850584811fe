// parseBool on any text: true exactly when the integer read of the same text is not 0 (so a
// number beyond the 32-bit range is true too, and words are false).

#include <string_view>

#include "fuzz/fuzz_support.h"
#include "fuzz/reference_number.h"
#include "settings/text_forms.h"

void checkInput(std::string_view text) {
    const bool value = parseBool(text);
    FUZZ_CHECK(value == (reference::parseInt(text) != 0), "parseBool gave %d, the reference int %d", value,
               reference::parseInt(text));
    FUZZ_CHECK(value == (parseInt(text) != 0), "parseBool gave %d, parseInt %d", value, parseInt(text));
    FUZZ_CHECK(parseBool(formatBool(value).c_str()) == value, "%d does not survive its written form", value);
}
