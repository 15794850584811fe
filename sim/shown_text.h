#pragma once
// Text from Veltrane.ini or a scenario, shown so that a reader sees every byte: as it is when
// it is plain printable ASCII without blanks at either end, otherwise in double quotes with C
// escapes ("50  ", "0.5\xC3\xA9", "[Settings\r\n"). The result is always plain ASCII.

#include <string>
#include <string_view>

namespace sim {

std::string shownText(std::string_view text);

}  // namespace sim
