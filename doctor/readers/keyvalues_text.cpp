#include "doctor/readers/keyvalues_text.h"

#include "platform/profile_text.h"

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : bytes(text) {
        // A byte order mark, as some editors leave one.
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") at = 3;
    }

    KeyValuesRead read() {
        KeyValuesRead out;
        if (!entries(out.entries, 0, false)) {
            out.entries.clear();
            out.refusal = why + " (line " + std::to_string(line) + ")";
        }
        return out;
    }

private:
    // Spaces, line ends and comments; false at the end of the bytes.
    bool skip() {
        while (at < bytes.size()) {
            const char c = bytes[at];
            if (c == '\n') {
                ++line;
                ++at;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++at;
            } else if (c == '/' && at + 1 < bytes.size() && bytes[at + 1] == '/') {
                while (at < bytes.size() && bytes[at] != '\n') ++at;
            } else {
                return true;
            }
        }
        return false;
    }

    bool fail(std::string reason) {
        why = std::move(reason);
        return false;
    }

    bool quoted(std::string& into) {
        if (bytes[at] != '"') return fail("a text not in quotes");
        ++at;
        while (at < bytes.size()) {
            const char c = bytes[at++];
            if (c == '"') return true;
            if (c == '\n') return fail("a line end inside quotes");
            if (c != '\\') {
                into += c;
                continue;
            }
            if (at == bytes.size()) break;
            const char escaped = bytes[at++];
            switch (escaped) {
                case '\\': into += '\\'; break;
                case '"': into += '"'; break;
                case 'n': into += '\n'; break;
                case 't': into += '\t'; break;
                default: return fail(std::string("an unknown escape \\") + escaped);
            }
        }
        return fail("quotes that are never closed");
    }

    // Pairs up to the end of the bytes (`inBlock` false) or to the closing brace.
    bool entries(std::vector<KeyValue>& into, int depth, bool inBlock) {
        for (;;) {
            if (!skip()) return inBlock ? fail("a block that is never closed") : true;
            if (bytes[at] == '}') {
                if (!inBlock) return fail("a closing brace without its block");
                ++at;
                return true;
            }
            KeyValue entry;
            if (!quoted(entry.key)) return false;
            if (!skip()) return fail("a key without a value");
            if (bytes[at] == '{') {
                if (depth + 1 > kMostNestedBlocks) return fail("blocks nested too deep");
                ++at;
                entry.isBlock = true;
                if (!entries(entry.children, depth + 1, true)) return false;
            } else if (!quoted(entry.value)) {
                return false;
            }
            into.push_back(std::move(entry));
        }
    }

    std::string_view bytes;
    std::size_t at = 0;
    std::size_t line = 1;
    std::string why;
};

}  // namespace

bool KeyValue::is(std::string_view name) const { return profile_text::sameName(key, name); }

const KeyValue* KeyValue::child(std::string_view name) const {
    for (const KeyValue& each : children) {
        if (each.is(name)) return &each;
    }
    return nullptr;
}

KeyValuesRead readKeyValues(std::string_view bytes) { return Reader(bytes).read(); }
