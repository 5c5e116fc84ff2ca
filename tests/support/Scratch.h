// A fresh folder per test, removed afterwards.
#pragma once
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

} // namespace k2test
