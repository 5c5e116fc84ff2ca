#include "toolkit/Monitor.h"

#include "toolkit/Dpi.h"

namespace tk {
namespace {

// GetDpiForMonitor (Windows 8.1 on) lives in shcore, which older systems
// lack: looked up once, in System32 only.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI

int SystemMonitorDpi(HMONITOR monitor) {
    static const auto getDpiForMonitor = [] {
        HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    if (getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && x)
        return static_cast<int>(x);
    return SystemDpi();
}

} // namespace

const MonitorApi& SystemMonitors() {
    static const MonitorApi api{.fromRect = MonitorFromRect, .getInfo = GetMonitorInfoA, .dpi = SystemMonitorDpi};
    return api;
}

RECT WorkAreaNear(const RECT& rect, const MonitorApi& api) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = api.fromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (monitor && api.getInfo(monitor, &info)) return info.rcWork;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

MonitorPlace MonitorAt(POINT point, const MonitorApi& api) {
    const RECT at{point.x, point.y, point.x + 1, point.y + 1};
    const HMONITOR monitor = api.fromRect(&at, MONITOR_DEFAULTTONEAREST);
    return MonitorPlace{.work = WorkAreaNear(at, api), .dpi = monitor ? api.dpi(monitor) : SystemDpi()};
}

int KeptInside(int start, int size, int low, int high) {
    if (start + size >= high) return high - size;
    if (start < low) return low;
    return start;
}

} // namespace tk
