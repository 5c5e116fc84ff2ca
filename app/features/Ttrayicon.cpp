#include "app/features/Ttrayicon.h"

#include "toolkit/Application.h"

#include <cstring>
#include <cwchar>
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

void AddTrayIcon(TrayIconRecord&, HWND window, UINT callbackMessage) {
    NOTIFYICONDATAW data = EmptyData(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callbackMessage;
    HICON appIcon = tk::App().Icon();
    data.hIcon = appIcon ? appIcon : LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    // The first shell version's tip field holds 64 characters.
    std::wcsncpy(data.szTip, L"コルミ２", 63);
    Shell_NotifyIconW(NIM_ADD, &data);
}

void ChangeTrayIcon(TrayIconRecord& record, HWND window, int number) {
    const std::wstring name = L"ICON" + std::to_wstring(number);
    // The notification area shows small icons at the display scale's size
    // (20, 24, 32 pixels above 100 %); the resource holds each of them.
    record.icon = tk::IconHandle(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_ICON,
                                                               GetSystemMetrics(SM_CXSMICON),
                                                               GetSystemMetrics(SM_CYSMICON), 0)));
    tk::App().SetIcon(record.icon.Get());
    NOTIFYICONDATAW data = EmptyData(window);
    data.uFlags = NIF_ICON;
    data.hIcon = record.icon.Get();
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void DeleteTrayIcon(TrayIconRecord&, HWND window) {
    NOTIFYICONDATAW data = EmptyData(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

} // namespace k2
