// Conversions between the program's code-page-932 text and the platform's.
#pragma once
#include <string>
#include <string_view>

namespace tk {

// ANSI (CP_ACP) <-> UTF-16, whole strings.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

// Text of a window (GetWindowTextA), whole.
std::string WindowText(void* hwnd);

// The running module's full path and folder (with a trailing backslash).
std::string ModuleFileName();
std::string ModuleFolder();

bool FileExists(const std::string& path);        // a file or a folder
bool DirectoryExists(const std::string& path);
// Creates a folder and its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
// Deletes a folder with everything in it (read-only files included).
void RemoveTree(const std::string& path);

} // namespace tk
