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
    std::string value;    // the text after "=", trimmed; empty for a header
    // Headers Windows reads otherwise than Wine. A "[" line with no "]" opens a section on
    // Windows only: it is kept here with isSection false and the name Windows reads. A header
    // with more than one "]" is named up to the last on Wine, up to the first on Windows.
    bool unclosedHeader = false;
    std::string windowsSection;  // for both kinds of header
};

// Reads the file's lines the way the profile functions do: a "[name]" line opens a section
// (text after the last "]" ignored, a "[" line with no "]" ignored), "key=value" or a bare
// "key" is a key; names trimmed of white space; lines before any header belong to the
// nameless section. Lines starting with ";" or "#" are comments. The text is decoded first
// (platform/profile_text.h); lines end in CR LF, LF or CR.
std::vector<NameLine> scanNames(std::string_view fileBytes);

// Compares as the profile functions do: ASCII letters without regard to case.
using profile_text::sameName;

// The candidate `name` most likely stands for: the nearest one at distance 1 or 2 (the first
// in order on a tie). None when `name` matches one exactly or none is that close.
std::optional<std::string> nearestName(std::string_view name, const std::vector<std::string>& candidates);
