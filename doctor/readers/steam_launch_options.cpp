#include "doctor/readers/steam_launch_options.h"

#include "doctor/readers/keyvalues_text.h"

SteamLaunchOptions readSteamLaunchOptions(std::string_view vdf, std::string_view appId) {
    SteamLaunchOptions out;
    const KeyValuesRead text = readKeyValues(vdf);
    if (!text.refusal.empty()) {
        out.refusal = text.refusal;
        return out;
    }
    const KeyValue* store = nullptr;
    for (const KeyValue& entry : text.entries) {
        if (entry.isBlock && entry.is("UserLocalConfigStore")) {
            store = &entry;
            break;
        }
    }
    if (!store) {
        out.refusal = "no \"UserLocalConfigStore\" block";
        return out;
    }
    const KeyValue* at = store;
    for (const std::string_view name : {std::string_view("Software"), std::string_view("Valve"), std::string_view("Steam"),
                                        std::string_view("apps"), appId}) {
        at = at->child(name);
        if (!at || !at->isBlock) return out;
    }
    const KeyValue* options = at->child("LaunchOptions");
    if (!options) return out;
    if (options->isBlock) {
        out.refusal = "the game's \"LaunchOptions\" is a block, not a text";
        return out;
    }
    out.options = options->value;
    return out;
}
