#include "toolkit/Text.h"

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

std::string ModuleFileName() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
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
