#include "toolkit/FolderPaths.h"

#include "toolkit/Handles.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

#include <windows.h>

#include <algorithm>
#include <optional>

namespace tk::folder_paths {

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && path::LastDelimiter(path, "\\") == path.size() - 1;
}

std::string Join(const std::string& folder, const std::string& name) {
    return EndsWithSeparator(folder) ? folder + name : folder + "\\" + name;
}

std::string RootOf(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
    if (path.rfind("\\\\", 0) == 0) {
        std::size_t end = 2;
        for (int separators = 0; end < path.size(); ++end)
            if (path[end] == '\\' && ++separators == 2) break;
        return path.substr(0, std::min(end, path.size()));
    }
    return {};
}

std::vector<std::string> PartsAfterRoot(const std::string& path, const std::string& root) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = root.size(); i < path.size(); ++i) {
        if (path[i] == '\\') {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
        } else {
            part += path[i];
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

std::string FullPath(const std::string& path) { return Utf8(FullPath(Wide(path))); }

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
    return Utf8(dir);
}

FolderEntries ListFolder(const std::string& folder) {
    FolderEntries entries;
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((Wide(Join(folder, "")) + L"*").c_str(), &data));
    if (!find) return entries;
    do {
        const std::wstring wideName = data.cFileName;
        if (wideName == L"." || wideName == L"..") continue;
        const std::optional<std::string> name = ExactUtf8(wideName);
        if (!name) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.push_back(wideName);
        else entries.files.push_back(*name);
    } while (FindNextFileW(find.Get(), &data));
    std::sort(folders.begin(), folders.end(),
              [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    for (const std::wstring& name : folders) entries.folders.push_back(Utf8(name));
    return entries;
}

bool DriveReady(const std::string& root) {
    const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    const bool ready = DirectoryExists(root);
    SetErrorMode(old);
    return ready;
}

} // namespace tk::folder_paths
