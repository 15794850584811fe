// The profile functions the settings code relies on. Natively this exercises the stand-in;
// the Windows build runs the same cases under Wine against kernel32, so every expectation
// here is also a cross-check that the stand-in reads awkward files as kernel32 does.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/profile_text.h"
#include "platform/windows_api.h"
#include "settings/ini_reader.h"
#include "tests/support/scratch_dir.h"

namespace {

constexpr const char* kFile = "./profile.ini";

std::string profileRead(const char* section, const char* key, const char* fallback = "DEF",
                        std::uint32_t size = kProfileBufferSize) {
    std::string buffer(size, '\x7F');
    GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, kFile);
    return std::string(buffer.c_str());
}

// The same read by the settings file's line rules, as Wine reads the file: the rules the
// stand-in and the doctor share, held here against kernel32 when the tests run under Wine.
std::string ruleRead(const char* section, const char* key, const char* fallback = "DEF") {
    const auto lines = profile_text::readLines(readFile(kFile), profile_text::Reader::Wine);
    return profile_text::valueOf(lines, section, key).value_or(fallback);
}

struct ReadCase {
    const char* section;
    const char* key;
    const char* expected;
};

// A file's bytes and what reads of it give.
struct FileCase {
    const char* what;
    std::string content;
    std::vector<ReadCase> reads;
};

class Profile : public ::testing::Test {
protected:
    ScratchDir scratch;
};

TEST_F(Profile, ReadsAwkwardFilesAsKernel32Does) {
    const std::string longValue(300, 'x');
    writeFile(kFile,
              "k0=top\r\n"
              "[Sec\r\n"                     // no "]": ignored
              "k=1\r\n"
              "  [ Spaced ]  ; trailing\r\n"  // names trimmed, text after "]" ignored
              "  Key  =  \"quoted\"  \r\n"
              "mixed='x\"\r\n"
              ";c=5\r\n"
              "inline= a ; comment\r\n"
              "empty=\r\n"
              "blank=   \r\n"
              "noequals\r\n"
              "dup=first\r\n"
              "DUP=second\r\n"
              "tab=\t7\t\r\n"
              "pair=\"a\"b\"\r\n"
              "single='s'\r\n"
              "long=" + longValue + "\r\n"
              "[spaced]\r\n"                  // a second section of the same name is never searched
              "late=dup-section\r\n"
              "[CR]\rk=cr-only\rz=2\r"
              "[LF]\nk=lf\n"
              "[Last]\nk=no-final-newline");
    const ReadCase cases[] = {
        {"Sec", "k", "DEF"},          {"spaced", "key", "quoted"},   {"SPACED", "KEY", "quoted"},
        {"Spaced", "mixed", "'x\""},  {"Spaced", ";c", "5"},         {"Spaced", "c", "DEF"},
        {"Spaced", "inline", "a ; comment"},                         {"Spaced", "empty", ""},
        {"Spaced", "blank", ""},      {"Spaced", "noequals", "DEF"}, {"Spaced", "dup", "first"},
        {"Spaced", "tab", "7"},       {"Spaced", "pair", "a\"b"},    {"Spaced", "single", "s"},
        {"Spaced", "late", "DEF"},    {"CR", "k", "cr-only"},        {"CR", "z", "2"},
        {"LF", "k", "lf"},            {"Last", "k", "no-final-newline"},
        {"Missing", "k", "DEF"},      {"Spaced", "missing", "DEF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(profileRead(c.section, c.key), c.expected) << c.section << "/" << c.key;
        EXPECT_EQ(ruleRead(c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
    EXPECT_EQ(profileRead("Spaced", "long"), std::string(255, 'x'));
}

// Where the file's bytes are open to reading one way or another: the byte-order marks, a
// header with more than one "]", and second sections and keys whose names differ only in case
// and blanks. The stand-in reads them as Wine's kernel32 does (see platform/posix/profile.cpp
// for where Windows itself differs).
TEST_F(Profile, ReadsMarksBracketsAndSecondNamesAsWineDoes) {
    const std::string text = "[S]\r\nk=1\r\n[T]x]\r\nk=2\r\n[U]]\r\nk=3\r\n";
    const FileCase cases[] = {
        {"plain", text, {{"S", "k", "1"}, {"T]x", "k", "2"}, {"T", "k", "DEF"}, {"U]", "k", "3"}, {"U", "k", "DEF"}}},
        {"UTF-8 mark", "\xEF\xBB\xBF" + text, {{"S", "k", "1"}, {"T]x", "k", "2"}}},
        {"UTF-8 mark, then a UTF-16 one", "\xEF\xBB\xBF" + utf16File(text, false), {{"S", "k", "DEF"}}},
        {"UTF-16 little-endian", utf16File(text, false), {{"S", "k", "1"}, {"T]x", "k", "2"}, {"U]", "k", "3"}}},
        {"UTF-16 big-endian", utf16File(text, true), {{"S", "k", "1"}, {"T]x", "k", "2"}}},
        {"UTF-16 without a mark", utf16File(text, false).substr(2), {{"S", "k", "DEF"}}},
        {"second names",
         "[Rain]\r\nDamage=1\r\n\t damage \t=2\r\n  [ rAIN ]  \r\nDamage=3\r\nOther=4\r\n",
         {{"rain", "DAMAGE", "1"}, {"Rain", "Other", "DEF"}}},
    };
    for (const FileCase& c : cases) {
        writeFile(kFile, c.content);
        for (const ReadCase& read : c.reads) {
            EXPECT_EQ(profileRead(read.section, read.key), read.expected) << c.what << ": " << read.section << "/" << read.key;
            EXPECT_EQ(ruleRead(read.section, read.key), read.expected) << c.what << ": " << read.section << "/" << read.key;
        }
    }
}

// Where Windows reads the file otherwise than Wine, the line rules' Windows reading: what the
// doctor reports, as the plugin's host reads it.
TEST_F(Profile, WindowsReadingPartsFromWinesWhereTheRulesSay) {
    const std::string text = "[S]\r\nk=1\r\n[T]x]\r\nk=2\r\n[U\r\nk=3\r\n";
    const FileCase cases[] = {
        {"plain", text, {{"S", "k", "1"}, {"T", "k", "2"}, {"T]x", "k", "DEF"}, {"U", "k", "3"}}},
        {"UTF-8 mark before the first header", "\xEF\xBB\xBF" + text, {{"S", "k", "DEF"}, {"T", "k", "2"}}},
        {"UTF-16 big-endian", utf16File(text, true), {{"S", "k", "DEF"}, {"T", "k", "DEF"}}},
    };
    for (const FileCase& c : cases) {
        const auto lines = profile_text::readLines(c.content, profile_text::Reader::Windows);
        for (const ReadCase& read : c.reads)
            EXPECT_EQ(profile_text::valueOf(lines, read.section, read.key).value_or("DEF"), read.expected)
                << c.what << ": " << read.section << "/" << read.key;
    }
}

TEST_F(Profile, CutsToTheBufferAndAlwaysEndsWithNul) {
    writeFile(kFile, "[S]\r\nv=abcdef\r\n");
    EXPECT_EQ(profileRead("S", "v", "DEF", 4), "abc");
    EXPECT_EQ(profileRead("S", "missing", "defaults", 4), "def");
    EXPECT_EQ(profileRead("S", "v", "DEF", 7), "abcdef");
}

TEST_F(Profile, MissingFileGivesTheDefaultText) {
    EXPECT_EQ(profileRead("S", "k", "0.5"), "0.5");
    EXPECT_FALSE(std::filesystem::exists(kFile));  // a read never creates the file
}

TEST_F(Profile, DirectoryOfThatNameGivesTheDefaultAndRefusesWrites) {
    std::filesystem::create_directory("profile.ini");
    EXPECT_EQ(profileRead("S", "k", "7"), "7");
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "1", kFile), 0);
    EXPECT_TRUE(std::filesystem::is_directory("profile.ini"));
}

TEST_F(Profile, WritesCreateReplaceAndAppend) {
    EXPECT_NE(WritePrivateProfileStringA("S1", "a", "1", kFile), 0);
    EXPECT_NE(WritePrivateProfileStringA("S2", "b", "2", kFile), 0);
    EXPECT_NE(WritePrivateProfileStringA("S1", "c", "3", kFile), 0);
    EXPECT_NE(WritePrivateProfileStringA("s1", "A", "9", kFile), 0);  // names compare without case
    EXPECT_EQ(readFile(kFile), "[S1]\r\na=9\r\nc=3\r\n[S2]\r\nb=2\r\n");
    EXPECT_EQ(profileRead("S1", "a"), "9");
    EXPECT_EQ(profileRead("S2", "B"), "2");
}

// Unlike kernel32, which writes the whole file anew, the stand-in keeps every line it does
// not change as it was: its ending, and a UTF-8 byte-order mark.
TEST_F(Profile, StandInWriteKeepsEveryOtherLine) {
#ifdef _WIN32
    GTEST_SKIP() << "kernel32 writes the file anew";
#endif
    const std::string mark = "\xEF\xBB\xBF";
    writeFile(kFile, mark + "; mine\n[S]\na=1\r\n\n[T]\rb=2");
    EXPECT_NE(WritePrivateProfileStringA("S", "a", "5", kFile), 0);
    EXPECT_NE(WritePrivateProfileStringA("S", "c", "6", kFile), 0);
    EXPECT_NE(WritePrivateProfileStringA("T", "d", "7", kFile), 0);
    EXPECT_EQ(readFile(kFile), mark + "; mine\n[S]\na=5\r\nc=6\n\n[T]\rb=2\nd=7\n");
}

TEST_F(Profile, NulBytesInTheFileEndTheValueOnly) {
    writeFile(kFile, std::string("[A]\nk=1\0tail\nz=2\n[B]\nw=3", 24));
    EXPECT_EQ(profileRead("A", "k"), "1");
    EXPECT_EQ(profileRead("A", "z"), "2");
    EXPECT_EQ(profileRead("B", "w"), "3");
}

}  // namespace
