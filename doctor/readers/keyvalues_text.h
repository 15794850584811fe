#pragma once
// The Steam client's KeyValues text (libraryfolders.vdf, appmanifest_*.acf): quoted keys, each
// followed by a quoted value or a block in braces, and "//" comments. Read strictly: anything
// else is a refusal, never a guess.

#include <string>
#include <string_view>
#include <vector>

struct KeyValue {
    std::string key;
    std::string value;               // a key with a text value
    std::vector<KeyValue> children;  // a key with a block
    bool isBlock = false;

    // Whether the key is `name`, letter case ignored as the client does.
    bool is(std::string_view name) const;
    // The first child of that key; null when none.
    const KeyValue* child(std::string_view name) const;
};

struct KeyValuesRead {
    std::vector<KeyValue> entries;  // the top level, in the file's order
    std::string refusal;            // empty when the text read; else why not, with the line
};

// The most blocks nested one in another that are read: a deeper one is refused, not followed.
inline constexpr int kMostNestedBlocks = 31;

// Any bytes in: never a crash, a hang or a read past the buffer. Blocks nested deeper than
// kMostNestedBlocks are refused, and so is a quoted text whose quotes never close.
KeyValuesRead readKeyValues(std::string_view bytes);

// Reads a Steam file's key-values text and hands `read` a top-level block named `name` (null
// when it has none; the last of several, or the first with `firstOne`) and the record to fill;
// a text that doesn't read leaves the record holding only why.
template <typename Record, typename Read>
Record fromTopBlock(std::string_view bytes, std::string_view name, Read read, bool firstOne = false) {
    Record out;
    const KeyValuesRead text = readKeyValues(bytes);
    if (!text.refusal.empty()) {
        out.refusal = text.refusal;
        return out;
    }
    const KeyValue* block = nullptr;
    for (const KeyValue& entry : text.entries) {
        if (!entry.isBlock || !entry.is(name) || (firstOne && block)) continue;
        block = &entry;
    }
    read(block, out);
    return out;
}
