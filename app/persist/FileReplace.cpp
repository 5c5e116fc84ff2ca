#include "app/persist/FileReplace.h"

#include "toolkit/Exception.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <windows.h>

#include <algorithm>

namespace k2 {
namespace {

// Scanners, indexers, sync and backup clients open a freshly written file for
// a moment, without sharing. A step they block is tried again for this long
// before it is reported.
constexpr DWORD kRetryForMs = 2000;
constexpr DWORD kFirstPauseMs = 20;
constexpr DWORD kLongestPauseMs = 250;

bool Blocked(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Runs `step` (an error code, ERROR_SUCCESS when done) until it is done, fails
// for another reason, or the time is up; answers its last error.
template <class Step> DWORD Retried(const Step& step) {
    const DWORD start = GetTickCount();
    DWORD pause = kFirstPauseMs;
    for (;;) {
        const DWORD error = step();
        if (error == ERROR_SUCCESS || !Blocked(error) || GetTickCount() - start >= kRetryForMs) return error;
        Sleep(pause);
        pause = std::min(pause * 2, kLongestPauseMs);
    }
}

DWORD ErrorOf(BOOL done) { return done ? ERROR_SUCCESS : GetLastError(); }

// A handle opened when the file is not held; invalid with the error left for GetLastError.
tk::FileHandle OpenRetried(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    tk::FileHandle file;
    const DWORD error = Retried([&] {
        file = tk::FileHandle(
            CreateFileW(tk::Wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file ? ERROR_SUCCESS : GetLastError();
    });
    SetLastError(error);
    return file;
}

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
    tk::FileHandle file = OpenRetried(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
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

namespace {

void DiscardReplacement(const std::string& path) {
    const std::wstring name = tk::Wide(ReplacementName(path));
    Retried([&] {
        const DWORD error = ErrorOf(DeleteFileW(name.c_str()));
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    });
}

} // namespace

void WriteReplacement(const std::string& path, const std::string& bytes, const std::string& what) {
    const std::string temp = ReplacementName(path);
    tk::FileHandle file = OpenRetried(temp, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file) ThrowFileError(what, GetLastError());
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        error = GetLastError();
    else if (written != bytes.size())
        error = ERROR_DISK_FULL;
    else if (!FlushFileBuffers(file.Get()))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        file.Reset();
        DiscardReplacement(path);
        ThrowFileError(what, error);
    }
}

void CommitReplacement(const std::string& path, const std::string& what) {
    const std::string temp = ReplacementName(path);
    const std::wstring target = tk::Wide(path);
    const std::wstring replacement = tk::Wide(temp);
    // The attributes the user gave the old file (hidden, not indexed) go to
    // the new one first: a volume that cannot replace only moves, and Wine's
    // ReplaceFileW keeps none.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(replacement.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    // Without a backup name, this error means the old file is already gone:
    // the replacement is then the only copy and is never removed.
    bool targetRemoved = false;
    const DWORD error = Retried([&] {
        if (!targetRemoved && GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            // Keeps the old file's attributes, security and streams.
            const DWORD replaceError = ErrorOf(ReplaceFileW(target.c_str(), replacement.c_str(), nullptr,
                                                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr));
            if (replaceError == ERROR_UNABLE_TO_MOVE_REPLACEMENT) targetRemoved = true;
            else if (replaceError != ERROR_INVALID_FUNCTION && replaceError != ERROR_NOT_SUPPORTED &&
                     replaceError != ERROR_INVALID_PARAMETER && replaceError != ERROR_CALL_NOT_IMPLEMENTED)
                return replaceError;
            // A volume that cannot replace (FAT, some network shares) still moves.
        }
        return ErrorOf(MoveFileExW(replacement.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    });
    if (error != ERROR_SUCCESS) {
        if (!targetRemoved) DiscardReplacement(path);
        ThrowFileError(what, error);
    }
}

} // namespace k2
