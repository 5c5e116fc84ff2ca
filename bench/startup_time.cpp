// Start-up cost of K2.exe against a floor: a program that only creates one
// hidden window and one tray icon. The two are started alternately in the
// same session, so both see the same system state. For each run: the time
// from CreateProcess until the message loop waits for input (the start
// sequence, tray icon included, has finished) and the working set then.
// Prints min and median of both, their ratio and the difference.
//
// Usage: startup_time.exe <path of K2.exe> <path of the floor program> [runs]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Sample {
    double milliseconds = 0;
    double workingSetMb = 0;
};

struct Program {
    const char* label;
    std::string exe;
    const char* windowClass;
    UINT endMessage; // how a run is ended: as at log-off for K2, closed for the floor
    std::vector<Sample> samples;
};

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND FindWindowOf(const char* windowClass, DWORD processId) {
    for (HWND window = FindWindowExA(nullptr, nullptr, windowClass, nullptr); window;
         window = FindWindowExA(nullptr, window, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

bool RunOnce(Program& program) {
    const std::string folder = program.exe.substr(0, program.exe.find_last_of('\\') + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string command = "\"" + program.exe + "\"";
    LARGE_INTEGER start, ready;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program.exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %s (%lu)\n", program.exe.c_str(), GetLastError());
        return false;
    }
    const DWORD idle = WaitForInputIdle(process.hProcess, 10000);
    const HWND window = idle == 0 ? FindWindowOf(program.windowClass, process.dwProcessId) : nullptr;
    QueryPerformanceCounter(&ready);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    const bool measured = GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory));
    if (window) {
        if (program.endMessage == WM_QUERYENDSESSION) {
            SendMessageA(window, WM_QUERYENDSESSION, 0, 0);
            SendMessageA(window, WM_ENDSESSION, TRUE, 0);
        } else {
            PostMessageA(window, program.endMessage, 0, 0);
        }
    }
    if (!window || WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "%s: no window or no exit after 10 s\n", program.label);
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!window) return false;
    program.samples.push_back({Milliseconds(start, ready),
                               measured ? static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0) : 0.0});
    return true;
}

template <class Field> std::vector<double> Sorted(const std::vector<Sample>& samples, Field field) {
    std::vector<double> values;
    for (const Sample& sample : samples) values.push_back(sample.*field);
    std::sort(values.begin(), values.end());
    return values;
}

double Median(const std::vector<double>& sorted) {
    const std::size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_time K2.exe tray_floor.exe [runs]\n");
        return 2;
    }
    Program k2{"K2", argv[1], "TForm1", WM_QUERYENDSESSION, {}};
    Program floor{"floor", argv[2], "TrayFloor", WM_CLOSE, {}};
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 31;
    // One unmeasured start of each warms the file cache and the system's
    // helper processes; the first start in a fresh session may be slow.
    Program warmK2 = k2, warmFloor = floor;
    RunOnce(warmFloor);
    RunOnce(warmK2);
    int failed = 0;
    for (int run = 0; run < runs; ++run) {
        if (!RunOnce(floor)) ++failed;
        if (!RunOnce(k2)) ++failed;
    }
    if (floor.samples.empty() || k2.samples.empty()) return 1;
    std::printf("start-up until the message loop is idle, %d alternating runs each (%d failed)\n", runs, failed);
    const auto floorTimes = Sorted(floor.samples, &Sample::milliseconds);
    const auto k2Times = Sorted(k2.samples, &Sample::milliseconds);
    const auto floorSets = Sorted(floor.samples, &Sample::workingSetMb);
    const auto k2Sets = Sorted(k2.samples, &Sample::workingSetMb);
    for (const auto& [label, times, sets] : {std::tuple{floor.label, floorTimes, floorSets},
                                             std::tuple{k2.label, k2Times, k2Sets}}) {
        std::printf("  %-5s time min %6.1f ms  median %6.1f ms   working set min %5.1f MB  median %5.1f MB\n",
                    label, times.front(), Median(times), sets.front(), Median(sets));
    }
    std::printf("  K2/floor time: min %.2fx  median %.2fx\n", k2Times.front() / floorTimes.front(),
                Median(k2Times) / Median(floorTimes));
    std::printf("  K2-floor working set: min %+.1f MB  median %+.1f MB\n", k2Sets.front() - floorSets.front(),
                Median(k2Sets) - Median(floorSets));
    return 0;
}
