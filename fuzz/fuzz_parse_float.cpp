// parseFloat on any text: never infinity or NaN; equal, bit for bit, to strtof of the number
// the text starts with (the nearest float, subnormals included), except that a number too
// small for any float may read as +0.0 whatever its sign; 0.0 for a number too large for a
// float, where strtof gives infinity; and a value's 6-digit written form is stable under a read.

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "fuzz/reference_number.h"
#include "platform/float_bits.h"
#include "settings/text_forms.h"

void checkInput(std::string_view text) {
    const float value = parseFloat(text);
    FUZZ_CHECK(std::isfinite(value), "parseFloat gave %g", static_cast<double>(value));

    const std::string number = reference::floatNumber(text);
    if (number.empty()) {
        FUZZ_CHECK(floatBits(value) == 0, "no number, yet parseFloat gave %g", static_cast<double>(value));
    } else {
        errno = 0;
        const float expected = std::strtof(number.c_str(), nullptr);
        if (std::isinf(expected)) {
            FUZZ_CHECK(errno == ERANGE && floatBits(value) == 0, "\"%s\" is too large, yet parseFloat gave %g",
                       number.c_str(), static_cast<double>(value));
        } else if (expected == 0.0f && errno == ERANGE) {
            // Too small for any float: the parser gives +0.0 even for a negative number, where
            // strtof keeps the sign. The two zeros compare equal everywhere the plugin uses them.
            FUZZ_CHECK(value == 0.0f, "\"%s\" underflows, yet parseFloat gave %a", number.c_str(),
                       static_cast<double>(value));
        } else {
            // strtof rounds to nearest, subnormals included.
            FUZZ_CHECK(floatBits(value) == floatBits(expected), "\"%s\": parseFloat gave %a, strtof %a", number.c_str(),
                       static_cast<double>(value), static_cast<double>(expected));
        }
    }

    const ValueText written = formatFloat(value);
    const ValueText rewritten = formatFloat(parseFloat(written.c_str()));
    FUZZ_CHECK(std::strcmp(written.c_str(), rewritten.c_str()) == 0, "\"%s\" reads back and writes as \"%s\"",
               written.c_str(), rewritten.c_str());
}
