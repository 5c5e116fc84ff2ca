// Display scale. Layouts, fonts, bevels and icon sizes are given at 96 dpi
// and scaled here, by one rounding rule, to the DPI of the window they are on.
#pragma once
#include <windows.h>

namespace tk {

constexpr int kDesignDpi = 96;

// Windows 10 1703 asks a per-monitor window for its size at a new DPI with
// this message (newer than the headers of the oldest supported system).
constexpr UINT kGetDpiScaledSize = 0x02E4;

// `value` (pixels at 96 dpi) at `dpi`, rounded to the nearest pixel.
inline int Scale(int value, int dpi) { return dpi == kDesignDpi ? value : MulDiv(value, dpi, kDesignDpi); }

// The DPI a window is shown at: its monitor's where the system tells it per
// window (Windows 10 1607 on), else the system's.
int WindowDpi(HWND hwnd);
// The DPI of windows not created yet.
int SystemDpi();
// A size the system measures (`index`, as SM_CXSMICON) at `dpi`: a
// per-monitor window's plain metrics keep the scale of the sign-in.
int SystemMetricForDpi(int index, int dpi);
// Grows a client rectangle to the window rectangle at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

} // namespace tk
