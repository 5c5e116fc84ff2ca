#include "app/persist/FileReplace.h"

#include "toolkit/Exception.h"
#include "toolkit/Handles.h"

#include <windows.h>

namespace k2 {
namespace {

std::string SystemMessage(DWORD error) {
    char buffer[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             sizeof buffer, nullptr);
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ')) --n;
    return n > 0 ? std::string(buffer, n) : "エラー " + std::to_string(error);
}

} // namespace

void ThrowFileError(const std::string& what, unsigned long error) {
    throw tk::EFileError(what + "（" + SystemMessage(error) + "）");
}

void RefuseReadOnly(const std::string& path, const std::string& what) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ThrowFileError(what, ERROR_ACCESS_DENIED);
}

std::optional<std::string> ReadWholeFile(const std::string& path, const std::string& what) {
    tk::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
        ThrowFileError(what, error);
    }
    std::string bytes;
    char chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) ThrowFileError(what, GetLastError());
        if (got == 0) return bytes;
        bytes.append(chunk, got);
    }
}

std::string ReplacementName(const std::string& path) { return path + ".tmp"; }

void WriteReplacement(const std::string& path, const std::string& bytes, const std::string& what) {
    const std::string temp = ReplacementName(path);
    tk::FileHandle file(
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowFileError(what, GetLastError());
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        error = GetLastError();
    else if (written != bytes.size())
        error = ERROR_DISK_FULL;
    if (error != ERROR_SUCCESS) {
        file.Reset();
        DeleteFileA(temp.c_str());
        ThrowFileError(what, error);
    }
}

void CommitReplacement(const std::string& path, const std::string& what) {
    const std::string temp = ReplacementName(path);
    DWORD error = ERROR_SUCCESS;
    {
        tk::FileHandle file(
            CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.Get())) error = GetLastError();
    }
    if (error == ERROR_SUCCESS &&
        !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileA(temp.c_str());
        ThrowFileError(what, error);
    }
}

} // namespace k2
