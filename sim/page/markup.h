#pragma once
// Text as the page writes it: escaped for HTML, numbers short, long texts capped.

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/weather_hash.h"  // hashText

namespace sim::page {

std::string escape(const std::string& text);

// At most one decimal, none when it is 0: "12", "12.5".
std::string number(double value);
std::string decimal(float value);

// Share of `part` in `whole` in whole percent, rounded down: 100 only when all are there.
std::string percent(std::uint32_t part, std::uint32_t whole);

// "42" or, over several frames, "40-100".
std::string span(double least, double most, const char* unit = "");

// Long text for a table cell: at most `limit` characters, then how many more there were.
std::string capped(const std::string& text, std::size_t limit = 400);

// A lane's name, right-aligned in the room left of the plot, ending at x.
std::string laneLabel(double y, const std::string& text, double x);

}  // namespace sim::page
