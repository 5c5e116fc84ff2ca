#include "support/Process.h"

#include "support/Windows.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <cstdio>
#include <utility>

namespace k2test {
namespace {

std::string Environment(const char* name) {
    const DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0) return {};
    std::string value(n, '\0');
    const DWORD got = GetEnvironmentVariableA(name, value.data(), n);
    value.resize(got < n ? got : 0);
    return value;
}

} // namespace

std::string WinePathFromUnix(const std::string& unixPath) {
    if (unixPath.empty() || unixPath.front() != '/') return unixPath;
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string K2ExePath() { return WinePathFromUnix(Environment("K2_EXE")); }

std::string TestBinFolder() {
    std::string folder = WinePathFromUnix(Environment("K2_TEST_BIN"));
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

bool K2MutexExists() { return static_cast<bool>(tk::KernelHandle(OpenMutexA(SYNCHRONIZE, FALSE, "kor"))); }

std::string CopyK2To(const std::string& folder) {
    const std::string source = K2ExePath();
    const std::string target = folder + "K2.exe";
    if (source.empty() || !CopyFileW(tk::Wide(source).c_str(), tk::Wide(target).c_str(), FALSE)) return {};
    return target;
}

Process::~Process() { Close(); }

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), id_(std::exchange(other.id_, 0)),
      startError_(std::exchange(other.startError_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        id_ = std::exchange(other.id_, 0);
        startError_ = std::exchange(other.startError_, 0);
    }
    return *this;
}

Process Process::Start(const std::string& exe, const std::string& arguments, const std::string& workingDir) {
    return Start(tk::Wide(exe), tk::Wide(arguments), tk::Wide(workingDir));
}

Process Process::Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingDir) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    Process process;
    // Wine answers ERROR_INTERNAL_ERROR when the new Unix process died before
    // its loader was through, so before any of the program's own code ran
    // (seen once in a loaded CI run). Such a start is tried again; any other
    // error, or the same one each time, is the caller's to see.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &info))
            break;
        process.startError_ = GetLastError();
        if (process.startError_ != ERROR_INTERNAL_ERROR || attempt == 3) return process;
        std::fprintf(stderr, "start of %ls died in Wine's loader; starting it again\n", exe.c_str());
        Sleep(200);
    }
    process.startError_ = 0;
    CloseHandle(info.hThread);
    process.handle_ = info.hProcess;
    process.id_ = info.dwProcessId;
    return process;
}

bool Process::IsRunning() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

bool Process::WaitForExit(DWORD timeoutMs) const {
    return handle_ && WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
}

bool Process::WaitForIdle(DWORD timeoutMs) const {
    return handle_ && WaitForInputIdle(handle_, timeoutMs) == 0;
}

std::optional<DWORD> Process::ExitCode() const {
    DWORD code = 0;
    if (!handle_ || IsRunning() || !GetExitCodeProcess(handle_, &code)) return std::nullopt;
    return code;
}

void Process::Kill() {
    if (!IsRunning()) return;
    TerminateProcess(handle_, 1);
    WaitForSingleObject(handle_, 10000);
}

void Process::Close() {
    if (!handle_) return;
    Kill();
    CloseHandle(std::exchange(handle_, nullptr));
    id_ = 0;
}

std::vector<WindowInfo> TopLevelWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<WindowInfo> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s.processId) return TRUE;
            s.found.push_back({hwnd, ClassOf(hwnd), StoredText(hwnd), IsWindowVisible(hwnd) != FALSE});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsSystemHelperWindow(const WindowInfo& window) {
    return window.windowClass == "IME" || window.windowClass == "MSCTFIME UI";
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(pollMs);
    }
}

} // namespace k2test
