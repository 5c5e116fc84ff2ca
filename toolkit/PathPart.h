// Path splitting on UTF-8 text. No Windows calls here. UTF-8 never puts an
// ASCII byte inside a multibyte character, so every "\\", ":" and "." byte is
// a character of its own.
#pragma once
#include <string>
#include <string_view>

namespace tk::path {

// Index of the last byte that is one of `separators` standing as a character
// of its own; std::string::npos when there is none.
std::size_t LastDelimiter(std::string_view path, std::string_view separators);

// Text after the last "\" or ":"; the whole path when it has neither.
std::string FileNamePart(std::string_view path);

// Folder part: text before the last "\" (without it); the separator stays
// when it directly follows a drive colon or another separator, so a root
// stays a root ("C:\" -> "C:\", "C:\a\b" -> "C:\a", "\\srv\x" -> "\\srv").
// With no "\" the text up to and including a drive colon, or "".
std::string FolderPart(std::string_view path);

// Extension: from the last "." after the last "\" or ":", dot included; "" when none.
std::string ExtensionPart(std::string_view path);

// File name without its extension.
std::string BaseNamePart(std::string_view path);

// The root of the volume the path lies on: "C:\" for "C:\a" or "C:a",
// "\\srv\share\" for "\\srv\share\a"; "" for a relative path, a device
// path ("\\?\", "\\.\") or a server without a share.
std::string VolumeRoot(std::string_view path);

} // namespace tk::path
