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

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Length of the UTF-8 sequence that starts at text[i] (well-formed, shortest
// form, no surrogates); 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    const unsigned char second = byte(i + 1);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second >= 0x90))
        return 0;
    return n;
}

} // namespace

std::string EscapeName(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '%') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::optional<std::string> UnescapeName(std::string_view escaped) {
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const auto c = static_cast<unsigned char>(escaped[i]);
        if (c < 0x20 || c >= 0x7F) return std::nullopt;
        if (c != '%') {
            out += escaped[i];
            continue;
        }
        const int high = i + 2 < escaped.size() ? HexDigit(escaped[i + 1]) : -1;
        const int low = high < 0 ? -1 : HexDigit(escaped[i + 2]);
        if (low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t n = SequenceLength(out, i);
        if (n == 0 || static_cast<unsigned char>(out[i]) < 0x20) return std::nullopt;
        i += n;
    }
    return out;
}

} // namespace k2
