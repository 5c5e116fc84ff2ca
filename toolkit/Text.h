// Conversions between the program's code-page-932 text and the platform's.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tk {

// ANSI (CP_ACP) <-> UTF-16, whole strings.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

// Text of a window, whole: as ANSI (GetWindowTextA) and as typed (GetWindowTextW).
std::string WindowText(void* hwnd);
std::wstring WideWindowText(void* hwnd);

// A path the system hands over in UTF-16, as ANSI bytes that the ANSI calls
// resolve to the same file or folder. A name that converts without loss (no
// best-fit or default character) keeps its bytes; a component that does not is
// replaced by its 8.3 short name. Nothing when such a component has no short
// name (short names are off on the volume, or it does not exist yet).
std::optional<std::string> SystemPath(std::wstring_view path);

// The 8.3 form of an existing path (GetShortPathNameW); empty when there is none.
using ShortPathFunction = std::wstring (*)(const std::wstring& path);
// Replaceable, so that volumes without short names can be modelled.
extern ShortPathFunction ShortPathName;
std::wstring SystemShortPathName(const std::wstring& path);

// The running module's full path and folder (with a trailing backslash).
// Throws Exception when its name has no ANSI form (see SystemPath).
std::string ModuleFileName();
std::string ModuleFolder();

bool FileExists(const std::string& path);        // a file or a folder
bool DirectoryExists(const std::string& path);
// Creates a folder and its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
// Deletes a folder with everything in it (read-only files included).
void RemoveTree(const std::string& path);

} // namespace tk
