// The tests' scratch directory (tests/support/scratch_dir.h).

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/settings_file.h"
#include "tests/support/scratch_dir.h"

namespace {

// The same test run from two build trees at once: neither may empty the other's directory.
TEST(ScratchDir, TwoAtOnceKeepTheirOwnFiles) {
    const ScratchDir first;
    writeFile(kSettingsFileName, "first");
    {
        const ScratchDir second;
        EXPECT_NE(second.path(), first.path());
        EXPECT_FALSE(std::filesystem::exists(kSettingsFileName));
    }
    EXPECT_EQ(readFile(kSettingsFileName), "first");
}

}  // namespace
