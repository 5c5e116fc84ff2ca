#include "toolkit/FolderPaths.h"

#include "toolkit/Handles.h"
#include "toolkit/SjisPath.h"
#include "toolkit/Text.h"

#include <windows.h>

#include <algorithm>
#include <optional>

namespace tk::folder_paths {

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && sjis::LastDelimiter(path, "\\") == path.size() - 1;
}

std::string Join(const std::string& folder, const std::string& name) {
    return EndsWithSeparator(folder) ? folder + name : folder + "\\" + name;
}

std::string RootOf(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
    if (path.rfind("\\\\", 0) == 0) {
        std::size_t end = 2;
        for (int separators = 0; end < path.size(); ++end) {
            if (sjis::IsLeadByte(static_cast<unsigned char>(path[end]))) {
                ++end;
                continue;
            }
            if (path[end] == '\\' && ++separators == 2) break;
        }
        return path.substr(0, std::min(end, path.size()));
    }
    return {};
}

std::vector<std::string> PartsAfterRoot(const std::string& path, const std::string& root) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = root.size(); i < path.size(); ++i) {
        if (sjis::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            part += path[i];
            part += path[++i];
        } else if (path[i] == '\\') {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
        } else {
            part += path[i];
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

std::string FullPath(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return path;
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return path;
        if (n < buffer.size()) return buffer.substr(0, n);
        buffer.resize(n + 1);
    }
}

std::string WithoutTrailingSeparator(std::string path) {
    const std::size_t rootSize = RootOf(path).size();
    while (path.size() > rootSize && EndsWithSeparator(path)) path.pop_back();
    return path;
}

std::string CurrentDirectory() {
    std::wstring dir(GetCurrentDirectoryW(0, nullptr), L'\0');
    dir.resize(GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data()));
    if (std::optional<std::string> path = SystemPath(dir)) return *path;
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return RootOf(windows);
}

FolderEntries ListFolder(const std::string& folder) {
    FolderEntries entries;
    const std::wstring wideFolder = AnsiToWide(Join(folder, ""));
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((wideFolder + L"*").c_str(), &data));
    if (!find) return entries;
    do {
        const std::wstring wideName = data.cFileName;
        if (wideName == L"." || wideName == L"..") continue;
        const std::optional<std::string> path = SystemPath(wideFolder + wideName);
        if (!path) continue;
        const std::string name = path->substr(sjis::LastDelimiter(*path, "\\") + 1);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) entries.folders.push_back(name);
        else entries.files.push_back(name);
    } while (FindNextFileW(find.Get(), &data));
    std::sort(entries.folders.begin(), entries.folders.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    return entries;
}

bool DriveReady(const std::string& root) {
    const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    const bool ready = DirectoryExists(root);
    SetErrorMode(old);
    return ready;
}

} // namespace tk::folder_paths
