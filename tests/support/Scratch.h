// A fresh folder per test, removed afterwards, and the files and folders a
// test reads and writes.
#pragma once
#include <cstddef>
#include <string>

namespace k2test {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    // Folder path with a trailing backslash.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Whole file as bytes; empty when missing.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Removes a folder tree.
void RemoveTree(const std::string& path);

// A literal with its embedded NULs.
template <std::size_t N> std::string Bytes(const char (&literal)[N]) { return std::string(literal, N - 1); }

// Text in code page 932, as the program's files hold it.
std::string Cp932(const std::string& text);
// Value of `key` in the [各種設定] section of a settings file; "" when missing.
std::string ProfileValue(const std::string& ini, const char* key);

// The process's current directory.
std::string CurrentDirectory();

} // namespace k2test
