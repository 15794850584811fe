#pragma once
// A Steam user's launch options for one game, from that user's settings in the Steam client
// (userdata/<user id>/config/localconfig.vdf): "UserLocalConfigStore" > "Software" > "Valve" >
// "Steam" > "apps" (or "Apps": the client writes either) > "<app id>" > "LaunchOptions".

#include <optional>
#include <string>
#include <string_view>

struct SteamLaunchOptions {
    std::optional<std::string> options;  // as the player typed them; absent when never set
    std::string refusal;                 // empty when the file read; else why not
};

// localconfig.vdf's bytes. Keys are matched letter case ignored, the first of a name taken, as
// the client looks them up. A file that isn't KeyValues text, or has no "UserLocalConfigStore"
// block, or whose game holds "LaunchOptions" as a block, is refused. Any bytes in: never a
// crash, a hang or a read past the buffer.
SteamLaunchOptions readSteamLaunchOptions(std::string_view vdf, std::string_view appId);
