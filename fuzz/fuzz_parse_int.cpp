// parseInt on any text: equals the reference parse, and every value survives its own written
// form (so a value the plugin writes reads back as itself).

#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "fuzz/reference_number.h"
#include "settings/text_forms.h"

void checkInput(std::string_view text) {
    const std::int32_t value = parseInt(text);
    const std::int32_t expected = reference::parseInt(text);
    FUZZ_CHECK(value == expected, "parseInt gave %d, the reference %d", value, expected);

    const ValueText written = formatInt(value);
    FUZZ_CHECK(parseInt(written.c_str()) == value, "%d written as \"%s\" reads back as %d", value, written.c_str(),
               parseInt(written.c_str()));
}
