#include "app/features/Ttrayicon.h"

#include "toolkit/Application.h"
#include "toolkit/Dpi.h"
#include "toolkit/Monitor.h"
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

} // namespace

int NotificationAreaDpi() {
    // The taskbar's monitor; the primary one while the shell has none.
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const HMONITOR monitor = taskbar ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                                     : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    return tk::SystemMonitors().dpi(monitor);
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
    const int side = tk::SystemMetricForDpi(SM_CXSMICON, record.dpi());
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
    if (record.number != 0 && tk::SystemMetricForDpi(SM_CXSMICON, record.dpi()) != record.side) ChangeTrayIcon(record, window, record.number);
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
