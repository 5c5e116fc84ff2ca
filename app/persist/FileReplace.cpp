#include "app/persist/FileReplace.h"

#include "toolkit/Exception.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

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
           error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}

// What is left of a step's patience that began at `start`: its own, and no
// more than the deadline leaves.
DWORD TimeLeft(DWORD start, const SaveDeadline& deadline) {
    DWORD left = kRetryForMs - std::min(kRetryForMs, GetTickCount() - start);
    if (deadline) {
        using namespace std::chrono;
        const auto now = steady_clock::now();
        const auto ms = now >= *deadline ? 0 : duration_cast<milliseconds>(*deadline - now).count() + 1;
        left = static_cast<DWORD>(std::min<long long>(left, ms));
    }
    return left;
}

// Runs `step` (an error code, ERROR_SUCCESS when done) until it is done, fails
// for another reason, or the time is up; answers its last error.
template <class Step> DWORD Retried(const Step& step, const SaveDeadline& deadline) {
    const DWORD start = GetTickCount();
    DWORD pause = kFirstPauseMs;
    for (;;) {
        const DWORD error = step();
        const DWORD left = TimeLeft(start, deadline);
        if (error == ERROR_SUCCESS || !Blocked(error) || left == 0) return error;
        Sleep(std::min(pause, left));
        pause = std::min(pause * 2, kLongestPauseMs);
    }
}

DWORD ErrorOf(BOOL done) { return done ? ERROR_SUCCESS : GetLastError(); }

bool Exists(const std::wstring& name) { return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A handle opened when the file is not held; invalid with the error left for GetLastError.
tk::FileHandle OpenRetried(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                           const SaveDeadline& deadline) {
    tk::FileHandle file;
    const DWORD error = Retried(
        [&] {
            file = tk::FileHandle(CreateFileW(tk::Wide(path).c_str(), access, share, nullptr, disposition,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
            return file ? ERROR_SUCCESS : GetLastError();
        },
        deadline);
    SetLastError(error);
    return file;
}

unsigned long SystemReplaceFile(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup) {
    return ErrorOf(ReplaceFileW(target, replacement, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr));
}

std::string SystemMessage(DWORD error) {
    wchar_t buffer[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
    return n > 0 ? tk::Utf8(std::wstring_view(buffer, n)) : "エラー " + std::to_string(error);
}

} // namespace

ReplaceFileCall replaceFile = SystemReplaceFile;

void ThrowFileError(const std::string& what, unsigned long error) {
    throw tk::EFileError(what + "（" + SystemMessage(error) + "）");
}

void RefuseReadOnly(const std::string& path, const std::string& what) {
    const DWORD attributes = GetFileAttributesW(tk::Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ThrowFileError(what, ERROR_ACCESS_DENIED);
}

std::optional<std::string> ReadWholeFile(const std::string& path, const std::string& what,
                                         const SaveDeadline& deadline) {
    tk::FileHandle file = OpenRetried(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, deadline);
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
std::string ReplacedName(const std::string& path) { return path + ".bak"; }

namespace {

void DeleteRetried(const std::wstring& name, const SaveDeadline& deadline) {
    Retried(
        [&] {
            const DWORD error = ErrorOf(DeleteFileW(name.c_str()));
            return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
        },
        deadline);
}

void DiscardReplacement(const std::string& path, const SaveDeadline& deadline) {
    DeleteRetried(tk::Wide(ReplacementName(path)), deadline);
}

bool CannotReplace(DWORD error) {
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER ||
           error == ERROR_CALL_NOT_IMPLEMENTED;
}

} // namespace

void WriteReplacement(const std::string& path, const std::string& bytes, const std::string& what,
                      const SaveDeadline& deadline) {
    const std::string temp = ReplacementName(path);
    tk::FileHandle file = OpenRetried(temp, GENERIC_WRITE, 0, CREATE_ALWAYS, deadline);
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
        DiscardReplacement(path, deadline);
        ThrowFileError(what, error);
    }
}

void CommitReplacement(const std::string& path, const std::string& what, const SaveDeadline& deadline) {
    const std::wstring target = tk::Wide(path);
    const std::wstring replacement = tk::Wide(ReplacementName(path));
    const std::wstring backup = tk::Wide(ReplacedName(path));
    // The attributes the user gave the old file (hidden, not indexed) go to
    // the new one first: a volume that cannot replace only moves, and Wine's
    // ReplaceFileW keeps none.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(replacement.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    const DWORD error = Retried(
        [&] {
            if (Exists(target)) {
                // With the old file in place, a backup beside it is left from a save cut off before.
                DeleteFileW(backup.c_str());
                // Keeps the old file's attributes, security and streams; the
                // backup name keeps it findable while it is aside (without
                // one, Wine puts it under a random name).
                const DWORD replaceError = replaceFile(target.c_str(), replacement.c_str(), backup.c_str());
                if (replaceError == ERROR_SUCCESS) return replaceError;
                // A volume that cannot replace (FAT, some network shares) still moves. A
                // replace that stopped half-way (the old file aside, the new one
                // not moved in) is finished by the move too.
                if (Exists(target) && !CannotReplace(replaceError)) return replaceError;
            }
            return ErrorOf(
                MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
        },
        deadline);
    if (error != ERROR_SUCCESS) {
        // Without the file in its place the replacement may be the only new
        // copy, and the backup the only old one: both stay for the next start.
        if (Exists(target)) DiscardReplacement(path, deadline);
        ThrowFileError(what, error);
    }
    // One still held then goes at the next start.
    DeleteRetried(backup, deadline);
}

void RecoverReplacement(const std::string& path, const std::function<bool(const std::string&)>& whole,
                        const std::string& what) {
    const std::wstring target = tk::Wide(path);
    const std::wstring replacement = tk::Wide(ReplacementName(path));
    const std::wstring backup = tk::Wide(ReplacedName(path));
    if (!Exists(target)) {
        const std::optional<std::string> bytes =
            Exists(replacement) ? ReadWholeFile(ReplacementName(path), what) : std::nullopt;
        const std::wstring& from = bytes && whole(*bytes) ? replacement : backup;
        if (!Exists(from)) return;
        const DWORD error =
            Retried([&] { return ErrorOf(MoveFileExW(from.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)); }, {});
        if (error != ERROR_SUCCESS) ThrowFileError(what, error);
    }
    DeleteFileW(replacement.c_str());
    DeleteFileW(backup.c_str());
}

} // namespace k2
