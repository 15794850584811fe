#include "doctor/readers/steam_launch_options.h"

#include "doctor/readers/keyvalues_text.h"

SteamLaunchOptions readSteamLaunchOptions(std::string_view vdf, std::string_view appId) {
    const auto read = [appId](const KeyValue* store, SteamLaunchOptions& out) {
        if (!store) {
            out.refusal = "no \"UserLocalConfigStore\" block";
            return;
        }
        const KeyValue* at = store;
        for (const std::string_view name : {std::string_view("Software"), std::string_view("Valve"),
                                            std::string_view("Steam"), std::string_view("apps"), appId}) {
            at = at->child(name);
            if (!at || !at->isBlock) return;
        }
        const KeyValue* options = at->child("LaunchOptions");
        if (options && options->isBlock) {
            out.refusal = "the game's \"LaunchOptions\" is a block, not a text";
        } else if (options) {
            out.options = options->value;
        }
    };
    return fromTopBlock<SteamLaunchOptions>(vdf, "UserLocalConfigStore", read, true);
}
