#include "doctor/settings/finding_kinds.h"

#include <cstddef>

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

const FindingKind& row(WarningKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

}  // namespace

// The row's identifier with a "-" before each capital but the first, in small letters:
// "CommaDecimal" is "comma-decimal".
std::string warningKindName(WarningKind kind) {
    std::string name;
    for (const char* c = row(kind).identifier; *c; ++c) {
        const bool capital = *c >= 'A' && *c <= 'Z';
        if (capital && !name.empty()) name += '-';
        name += capital ? static_cast<char>(*c - 'A' + 'a') : *c;
    }
    return name;
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
