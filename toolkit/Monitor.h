// The work area a window is kept in: the monitor that holds it (or is nearest
// to it), less the taskbar and other docked bars.
#pragma once
#include <windows.h>

namespace tk {

// The monitor queries, as a table so that another monitor layout (a taskbar,
// a second monitor) can stand behind them.
struct MonitorApi {
    HMONITOR(WINAPI* fromRect)(LPCRECT rect, DWORD flags);
    BOOL(WINAPI* getInfo)(HMONITOR monitor, LPMONITORINFO info);
    // The DPI a per-monitor aware window is shown at on the monitor.
    int (*dpi)(HMONITOR monitor);
};

// The system's monitors.
const MonitorApi& SystemMonitors();

// Work area of the monitor that shares the most of `rect` with it, or is
// nearest to it; the primary screen when the monitor cannot be asked.
RECT WorkAreaNear(const RECT& rect, const MonitorApi& api = SystemMonitors());

// The monitor that holds a point, or is nearest to it: its work area and DPI.
struct MonitorPlace {
    RECT work;
    int dpi;
};
MonitorPlace MonitorAt(POINT point, const MonitorApi& api = SystemMonitors());

// The left or top edge that keeps a span of `size` from `start` inside
// [low, high): moved back to `high` - size when it would reach past it, else
// up to `low` when it starts before it.
int KeptInside(int start, int size, int low, int high);

} // namespace tk
