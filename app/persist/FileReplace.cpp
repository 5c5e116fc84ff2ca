#include "app/persist/FileReplace.h"

#include "toolkit/Exception.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <windows.h>

namespace k2 {
namespace {

std::string SystemMessage(DWORD error) {
    wchar_t buffer[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
    return n > 0 ? tk::Utf8(std::wstring_view(buffer, n)) : "エラー " + std::to_string(error);
}

} // namespace

void ThrowFileError(const std::string& what, unsigned long error) {
    throw tk::EFileError(what + "（" + SystemMessage(error) + "）");
}

void RefuseReadOnly(const std::string& path, const std::string& what) {
    const DWORD attributes = GetFileAttributesW(tk::Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ThrowFileError(what, ERROR_ACCESS_DENIED);
}

std::optional<std::string> ReadWholeFile(const std::string& path, const std::string& what) {
    tk::FileHandle file(CreateFileW(tk::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
        CreateFileW(tk::Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowFileError(what, GetLastError());
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        error = GetLastError();
    else if (written != bytes.size())
        error = ERROR_DISK_FULL;
    if (error != ERROR_SUCCESS) {
        file.Reset();
        DeleteFileW(tk::Wide(temp).c_str());
        ThrowFileError(what, error);
    }
}

void CommitReplacement(const std::string& path, const std::string& what) {
    const std::string temp = ReplacementName(path);
    DWORD error = ERROR_SUCCESS;
    {
        tk::FileHandle file(
            CreateFileW(tk::Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.Get())) error = GetLastError();
    }
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(tk::Wide(temp).c_str(), tk::Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(tk::Wide(temp).c_str());
        ThrowFileError(what, error);
    }
}

} // namespace k2
