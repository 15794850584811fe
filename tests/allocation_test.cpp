// No heap allocation on the per-frame path once the world is settled, outside the profile
// stand-in (which builds the file's lines in memory; kernel32 does its own thing). This
// executable replaces malloc and operator new with counting versions, and its link wraps
// GetPrivateProfileStringA so that allocations made inside it are counted apart.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "platform/windows_api.h"
#include "plugin/frame_loop.h"
#include "tests/support/tuning_fixture.h"
#include "tuning/tuning_pass.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
std::uint32_t __real_GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                              char* buffer, std::uint32_t size, const char* path);
}

namespace {

struct AllocationCounts {
    bool counting = false;
    int profileDepth = 0;
    long outsideProfile = 0;
    long insideProfile = 0;
};
AllocationCounts counts;

void countOne() {
    if (!counts.counting) return;
    if (counts.profileDepth > 0) ++counts.insideProfile;
    else ++counts.outsideProfile;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
    countOne();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    countOne();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
    countOne();
    return __libc_realloc(pointer, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    countOne();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    countOne();
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : ENOMEM;
}
void free(void* pointer) { __libc_free(pointer); }

std::uint32_t __wrap_GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                              char* buffer, std::uint32_t size, const char* path) {
    ++counts.profileDepth;
    const std::uint32_t copied = __real_GetPrivateProfileStringA(section, key, defaultText, buffer, size, path);
    --counts.profileDepth;
    return copied;
}

}  // extern "C"

void* operator new(std::size_t size) {
    countOne();
    if (void* pointer = __libc_malloc(size ? size : 1)) return pointer;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* pointer) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer) noexcept { __libc_free(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { __libc_free(pointer); }

namespace {

class Allocations : public TuningFixture {};

struct WorldCase {
    const char* what;
    const char* settings;  // none: the default file the script writes
    std::uint32_t weather;
    std::int32_t pedAccuracy;
    float pedDamage;
    bool churn;  // the game puts every damage modifier back before each frame
};

TEST_F(Allocations, NoneOverAHundredFramesOutsideTheProfileReads) {
    const std::string rain = "[Settings]\r\nEnabled=1\r\n[WeatherType_Rain]\r\nAccuracy_Rain=50\r\nDamageMod_Rain=0.5\r\n";
    const WorldCase cases[] = {
        {"settled peds", rain.c_str(), kRain, 50, 0.5f, false},
        {"peds the pass writes every frame", rain.c_str(), kRain, 50, 0.25f, true},
        {"a weather with no row", rain.c_str(), kNoRow, 0, 0.0f, false},
        {"the default file, accuracy taken from the first ped", nullptr, kRain, 50, 1.0f, false},
        {"the switch off", "[Settings]\r\nEnabled=0\r\n", kRain, 50, 0.5f, false},
    };
    for (const WorldCase& c : cases) {
        resetHostAndPlugin();
        std::filesystem::remove(kSettingsFileName);
        if (c.settings) writeFile(kSettingsFileName, c.settings);
        host().log.enabled = false;
        world().weather = c.weather;
        for (int i = 0; i < kPedCapacity; ++i) world().spawn(c.pedAccuracy, c.pedDamage, i % 7 == 0);
        SettingsFile settings;
        const IniReader started = startScript(settings);
        for (int frame = 0; frame < 3; ++frame) runFrame(settings, started);  // settle

        counts = AllocationCounts{};
        counts.counting = true;
        for (int frame = 0; frame < 100; ++frame) {
            if (c.churn) {
                for (sim::Ped& ped : world().peds()) ped.damageModifier = c.pedDamage;
            }
            runFrame(settings, started);
        }
        counts.counting = false;
        EXPECT_EQ(counts.outsideProfile, 0) << c.what;
        // The wrapper saw the profile reads, so the counting itself works.
        EXPECT_GT(counts.insideProfile, 0) << c.what;
    }
}

}  // namespace
