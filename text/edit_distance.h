#pragma once
// How far apart two names are, as a player misspells them: the doctor's near names and the
// simulated game's scenario files alike.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Edits from `a` to `b`: a letter added, dropped or changed, or two neighbours swapped (the
// optimal string alignment distance). ASCII letters compare without case, in every locale.
inline std::size_t editDistance(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    // Three rows of the table suffice.
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

struct NearestText {
    std::string text;                   // empty when there was no candidate
    std::size_t distance = ~std::size_t{0};
};

// The first of `candidates` (texts) at the least edit distance from `name`.
template <typename Texts>
NearestText nearestText(std::string_view name, const Texts& candidates) {
    NearestText nearest;
    for (const auto& candidate : candidates) {
        const std::size_t distance = editDistance(name, candidate);
        if (distance < nearest.distance) nearest = {std::string(candidate), distance};
    }
    return nearest;
}
