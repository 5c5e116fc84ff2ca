#include "app/persist/StoredText.h"

namespace k2 {
namespace {
std::string Shift(std::string_view text, int delta) {
    std::string out(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) + delta);
    return out;
}
} // namespace

std::string EncodeStoredText(std::string_view plain) { return Shift(plain, -1); }
std::string DecodeStoredText(std::string_view stored) { return Shift(stored, +1); }

} // namespace k2
