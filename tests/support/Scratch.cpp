#include "support/Scratch.h"

#include "app/persist/DataFile.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <windows.h>

namespace k2test {

ScratchDir::ScratchDir() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = tk::Utf8(temp) + "k2t_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryW(tk::Wide(path_).c_str(), nullptr)) break;
    }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    tk::FileHandle file(CreateFileW(tk::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    char chunk[4096];
    DWORD got = 0;
    while (file && ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    tk::FileHandle file(CreateFileW(tk::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void RemoveTree(const std::string& path) { tk::RemoveTree(path); }

std::string Cp932(const std::string& text) { return tk::ToCp932(text).value_or("?"); }

std::string ProfileValue(const std::string& ini, const char* key) {
    bool inSection = false;
    for (const std::string& line : k2::SplitLines(tk::FromCp932(ReadFileBytes(ini)))) {
        if (!line.empty() && line[0] == '[') inSection = line == "[各種設定]";
        else if (inSection && line.rfind(std::string(key) + "=", 0) == 0) return line.substr(line.find('=') + 1);
    }
    return {};
}

std::string CurrentDirectory() {
    std::wstring dir(GetCurrentDirectoryW(0, nullptr), L'\0');
    dir.resize(GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data()));
    return tk::Utf8(dir);
}

} // namespace k2test
