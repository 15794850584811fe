// The PE reader over images built here byte by byte: what it reads from a 64-bit and a 32-bit
// DLL, that other files read as no image, and that damaged or cut-off images never make it
// read outside their bytes (the sanitizer builds catch that); and a file cut short told from a
// whole one.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "pe/image_whole.h"
#include "pe/pe_image.h"
#include "tests/support/pe_builder.h"

namespace {

using namespace pe_builder;

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

// The version resource's fields across what a file may hold, and the version shown for it.
TEST(PeImage, GivesTheVersionOfEachShapeOfVersionResource) {
    const auto fileVersion = [](const std::string& text) { return VersionTexts{{"FileVersion", text}}; };
    constexpr std::uint64_t kGame = 0x0001000005D30032;  // 1.0.1491.50
    const std::string longText = "1." + std::string(1000, '2');
    const struct {
        const char* what;
        Version version;
        std::optional<std::string> fixed;
        std::string shown;
    } cases[] = {
        {"fixed version 0, no texts", {0, {}}, "0.0.0.0", "0.0.0.0"},
        {"fixed version 65535", {~std::uint64_t{0}, {}}, "65535.65535.65535.65535", "65535.65535.65535.65535"},
        {"neither a fixed part nor a string table", {0, {}, false, false}, std::nullopt, ""},
        {"no string table", {kGame, {}, true, false}, "1.0.1491.50", "1.0.1491.50"},
        {"FileVersion empty", {kGame, fileVersion("")}, "1.0.1491.50", "1.0.1491.50"},
        {"FileVersion blank", {kGame, fileVersion("  ")}, "1.0.1491.50", "1.0.1491.50"},
        {"FileVersion only", {0, fileVersion("1.0.1491.50"), false}, std::nullopt, "1.0.1491.50"},
        {"commas as resource scripts write them", {kGame, fileVersion("1, 0, 1491, 50")}, "1.0.1491.50", "1.0.1491.50"},
        {"commas without blanks", {0, fileVersion("1,0,1491,50")}, "0.0.0.0", "1.0.1491.50"},
        {"words after the numbers", {0, fileVersion(" 6.1.7601.17514 (win7sp1_rtm.101119-1850)")}, "0.0.0.0",
         "6.1.7601.17514"},
        {"a dot at the end", {0, fileVersion("1.2.")}, "0.0.0.0", "1.2"},
        {"its name in another letter case", {0, {{"FILEVERSION", "2.0"}}}, "0.0.0.0", "2.0"},
        {"no number", {0, fileVersion("beta 2")}, "0.0.0.0", "beta 2"},
        {"very long", {0, fileVersion(longText)}, "0.0.0.0", longText.substr(0, pe::kLongestVersion) + "..."},
    };
    for (const auto& c : cases) {
        const pe::Image image = pe::readImage(buildDll(true, kFunctions, kExports, 1, c.version));
        EXPECT_EQ(image.fileVersion, c.fixed) << c.what;
        EXPECT_EQ(pe::versionText(image), c.shown) << c.what;
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
