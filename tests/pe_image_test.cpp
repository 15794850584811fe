// The PE reader over images built here byte by byte: what it reads from a 64-bit and a 32-bit
// DLL, that other files read as no image, and that damaged or cut-off images never make it
// read outside their bytes (the sanitizer builds catch that); and a file cut short told from a
// whole one.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pe/image_whole.h"
#include "pe/pe_image.h"

namespace {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kSectionOffset = 0x200;

void put(std::string& out, std::size_t at, std::uint64_t value, std::size_t size) {
    if (out.size() < at + size) out.resize(at + size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += {c, '\0'};
    return out + std::string(2, '\0');
}

void align4(std::string& out) { out.resize((out.size() + 3) & ~std::size_t{3}, '\0'); }

// A version resource node: length, value length, type, key, value, children.
std::string versionNode(const std::string& key, const std::string& value, std::uint16_t valueLength, bool text,
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

std::string versionInfo(const std::string& originalName) {
    std::string fixed;
    put(fixed, 0, 0xFEEF04BD, 4);
    put(fixed, 4, 0x00010000, 4);
    put(fixed, 8, 0x00000002, 4);   // 0.2
    put(fixed, 12, 0x00030004, 4);  // .3.4
    put(fixed, 48, 0, 4);
    std::string strings;
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"OriginalFilename", originalName},
                                     {"ProductName", "Veltrane"}}) {
        std::string node = versionNode(key, utf16(value), static_cast<std::uint16_t>(value.size() + 1), true, "");
        align4(strings);
        strings += node;
    }
    const std::string table = versionNode("040904B0", "", 0, true, strings);
    const std::string info = versionNode("StringFileInfo", "", 0, true, table);
    return versionNode("VS_VERSION_INFO", fixed, 52, false, info);
}

const std::vector<std::string> kExports = {"standInBind", "standInRunFrame"};

// A DLL of one section that imports `functions` from ScriptHookRDR2.dll (and one by number),
// exports `exports` (its table of names lists them `repeats` times), and has a version resource.
std::string buildDll(bool is64, const std::vector<std::string>& functions,
                     const std::vector<std::string>& exports = kExports, std::uint32_t repeats = 1) {
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
    const std::string version = versionInfo("Veltrane.asi");
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

const std::vector<std::string> kFunctions = {"?scriptWait@@YAXK@Z", "?nativeCall@@YAPEA_KXZ"};

TEST(PeImage, ReadsWhatADllSaysAboutItself) {
    for (const bool is64 : {true, false}) {
        const pe::Image image = pe::readImage(buildDll(is64, kFunctions));
        ASSERT_TRUE(image.isPe) << is64;
        EXPECT_EQ(image.is64, is64);
        EXPECT_EQ(image.machine, is64 ? pe::kMachineX64 : pe::kMachineX86);
        EXPECT_EQ(pe::machineName(image), is64 ? "64-bit x64" : "32-bit x86");
        EXPECT_TRUE(image.isDll);
        EXPECT_EQ(pe::importsFrom(image, "scripthookrdr2.DLL"),
                  (std::vector<std::string>{kFunctions[0], kFunctions[1], "#7"}));
        EXPECT_TRUE(pe::importsFrom(image, "KERNEL32.dll").empty());
        EXPECT_EQ(image.exports, kExports);
        EXPECT_EQ(image.fileVersion, "0.2.3.4");
        EXPECT_EQ(image.versionStrings.at("OriginalFilename"), "Veltrane.asi");
        EXPECT_EQ(image.versionStrings.at("ProductName"), "Veltrane");
    }
}

TEST(PeImage, OtherFilesAreNoImage) {
    std::string onlyStub(0x80, '\0');
    onlyStub[0] = 'M';
    onlyStub[1] = 'Z';
    std::string noOptionalHeader = buildDll(true, kFunctions);
    noOptionalHeader[0x40 + 24] = 0x0B;
    noOptionalHeader[0x40 + 25] = 0x03;
    for (const std::string& bytes : {std::string(), std::string("[Settings]\r\nEnabled=1\r\n"), std::string("MZ"),
                                     onlyStub, noOptionalHeader}) {
        EXPECT_FALSE(pe::readImage(bytes).isPe) << bytes.size();
    }
}

TEST(PeImage, DamagedImagesAreReadOnlyWithinTheirBytes) {
    const std::string whole = buildDll(true, kFunctions);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const pe::Image image = pe::readImage(std::string(whole, 0, size));
        // Without the section's bytes there is nothing to read from them.
        if (size <= kSectionOffset) EXPECT_TRUE(image.imports.empty() && image.exports.empty() && !image.fileVersion);
        else EXPECT_TRUE(image.isPe);
    }
    std::mt19937 random(18);
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = whole;
        for (int i = 0; i < 4; ++i) damaged[random() % damaged.size()] = static_cast<char>(random());
        const pe::Image image = pe::readImage(damaged);
        EXPECT_LE(image.imports.size(), 4096u);
    }
}

// A table may name one long name again and again: 65,536 times a 4,000-character name is
// 262 MB of text from a file of 260 KB. The reader keeps to its budget and stops.
TEST(PeImage, NamesRepeatedByATableAreReadOnlyWithinTheBudget) {
    const std::string longName(4000, 'n');
    const pe::Image image = pe::readImage(buildDll(true, kFunctions, {longName}, 1 << 16));
    ASSERT_TRUE(image.isPe);
    EXPECT_EQ(image.exports.size(), pe::kMostNameCharacters / longName.size());
    EXPECT_EQ(image.exports.front(), longName);
}

// A PE32+ image of one section (raw data at 0x200, 0x200 bytes) and `size` bytes in all.
std::string image(std::size_t size, std::uint32_t checksum = 0) {
    std::string bytes(0x400, '\0');
    bytes[0] = 'M', bytes[1] = 'Z';
    put(bytes, 0x3C, 0x40, 4);
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    put(bytes, 0x44, 0x8664, 2);  // machine
    put(bytes, 0x46, 1, 2);       // sections
    put(bytes, 0x54, 0xF0, 2);    // optional header's size
    put(bytes, 0x58, 0x20B, 2);   // PE32+
    put(bytes, 0x58 + 64, checksum, 4);
    const std::size_t section = 0x58 + 0xF0;
    put(bytes, section + 16, 0x200, 4);
    put(bytes, section + 20, 0x200, 4);
    bytes.resize(size);
    return bytes;
}

TEST(ImageWhole, TellsACutShortFileFromAWholeOne) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string says;  // empty: whole
    };
    const Case cases[] = {
        {"whole", image(0x400), ""},
        {"with data after the sections", image(0x500), ""},
        {"cut in the last section", image(0x300), "past the end of the file (768 bytes)"},
        {"cut in the section table", image(0x80), "headers end past the end"},
        {"a checksum that does not hold", image(0x400, 0x1234), "checksum"},
        {"no image", "just text, not a DLL", ""},
        {"header pointer past the end", std::string("MZ") + std::string(0x3A, '\0') + "\xff\xff\xff\x7f",
         "headers end"},
    };
    for (const Case& c : cases) {
        const std::string why = whyImageCutShort(c.bytes);
        if (c.says.empty()) EXPECT_EQ(why, "") << c.what;
        else EXPECT_NE(why.find(c.says), std::string::npos) << c.what << ": " << why;
    }
}

}  // namespace
