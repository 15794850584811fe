#pragma once
// The player's files as the doctor reads and writes them: a write counts only when the file
// reads back as written, a failed one says why, and a backup never takes another's name.

#include <optional>
#include <string>

// The file's bytes; none when it is not a file or can't be opened.
std::optional<std::string> readBytes(const std::string& path);

// Writes `bytes` over `path`; true only when the file then reads back as written.
bool writeBytes(const std::string& path, const std::string& bytes);

// Why `path` can't be written, in a player's words; `existed`: the file was there before.
std::string whyNotWritten(const std::string& path, bool existed);

// The first backup name that is free: PATH.bak, then PATH.2.bak, PATH.3.bak, ... up to
// kMostBackups; empty when none is (a write to it then fails, and nothing is changed).
inline constexpr int kMostBackups = 9999;
std::string freeBackupName(const std::string& path);
