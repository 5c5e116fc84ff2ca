// Starting and watching other programs from end-to-end tests: the built K2.exe,
// the helper programs beside the tests, and the windows they create.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace k2test {

// Wine maps the Unix root to drive Z:. A path that is not absolute in Unix
// form is returned unchanged.
std::string WinePathFromUnix(const std::string& unixPath);

// The built K2.exe (environment K2_EXE, set by the test runner); "" when unset.
std::string K2ExePath();
// The tests' build folder with the helper programs (environment K2_TEST_BIN),
// with a trailing backslash; "" when unset.
std::string TestBinFolder();
// True while a copy of K2 holds its single-instance mutex in this session.
bool K2MutexExists();
// Copies K2.exe into `folder` (trailing backslash) so that its data folder is
// made there; returns the copy's path, or "" when the copy failed.
std::string CopyK2To(const std::string& folder);

// A started process. Ending the owner ends a process that is still running, so
// a failed test leaves nothing behind that holds the single-instance mutex.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;

    // Runs `exe` with `arguments` (appended after the quoted program name) in
    // `workingDir` ("" keeps the caller's). Check the result with operator bool;
    // StartError() then tells why it failed.
    static Process Start(const std::string& exe, const std::string& arguments = "",
                         const std::string& workingDir = "");
    // The same with names as the system has them (any characters).
    static Process Start(const std::wstring& exe, const std::wstring& arguments = L"",
                         const std::wstring& workingDir = L"");

    explicit operator bool() const { return handle_ != nullptr; }
    DWORD StartError() const { return startError_; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return handle_; }

    bool IsRunning() const;
    // True once the process has ended; false on timeout.
    bool WaitForExit(DWORD timeoutMs) const;
    // True once the process waits for input in its message loop.
    bool WaitForIdle(DWORD timeoutMs) const;
    // Exit code, or nothing while the process runs.
    std::optional<DWORD> ExitCode() const;
    // Ends the process at once and waits until it has gone.
    void Kill();

private:
    void Close();

    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
    DWORD startError_ = 0;
};

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string windowClass;
    std::string caption;
    bool visible = false;
};

// Top-level windows of a process, visible or not, in Z order.
std::vector<WindowInfo> TopLevelWindows(DWORD processId);
// Windows the system makes for every GUI thread (input method), which a test
// of the program's own windows leaves out.
bool IsSystemHelperWindow(const WindowInfo& window);

// Polls `condition` until it holds; false when `timeoutMs` passes first.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 10);

} // namespace k2test
