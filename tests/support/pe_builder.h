#pragma once
// Windows DLLs built byte by byte, for the tests of what is read from their bytes: one section,
// imports from the script hook, exports and a version resource.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pe/pe_image.h"

namespace pe_builder {

inline constexpr std::uint32_t kSectionRva = 0x1000;
inline constexpr std::uint32_t kSectionOffset = 0x200;

inline void put(std::string& out, std::size_t at, std::uint64_t value, std::size_t size) {
    if (out.size() < at + size) out.resize(at + size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

inline std::string utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += {c, '\0'};
    return out + std::string(2, '\0');
}

inline void align4(std::string& out) { out.resize((out.size() + 3) & ~std::size_t{3}, '\0'); }

// A version resource node: length, value length, type, key, value, children.
inline std::string versionNode(const std::string& key, const std::string& value, std::uint16_t valueLength, bool text,
                               const std::string& children) {
    std::string node(6, '\0');
    node += utf16(key);
    align4(node);
    node += value;
    align4(node);
    node += children;
    put(node, 0, node.size(), 2);
    put(node, 2, valueLength, 2);
    put(node, 4, text ? 1 : 0, 2);
    return node;
}

// A version resource: the fixed file version, and its texts in a string table; either may be
// left out (no string table: no StringFileInfo at all).
using VersionTexts = std::vector<std::pair<std::string, std::string>>;
struct Version {
    std::uint64_t fixed = 0x0000000200030004;  // 0.2.3.4, the high word first
    VersionTexts texts = {{"OriginalFilename", "Veltrane.asi"}, {"ProductName", "Veltrane"}};
    bool withFixed = true, withTable = true;
};

inline std::string versionInfo(const Version& version) {
    std::string fixed;
    if (version.withFixed) {
        put(fixed, 0, 0xFEEF04BD, 4);
        put(fixed, 4, 0x00010000, 4);
        put(fixed, 8, version.fixed >> 32, 4);
        put(fixed, 12, version.fixed & 0xFFFFFFFF, 4);
        put(fixed, 48, 0, 4);
    }
    std::string strings;
    for (const auto& [key, value] : version.texts) {
        std::string node = versionNode(key, utf16(value), static_cast<std::uint16_t>(value.size() + 1), true, "");
        align4(strings);
        strings += node;
    }
    const std::string table = versionNode("040904B0", "", 0, true, strings);
    const std::string info = version.withTable ? versionNode("StringFileInfo", "", 0, true, table) : "";
    return versionNode("VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), false, info);
}

inline const std::vector<std::string> kExports = {"standInBind", "standInRunFrame"};

// A DLL of one section that imports `functions` from ScriptHookRDR2.dll (and one by number),
// exports `exports` (its table of names lists them `repeats` times), and has a version resource.
inline std::string buildDll(bool is64, const std::vector<std::string>& functions,
                            const std::vector<std::string>& exports = kExports, std::uint32_t repeats = 1,
                            const Version& versionResource = {}) {
    std::string section;
    auto rva = [&] { return static_cast<std::uint32_t>(kSectionRva + section.size()); };
    auto addName = [&](const std::string& name) {
        const std::uint32_t at = rva();
        section += name;
        section += '\0';
        return at;
    };
    const std::size_t width = is64 ? 8 : 4;
    // Import: hint/name entries, the lookup table, the DLL's name, then the descriptors.
    std::vector<std::uint32_t> hints;
    for (const std::string& function : functions) hints.push_back(addName(std::string(2, '\0') + function));
    align4(section);
    const std::uint32_t lookup = rva();
    for (std::uint32_t hint : hints) put(section, section.size(), hint, width);
    put(section, section.size(), (is64 ? std::uint64_t{1} << 63 : std::uint64_t{1} << 31) | 7, width);
    put(section, section.size(), 0, width);
    const std::uint32_t dllName = addName("ScriptHookRDR2.dll");
    align4(section);
    const std::uint32_t imports = rva();
    std::string descriptor(40, '\0');
    put(descriptor, 0, lookup, 4);
    put(descriptor, 12, dllName, 4);
    put(descriptor, 16, lookup, 4);
    section += descriptor;  // and an empty one that ends the table
    std::vector<std::uint32_t> exportNames;
    for (const std::string& name : exports) exportNames.push_back(addName(name));
    align4(section);
    const std::uint32_t names = rva();
    for (std::uint32_t i = 0; i < repeats; ++i)
        for (std::uint32_t name : exportNames) put(section, section.size(), name, 4);
    const std::uint32_t exportTable = rva();
    std::string exportDirectory(40, '\0');
    put(exportDirectory, 24, exportNames.size() * repeats, 4);
    put(exportDirectory, 32, names, 4);
    section += exportDirectory;
    // Resources: type 16, then one name, one language, the data entry, the data.
    const std::uint32_t resources = rva();
    const std::string version = versionInfo(versionResource);
    std::string tree;
    for (std::uint32_t level = 0; level < 3; ++level) {
        const std::size_t at = tree.size();
        put(tree, at + 14, 1, 2);                             // one numbered entry
        put(tree, at + 16, level == 0 ? 16 : 1, 4);           // RT_VERSION, then id 1
        const std::uint32_t next = static_cast<std::uint32_t>(at + 24);
        put(tree, at + 20, level < 2 ? (next | 0x80000000u) : next, 4);
    }
    const std::size_t dataEntry = tree.size();
    put(tree, dataEntry, resources + dataEntry + 16, 4);
    put(tree, dataEntry + 4, version.size(), 4);
    put(tree, dataEntry + 15, 0, 1);
    section += tree + version;
    align4(section);

    std::string image;
    put(image, 0, 0x5A4D, 2);
    put(image, 0x3C, 0x40, 4);
    const std::size_t header = 0x40;
    put(image, header, 0x00004550, 4);
    put(image, header + 4, is64 ? pe::kMachineX64 : pe::kMachineX86, 2);
    put(image, header + 6, 1, 2);
    const std::size_t optionalSize = is64 ? 240 : 224;
    put(image, header + 20, optionalSize, 2);
    put(image, header + 22, 0x2002, 2);  // executable, DLL
    const std::size_t optional = header + 24;
    put(image, optional, is64 ? 0x20B : 0x10B, 2);
    put(image, optional + (is64 ? 108 : 92), 16, 4);
    const std::size_t directories = optional + (is64 ? 112 : 96);
    put(image, directories + 0, exportTable, 4);
    put(image, directories + 4, 40, 4);
    put(image, directories + 8, imports, 4);
    put(image, directories + 12, 40, 4);
    put(image, directories + 16, resources, 4);
    put(image, directories + 20, tree.size() + version.size(), 4);
    const std::size_t sectionHeader = optional + optionalSize;
    put(image, sectionHeader + 8, section.size(), 4);
    put(image, sectionHeader + 12, kSectionRva, 4);
    put(image, sectionHeader + 16, section.size(), 4);
    put(image, sectionHeader + 20, kSectionOffset, 4);
    image.resize(kSectionOffset, '\0');
    return image + section;
}

}  // namespace pe_builder
