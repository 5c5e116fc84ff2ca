#include "support/Scratch.h"

#include "toolkit/Text.h"

#include <windows.h>
#include <fstream>
#include <sstream>

namespace k2test {

ScratchDir::ScratchDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(temp) + "k2t_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void RemoveTree(const std::string& path) { tk::RemoveTree(path); }

std::string ProfileValue(const std::string& ini, const char* key) {
    char buffer[1024] = {};
    GetPrivateProfileStringA("各種設定", key, "", buffer, sizeof buffer, ini.c_str());
    return buffer;
}

std::string CurrentDirectory() {
    std::string dir(GetCurrentDirectoryA(0, nullptr), '\0');
    dir.resize(GetCurrentDirectoryA(static_cast<DWORD>(dir.size()), dir.data()));
    return dir;
}

} // namespace k2test
