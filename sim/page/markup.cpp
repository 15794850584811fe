#include "sim/page/markup.h"

#include <cstdio>
#include <sstream>

#include "text/escapes.h"

namespace sim::page {

namespace {

constexpr Escape kHtml[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};

}  // namespace

std::string escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text, kHtml);
    return out;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string s = text;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string decimal(float value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string percent(std::uint32_t part, std::uint32_t whole) {
    return whole == 0 ? "n/a" : std::to_string(static_cast<std::uint64_t>(part) * 100u / whole);
}

std::string span(double least, double most, const char* unit) {
    const std::string low = number(least), high = number(most);
    return (low == high ? low : low + "-" + high) + unit;
}

std::string capped(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    return text.substr(0, limit) + " ... (" + std::to_string(text.size() - limit) + " more characters)";
}

std::string laneLabel(double y, const std::string& text, double x) {
    return "<text class=\"lane\" x=\"" + number(x) + "\" y=\"" + number(y) + "\">" + escape(text) + "</text>\n";
}

}  // namespace sim::page
