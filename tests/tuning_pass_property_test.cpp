// The tuning pass in worlds drawn at random, where the game gives every answer it may: an
// exempt test of any non-zero value, accuracies of any 32-bit value, damage modifiers of any
// bits (both zeros, subnormals, the largest and smallest, infinities, NaNs of either sign and
// any payload), handles of any 32-bit value, a ped count of any 32-bit value, and junk in the
// upper half of every answer's slot. What the pass ought to do is worked out here from the
// rules of the pass alone, by a model that shares nothing with tuning/: the native calls in
// order with their arguments, what each ped holds afterwards, and what the record holds.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/support/tuning_fixture.h"
#include "tuning/tuning_pass.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kBuffer = 1024;  // the handles the pass asks for

// The edges of each answer's range; the draws below mix them with values of any bits.
const std::int32_t kExemptAnswers[] = {1, 2, -1, 0x100, kMin, kMax, 0x10000, 0x80};  // 0 alone means "not exempt"
const std::int32_t kAccuracies[] = {0, 1, 44, 50, 62, 100, 101, 108, -1, -100, 12829, 12829 | 0x2C, 0x100, kMin, kMax};
const std::int32_t kCounts[] = {0, 1, 1024, 1025, kMax, -1, kMin};
const std::uint32_t kFloatBits[] = {
    0x00000000u, 0x80000000u,  // +0.0, -0.0
    0x00000001u, 0x80000001u, 0x007FFFFFu, 0x807FFFFFu,  // subnormals: the smallest, the largest
    0x00800000u, 0x80800000u,  // the smallest normal numbers
    0x7F7FFFFFu, 0xFF7FFFFFu,  // the largest and the lowest
    0x7F800000u, 0xFF800000u,  // infinities
    0x7FC00000u, 0xFFC00000u, 0x7F800001u, 0x7FBFFFFFu, 0xFFFFFFFFu,  // NaNs: quiet, signalling, payloads
    0x3F800000u, 0x3F000000u, 0xC0200000u,  // 1.0, 0.5, -2.5
};
const std::uint32_t kHighHalves[] = {0u, 0xFFFFFFFFu, 0xA5A5A5A5u, 1u, 0x80000000u};

float fromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t toBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A ped's damage modifier as the game reports it, and the pass's: they differ when both are
// numbers and not equal. A NaN on either side, and +0.0 against -0.0, do not differ.
bool damageDiffers(float reported, float wanted) {
    if (std::isnan(reported) || std::isnan(wanted)) return false;
    return !(reported == wanted);
}

// An accuracy is applied to peds only from 0 to 100.
bool accuracyApplies(std::int32_t accuracy) { return accuracy >= 0 && accuracy <= 100; }

class Draw {
public:
    explicit Draw(std::uint32_t seed) : rng(seed) {}

    bool chance(double p) { return std::bernoulli_distribution(p)(rng); }
    std::uint32_t bits() { return static_cast<std::uint32_t>(rng()); }
    std::int32_t anyInt() { return static_cast<std::int32_t>(bits()); }
    template <typename T, std::size_t N>
    T edge(const T (&values)[N]) {
        return values[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
    }
    int upTo(int most) { return std::uniform_int_distribution<int>(0, most)(rng); }

    std::int32_t exemptAnswer() {
        if (chance(0.6)) return edge(kExemptAnswers);
        const std::int32_t any = anyInt();
        return any != 0 ? any : 7;
    }
    std::int32_t accuracy() { return chance(0.7) ? edge(kAccuracies) : anyInt(); }
    float damage() { return fromBits(chance(0.7) ? edge(kFloatBits) : bits()); }
    // A value the settings file can hold: a finite float.
    float finiteDamage() {
        for (;;) {
            const float value = damage();
            if (std::isfinite(value)) return value;
        }
    }

private:
    std::mt19937 rng;
};

// The game as the model sees it: each ped's values by handle, and the order the host lists them in.
struct ModelPed {
    std::int32_t exemptAnswer = 0;  // 0: not exempt
    std::int32_t accuracy = 0;
    float damage = 0.0f;
    bool readsNaN = false;
};

struct ExpectedCall {
    std::uint64_t hash;
    std::int32_t ped;
    std::optional<std::uint64_t> value;  // the written value's word, for the two writes
};

struct Model {
    std::map<std::int32_t, ModelPed> peds;
    std::vector<std::int32_t> listed;  // the handles worldGetAllPeds writes, in its order
    std::int32_t accuracy = 0;         // the record
    float damage = 0.0f;
    std::vector<ExpectedCall> calls;

    // The game's answers for a handle it doesn't know: not exempt, 0, 0.0; its writes are lost.
    ModelPed* find(std::int32_t handle) {
        auto it = peds.find(handle);
        return it == peds.end() ? nullptr : &it->second;
    }

    // One pass: the record's values for it, then every handle the host reported, in buffer order.
    void pass(const std::vector<std::int32_t>& buffer, std::int32_t reported) {
        calls.clear();
        std::int32_t visited = reported < 0 ? 0 : reported;
        if (visited > static_cast<std::int32_t>(kBuffer)) visited = static_cast<std::int32_t>(kBuffer);
        for (std::int32_t i = 0; i < visited; ++i) {
            const std::int32_t handle = buffer[static_cast<std::size_t>(i)];
            ModelPed* ped = find(handle);
            calls.push_back({0x7D5B1F88E7504BBAull, handle, std::nullopt});  // exempt test
            if (ped != nullptr && ped->exemptAnswer != 0) continue;
            if (accuracy == 12829) {
                calls.push_back({0x37F4AD56ECBC0CD6ull, handle, std::nullopt});  // accuracy read
                accuracy = (ped ? ped->accuracy : 0) | 0x2C;
            }
            calls.push_back({0x936E7CAD0AE2EE14ull, handle, std::nullopt});  // damage modifier read
            const float reportedDamage = ped == nullptr ? 0.0f : ped->readsNaN ? std::nanf("") : ped->damage;
            if (damageDiffers(reportedDamage, damage)) {
                calls.push_back({0xD77AE48611B7B10Aull, handle, std::uint64_t{toBits(damage)}});
                if (ped != nullptr) ped->damage = damage;
                continue;
            }
            if (!accuracyApplies(accuracy)) continue;
            calls.push_back({0x37F4AD56ECBC0CD6ull, handle, std::nullopt});
            if ((ped ? ped->accuracy : 0) != accuracy) {
                calls.push_back({0x7AEFB85C1D49DEB6ull, handle, std::uint64_t{static_cast<std::uint32_t>(accuracy)}});
                if (ped != nullptr) ped->accuracy = accuracy;
            }
        }
    }
};

// "" when the recorded native calls after the weather query are the expected ones.
std::string firstDifference(const std::vector<ExpectedCall>& expected, const std::vector<sim::HostCall>& recorded) {
    for (std::size_t i = 0; i < std::max(expected.size(), recorded.size()); ++i) {
        const bool haveExpected = i < expected.size(), haveRecorded = i < recorded.size();
        char wanted[96] = "nothing";
        if (haveExpected) {
            std::snprintf(wanted, sizeof wanted, "%s(0x%X%s)", sim::nativeName(expected[i].hash).c_str(),
                          static_cast<unsigned>(expected[i].ped), expected[i].value ? ", value" : "");
        }
        const std::string got = haveRecorded ? sim::describe(recorded[i]) : "nothing";
        if (!haveExpected || !haveRecorded) return "call " + std::to_string(i) + ": expected " + wanted + ", got " + got;
        const ExpectedCall& want = expected[i];
        const sim::HostCall& call = recorded[i];
        bool same = call.hash == want.hash && call.argc >= 1 && call.args[0] == static_cast<std::uint32_t>(want.ped);
        if (want.value) same = same && call.argc == 2 && call.args[1] == *want.value;
        if (!same) return "call " + std::to_string(i) + ": expected " + wanted + ", got " + got;
    }
    return "";
}

class TuningPassProperty : public TuningFixture {};

TEST_F(TuningPassProperty, DoesWhatTheRulesSayForAnyAnswerTheGameGives) {
    constexpr int kWorlds = 600;
    constexpr int kPasses = 3;
    int failures = 0;
    for (int w = 0; w < kWorlds && failures < 3; ++w) {
        const auto seed = static_cast<std::uint32_t>(w);
        Draw draw(seed);
        resetHostAndPlugin();
        Model model;

        // The file: Rain's two values (any the file can hold); Snow's are missing, so 0 and 0.0.
        // 12829 often: the first ped the game does not exempt then sets the accuracy.
        const std::int32_t fileAccuracy = draw.chance(0.25) ? 12829 : draw.accuracy();
        const float fileDamage = draw.finiteDamage();
        char damageText[32];
        std::snprintf(damageText, sizeof damageText, "%.9g", static_cast<double>(fileDamage));
        setRain(std::to_string(fileAccuracy), damageText);

        // What earlier passes left in the record: any values, NaN and infinities included.
        if (draw.chance(0.5)) {
            tuningState.accuracy = model.accuracy = draw.accuracy();
            tuningState.damageModifier = model.damage = draw.damage();
        }

        // The peds, with handles of any value, and what the buffer held before the host writes.
        const int count = draw.chance(0.04) ? 1030 + draw.upTo(40) : draw.upTo(14);
        std::set<std::int32_t> handles;
        while (static_cast<int>(handles.size()) < count) {
            const std::int32_t edges[] = {0, -1, 1, kMin, kMax, 0x100, -5};
            handles.insert(draw.chance(0.2) ? draw.edge(edges) : draw.anyInt());
        }
        // The values the pass will apply, so that some peds already hold them.
        const std::int32_t likelyAccuracy = draw.chance(0.5) ? fileAccuracy : model.accuracy;
        const float likelyDamage = draw.chance(0.5) ? fileDamage : model.damage;
        for (const std::int32_t handle : handles) {
            ModelPed ped;
            ped.exemptAnswer = draw.chance(0.3) ? draw.exemptAnswer() : 0;
            ped.accuracy = draw.chance(0.4) ? likelyAccuracy : draw.accuracy();
            ped.damage = draw.chance(0.4) ? (draw.chance(0.2) ? -likelyDamage : likelyDamage) : draw.damage();
            ped.readsNaN = draw.chance(0.05);
            world().spawnAs(handle, ped.accuracy, ped.damage, ped.exemptAnswer != 0);
            sim::Ped& spawned = *world().find(handle);
            spawned.exemptAnswer = ped.exemptAnswer != 0 ? ped.exemptAnswer : 1;
            spawned.damageReadsNaN = ped.readsNaN;
            model.peds[handle] = ped;
        }
        for (const sim::Ped& ped : world().peds()) model.listed.push_back(ped.handle);
        // Left from an earlier pass: handles of peds the world has and of none it knows.
        for (auto& slot : pedBuffer) {
            slot = (!model.listed.empty() && draw.chance(0.5))
                       ? model.listed[static_cast<std::size_t>(draw.upTo(static_cast<int>(model.listed.size()) - 1))]
                       : draw.anyInt();
        }

        for (int p = 0; p < kPasses && failures < 3; ++p) {
            // The weather: Rain, Snow (a row without keys in the file), or one without a row.
            const std::uint32_t unlisted[] = {0u, kNoRow, 0xFFFFFFFFu, kRain ^ 1u, kRain ^ 0x80000000u};
            const int weatherKind = draw.upTo(2);
            world().weather = weatherKind == 0 ? kRain : weatherKind == 1 ? kSnow : draw.edge(unlisted);
            world().slotHighHalf = draw.chance(0.7) ? draw.edge(kHighHalves) : draw.bits();
            std::optional<std::int32_t> reported;
            if (draw.chance(0.5)) reported = draw.chance(0.7) ? draw.edge(kCounts) : draw.anyInt();
            world().faults.reportedPedCount = reported;

            if (weatherKind == 0) {
                model.accuracy = fileAccuracy;
                model.damage = fileDamage;
            } else if (weatherKind == 1) {
                model.accuracy = 0;
                model.damage = 0.0f;
            }
            std::vector<std::int32_t> buffer(pedBuffer.begin(), pedBuffer.end());
            const std::size_t written = std::min(model.listed.size(), kBuffer);
            std::copy_n(model.listed.begin(), written, buffer.begin());
            model.pass(buffer, reported.value_or(static_cast<std::int32_t>(written)));

            host().log.clear();
            runTuningPass(reader);
            std::vector<sim::HostCall> natives = host().natives();
            if (!natives.empty()) natives.erase(natives.begin());  // the weather query
            const std::string difference = firstDifference(model.calls, natives);
            std::uint32_t wantDamage = toBits(model.damage), gotDamage = toBits(tuningState.damageModifier);
            if (!difference.empty() || tuningState.accuracy != model.accuracy || wantDamage != gotDamage) {
                ++failures;
                ADD_FAILURE() << "world " << w << ", pass " << p << " (weather 0x" << std::hex << world().weather
                              << ", count " << std::dec << (reported ? std::to_string(*reported) : "as written")
                              << ", " << count << " peds): " << difference << "; record accuracy "
                              << tuningState.accuracy << " (expected " << model.accuracy << "), damage bits 0x"
                              << std::hex << gotDamage << " (expected 0x" << wantDamage << ")";
            }
        }
        for (const sim::Ped& ped : world().peds()) {
            const ModelPed& expected = model.peds[ped.handle];
            if (ped.accuracy != expected.accuracy || toBits(ped.damageModifier) != toBits(expected.damage)) {
                ++failures;
                ADD_FAILURE() << "world " << w << ": ped 0x" << std::hex << ped.handle << " holds accuracy " << std::dec
                              << ped.accuracy << " and damage bits 0x" << std::hex << toBits(ped.damageModifier)
                              << ", expected " << std::dec << expected.accuracy << " and 0x" << std::hex
                              << toBits(expected.damage);
                break;
            }
        }
    }
}

}  // namespace
