// Start-up time: from CreateProcess of K2.exe until its message loop waits
// for input, that is, until the start sequence (tray icon included) has
// finished, over several runs. Prints the figures.
//
// Usage: startup_time.exe <path of K2.exe> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND FindLauncher(DWORD processId) {
    HWND found = nullptr;
    for (HWND window = FindWindowExA(nullptr, nullptr, "TForm1", nullptr); window;
         window = FindWindowExA(nullptr, window, "TForm1", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) found = window;
    }
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_time K2.exe [runs]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        std::string command = "\"" + exe + "\"";
        LARGE_INTEGER start, ready;
        QueryPerformanceCounter(&start);
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &process)) {
            std::fprintf(stderr, "cannot start %s (%lu)\n", exe.c_str(), GetLastError());
            return 1;
        }
        // Ready when its message loop waits for input: the start sequence,
        // tray icon included, has finished.
        const DWORD idle = WaitForInputIdle(process.hProcess, 10000);
        const HWND window = idle == 0 ? FindLauncher(process.dwProcessId) : nullptr;
        QueryPerformanceCounter(&ready);
        if (!window) {
            std::fprintf(stderr, "no window after 10 s\n");
            TerminateProcess(process.hProcess, 1);
            return 1;
        }
        times.push_back(Milliseconds(start, ready));
        // End it as at log-off: no confirmation, files saved.
        SendMessageA(window, WM_QUERYENDSESSION, 0, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) sum += t;
    std::printf("start-up to a running main window with its tray icon, %d runs: median %.1f ms, mean %.1f ms, "
                "min %.1f ms, max %.1f ms\n",
                runs, times[times.size() / 2], sum / static_cast<double>(times.size()), times.front(),
                times.back());
    return 0;
}
