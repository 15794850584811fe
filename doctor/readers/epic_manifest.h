#pragma once
// One of the Epic Games Launcher's install records (Manifests\*.item, JSON): where a game is
// installed and which program starts it.

#include <string>
#include <string_view>

struct EpicManifest {
    std::string installLocation;   // "C:\Program Files\Epic Games\RedDeadRedemption2"
    std::string launchExecutable;  // "RDR2.exe", relative to installLocation
    std::string refusal;           // empty when both were read
};

// Any bytes in: never a crash, a hang or a read past the buffer. Arrays and objects nested
// deeper than 64 are refused before they are parsed.
EpicManifest readEpicManifest(std::string_view bytes);
