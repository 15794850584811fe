#pragma once
// A script fiber's stack of a chosen size, and how much of it the script used. Wine gives a
// fiber at least a megabyte of stack whatever it is asked, so the host limits the stack itself:
// all of it below the chosen size is made inaccessible, and a script that needs more crashes
// the game, as it would on a stack of that size. The part no code has used yet is filled with
// a pattern; the deepest byte that no longer holds it shows how deep the script went.

#include <cstddef>

namespace sim {

struct ScriptStack {
    const unsigned char* low = nullptr;   // the deepest byte the script may use; null: not limited
    const unsigned char* base = nullptr;  // one past the stack's top
};

// Whole pages: the sizes the host gives.
std::size_t scriptStackBytes(std::size_t asked);

// Runs on the fiber itself, before the script: limits its stack to `bytes` (whole pages) and
// fills the unused part. Returns a ScriptStack with a null `low` when the stack can't be
// limited (it is smaller than asked, or its pages can't be protected).
ScriptStack limitScriptStack(std::size_t bytes);

// From the stack's top down to the deepest byte changed since limitScriptStack; 0 when the
// stack is not limited.
std::size_t scriptStackUse(const ScriptStack& stack);

}  // namespace sim
