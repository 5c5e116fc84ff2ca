#include "toolkit/Dpi.h"

namespace tk {
namespace {

// Functions newer than the oldest supported system, looked up once.
template <class F> F User32Function(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using MetricsForDpiFn = int(WINAPI*)(int, UINT);

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

} // namespace

int WindowDpi(HWND hwnd) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && hwnd) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

int SystemDpi() {
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem) {
        if (const UINT dpi = getDpiForSystem()) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    static const auto metricsForDpi = User32Function<MetricsForDpiFn>("GetSystemMetricsForDpi");
    const int value = metricsForDpi ? metricsForDpi(index, static_cast<UINT>(dpi)) : 0;
    return value > 0 ? value : MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (adjustForDpi && adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

} // namespace tk
