// The stored form of slot paths and passwords: every byte but the last is
// lowered by one (modulo 256). Byte-wise, whatever the Shift-JIS structure.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace k2 {

std::string EncodeStoredText(std::string_view plain);
std::string DecodeStoredText(std::string_view stored);

// Names that code page 932 cannot hold are stored as this text where the
// file's own line or key would hold them: no file or folder can have this
// name, so an older version takes the slot or folder as missing.
inline constexpr std::string_view kWideNamePlaceholder = "<UTF-8>";

// A UTF-8 name as plain ASCII for the stored files: bytes outside 0x20-0x7E
// and "%" become "%XX". Unescaping refuses anything else (a bad escape, an
// invalid UTF-8 sequence).
std::string EscapeName(std::string_view utf8);
std::optional<std::string> UnescapeName(std::string_view escaped);

} // namespace k2
