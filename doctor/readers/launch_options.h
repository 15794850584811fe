#pragma once
// A game's launch options in the Steam client, as Steam on Linux runs them: "%command%" stands
// for the game, and the text around it goes to the shell ("DXVK_HUD=1 %command% -vulkan").
// Options without "%command%" are all handed to the game as its arguments.
//
// The shell's reading is followed as far as it decides what the game's environment holds:
// words split at unquoted blanks; single quotes, double quotes and backslashes; commands
// split at unquoted ';', '&', '|', parentheses and line ends; '#' comments. In the command
// holding "%command%", each NAME=value word before it sets NAME for the game (whether right at
// the start, or after a wrapper such as "env"); a word without '=' there does nothing for the
// environment. In an earlier command, only "export NAME=value" reaches the game.

#include <optional>
#include <string>
#include <string_view>

struct LaunchOptionsVariable {
    std::optional<std::string> value;  // what the game gets; absent when nothing sets it
    std::string refusal;               // empty when the options read; else why the shell can't
};

// The value that `options` give the environment variable `name`; of two the last counts.
// Any text in: never a crash, a hang or a read past the buffer.
LaunchOptionsVariable launchOptionsVariable(std::string_view options, std::string_view name);

struct LaunchOptionsLine {
    std::string options;  // the launch options to paste
    std::string refusal;  // empty when `options` holds them; else why none can be made
};

// `options` changed only so far as the game's WINEDLLOVERRIDES loads `dll` (a loader such as
// "dinput8" or "version.dll") from the game's folder first: unchanged when it already does;
// where a WINEDLLOVERRIDES reaches the game, "<dll>=n,b" joins its list after a ';' (taking the
// place of what the list said for that DLL); else WINEDLLOVERRIDES="<dll>=n,b" goes before the
// command holding "%command%", or, with no "%command%", before a "%command%" put in front of
// the game's arguments. Options that don't read (an unclosed quote) are refused.
// Any text in: never a crash, a hang or a read past the buffer.
LaunchOptionsLine launchOptionsLoadingNativeFirst(std::string_view options, std::string_view dll);
