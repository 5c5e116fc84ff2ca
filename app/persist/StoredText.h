// The stored form of slot paths and passwords: every byte but the last is
// lowered by one (modulo 256). Byte-wise, whatever the Shift-JIS structure.
#pragma once
#include <string>
#include <string_view>

namespace k2 {

std::string EncodeStoredText(std::string_view plain);
std::string DecodeStoredText(std::string_view stored);

} // namespace k2
