// The program's text is UTF-8 in std::string. It meets the platform only
// here: UTF-16 for every W call, code page 932 for the stored files. Both
// conversions name their code page; the system's ANSI page is never used.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tk {

// UTF-8 <-> UTF-16, whole strings. Invalid sequences become U+FFFD.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// A name from the system as UTF-8; nothing when it is no valid UTF-16 (a
// lone surrogate), which no UTF-8 text can name again.
std::optional<std::string> ExactUtf8(std::wstring_view wide);

// UTF-8 -> code page 932, exactly: nothing when a character has no form
// there (best fit would turn "é" into "e" and "¥" into a separator).
std::optional<std::string> ToCp932(std::string_view utf8);
// Code page 932 -> UTF-8; bytes that are no character come out as U+FFFD.
std::string FromCp932(std::string_view cp932);
bool FitsCp932(std::string_view utf8);

// Text of a window, whole.
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

// MessageBoxW with the program's text; the button pressed.
int MessageBoxUtf8(void* owner, std::string_view text, std::string_view caption, unsigned flags);

} // namespace tk
