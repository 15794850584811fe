#include "doctor/settings/finding_kinds.h"

#include <array>
#include <cstddef>
#include <string>

namespace {

struct FindingKind {
    const char* identifier;  // "CommaDecimal"
    Harm harm;
    Remedy remedy;
    const char* words;
};

#define VELTRANE_FINDING_KIND_ROW(kind, harm, remedy, words) {#kind, Harm::harm, Remedy::remedy, words},
constexpr FindingKind kKinds[] = {VELTRANE_FINDING_KINDS(VELTRANE_FINDING_KIND_ROW)};
#undef VELTRANE_FINDING_KIND_ROW
constexpr std::size_t kKindCount = sizeof kKinds / sizeof kKinds[0];

const FindingKind& row(WarningKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

// "CommaDecimal" as "comma-decimal": a "-" before each capital but the first.
std::string spelt(const char* identifier) {
    std::string name;
    for (const char* c = identifier; *c; ++c) {
        const bool capital = *c >= 'A' && *c <= 'Z';
        if (capital && c != identifier) name += '-';
        name += capital ? static_cast<char>(*c - 'A' + 'a') : *c;
    }
    return name;
}

}  // namespace

const char* warningKindName(WarningKind kind) {
    static const std::array<std::string, kKindCount> names = [] {
        std::array<std::string, kKindCount> all;
        for (std::size_t i = 0; i < kKindCount; ++i) all[i] = spelt(kKinds[i].identifier);
        return all;
    }();
    return names[static_cast<std::size_t>(kind)].c_str();
}

Harm harmOf(WarningKind kind) { return row(kind).harm; }
Remedy remedyOf(WarningKind kind) { return row(kind).remedy; }
const char* wordsOf(WarningKind kind) { return row(kind).words; }

Harm harmWhere(WarningKind kind, bool onSwitch, bool onHarmfulKey) {
    const Harm harm = harmOf(kind);
    if (harm <= Harm::LostWhole) return harm;
    if (onSwitch) return Harm::LostWhole;
    return onHarmfulKey && !isCaution(kind) ? Harm::DoesHarm : harm;
}
