// The Steam client's text files, as the doctor reads them from a player's disk: the KeyValues
// text under both of its readers (the library list and an app manifest). A refusal leaves
// nothing read; what was read, written back as KeyValues text, reads as the same tree; a byte
// order mark changes nothing; a manifest's folder is always one folder's name.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "doctor/readers/keyvalues_text.h"
#include "doctor/readers/steam_records.h"
#include "fuzz/fuzz_support.h"
#include "text/escapes.h"

namespace {

// The escapes the reader must take back; a tab goes in as it is.
constexpr Escape kQuoted[] = {{'\\', "\\\\"}, {'"', "\\\""}, {'\n', "\\n"}};

void quote(std::string& out, const std::string& text) {
    out += '"';
    appendEscaped(out, text, kQuoted);
    out += '"';
}

void write(std::string& out, const std::vector<KeyValue>& entries) {
    for (const KeyValue& entry : entries) {
        quote(out, entry.key);
        out += '\t';
        if (entry.isBlock) {
            out += "\n{\n";
            write(out, entry.children);
            out += "}\n";
        } else {
            quote(out, entry.value);
            out += '\n';
        }
    }
}

bool same(const std::vector<KeyValue>& a, const std::vector<KeyValue>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].key != b[i].key || a[i].isBlock != b[i].isBlock || a[i].value != b[i].value ||
            !same(a[i].children, b[i].children))
            return false;
    }
    return true;
}

// Each entry is a text or a block, never both, and no block inside more than the reader follows.
void checkShape(const std::vector<KeyValue>& entries, int blocksAround) {
    for (const KeyValue& entry : entries) {
        FUZZ_CHECK(entry.isBlock || entry.children.empty(), "a text value with children");
        FUZZ_CHECK(!entry.isBlock || entry.value.empty(), "a block with a text value");
        if (!entry.isBlock) continue;
        FUZZ_CHECK(blocksAround + 1 <= kMostNestedBlocks, "%d blocks nested were followed", blocksAround + 1);
        checkShape(entry.children, blocksAround + 1);
    }
}

}  // namespace

void checkInput(std::string_view bytes) {

    const KeyValuesRead read = readKeyValues(bytes);
    if (!read.refusal.empty()) {
        FUZZ_CHECK(read.entries.empty(), "refused (%s) yet gave entries", read.refusal.c_str());
        FUZZ_CHECK(read.refusal.find("(line ") != std::string::npos, "a refusal without its line: %s",
                   read.refusal.c_str());
    } else {
        checkShape(read.entries, 0);
        std::string written;
        write(written, read.entries);
        const KeyValuesRead again = readKeyValues(written);
        FUZZ_CHECK(again.refusal.empty(), "its own text refused: %s", again.refusal.c_str());
        FUZZ_CHECK(same(read.entries, again.entries), "its own text read as another tree");
    }
    if (bytes.substr(0, 3) != "\xEF\xBB\xBF") {
        const KeyValuesRead withMark = readKeyValues("\xEF\xBB\xBF" + std::string(bytes));
        FUZZ_CHECK(withMark.refusal == read.refusal && same(withMark.entries, read.entries),
                   "a byte order mark changed the reading");
    }

    const SteamLibraries libraries = readSteamLibraries(bytes);
    if (!read.refusal.empty()) FUZZ_CHECK(libraries.refusal == read.refusal, "the library list hid why the text was refused");
    if (!libraries.refusal.empty()) FUZZ_CHECK(libraries.folders.empty(), "a refused library list gave folders");
    for (const std::string& folder : libraries.folders) FUZZ_CHECK(!folder.empty(), "an empty library folder");

    const SteamAppManifest manifest = readSteamAppManifest(bytes);
    if (!read.refusal.empty()) FUZZ_CHECK(manifest.refusal == read.refusal, "the manifest hid why the text was refused");
    if (manifest.refusal.empty()) {
        const std::string& dir = manifest.installDir;
        FUZZ_CHECK(!dir.empty() && dir != "." && dir != ".." && dir.find_first_of("/\\:") == std::string::npos,
                   "\"%s\" taken as the game's folder name", dir.c_str());
    } else {
        FUZZ_CHECK(manifest.installDir.empty(), "a refused manifest gave a folder");
    }
}
