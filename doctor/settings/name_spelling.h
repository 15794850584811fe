#pragma once
// Section and key names as the settings file spells them, line by line, and the known name
// a misspelt one was most likely meant to be. The profile functions find a name only when it
// matches exactly (ASCII case aside), so a misspelt one is silently never read.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_text.h"

// One section header or key line of the file. Lines are numbered from 1.
struct NameLine {
    std::size_t line = 0;
    bool isSection = false;
    std::string section;  // the section the line belongs to; for a header, its own name
    std::string key;      // empty for a header
    std::string value;    // the value as read (platform/profile_text.h's rules); empty for a header
    bool hasEquals = false;
    // Sections are named as Windows reads the headers, which is what the player wrote them for:
    // "[Settings" and "[Settings]x]" both name Settings. Wine reads two kinds otherwise: a "["
    // line with no "]" opens no section (unclosedHeader), and a header with more than one "]"
    // is named up to the last, not the first (wineSection). Values are read apart, as the
    // system the game runs on reads them (settings_check.h).
    bool unclosedHeader = false;
    std::string wineSection;  // a header's name on Wine; empty when Wine ignores the line
    std::string afterHeader;     // a header's text after its "]", which no reader reads
};

// The file's headers and keys as the player wrote them, read by the line rules of
// platform/profile_text.h with headers named as Windows names them and the Wine reading of each
// beside; a UTF-8 byte-order mark is left aside here (the checks warn about it apart). Comments
// and blank lines are left out.
std::vector<NameLine> scanNames(std::string_view fileBytes);

// Compares as the profile functions do: ASCII letters without regard to case.
using profile_text::sameName;

// The candidate `name` most likely stands for: the nearest one at distance 1 or 2 (the first
// in order on a tie). None when `name` matches one exactly or none is that close.
std::optional<std::string> nearestName(std::string_view name, const std::vector<std::string>& candidates);
