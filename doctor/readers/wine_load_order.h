#pragma once
// Wine's DLL overrides: which of a DLL's two builds it loads first, the one beside the game
// ("native") or its own ("builtin"), as a registry value or a WINEDLLOVERRIDES entry says.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class WineLoadOrder {
    Disabled,       // "" or letters that name neither build: the DLL is not loaded at all
    Native,         // "native", "n"
    NativeBuiltin,  // "native,builtin", "n,b"
    Builtin,        // "builtin", "b"
    BuiltinNative,  // "builtin,native", "b,n"
};

// An override's value as Wine reads it: items split at commas, spaces and tabs, each told by
// its first letter ('n' or 'b', either case), the first two that name a build kept. Any text in.
WineLoadOrder readLoadOrder(std::string_view value);

// Whether the DLL in the game's folder is the one that loads: it comes first in the order.
bool loadsNativeFirst(WineLoadOrder order);

// An override's value, absent or not, the same question: with no override Wine loads its own
// build of a DLL it has one of, as it has of every loader DLL the doctor asks about.
bool overrideLoadsNativeFirst(const std::optional<std::string>& value);

// A DLL's name as overrides write it: a file name such as "version.dll" or "C:\x\DINPUT8.DLL"
// without its folder and its ".dll", in lower case ("version", "dinput8").
std::string overrideDllName(std::string_view dll);

// The mode that a WINEDLLOVERRIDES value ("dinput8,dsound=n,b;d3d11=b") sets for `dll`:
// entries split at ';', each a comma list of names, an '=' and the mode. Names are matched as
// overrideDllName gives them, a leading '*' taken off. Of two entries for one DLL the last
// counts. Absent when no entry names it.
std::optional<std::string> modeInOverrideList(std::string_view list, std::string_view dll);

// The text cut at every `at`, empty pieces kept ("a;;b" gives "a", "" and "b"; "" gives ""): an
// override list cut into its entries at ';', an entry's names cut at ','.
std::vector<std::string_view> splitAt(std::string_view text, char at);
