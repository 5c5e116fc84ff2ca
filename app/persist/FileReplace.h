// Files of the program are replaced whole: the new content is made in a file
// beside the old one and moved over it in one step, so that a process that is
// stopped half-way leaves either the whole old file or the whole new one.
#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace k2 {

// Raises tk::EFileError: `what`, then the system's text for `error`.
[[noreturn]] void ThrowFileError(const std::string& what, unsigned long error);

// A file the user made read-only is not replaced behind their back: renaming
// over it is not refused everywhere (Wine run as root renames over it).
void RefuseReadOnly(const std::string& path, const std::string& what);

// When a whole save must be through (the end of the session gives a few
// seconds); none: each step has its own patience.
using SaveDeadline = std::optional<std::chrono::steady_clock::time_point>;

// The whole file; std::nullopt when it (or its folder) does not exist. Other
// failures raise tk::EFileError with `what`.
std::optional<std::string> ReadWholeFile(const std::string& path, const std::string& what,
                                         const SaveDeadline& deadline = {});

// The name of the file beside `path` in which its new content is made, and
// the name the old file has while the new one takes its place.
std::string ReplacementName(const std::string& path);
std::string ReplacedName(const std::string& path);

// Every step below, and the read above, is tried again for about two seconds,
// and never past the deadline, while another program holds the file (sharing,
// lock or access refused); each is tried at least once. On failure `path` is
// left as it was and the replacement removed; where `path` is already gone,
// the replacement and the old file under ReplacedName stay for
// RecoverReplacement.

// Makes the replacement of `path` with `bytes` and flushes it to the disk
// (not yet moved over it).
void WriteReplacement(const std::string& path, const std::string& bytes, const std::string& what,
                      const SaveDeadline& deadline = {});

// Puts the replacement in the place of `path`: replaced where it exists, so
// that its attributes, security and streams stay, moved there otherwise.
void CommitReplacement(const std::string& path, const std::string& what, const SaveDeadline& deadline = {});

// Run before `path` is read. A save cut off while it replaced may have left
// no file under `path`: the replacement then takes its place when `whole`
// accepts its bytes (it was flushed before the replace began), else the old
// file under ReplacedName. Whatever else is left beside `path` goes. A move
// that fails raises tk::EFileError with `what`; nothing is removed then.
void RecoverReplacement(const std::string& path, const std::function<bool(const std::string&)>& whole,
                        const std::string& what);

// The system's replace of `target` by `replacement`, the old file going to
// `backup`: its error, 0 when done. A volume's partial failures (the old file
// moved aside, the new one not moved in) can be played through this.
using ReplaceFileCall = unsigned long (*)(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup);
extern ReplaceFileCall replaceFile;

} // namespace k2
