#pragma once
// A folder's files as the game folder checks see them: names compared without letter case, as
// Windows compares them; the subfolders holding a file. Their bytes: readBytes (player_files.h).

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile_text.h"

namespace folder_files {

// Windows compares file names as the profile functions compare names: ASCII letters without
// regard to case, never by the locale.
using profile_text::endsWithName;
using profile_text::sameName;
inline std::string lower(std::string_view text) { return profile_text::lowerAscii(text); }
// A path as the findings show it (UTF-8).
std::string shown(const std::filesystem::path& path);
// The names in `folder`, sorted without letter case; none when it can't be read.
std::vector<std::string> fileNames(const std::filesystem::path& folder);
// The name among `names` that is `name` in any letter case; none when there is none.
std::optional<std::string> present(const std::vector<std::string>& names, const std::string& name);
// "a, b, c": a list as the findings write it.
std::string joined(const std::vector<std::string>& items, const std::string& separator = ", ");
// The subfolders among `names` that hold a file named `file`: a script hook unpacked into "bin",
// a plugin into "Veltrane-1.3.0".
std::vector<std::string> subfoldersHolding(const std::filesystem::path& folder, const std::vector<std::string>& names,
                                           const std::string& file);

}  // namespace folder_files
