#include "toolkit/Monitor.h"

namespace tk {

const MonitorApi& SystemMonitors() {
    static const MonitorApi api{.fromRect = MonitorFromRect, .getInfo = GetMonitorInfoA};
    return api;
}

RECT WorkAreaNear(const RECT& rect, const MonitorApi& api) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = api.fromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (monitor && api.getInfo(monitor, &info)) return info.rcWork;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

int KeptInside(int start, int size, int low, int high) {
    if (start + size >= high) return high - size;
    if (start < low) return low;
    return start;
}

} // namespace tk
