#pragma once
// The player's files as the doctor reads and writes them, the one reader and the one writer:
// a write counts only when the file reads back as written, a failed one says why, and a backup
// never takes another's name.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The file's bytes; none when it is no file or can't be read. With `tail`, a file longer than
// that gives only its last `tail` bytes, after its first `head` bytes and a line end when `head`
// is given (a log's header and its end).
std::optional<std::string> readBytes(const std::filesystem::path& path, std::uintmax_t tail = 0,
                                     std::size_t head = 0);

// Writes `bytes` over `path`; true only when the file then reads back as written. `wentThrough`,
// when given, tells whether the bytes went out at all (false: not written whole).
bool writeBytes(const std::filesystem::path& path, const std::string& bytes, bool* wentThrough = nullptr);

// Why `path` can't be written, in a player's words; empty when it opens for writing (the file
// unchanged, and no file left where none was). `existed`: the file was there before.
std::string whyNotWritable(const std::string& path, bool existed);
// Why a write to `path` failed, in a player's words: as whyNotWritable, or "the write failed".
std::string whyNotWritten(const std::string& path, bool existed);

// The first backup name that is free: PATH.bak, then PATH.2.bak, PATH.3.bak, ... up to
// kMostBackups; empty when none is (a write to it then fails, and nothing is changed).
inline constexpr int kMostBackups = 9999;
std::string freeBackupName(const std::string& path);
