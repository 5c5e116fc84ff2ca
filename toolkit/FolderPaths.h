// Paths and folder listings as the folder chooser walks them: roots, the
// folder names after a root, full paths, the entries of a folder.
#pragma once
#include <string>
#include <vector>

namespace tk::folder_paths {

bool EndsWithSeparator(const std::string& path);
std::string Join(const std::string& folder, const std::string& name);
// "C:\" for drive paths, "\\server\share" for network paths.
std::string RootOf(const std::string& path);
// The folder names after the root, split at separators that stand on their own.
std::vector<std::string> PartsAfterRoot(const std::string& path, const std::string& root);
std::string FullPath(const std::string& path);
std::wstring FullPath(const std::wstring& path);
std::string WithoutTrailingSeparator(std::string path);
// The current directory as the system has it; the system drive's root when
// its name has no ANSI form.
std::string CurrentDirectory();

struct FolderEntries {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

// Names as the ANSI calls reach them (short names where needed); entries that
// cannot be reached that way are left out.
FolderEntries ListFolder(const std::string& folder);

// A drive without a medium must not raise the system's "insert a disk" box.
bool DriveReady(const std::string& root);

} // namespace tk::folder_paths
