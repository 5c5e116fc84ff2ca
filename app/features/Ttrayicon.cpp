#include "app/features/Ttrayicon.h"

#include "toolkit/Application.h"
#include "toolkit/Dpi.h"
#include "toolkit/Text.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

namespace k2 {
namespace {

NOTIFYICONDATAW EmptyData(HWND window) {
    NOTIFYICONDATAW data;
    std::memset(&data, 0, sizeof(data));
    data.cbSize = kTrayDataSize;
    data.hWnd = window;
    data.uID = 0;
    return data;
}

// Newer than the oldest supported system: looked up once.
template <class F> F SystemFunction(const wchar_t* dll, const char* name) {
    const HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The small-icon side at `dpi`. A per-monitor-aware process's plain metrics
// (and LoadIconMetric, which reads them) keep the scale of the sign-in.
int SmallIconSide(int dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const auto forDpi = SystemFunction<Fn>(L"user32.dll", "GetSystemMetricsForDpi");
    const int side = forDpi ? forDpi(SM_CXSMICON, static_cast<UINT>(dpi)) : 0;
    return side > 0 ? side : MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, tk::SystemDpi());
}

} // namespace

int NotificationAreaDpi() {
    // The taskbar's monitor; the primary one while the shell has none.
    using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto forMonitor = SystemFunction<Fn>(L"shcore.dll", "GetDpiForMonitor");
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const HMONITOR monitor = taskbar ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                                     : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT x = 0, y = 0;
    if (forMonitor && SUCCEEDED(forMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x > 0)
        return static_cast<int>(x);
    return tk::SystemDpi();
}

void AddTrayIcon(TrayIconRecord&, HWND window, UINT callbackMessage) {
    NOTIFYICONDATAW data = EmptyData(window);
    // Version 4 hides the plain tip unless asked for it.
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = callbackMessage;
    HICON appIcon = tk::App().Icon();
    data.hIcon = appIcon ? appIcon : LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    // The same tip always: Windows 11 keeps the user's choice to show the
    // icon on the taskbar only for an icon whose tip does not change.
    std::wcsncpy(data.szTip, L"コルミ２", std::size(data.szTip) - 1);
    Shell_NotifyIconW(NIM_ADD, &data);
    // Version 4: the keyboard's Enter and Space on the icon come as
    // NIN_KEYSELECT / NIN_SELECT, the event in the low word of lParam.
    data.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &data);
}

void ChangeTrayIcon(TrayIconRecord& record, HWND window, int number) {
    const std::wstring name = L"ICON" + std::to_wstring(number);
    // The resource holds the sides of 100 to 200 % (16, 20, 24, 32 pixels).
    const int side = SmallIconSide(record.dpi());
    record.icon = tk::IconHandle(
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_ICON, side, side, 0)));
    record.number = number;
    record.side = side;
    tk::App().SetIcon(record.icon.Get());
    NOTIFYICONDATAW data = EmptyData(window);
    data.uFlags = NIF_ICON | NIF_SHOWTIP;
    data.hIcon = record.icon.Get();
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void FollowTrayIconScale(TrayIconRecord& record, HWND window) {
    if (record.number != 0 && SmallIconSide(record.dpi()) != record.side) ChangeTrayIcon(record, window, record.number);
}

bool ShowTrayBalloon(TrayIconRecord&, HWND window, const std::string& text) {
    NOTIFYICONDATAW data = EmptyData(window);
    data.uFlags = NIF_INFO | NIF_SHOWTIP;
    data.dwInfoFlags = NIIF_WARNING;
    // Our texts fit the 256-character field (the longest, every key named, has 176).
    std::wcsncpy(data.szInfo, tk::Wide(text).c_str(), std::size(data.szInfo) - 1);
    std::wcsncpy(data.szInfoTitle, L"コルミ２", std::size(data.szInfoTitle) - 1);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool TrayEventShowsWindow(TrayIconRecord& record, UINT event) {
    switch (event) {
    case WM_LBUTTONDBLCLK:
    case NIN_KEYSELECT: return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        record.leftButtonTime = GetTickCount();
        record.leftButtonSeen = true;
        return false;
    case NIN_SELECT: {
        // The shell follows each left click with NIN_SELECT; one that comes
        // without a click is Enter on the focused icon.
        const bool ofClick = record.leftButtonSeen && GetTickCount() - record.leftButtonTime <= GetDoubleClickTime();
        record.leftButtonSeen = false;
        return !ofClick;
    }
    default: return false;
    }
}

void DeleteTrayIcon(TrayIconRecord&, HWND window) {
    NOTIFYICONDATAW data = EmptyData(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

} // namespace k2
