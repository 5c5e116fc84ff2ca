#include "toolkit/Text.h"

#include "toolkit/Exception.h"
#include "toolkit/SjisPath.h"

#include <windows.h>
#include <vector>

namespace tk {

std::wstring AnsiToWide(std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string WideToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::string WindowText(void* hwnd) {
    const auto h = static_cast<HWND>(hwnd);
    const int n = GetWindowTextLengthA(h);
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(h, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

std::wstring WideWindowText(void* hwnd) {
    const auto h = static_cast<HWND>(hwnd);
    const int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(h, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

namespace {

// The ANSI form of `text` when it has one that converts back to the same
// characters: best fit would turn "é" into "e" and "¥" into a separator.
std::optional<std::string> ExactAnsi(std::wstring_view text) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int n =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, out.data(), n, nullptr, &usedDefault);
    if (usedDefault || AnsiToWide(out) != text) return std::nullopt;
    return out;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

} // namespace

std::wstring SystemShortPathName(const std::wstring& path) {
    std::wstring shortPath(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
        if (n == 0) return {};
        if (n < shortPath.size()) {
            shortPath.resize(n);
            return shortPath;
        }
        shortPath.resize(n);
    }
}

ShortPathFunction ShortPathName = SystemShortPathName;

std::optional<std::string> SystemPath(std::wstring_view path) {
    if (auto whole = ExactAnsi(path)) return whole;
    // Component by component, so that only the names that need it turn short.
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::wstring_view name = path.substr(start, end - start);
        std::optional<std::string> converted = ExactAnsi(name);
        if (!converted) {
            const std::wstring shortPath = ShortPathName(std::wstring(path.substr(0, end)));
            std::size_t last = shortPath.size();
            while (last > 0 && !IsSeparator(shortPath[last - 1])) --last;
            converted = ExactAnsi(std::wstring_view(shortPath).substr(last));
            if (shortPath.empty() || !converted || converted->empty()) return std::nullopt;
        }
        out += *converted;
        if (end == path.size()) break;
        out += static_cast<char>(path[end]);
        start = end + 1;
    }
    return out;
}

std::string ModuleFileName() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::optional<std::string> path = SystemPath(buffer);
    if (!path) throw Exception("コルミ２のフォルダ名かファイル名に、扱えない文字が含まれているため、起動できません。");
    return *path;
}

std::string ModuleFolder() {
    const std::string exe = ModuleFileName();
    const std::size_t sep = sjis::LastDelimiter(exe, "\\:");
    return exe.substr(0, sep + 1);
}

bool FileExists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ForceDirectories(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 3 && sjis::LastDelimiter(dir, "\\") == dir.size() - 1) dir.pop_back();
    if (dir.empty() || DirectoryExists(dir)) return !dir.empty();
    const std::string parent = sjis::FolderPart(dir);
    if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
    return CreateDirectoryA(dir.c_str(), nullptr) != 0 || DirectoryExists(dir);
}

void RemoveTree(const std::string& path) {
    std::string dir = path;
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = dir + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

} // namespace tk
