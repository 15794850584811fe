#include "doctor/readers/steam_records.h"

#include <algorithm>
#include <cctype>

#include "doctor/readers/keyvalues_text.h"

namespace {

bool allDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

SteamLibraries readSteamLibraries(std::string_view vdf) {
    return fromTopBlock<SteamLibraries>(vdf, "libraryfolders", [](const KeyValue* root, SteamLibraries& out) {
        if (!root) {
            out.refusal = "no \"libraryfolders\" block";
            return;
        }
        // Numbered entries are libraries; others ("contentstatsid", ...) are not.
        for (const KeyValue& library : root->children) {
            if (!allDigits(library.key)) continue;
            if (!library.isBlock) {
                if (!library.value.empty()) out.folders.push_back(library.value);
                continue;
            }
            const KeyValue* path = library.child("path");
            if (path && !path->isBlock && !path->value.empty()) out.folders.push_back(path->value);
        }
    });
}

SteamAppManifest readSteamAppManifest(std::string_view acf) {
    return fromTopBlock<SteamAppManifest>(acf, "AppState", [](const KeyValue* state, SteamAppManifest& out) {
        const KeyValue* dir = state ? state->child("installdir") : nullptr;
        if (!dir || dir->isBlock || dir->value.empty()) {
            out.refusal = "no \"installdir\" in its \"AppState\" block";
            return;
        }
        std::string name = dir->value;
        // Separators after the name ("Red Dead Redemption 2\\") still name that one folder.
        if (const std::size_t last = name.find_last_not_of("/\\"); last != std::string::npos) name.erase(last + 1);
        if (name == "." || name == ".." || name.find_first_of(std::string_view("/\\:\0", 4)) != std::string::npos) {
            out.refusal = "\"installdir\" is not one folder's name";
            return;
        }
        out.installDir = name;
    });
}
