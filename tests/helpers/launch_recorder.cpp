// Stands in for a launched program: appends "cwd|args" and CR LF to a record
// file, so tests can check what the shell really handed over. The file is
// K2_RECORD_FILE, or else this program's own path with ".record" appended, so
// that copies under different names tell which of them ran. Text is written
// as received, in UTF-8. Exit code 1 when the record could not be written.
#include <windows.h>

#include <string>

#include "toolkit/Handles.h"
#include "toolkit/Text.h"

namespace {

// The command line after the program name, as the C runtime splits it: a
// quoted name ends at the next quote, a bare one at the first blank.
std::string ArgumentsOf(const wchar_t* commandLine) {
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return tk::Utf8(p);
}

std::wstring RecordFile() {
    std::wstring path(GetEnvironmentVariableW(L"K2_RECORD_FILE", nullptr, 0), L'\0');
    if (!path.empty())
        path.resize(GetEnvironmentVariableW(L"K2_RECORD_FILE", path.data(), static_cast<DWORD>(path.size())));
    if (!path.empty()) return path;
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return self + L".record";
}

std::string CurrentDirectory() {
    std::wstring dir(GetCurrentDirectoryW(0, nullptr), L'\0');
    dir.resize(GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data()));
    return tk::Utf8(dir);
}

} // namespace

int main() {
    const std::string record = CurrentDirectory() + "|" + ArgumentsOf(GetCommandLineW()) + "\r\n";
    // Appending in one write keeps records whole when several copies run at once.
    const tk::FileHandle file(CreateFileW(RecordFile().c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool whole = file && WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size()),
                                         &written, nullptr) && written == record.size();
    return whole ? 0 : 1;
}
