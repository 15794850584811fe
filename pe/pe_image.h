#pragma once
// What a Windows executable or DLL says about itself, read from its bytes alone: machine,
// 32 or 64 bits, DLL or program, the functions it imports from each DLL, the names it exports,
// and its version resource. Nothing is loaded or run, so this works on any platform and on any
// bytes: a file that is no PE image, or a damaged one, reads as far as its bytes allow and never
// beyond them.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pe {

inline constexpr std::uint16_t kMachineX64 = 0x8664;
inline constexpr std::uint16_t kMachineX86 = 0x014C;
inline constexpr std::uint16_t kMachineArm64 = 0xAA64;

// Version texts' names compare as Windows compares them when it looks one up: letter case
// ignored ("OriginalFileName" is "OriginalFilename").
struct NameOrder {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

struct Import {
    std::string dll;                     // as written in the image, "ScriptHookRDR2.dll"
    std::vector<std::string> functions;  // by name; one imported by number reads "#N"
};

struct Image {
    bool isPe = false;           // "MZ", a "PE\0\0" header and an optional header that fit the bytes
    std::uint16_t machine = 0;   // kMachineX64, kMachineX86, ...
    bool is64 = false;           // a PE32+ optional header
    bool isDll = false;          // the file header's DLL flag
    std::vector<Import> imports;
    std::vector<std::string> exports;  // names only, in the table's order
    // From the version resource: "1.2.3.4" (the fixed file version), and the first string
    // table's texts ("FileVersion", "OriginalFilename", "ProductName", ...), in UTF-8.
    std::optional<std::string> fileVersion;
    std::map<std::string, std::string, NameOrder> versionStrings;
};

// The headers' walk, which every reader of an image starts from: where the PE header is, what
// the file header says, and the section table as far as it lies within the bytes.
struct Section {
    std::uint32_t address, virtualSize, rawSize, rawOffset;
};
struct Headers {
    bool isMz = false;             // "MZ" and a DOS header that fit the bytes
    std::size_t peHeader = 0;      // where the DOS header says "PE\0\0" and the file header lie
    bool isPeSignature = false;    // they fit the bytes, and "PE\0\0" is there
    std::uint16_t machine = 0, sectionCount = 0, optionalSize = 0, characteristics = 0;
    std::size_t optionalHeader = 0;  // where the optional header starts; its size is optionalSize
    std::vector<Section> sections;   // those of the table that lie within the bytes
};
Headers readHeaders(std::string_view bytes);

// The limits of what one image may hold; damaged tables may claim anything, and no real image
// comes near these. Past them the reader stops and keeps what it read.
inline constexpr std::size_t kMostDlls = 4096;                  // DLLs imported from
inline constexpr std::size_t kMostNames = 1 << 16;              // exports and imports in all
inline constexpr std::size_t kMostNameCharacters = 1 << 22;     // their characters in all
inline constexpr std::size_t kLongestName = 4096;               // a longer name is cut

// Any bytes in, never a crash, a hang or a read outside them: a file that is no PE image
// reads as one with isPe false and nothing else; a damaged or cut-off one as far as its
// bytes and the limits above allow. Time and memory grow with the bytes, not with what
// their tables claim.
Image readImage(std::string_view bytes);

// The names `image` imports from `dll` (compared without letter case); none when it imports
// nothing from it.
std::vector<std::string> importsFrom(const Image& image, std::string_view dll);

// The version the image's version resource gives: its FileVersion text, else (none, or blank)
// the fixed file version; empty when neither. A text that starts with a number gives its numbers
// joined by dots, as resource scripts may join them by commas ("1, 0, 1491, 50" is
// "1.0.1491.50") and follow them with words ("6.1.7601 (win7_rtm)" is "6.1.7601"); any
// other text is given trimmed. Longer than kLongestVersion, it is cut and ends in "...".
std::string versionText(const Image& image);
inline constexpr std::size_t kLongestVersion = 64;

// "64-bit x64", "32-bit x86", "ARM64", or the machine number.
std::string machineName(const Image& image);

}  // namespace pe
