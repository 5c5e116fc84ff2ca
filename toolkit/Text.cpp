#include "toolkit/Text.h"

#include "toolkit/PathPart.h"

#include <windows.h>

namespace tk {
namespace {

constexpr UINT kStoredCodePage = 932;

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), n);
    return out;
}

} // namespace

std::wstring Wide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::optional<std::string> ExactUtf8(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, nullptr, 0, nullptr, nullptr) <= 0)
        return std::nullopt;
    return Utf8(wide);
}

std::optional<std::string> ToCp932(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    const std::wstring wide = Wide(utf8);
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kStoredCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(kStoredCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n, nullptr,
                        &usedDefault);
    // A few characters have one-way mappings; only a round trip proves the form exact.
    if (usedDefault || ToWide(kStoredCodePage, out) != wide) return std::nullopt;
    return out;
}

std::string FromCp932(std::string_view cp932) { return Utf8(ToWide(kStoredCodePage, cp932)); }

bool FitsCp932(std::string_view utf8) { return ToCp932(utf8).has_value(); }

std::string WindowText(void* hwnd) {
    const auto h = static_cast<HWND>(hwnd);
    const int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(h, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return Utf8(text);
}

std::string ModuleFileName() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            buffer.resize(n);
            return Utf8(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string ModuleFolder() {
    const std::string exe = ModuleFileName();
    const std::size_t sep = path::LastDelimiter(exe, "\\:");
    return exe.substr(0, sep + 1);
}

bool FileExists(const std::string& path) {
    return !path.empty() && GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ForceDirectories(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
    if (dir.empty() || DirectoryExists(dir)) return !dir.empty();
    const std::string parent = path::FolderPart(dir);
    if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
    return CreateDirectoryW(Wide(dir).c_str(), nullptr) != 0 || DirectoryExists(dir);
}

void RemoveTree(const std::string& path) {
    std::wstring dir = Wide(path);
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = dir + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(Utf8(full));
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

int MessageBoxUtf8(void* owner, std::string_view text, std::string_view caption, unsigned flags) {
    return MessageBoxW(static_cast<HWND>(owner), Wide(text).c_str(), Wide(caption).c_str(), flags);
}

} // namespace tk
