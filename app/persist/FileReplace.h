// Files of the program are replaced whole: the new content is made in a file
// beside the old one and moved over it in one step, so that a process that is
// stopped half-way leaves either the whole old file or the whole new one.
#pragma once
#include <optional>
#include <string>

namespace k2 {

// Raises tk::EFileError: `what`, then the system's text for `error`.
[[noreturn]] void ThrowFileError(const std::string& what, unsigned long error);

// A file the user made read-only is not replaced behind their back: renaming
// over it is not refused everywhere (Wine run as root renames over it).
void RefuseReadOnly(const std::string& path, const std::string& what);

// The whole file; std::nullopt when it (or its folder) does not exist. Other
// failures raise tk::EFileError with `what`.
std::optional<std::string> ReadWholeFile(const std::string& path, const std::string& what);

// The name of the file beside `path` in which its new content is made.
std::string ReplacementName(const std::string& path);

// Every step below, and the read above, is tried again for about two seconds
// while another program holds the file (sharing, lock or access refused). On
// failure the replacement is removed, `path` is left as it was, and the error
// is raised.

// Makes the replacement of `path` with `bytes` and flushes it to the disk
// (not yet moved over it).
void WriteReplacement(const std::string& path, const std::string& bytes, const std::string& what);

// Puts the replacement in the place of `path`: replaced where it exists, so
// that its attributes, security and streams stay, moved there otherwise.
void CommitReplacement(const std::string& path, const std::string& what);

} // namespace k2
